#pragma once

#include <QString>

// What the tutorial pages show while there is nothing to list: its symbol and the button that starts recording.

class PrimaryButton;
class QLabel;
class QWidget;

// The prominent button of an empty state that starts recording: the red dot, then the text.
PrimaryButton *recordingButton(const QString &text, QWidget *parent);
// The large accent symbol over an empty state.
QLabel *emptyStateSymbol(const QString &name, QWidget *parent);
