#include "brand_window/BrandView.h"

#include "brand/BrandImporter.h"
#include "brand/BrandStore.h"
#include "brand/LogoLoader.h"
#include "brand/art/LogoArt.h"
#include "brand_window/BrandCard.h"
#include "brand_window/BrandPreviewShot.h"
#include "core/Beautifier.h"
#include "core/Localization.h"
#include "core/StyleStore.h"
#include "editor_window/ColorPanelBridge.h"
#include "platform/OpenPanel.h"
#include "platform/ThreadPriority.h"
#include "widgets/Icons.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QFileInfo>
#include <QGraphicsOpacityEffect>
#include <algorithm>
#include <utility>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QtConcurrent>

namespace {
void fillWith(QWidget *widget, const QColor &color) {
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
}
// Whether the automatic logo is white on this background: luma below 0.55, compared in whole numbers
// so that a background of luma exactly 0.55 gets the black logo.
bool whiteLogoOn(quint32 background) {
    const int r = (background >> 16) & 0xFF, g = (background >> 8) & 0xFF, b = background & 0xFF;
    return 299 * r + 587 * g + 114 * b < 550 * 255;
}
} // namespace

BrandView::BrandView(BrandStore &brand, StyleStore &styles, QWidget *parent)
    : QWidget(parent), m_brand(brand), m_styles(styles), m_lastKit(brand.kit()),
      m_previewBackdropID(BrandStore::linearID) {
    setAccessibleName(L("Marca"));
    m_noticeAnimation.setDuration(noticeAnimationMs);
    m_noticeAnimation.setStartValue(0.0);
    m_noticeAnimation.setEndValue(1.0);
    m_noticeAnimation.setEasingCurve(QEasingCurve::OutCubic);
    m_renderTimer.setSingleShot(true);
    m_renderTimer.setInterval(renderDelayMs);
    connect(&m_renderTimer, &QTimer::timeout, this, &BrandView::startRender);

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
    auto *cards = new QWidget;
    cards->setObjectName(QStringLiteral("brandCards"));
    cards->setStyleSheet(QStringLiteral("#brandCards { background: %1; }").arg(Theme::bg().name()));
    auto *stack = new QVBoxLayout(cards);
    stack->setContentsMargins(28, 24, 28, 24);
    stack->setSpacing(18);
    stack->addWidget(buildNoticeBanner());
    stack->addWidget(buildLogoCard());
    stack->addWidget(buildColorsCard());
    stack->addWidget(buildFontCard());
    stack->addWidget(buildPrintCard());
    stack->addWidget(buildBackdropsCard());
    stack->addWidget(buildGuideCard());
    stack->addStretch(1);
    scroll->setWidget(cards);
    columns->addWidget(scroll);
    auto *middle = new QWidget(this);
    middle->setFixedWidth(1);
    fillWith(middle, Theme::line());
    columns->addWidget(middle);
    columns->addWidget(buildPreviewPane(), 1);
    page->addLayout(columns, 1);

    connect(&m_brand, &BrandStore::kitChanged, this, &BrandView::kitChanged);
    connect(&m_brand, &BrandStore::logoChanged, this, [this] {
        sync();
        if (m_active) refreshArt();
    });
    connect(&m_styles, &StyleStore::defaultStyleChanged, this, [this] {
        if (m_active) refreshArt();
    });
    connect(&m_styles, &StyleStore::backdropsChanged, this, &BrandView::syncBackdrops);
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
    auto *import = new QPushButton(Icons::icon(QStringLiteral("square.and.arrow.down"), Theme::text2()),
                                   L("Importar DESIGN.md ou tokens…"), this);
    import->setFlat(true);
    import->setCursor(Qt::PointingHandCursor);
    import->setFont(Theme::font(12));
    import->setStyleSheet(QStringLiteral("QPushButton { color: %1; border: none; }").arg(Theme::text2().name()));
    import->setToolTip(L("Lê cores e fonte de um DESIGN.md (Stitch e afins), CSS ou tokens JSON (Figma Tokens "
                         "Studio, Style Dictionary)"));
    connect(import, &QPushButton::clicked, this, &BrandView::importFile);
    header->addWidget(import);
    page->addLayout(header);
}

