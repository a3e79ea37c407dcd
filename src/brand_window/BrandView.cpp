#include "brand_window/BrandView.h"

#include "brand/BrandImporter.h"
#include "brand/BrandStore.h"
#include "brand_window/BrandBackdropsCard.h"
#include "brand_window/BrandColorsCard.h"
#include "brand_window/BrandFontCard.h"
#include "brand_window/BrandGuideFooterCard.h"
#include "brand_window/BrandLogoCard.h"
#include "brand_window/BrandPreviewShot.h"
#include "brand_window/BrandScreenshotLogoCard.h"
#include "core/Localization.h"
#include "core/StyleStore.h"
#include "editor_window/BackdropSheet.h"
#include "editor_window/ColorPanelBridge.h"
#include "platform/OpenPanel.h"
#include "platform/ThreadPriority.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"
#include "widgets/ToolbarButton.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QtConcurrent>

#include <algorithm>
#include <utility>

namespace {
void fillWith(QWidget *widget, const QColor &color) {
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
}
} // namespace

BrandView::BrandView(BrandStore &brand, StyleStore &styles, QWidget *parent)
    : QWidget(parent), m_brand(brand), m_styles(styles), m_lastKit(brand.kit()) {
    setAccessibleName(L("Marca"));
    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);
    buildHeader(page);
    auto *divider = new QWidget(this);
    divider->setFixedHeight(1);
    fillWith(divider, Theme::line());
    page->addWidget(divider);

    auto *columns = new QHBoxLayout;
    columns->setSpacing(0);
    auto *scroll = m_cardsScroll = new QScrollArea(this);
    scroll->setFixedWidth(452);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(buildCards());
    columns->addWidget(scroll);
    auto *middle = new QWidget(this);
    middle->setFixedWidth(1);
    fillWith(middle, Theme::line());
    columns->addWidget(middle);
    m_preview = new BrandPreviewPane(m_brand, m_styles, this);
    m_preview->setObjectName(QStringLiteral("preview"));
    columns->addWidget(m_preview, 1);
    page->addLayout(columns, 1);

    connect(&m_brand, &BrandStore::kitChanged, this, &BrandView::kitChanged);
    connect(&m_brand, &BrandStore::logoChanged, this, [this] {
        sync();
        if (m_active) m_preview->refreshArt();
    });
    connect(&m_styles, &StyleStore::defaultStyleChanged, this, [this] {
        if (m_active) m_preview->refreshArt();
    });
    connect(&m_styles, &StyleStore::backdropsChanged, this, [this] {
        m_backdropsCard->refresh();
        m_preview->refreshBackdrops();
    });
    sync();
}

BrandView::~BrandView() {
    if (m_active) leave();
}

void BrandView::paintEvent(QPaintEvent *) { QPainter(this).fillRect(rect(), Theme::bg()); }

void BrandView::buildHeader(QVBoxLayout *page) {
    auto *header = new QHBoxLayout;
    header->setContentsMargins(28, 38, 28, 14);
    header->setSpacing(12);
    auto *titles = new QVBoxLayout;
    titles->setSpacing(2);
    titles->addWidget(themedLabel(L("Marca"), Theme::font(18, QFont::DemiBold), Theme::text(), this));
    titles->addWidget(themedLabel(L("Cores, fonte e logo da sua empresa nos guias e nos prints"), Theme::font(12),
                                  Theme::text3(), this));
    header->addLayout(titles);
    header->addStretch(1);
    // The kit's compact button, as the other pages' headers have: its label framed with room around it.
    auto *import = new ToolbarButton(L("Importar DESIGN.md ou tokens…"), false, this);
    import->setSymbol(QStringLiteral("square.and.arrow.down"));
    import->setToolTip(L("Lê cores e fonte de um DESIGN.md (Stitch e afins), CSS ou tokens JSON (Figma Tokens "
                         "Studio, Style Dictionary)"));
    connect(import, &QPushButton::clicked, this, &BrandView::importFile);
    header->addWidget(import);
    page->addLayout(header);
}

// The column of cards under the notice banner.
QWidget *BrandView::buildCards() {
    auto *cards = new QWidget;
    cards->setObjectName(QStringLiteral("brandCards"));
    cards->setStyleSheet(QStringLiteral("#brandCards { background: %1; }").arg(Theme::bg().name()));
    auto *stack = new QVBoxLayout(cards);
    stack->setContentsMargins(28, 24, 28, 24);
    stack->setSpacing(18);
    m_banner = new BrandNoticeBanner;
    connect(m_banner, &BrandNoticeBanner::undoClicked, this, &BrandView::undoNotice);
    stack->addWidget(m_banner);
    m_logoCard = new BrandLogoCard(m_brand);
    connect(m_logoCard, &BrandLogoCard::logoLoadFinished, this, &BrandView::logoLoadFinished);
    m_cards << m_logoCard << new BrandColorsCard(m_brand);
    m_cards << (m_fontCard = new BrandFontCard(m_brand)) << new BrandScreenshotLogoCard(m_brand);
    m_cards << (m_backdropsCard = new BrandBackdropsCard(m_brand)) << new BrandGuideFooterCard(m_brand);
    connect(m_backdropsCard, &BrandBackdropsCard::backdropClicked, this, &BrandView::editBackdrop);
    for (BrandKitCard *card : std::as_const(m_cards)) {
        connect(card, &BrandKitCard::noticeRaised, this, [this](const Notice &notice) { setNotice(notice); });
        stack->addWidget(card);
    }
    stack->addStretch(1);
    return cards;
}

