#include "app/HomeView.h"

#include "app/AppRouter.h"
#include "app/CaptureCard.h"
#include "app/Greeting.h"
#include "app/PageKeys.h"
#include "core/Localization.h"
#include "core/Settings.h"
#include "core/ShortcutAction.h"
#include "history/RecentThumbnail.h"
#include "history/RecentTileRow.h"
#include "history/RecentsStore.h"
#include "platform/Clock.h"
#include "platform/UserDefaults.h"
#include "widgets/ControlState.h"
#include "widgets/BrandMark.h"
#include "widgets/SectionLabel.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QAbstractButton>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kColumnWidth = 680;
constexpr int kTileHeight = 80;
constexpr int kFooterHeight = 44;

// "Ver histórico completo ⌘3": a plain link to the history page.
class HistoryLink final : public QAbstractButton {
public:
    explicit HistoryLink(QWidget *parent) : QAbstractButton(parent), m_key(PageKeys::label(AppRouter::Page::history)) {
        setText(L("Ver histórico completo"));
        ControlState::pointWhileEnabled(this);
        setAttribute(Qt::WA_Hover); // repainted as the pointer comes and goes
        setToolTip(L("Todos os prints, com busca pelo texto de dentro deles"));
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override {
        const int text = QFontMetrics(Theme::font(12)).horizontalAdvance(this->text());
        const int key = QFontMetrics(Theme::monospaceFont(10)).horizontalAdvance(m_key);
        return {text + 4 + key, QFontMetrics(Theme::font(12)).height()};
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setFont(Theme::font(12));
        p.setPen(ControlState::isHovered(*this) ? Theme::text() : Theme::text2());
        const int text = p.fontMetrics().horizontalAdvance(this->text());
        p.drawText(QRect(0, 0, text, height()), Qt::AlignLeft | Qt::AlignVCenter, this->text());
        p.setFont(Theme::monospaceFont(10));
        p.setPen(Theme::text3());
        p.drawText(QRect(text + 4, 0, width() - text - 4, height()), Qt::AlignLeft | Qt::AlignVCenter, m_key);
    }

private:
    QString m_key;
};

// The dashed box that stands for the recent captures while there are none.
class RecentsPlaceholder final : public QWidget {
public:
    explicit RecentsPlaceholder(QWidget *parent) : QWidget(parent) {
        setFixedSize(kColumnWidth, 80);
        setAccessibleName(L("Suas capturas recentes aparecem aqui."));
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPen dashed(Theme::rgb(0xFFFFFF, 0.12), 1, Qt::CustomDashLine, Qt::FlatCap);
        dashed.setDashPattern({4, 4});
        p.setPen(dashed);
        // Drawn inside the edge.
        p.drawPath(Theme::continuousRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 14));
        p.setFont(Theme::font(14));
        p.setPen(Theme::text3());
        p.drawText(rect(), Qt::AlignCenter, accessibleName());
    }
};

// A hairline in the line colour over whatever lies beneath.
class HomeRule final : public QWidget {
public:
    explicit HomeRule(QWidget *parent) : QWidget(parent) { setFixedHeight(1); }

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), Theme::line()); }
};

class Footer final : public QWidget {
public:
    explicit Footer(QWidget *parent) : QWidget(parent) { setFixedHeight(kFooterHeight); }

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), Theme::panel()); }
};

} // namespace

HomeView::HomeView(ShortcutStore &shortcuts, RecentsStore &recents, platform::UserDefaults &defaults, QWidget *parent)
    : QWidget(parent), m_recents(recents), m_defaults(defaults) {
    setObjectName(QStringLiteral("homePage"));
    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);

    auto *content = new QVBoxLayout;
    content->setSpacing(32);
    content->addStretch(1);
    content->addWidget(makeGreeting(), 0, Qt::AlignHCenter);
    content->addWidget(makeCards(shortcuts), 0, Qt::AlignHCenter);
    content->addWidget(makeRecents(), 0, Qt::AlignHCenter);
    content->addStretch(1);
    page->addLayout(content, 1);
    page->addWidget(new HomeRule(this));
    page->addWidget(makeFooter());

    m_greetingTimer = new QTimer(this);
    m_greetingTimer->setObjectName(QStringLiteral("greetingTimer"));
    m_greetingTimer->setSingleShot(true);
    connect(m_greetingTimer, &QTimer::timeout, this, [this] {
        refreshTitle();
        scheduleTitle();
    });
    for (const QString &key : {Settings::greetingEnabled.key(), Settings::customName.key()})
        defaults.onChange(key, this, [this] { refreshTitle(); });
    connect(&recents, &RecentsStore::itemsChanged, this, &HomeView::refreshRecents);
    refreshTitle();
    refreshRecents();
}