QWidget *BrandView::buildNoticeBanner() {
    m_banner = new QWidget;
    m_banner->setObjectName(QStringLiteral("notice"));
    m_banner->setAttribute(Qt::WA_StyledBackground);
    m_banner->setStyleSheet(QStringLiteral("#notice { background: %1; border: 1px solid %2; border-radius: 10px; }")
                                .arg(Theme::raised().name(), Theme::line().name(QColor::HexArgb)));
    auto *row = new QHBoxLayout(m_banner);
    row->setContentsMargins(14, 14, 14, 14);
    row->setSpacing(10);
    m_bannerIcon = new QLabel(m_banner);
    row->addWidget(m_bannerIcon, 0, Qt::AlignTop);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(8);
    m_bannerText = themedLabel({}, Theme::font(12), Theme::text(), m_banner);
    m_bannerText->setWordWrap(true);
    texts->addWidget(m_bannerText);
    m_bannerUndo = new QPushButton(L("Desfazer cores"), m_banner);
    m_bannerUndo->setFlat(true);
    m_bannerUndo->setFont(Theme::font(12, QFont::Medium));
    m_bannerUndo->setCursor(Qt::PointingHandCursor);
    m_bannerUndo->setStyleSheet(QStringLiteral("QPushButton { color: %1; border: none; text-align: left; }")
                                    .arg(Theme::accent().name()));
    connect(m_bannerUndo, &QPushButton::clicked, this, &BrandView::undoNotice);
    texts->addWidget(m_bannerUndo, 0, Qt::AlignLeft);
    row->addLayout(texts, 1);
    auto *close = new QPushButton(Icons::icon(QStringLiteral("xmark"), Theme::text3()), {}, m_banner);
    close->setFlat(true);
    close->setFixedSize(18, 18);
    close->setIconSize(QSize(9, 9));
    close->setToolTip(L("Fechar aviso"));
    close->setAccessibleName(L("Fechar aviso"));
    close->setStyleSheet(QStringLiteral("QPushButton { border: none; }"));
    connect(close, &QPushButton::clicked, this, [this] { setNotice(std::nullopt); });
    row->addWidget(close, 0, Qt::AlignTop);
    m_banner->hide();
    return m_banner;
}

void BrandView::setNotice(std::optional<Notice> notice) {
    if (notice == m_notice) return;
    const bool had = m_notice.has_value();
    m_notice = std::move(notice);
    m_noticeClosing = !m_notice;
    syncNotice();
    animateNotice(had);
    // The banner heads the column, and what it reports was often asked for from the header or from a
    // card further down: a new notice is brought into view.
    if (m_notice) {
        m_cardsScroll->widget()->layout()->activate();
        m_cardsScroll->ensureWidgetVisible(m_banner, 0, 24);
    }
}

// The banner eases in (height and opacity) when a notice appears, out when it closes, and a notice
// replacing another fades in where it stands, so the cards below never jump.
void BrandView::animateNotice(bool had) {
    auto *fade = qobject_cast<QGraphicsOpacityEffect *>(m_banner->graphicsEffect());
    if (!fade) m_banner->setGraphicsEffect(fade = new QGraphicsOpacityEffect(m_banner));
    m_noticeAnimation.stop();
    m_noticeAnimation.disconnect(this);
    const bool resize = !had || !m_notice;
    const int full = m_banner->hasHeightForWidth() && m_banner->width() > 0 ? m_banner->heightForWidth(m_banner->width())
                                                                             : m_banner->sizeHint().height();
    const int from = m_notice ? 0 : m_banner->height();
    const int to = m_notice ? full : 0;
    connect(&m_noticeAnimation, &QVariantAnimation::valueChanged, this, [this, fade, resize, from, to](const QVariant &v) {
        const qreal t = v.toReal();
        fade->setOpacity(m_notice ? t : 1 - t);
        if (resize) m_banner->setMaximumHeight(qRound(from + (to - from) * t));
    });
    connect(&m_noticeAnimation, &QVariantAnimation::finished, this, [this, fade] {
        fade->setOpacity(1);
        m_banner->setMaximumHeight(QWIDGETSIZE_MAX);
        m_noticeClosing = false;
        if (!m_notice) m_banner->hide();
    });
    if (resize && m_notice) m_banner->setMaximumHeight(0);
    m_noticeAnimation.start();
}