void BrandView::setNotice(std::optional<Notice> notice) {
    if (notice == m_banner->notice()) return;
    m_banner->setNotice(std::move(notice));
    // The banner heads the column, and what it reports was often asked for from the header or from a
    // card further down: a new notice is brought into view.
    if (m_banner->notice()) {
        m_cardsScroll->widget()->layout()->activate();
        m_cardsScroll->ensureWidgetVisible(m_banner, 0, 24);
    }
}

void BrandView::undoNotice() {
    if (!m_banner->notice() || !m_banner->notice()->undo) return;
    const BrandKit kit = *m_banner->notice()->undo;
    m_brand.setSkipFollow(true);
    m_brand.setKit(kit);
    m_brand.setSkipFollow(false);
    setNotice(std::nullopt);
}

void BrandView::chooseLogo() { m_logoCard->chooseLogo(); }
void BrandView::loadLogo(const QString &path) { m_logoCard->loadLogo(path); }

void BrandView::importFile() {
    const auto path = platform::OpenPanel::shared().run(
        {L("Escolha um DESIGN.md, um CSS ou um arquivo de tokens (JSON)"),
         {},
         {QStringLiteral("*.json"), QStringLiteral("*.txt"), QStringLiteral("*.md"), QStringLiteral("*.markdown"),
          QStringLiteral("*.css"), QStringLiteral("*.scss")},
         L("Tokens de design")});
    if (path) importFrom(*path);
}

void BrandView::importFrom(const QString &path) {
    const LatestResult::Ticket ticket = m_import.next();
    QtConcurrent::run([path] {
        BrandImporter::Result result;
        // Below the GUI thread: a large token file keeps a processor busy for a while.
        platform::runAtBulkPriority([&] { result = BrandImporter::parse(path); });
        return result;
    }).then(this, [this, ticket, path](const BrandImporter::Result &result) {
        // From the event loop, never inside this call, as for logos.
        QMetaObject::invokeMethod(
            this,
            [this, ticket, path, result] {
                if (!ticket.isCurrent()) return; // a newer import took over
                imported(QFileInfo(path).fileName(), result);
            },
            Qt::QueuedConnection);
    });
}

void BrandView::imported(const QString &name, const BrandImporter::Result &result) {
    if (result.colorCount == 0 && !result.fontFamily) {
        setNotice(Notice{L(LKey("Não encontrei cores nem fonte em %@.", {name})), true, std::nullopt});
        emit importFinished();
        return;
    }
    const BrandKit previous = m_brand.kit();
    m_brand.apply(result);
    QStringList items;
    if (result.colorCount == 1) items << L("1 cor");
    else if (result.colorCount > 1) items << L(LKey().value(result.colorCount).text(" cores"));
    if (result.fontFamily) {
        const QString &family = *result.fontFamily;
        items << (BrandImporter::isInstalled(family) ? L(LKey("fonte %@", {family}))
                                                     : L(LKey("fonte %@ (não instalada)", {family})));
    }
    const QString found = items.join(QStringLiteral(" · "));
    setNotice(Notice{L(LKey("Importado de %@: %@. Confira os papéis das cores.", {name, found})), false, previous});
    emit importFinished();
}

void BrandView::editBackdrop(const QString &id) {
    m_preview->setBackdropID(id);
    const QList<Backdrop> backdrops = m_brand.backdrops();
    const auto found = std::find_if(backdrops.begin(), backdrops.end(), [&](const Backdrop &b) { return b.id == id; });
    if (found == backdrops.end()) return;
    const BrandKit &kit = m_brand.kit();
    const BackdropSheet::Request request{
        *found, BrandPreviewShot::image(), {kit.primary, kit.secondary, kit.background}, L("Salvar fundo")};
    BackdropSheet::open(this, request, [guard = QPointer<BrandView>(this)](std::optional<Backdrop> saved) {
        if (!guard || !saved) return;
        guard->m_brand.updateBackdrop(*saved);
        guard->m_preview->setBackdropID(saved->id);
        guard->m_preview->setTab(BrandPreviewPane::Tab::print);
    });
}

void BrandView::kitChanged() {
    const BrandKit &kit = m_brand.kit();
    const BrandKit old = std::exchange(m_lastKit, kit);
    sync();
    if (!m_active) return;
    if (kit.logoPosition != old.logoPosition || kit.logoVariant != old.logoVariant || kit.logoSize != old.logoSize ||
        kit.logoOnScreenshots != old.logoOnScreenshots)
        m_preview->setTab(BrandPreviewPane::Tab::print);
    if (kit.footer != old.footer || kit.fontFamily != old.fontFamily) m_preview->setTab(BrandPreviewPane::Tab::guide);
    m_preview->refreshArt();
}

void BrandView::sync() {
    for (BrandKitCard *card : std::as_const(m_cards)) card->refresh();
    m_preview->refresh();
}

void BrandView::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (m_active) return;
    m_active = true;
    m_preview->setActive(true);
    m_fontCard->listFamilies();
    m_lastKit = m_brand.kit();
    sync();
    m_preview->refreshArt();
}

void BrandView::hideEvent(QHideEvent *event) {
    QWidget::hideEvent(event);
    if (m_active && !isVisible()) leave();
}

void BrandView::leave() {
    m_active = false;
    m_preview->setActive(false);
    ColorPanelBridge::shared().detach();
}
