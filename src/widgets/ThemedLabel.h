#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QLabel;
class QWidget;

// A plain label in a font and colour of the theme.
QLabel *themedLabel(const QString &text, const QFont &font, const QColor &color, QWidget *parent = nullptr);
