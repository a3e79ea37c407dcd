#include "capture/SystemShortcutsGuide.h"

#include "core/Localization.h"
#include "core/SystemShortcuts.h"
#include "widgets/Icons.h"
#include "widgets/Keycap.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QEasingCurve>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <QVariantAnimation>

namespace {

// "dá para liberar" on a faint capsule.
class Badge : public QWidget {
public:
    explicit Badge(QWidget *parent) : QWidget(parent), m_text(L("dá para liberar")) {
        setFont(Theme::font(10));
        setToolTip(L("Desligue em Ajustes › Teclado › Atalhos de Teclado › Capturas de Tela para usar no Pelicarta"));
        setFixedSize(QFontMetrics(font()).horizontalAdvance(m_text) + 12, 16);
    }
    QString text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 15));
        p.drawRoundedRect(QRectF(rect()), height() / 2.0, height() / 2.0);
        p.setPen(Theme::text3());
        p.drawText(rect(), Qt::AlignCenter, m_text);
    }

private:
    QString m_text;
};

// One row with its hairline along the bottom.
class Row : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.fillRect(QRect(0, height() - 1, width(), 1), Theme::line());
    }
};

} // namespace

SystemShortcutsList::SystemShortcutsList(QWidget *parent) : QWidget(parent) {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *intro =
        themedLabel(L("O macOS executa estes atalhos antes de qualquer app — por isso o Pelicarta não pode usá-los."),
                    Theme::font(12), Theme::text3(), this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    layout->addSpacing(8);
    for (const ReservedShortcut &reserved : SystemShortcuts::all()) {
        auto *row = new Row(this);
        row->setObjectName(reserved.id());
        auto *h = new QHBoxLayout(row);
        h->setContentsMargins(0, 7, 0, 8); // 7 above and below the content, plus the hairline
        h->setSpacing(8);
        h->addWidget(themedLabel(reserved.name, Theme::font(13), Theme::text(), row));
        if (reserved.releasable) h->addWidget(new Badge(row));
        h->addStretch(1);
        h->addWidget(new KeycapRow(reserved.shortcut.symbols(), Keycap::Size::small, row));
        layout->addWidget(row);
    }
}

// The heading: chevron and "Atalhos reservados pelo macOS (21)".
class SystemShortcutsGuide::Toggle : public QAbstractButton {
public:
    explicit Toggle(SystemShortcutsGuide *guide) : QAbstractButton(guide), m_guide(guide) {
        setText(L(LKey("Atalhos reservados pelo macOS (%@)", {QString::number(SystemShortcuts::all().size())})));
        setCursor(Qt::PointingHandCursor);
        setFont(Theme::font(13));
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override {
        const QFontMetrics metrics(font());
        return {11 + 6 + metrics.horizontalAdvance(text()) + 2, std::max(metrics.height(), 14)};
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        const qreal cy = height() / 2.0;
        p.save();
        p.translate(5.5, cy);
        p.rotate(m_guide->chevronAngle());
        p.drawPixmap(QRectF(-5.5, -5.5, 11, 11),
                     Icons::pixmap(QStringLiteral("chevron.right"), 11, Theme::text2(), devicePixelRatioF()), QRectF());
        p.restore();
        p.setFont(font());
        p.setPen(Theme::text2());
        p.drawText(QRectF(17, 0, width() - 17, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
    }

private:
    SystemShortcutsGuide *m_guide;
};

SystemShortcutsGuide::SystemShortcutsGuide(QWidget *parent) : QWidget(parent) {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    m_toggle = new Toggle(this);
    m_toggle->setObjectName(QStringLiteral("toggleButton"));
    layout->addWidget(m_toggle, 0, Qt::AlignLeft);
    m_list = new SystemShortcutsList(this);
    m_list->setObjectName(QStringLiteral("shortcutsList"));
    m_list->hide();
    layout->addWidget(m_list);
    m_animation = new QVariantAnimation(this);
    m_animation->setDuration(200);
    m_animation->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_animation, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) {
        m_angle = value.toReal();
        m_toggle->update();
    });
    connect(m_toggle, &QAbstractButton::clicked, this, &SystemShortcutsGuide::toggle);
}

void SystemShortcutsGuide::toggle() {
    m_expanded = !m_expanded;
    m_list->setVisible(m_expanded);
    m_animation->stop();
    m_animation->setStartValue(m_angle);
    m_animation->setEndValue(m_expanded ? 90.0 : 0.0);
    m_animation->start();
}