QWidget *HomeView::makeGreeting() {
    auto *block = new QWidget(this);
    auto *column = new QVBoxLayout(block);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    auto *mark = new BrandMark(52, block);
    auto *glow = new QGraphicsDropShadowEffect(mark);
    glow->setColor(Theme::rgb(0xC9BEFF, 0.3));
    glow->setBlurRadius(20);
    glow->setOffset(0, 8);
    mark->setGraphicsEffect(glow);
    column->addWidget(mark, 0, Qt::AlignHCenter);
    column->addSpacing(8);
    QFont titleFont = Theme::font(40, QFont::DemiBold);
    titleFont.setLetterSpacing(QFont::AbsoluteSpacing, -1);
    // A greeting with a long name takes a second line rather than running off the column.
    m_title = wrappingLabel(QString(), titleFont, Theme::text(), block);
    m_title->setObjectName(QStringLiteral("title"));
    m_title->setAlignment(Qt::AlignCenter);
    column->addWidget(m_title);
    QLabel *subtitle = themedLabel(L("O que vamos capturar agora?"), Theme::font(16), Theme::text2(), block);
    subtitle->setAlignment(Qt::AlignCenter);
    column->addWidget(subtitle);
    return block;
}

QWidget *HomeView::makeCards(ShortcutStore &shortcuts) {
    // Each card keeps a small margin for its hover growth, taken out of the spacing between cards.
    auto *row = new QWidget(this);
    row->setFixedSize(kColumnWidth + 2 * CaptureCard::margin, 120 + 2 * CaptureCard::margin);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14 - 2 * CaptureCard::margin);
    const QList<std::tuple<ShortcutAction, const char *, bool>> cards = {
        {ShortcutAction::captureArea, "viewfinder", true},
        {ShortcutAction::captureWindow, "macwindow", false},
        {ShortcutAction::captureFullScreen, "display", false},
    };
    for (const auto &[action, icon, highlighted] : cards) {
        auto *card = new CaptureCard(shortcuts, action, QString::fromLatin1(icon), highlighted, row);
        card->setObjectName(QStringLiteral("card:") + ShortcutActions::rawValue(action));
        layout->addWidget(card, 1);
    }
    return row;
}

QWidget *HomeView::makeRecents() {
    auto *block = new QWidget(this);
    block->setFixedWidth(kColumnWidth);
    auto *column = new QVBoxLayout(block);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    auto *header = new QHBoxLayout;
    header->addWidget(new SectionLabel(L("Recentes"), block));
    header->addStretch(1);
    m_historyLink = new HistoryLink(block); // "Ver histórico completo", shown only with recent captures
    m_historyLink->setObjectName(QStringLiteral("historyLink"));
    connect(m_historyLink, &QAbstractButton::clicked, this,
            [] { AppRouter::shared().setPage(AppRouter::Page::history); });
    header->addWidget(m_historyLink);
    column->addLayout(header);
    m_placeholder = new RecentsPlaceholder(block); // the dashed box shown without any
    m_placeholder->setObjectName(QStringLiteral("recentsPlaceholder"));
    column->addWidget(m_placeholder);
    m_tileRow = new RecentTileRow(m_recents, kTileHeight, 12, RecentsStore::showCount, block);
    m_tileRow->setObjectName(QStringLiteral("tiles"));
    column->addWidget(m_tileRow);
    return block;
}

QWidget *HomeView::makeFooter() {
    auto *footer = new Footer(this);
    auto *row = new QHBoxLayout(footer);
    row->setContentsMargins(20, 0, 20, 0);
    row->setSpacing(6);
    row->addWidget(
        themedLabel(L("Dica: a tecla de print do teclado pode chamar o Pelicarta — veja em Ajustes › Atalhos"),
                    Theme::font(12), Theme::text3(), footer));
    row->addStretch(1);
    row->addWidget(themedLabel(L("Saudação e nome ajustáveis em Ajustes"), Theme::font(12), Theme::text3(), footer));
    return footer;
}

void HomeView::refreshTitle() {
    m_title->setText(Settings::greetingEnabled.value(m_defaults) ? Greeting::line(m_defaults) + QLatin1Char('.')
                                                                 : QStringLiteral("Pelicarta"));
}

void HomeView::scheduleTitle() {
    // The next start of a minute by the greeting's own clock.
    const QDateTime now = platform::Clock::shared().now();
    const QTime time = now.time();
    m_greetingTimer->start(60000 - (time.second() * 1000 + time.msec()));
}

void HomeView::showEvent(QShowEvent *event) {
    refreshTitle();
    scheduleTitle();
    QWidget::showEvent(event);
}

void HomeView::hideEvent(QHideEvent *event) {
    m_greetingTimer->stop();
    QWidget::hideEvent(event);
}

void HomeView::refreshRecents() {
    const QList<RecentCapture> &items = m_recents.items();
    m_tileRow->setItems(items);
    m_placeholder->setVisible(items.isEmpty());
    m_tileRow->setVisible(!items.isEmpty());
    m_historyLink->setVisible(!items.isEmpty());
}

void HomeView::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), Theme::bg());
    // A soft accent glow behind the greeting, in the area above the footer.
    const qreal contentHeight = height() - kFooterHeight - 1;
    QRadialGradient glow(QPointF(width() * 0.5, contentHeight * 0.25), 420);
    glow.setColorAt(0, Theme::rgb(0xC9BEFF, 0.12));
    glow.setColorAt(1, Qt::transparent);
    p.fillRect(QRectF(0, 0, width(), contentHeight), glow);
}
