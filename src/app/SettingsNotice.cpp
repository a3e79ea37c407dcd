#include "app/SettingsNotice.h"

#include "core/Localization.h"
#include "platform/UserDefaults.h"
#include "widgets/Buttons.h"
#include "widgets/Icons.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

SettingsNotice::SettingsNotice(const platform::UserDefaults &defaults, QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("settingsNotice"));
    const QString keptAside = defaults.keptAsidePath();
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(16, 10, 12, 10);
    row->setSpacing(10);
    auto *icon = new QLabel(this);
    icon->setPixmap(
        Icons::pixmap(QStringLiteral("exclamationmark.triangle"), 14, Theme::warning(), devicePixelRatioF()));
    row->addWidget(icon, 0, Qt::AlignTop);
    QLabel *text = themedLabel(
        L(LKey("As configurações não puderam ser lidas e voltaram ao padrão. O arquivo antigo foi guardado como “%@”.",
               {keptAside})),
        Theme::font(12), Theme::text(), this);
    text->setObjectName(QStringLiteral("settingsNoticeText"));
    text->setWordWrap(true);
    row->addWidget(text, 1);
    auto *close = new CloseNoticeButton(this);
    close->setObjectName(QStringLiteral("settingsNoticeClose"));
    connect(close, &QPushButton::clicked, this, &QWidget::hide);
    row->addWidget(close, 0, Qt::AlignTop);
    // The file is set aside once, at start: the notice is made once and never comes back once closed.
    setVisible(!keptAside.isEmpty());
}

void SettingsNotice::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), Theme::raised());
    p.fillRect(QRect(0, height() - 1, width(), 1), Theme::over(Theme::lineStrong(), Theme::raised()));
}
