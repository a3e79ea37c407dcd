#include "brand_window/BrandNoticeBanner.h"

#include "core/Localization.h"
#include "widgets/Buttons.h"
#include "widgets/Icons.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include <utility>

BrandNoticeBanner::BrandNoticeBanner(QWidget *parent) : QWidget(parent) {
    m_animation.setDuration(animationMs);
    m_animation.setStartValue(0.0);
    m_animation.setEndValue(1.0);
    m_animation.setEasingCurve(QEasingCurve::OutCubic);
    setObjectName(QStringLiteral("notice"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("#notice { background: %1; border: 1px solid %2; border-radius: 10px; }")
                      .arg(Theme::raised().name(), Theme::line().name(QColor::HexArgb)));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(14, 14, 14, 14);
    row->setSpacing(10);
    m_icon = new QLabel(this);
    row->addWidget(m_icon, 0, Qt::AlignTop);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(8);
    m_text = themedLabel({}, Theme::font(12), Theme::text(), this);
    m_text->setWordWrap(true);
    texts->addWidget(m_text);
    m_undo = new QPushButton(L("Desfazer cores"), this);
    m_undo->setFlat(true);
    m_undo->setFont(Theme::font(12, QFont::Medium));
    m_undo->setCursor(Qt::PointingHandCursor);
    m_undo->setStyleSheet(
        QStringLiteral("QPushButton { color: %1; border: none; text-align: left; }").arg(Theme::accent().name()));
    connect(m_undo, &QPushButton::clicked, this, &BrandNoticeBanner::undoClicked);
    texts->addWidget(m_undo, 0, Qt::AlignLeft);
    row->addLayout(texts, 1);
    auto *close = new CloseNoticeButton(this);
    connect(close, &QPushButton::clicked, this, [this] { setNotice(std::nullopt); });
    row->addWidget(close, 0, Qt::AlignTop);
    hide();
}

void BrandNoticeBanner::setNotice(std::optional<BrandNotice> notice) {
    if (notice == m_notice) return;
    const bool had = m_notice.has_value();
    m_notice = std::move(notice);
    m_closing = !m_notice;
    sync();
    animate(had);
}

void BrandNoticeBanner::animate(bool had) {
    auto *fade = qobject_cast<QGraphicsOpacityEffect *>(graphicsEffect());
    if (!fade) setGraphicsEffect(fade = new QGraphicsOpacityEffect(this));
    m_animation.stop();
    m_animation.disconnect(this);
    const bool resize = !had || !m_notice;
    const int full = hasHeightForWidth() && width() > 0 ? heightForWidth(width()) : sizeHint().height();
    const int from = m_notice ? 0 : height();
    const int to = m_notice ? full : 0;
    connect(&m_animation, &QVariantAnimation::valueChanged, this, [this, fade, resize, from, to](const QVariant &v) {
        const qreal t = v.toReal();
        fade->setOpacity(m_notice ? t : 1 - t);
        if (resize) setMaximumHeight(qRound(from + (to - from) * t));
    });
    connect(&m_animation, &QVariantAnimation::finished, this, [this, fade] {
        fade->setOpacity(1);
        setMaximumHeight(QWIDGETSIZE_MAX);
        m_closing = false;
        if (!m_notice) hide();
    });
    if (resize && m_notice) setMaximumHeight(0);
    m_animation.start();
}

void BrandNoticeBanner::sync() {
    if (m_notice) show();
    else if (!m_closing) hide();
    if (!m_notice) return;
    const bool warn = m_notice->isWarning;
    const QString icon = warn ? QStringLiteral("exclamationmark.triangle") : QStringLiteral("checkmark.circle");
    m_icon->setPixmap(Icons::pixmap(icon, 14, warn ? Theme::warning() : Theme::success(), devicePixelRatioF()));
    m_text->setText(m_notice->text);
    m_undo->setVisible(m_notice->undo.has_value());
}
