#include "app/HomePage.h"

#include "capture/CaptureService.h"
#include "core/Localization.h"
#include "widgets/BrandMark.h"
#include "widgets/Buttons.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {

QLabel *label(const QString &text, const QFont &font, const QColor &color, QWidget *parent) {
    QLabel *l = themedLabel(text, font, color, parent);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

} // namespace

HomePage::HomePage(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("homePage"));
    auto *column = new QVBoxLayout(this);
    column->setSpacing(10);
    column->addStretch(1);

    auto *mark = new BrandMark(52, this);
    auto *glow = new QGraphicsDropShadowEffect(mark);
    glow->setColor(Theme::rgb(0xC9BEFF, 0.3));
    glow->setBlurRadius(20);
    glow->setOffset(0, 8);
    mark->setGraphicsEffect(glow);
    column->addWidget(mark, 0, Qt::AlignHCenter);
    column->addSpacing(8);

    QFont titleFont = Theme::font(40, QFont::DemiBold);
    titleFont.setLetterSpacing(QFont::AbsoluteSpacing, -1);
    column->addWidget(label(QStringLiteral("Pelicarta"), titleFont, Theme::text(), this));
    column->addWidget(label(L("O que vamos capturar agora?"), Theme::font(16), Theme::text2(), this));
    column->addSpacing(32);

    auto *row = new QHBoxLayout;
    row->setSpacing(14);
    row->addStretch(1);
    const QList<QPair<ShortcutAction, const char *>> actions = {
        {ShortcutAction::captureArea, "Área"},
        {ShortcutAction::captureWindow, "Janela"},
        {ShortcutAction::captureFullScreen, "Tela inteira"},
    };
    for (const auto &[action, shortTitle] : actions) {
        QPushButton *button = action == ShortcutAction::captureArea
                                  ? static_cast<QPushButton *>(new PrimaryButton(L(shortTitle), this))
                                  : new SecondaryButton(L(shortTitle), this);
        button->setToolTip(ShortcutActions::title(action));
        button->setAccessibleName(ShortcutActions::title(action));
        connect(button, &QPushButton::clicked, this, [start = action] { CaptureService::start(start); });
        row->addWidget(button);
        m_buttons.append({action, button});
    }
    row->addStretch(1);
    column->addLayout(row);
    column->addStretch(1);
}

QAbstractButton *HomePage::button(ShortcutAction action) const {
    for (const auto &[a, button] : m_buttons)
        if (a == action) return button;
    return nullptr;
}

void HomePage::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), Theme::bg());
    // A soft accent glow behind the title.
    QRadialGradient glow(QPointF(width() * 0.5, height() * 0.25), 420);
    glow.setColorAt(0, Theme::rgb(0xC9BEFF, 0.12));
    glow.setColorAt(1, Qt::transparent);
    p.fillRect(rect(), glow);
}
