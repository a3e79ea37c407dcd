#include "app/PagePlaceholder.h"

#include "widgets/Theme.h"

#include <QLabel>
#include <QVBoxLayout>

PagePlaceholder::PagePlaceholder(const QString &title, QWidget *parent) : QWidget(parent) {
    setAccessibleName(title);
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(this);
    label->setTextFormat(Qt::PlainText);
    label->setText(title);
    label->setFont(Theme::font(28, QFont::DemiBold));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Theme::text());
    label->setPalette(palette);
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
}