void BrandView::syncNotice() {
    if (m_notice) m_banner->show();
    else if (!m_noticeClosing) m_banner->hide();
    if (!m_notice) return;
    const bool warn = m_notice->isWarning;
    m_bannerIcon->setPixmap(Icons::pixmap(warn ? QStringLiteral("exclamationmark.triangle") : QStringLiteral("checkmark.circle"),
                                          14, warn ? Theme::warning() : Theme::success(), devicePixelRatioF()));
    m_bannerText->setText(m_notice->text);
    m_bannerUndo->setVisible(m_notice->undo.has_value());
}

void BrandView::undoNotice() {
    if (!m_notice || !m_notice->undo) return;
    const BrandKit kit = *m_notice->undo;
    m_brand.setSkipFollow(true);
    m_brand.setKit(kit);
    m_brand.setSkipFollow(false);
    setNotice(std::nullopt);
}

void BrandView::importFile() {
    const auto path = platform::OpenPanel::shared().run(
        {L("Escolha um DESIGN.md, um CSS ou um arquivo de tokens (JSON)"), {},
         {QStringLiteral("*.json"), QStringLiteral("*.txt"), QStringLiteral("*.md"), QStringLiteral("*.markdown"),
          QStringLiteral("*.css"), QStringLiteral("*.scss")},
         L("Tokens de design")});
    if (path) importFrom(*path);
}

