#include "widgets/ThemedLabel.h"

#include <QLabel>

QLabel *themedLabel(const QString &text, const QFont &font, const QColor &color, QWidget *parent) {
    auto *label = new QLabel(text, parent);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    return label;
}