void BrandView::importFrom(const QString &path) {
    const quint64 generation = ++m_importGeneration;
    QtConcurrent::run([path] {
        BrandImporter::Result result;
        // Below the GUI thread: a large token file keeps a processor busy for a while.
        platform::runAtBulkPriority([&] { result = BrandImporter::parse(path); });
        return result;
    }).then(this, [this, generation, path](const BrandImporter::Result &result) {
        // From the event loop, never inside this call, as for logos.
        QMetaObject::invokeMethod(this, [this, generation, path, result] {
            if (generation != m_importGeneration) return; // a newer import took over
            imported(QFileInfo(path).fileName(), result);
        }, Qt::QueuedConnection);
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
        items << (BrandImporter::isInstalled(*result.fontFamily) ? L(LKey("fonte %@", {*result.fontFamily}))
                                                                 : L(LKey("fonte %@ (não instalada)", {*result.fontFamily})));
    }
    setNotice(Notice{L(LKey("Importado de %@: %@. Confira os papéis das cores.", {name, items.join(QStringLiteral(" · "))})),
                     false, previous});
    emit importFinished();
}

void BrandView::chooseLogo() {
    const auto path = platform::OpenPanel::shared().run(
        {L("Escolha o logo da marca (PNG, SVG, PDF, AI, EPS, JPEG…)"), L("Usar este logo"),
         {QStringLiteral("*.png"), QStringLiteral("*.jpg"), QStringLiteral("*.jpeg"), QStringLiteral("*.svg"),
          QStringLiteral("*.pdf"), QStringLiteral("*.heic"), QStringLiteral("*.tif"), QStringLiteral("*.tiff"),
          QStringLiteral("*.gif"), QStringLiteral("*.bmp"), QStringLiteral("*.icns"), QStringLiteral("*.ai"),
          QStringLiteral("*.eps"), QStringLiteral("*.epsf"), QStringLiteral("*.webp")},
         L("Arquivos de logo")});
    if (path) loadLogo(*path);
}

void BrandView::loadLogo(const QString &path) {
    const quint64 generation = ++m_logoGeneration;
    m_loadingLogo = true;
    syncLogoCard();
    QtConcurrent::run([path] { return LogoLoader::load(path); })
        .then(this, [this, generation](const LogoLoader::Outcome &outcome) {
            // Always from the event loop, never inside this call (a quick file can be read before
            // then() is reached), so that a choice made right after this one still supersedes it.
            QMetaObject::invokeMethod(this, [this, generation, outcome] {
                if (generation != m_logoGeneration) return; // a newer choice or drop took over
                logoLoaded(outcome.image, outcome.note, outcome.message);
            }, Qt::QueuedConnection);
        });
}

void BrandView::logoLoaded(const QImage &image, const QString &note, const QString &message) {
    m_loadingLogo = false;
    if (image.isNull()) {
        setNotice(Notice{message, true, std::nullopt});
    } else if (!m_brand.saveLogo(image)) {
        setNotice(Notice{L("Não consegui guardar o logo no Mac."), true, std::nullopt});
    } else {
        m_brand.markConfigured();
        const std::optional<BrandKit> before = m_brand.applyLogoColors();
        QStringList sentences{before ? L("Logo pronto. A principal e a secundária agora vêm das cores dele.")
                                     : L("Logo pronto. Ele não tem cor (só preto, branco ou cinza), então as cores da "
                                         "marca ficaram como estavam.")};
        if (!note.isEmpty()) sentences << note;
        setNotice(Notice{sentences.join(QLatin1Char(' ')), false, before});
    }
    syncLogoCard();
    emit logoLoadFinished();
}

void BrandView::writeKit(const std::function<void(BrandKit &)> &change) {
    if (m_syncing) return;
    BrandKit kit = m_brand.kit();
    change(kit);
    m_brand.setKit(kit);
}

void BrandView::kitChanged() {
    const BrandKit &kit = m_brand.kit();
    const BrandKit old = std::exchange(m_lastKit, kit);
    sync();
    if (!m_active) return;
    if (kit.logoPosition != old.logoPosition || kit.logoVariant != old.logoVariant || kit.logoSize != old.logoSize ||
        kit.logoOnScreenshots != old.logoOnScreenshots)
        setPreviewTab(PreviewTab::print);
    if (kit.footer != old.footer || kit.fontFamily != old.fontFamily) setPreviewTab(PreviewTab::guide);
    refreshArt();
}

void BrandView::setPreviewTab(PreviewTab tab) {
    if (m_previewTab == tab) return;
    m_previewTab = tab;
    syncPreview();
}

void BrandView::setPreviewBackdropID(const QString &id) {
    if (m_previewBackdropID == id) return;
    m_previewBackdropID = id;
    syncPreview();
    if (m_active) refreshArt();
}

void BrandView::refreshArt() {
    const auto logo = m_brand.previewLogo();
    if (logo) {
        LogoVariant variant = m_brand.kit().logoVariant;
        if (variant == LogoVariant::auto_)
            variant = whiteLogoOn(m_brand.kit().background) ? LogoVariant::white : LogoVariant::black;
        m_guideLogo = LogoArt::tinted(logo->image, variant);
    } else {
        m_guideLogo = {};
    }
    syncPreview();
    ++m_renderGeneration; // a render already under way lands nowhere
    m_renderTimer.start();
}

void BrandView::startRender() {
    BeautyStyle style = m_styles.defaultStyle();
    const QList<Backdrop> backdrops = m_brand.backdrops();
    const auto chosen = std::find_if(backdrops.begin(), backdrops.end(),
                                     [this](const Backdrop &b) { return b.id == m_previewBackdropID; });
    if (chosen != backdrops.end()) style.backdrop = *chosen;
    else if (!backdrops.isEmpty()) style.backdrop = backdrops.first();
    const std::optional<BrandLogo> logo = m_brand.screenshotLogo();
    const quint64 generation = ++m_renderGeneration;
    QtConcurrent::run([style, logo] { return Beautifier::render(BrandPreviewShot::image(), style, logo); })
        .then(this, [this, generation](const QImage &image) {
            if (generation != m_renderGeneration || !m_active || image.isNull()) return;
            m_printPreview = image;
            syncPreview();
            emit printPreviewChanged();
        });
}

void BrandView::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (m_active) return;
    m_active = true;
    if (m_families.isEmpty()) {
        m_families = BrandImporter::installedFamilies();
        syncFont();
    }
    m_lastKit = m_brand.kit();
    sync();
    refreshArt();
}

void BrandView::hideEvent(QHideEvent *event) {
    QWidget::hideEvent(event);
    if (m_active && !isVisible()) leave();
}

void BrandView::leave() {
    m_active = false;
    ColorPanelBridge::shared().detach();
    m_renderTimer.stop();
    ++m_renderGeneration;
}
