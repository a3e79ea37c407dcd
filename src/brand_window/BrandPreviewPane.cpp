#include "brand_window/BrandPreviewPane.h"

#include "brand/BrandStore.h"
#include "brand/art/LogoArt.h"
#include "brand_window/BrandControls.h"
#include "brand_window/BrandGuidePreview.h"
#include "brand_window/BrandPreviewShot.h"
#include "core/Beautifier.h"
#include "core/Localization.h"
#include "core/StyleStore.h"
#include "widgets/Segmented.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QtConcurrent>

#include <algorithm>

namespace {
// Whether the automatic logo is white on this background: luma below 0.55, compared in whole numbers
// so that a background of luma exactly 0.55 gets the black logo.
bool whiteLogoOn(quint32 background) {
    const int r = (background >> 16) & 0xFF, g = (background >> 8) & 0xFF, b = background & 0xFF;
    return 299 * r + 587 * g + 114 * b < 550 * 255;
}
} // namespace

BrandPreviewPane::BrandPreviewPane(BrandStore &brand, StyleStore &styles, QWidget *parent)
    : QWidget(parent), m_brand(brand), m_styles(styles), m_backdropID(BrandStore::linearID) {
    m_renderTimer.setSingleShot(true);
    m_renderTimer.setInterval(renderDelayMs);
    connect(&m_renderTimer, &QTimer::timeout, this, &BrandPreviewPane::startRender);

    setAutoFillBackground(true);
    QPalette panePalette = palette();
    panePalette.setColor(QPalette::Window, Theme::panel());
    setPalette(panePalette);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(28, 28, 28, 28);
    column->setSpacing(18);
    column->setAlignment(Qt::AlignHCenter);

    m_segments = new Segmented<Tab>(
        QList{Tab::guide, Tab::print}, [](Tab tab) { return tab == Tab::guide ? L("Guia") : L("Print"); }, this);
    m_segments->setObjectName(QStringLiteral("previewSwitch"));
    m_segments->setLook(SegmentedRow::Look::thumb);
    m_segments->setFixedWidth(180);
    m_segments->setAccessibleName(L("Prévia"));
    m_segments->onChosen([this](Tab tab) { setTab(tab); });
    column->addWidget(m_segments, 0, Qt::AlignHCenter);

    m_stack = new QStackedWidget(this);
    m_guidePreview = new BrandGuidePreview;
    auto *guidePage = new ShadowHost(QColor(0, 0, 0, 89), 24, {0, 12}, 12);
    guidePage->setTarget(m_guidePreview);
    auto *guideLayout = new QVBoxLayout(guidePage);
    guideLayout->setContentsMargins(24, 0, 24, 36);
    guideLayout->addWidget(m_guidePreview, 0, Qt::AlignHCenter | Qt::AlignTop);
    guideLayout->addStretch(1);
    m_stack->addWidget(guidePage);
    auto *printPage = m_printShadow = new ShadowHost(QColor(0, 0, 0, 77), 18, {0, 8}, 10);
    auto *printLayout = new QVBoxLayout(printPage);
    printLayout->setContentsMargins(18, 0, 18, 0);
    printLayout->setSpacing(14);
    m_printImage = new QLabel(printPage);
    m_printImage->setObjectName(QStringLiteral("printImage"));
    m_printImage->setAlignment(Qt::AlignCenter);
    m_printImage->setMinimumSize(200, 143);
    m_printImage->setMaximumWidth(480);
    printPage->setTarget(m_printImage);
    printLayout->addWidget(m_printImage, 0, Qt::AlignHCenter);
    auto *chips = new QHBoxLayout;
    chips->setSpacing(8);
    chips->addStretch(1);
    for (const Backdrop &backdrop : m_brand.backdrops()) {
        auto *chip = new BackdropTile(backdrop, true, printPage);
        connect(chip, &QAbstractButton::clicked, this, [this, chip] { setBackdropID(chip->backdrop().id); });
        chips->addWidget(chip);
        m_chips << chip;
    }
    chips->addStretch(1);
    printLayout->addLayout(chips);
    printLayout->addStretch(1);
    m_stack->addWidget(printPage);
    column->addWidget(m_stack, 1);

    m_caption = themedLabel({}, Theme::font(11), Theme::text3(), this);
    m_caption->setObjectName(QStringLiteral("caption"));
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setWordWrap(true);
    column->addWidget(m_caption);
}

void BrandPreviewPane::setTab(Tab tab) {
    if (m_tab == tab) return;
    m_tab = tab;
    sync();
}

void BrandPreviewPane::setBackdropID(const QString &id) {
    if (m_backdropID == id) return;
    m_backdropID = id;
    sync();
    if (m_active) refreshArt();
}

QString BrandPreviewPane::caption() const {
    if (m_tab == Tab::guide) return L("Assim fica um guia exportado com o tema Marca.");
    if (m_brand.logo().isNull()) return L("Adicione um logo para vê-lo no print.");
    if (!m_brand.kit().logoOnScreenshots) return L("O logo está desligado nos prints.");
    return L("Margem, cantos e sombra vêm do seu estilo padrão.");
}

void BrandPreviewPane::setActive(bool active) {
    m_active = active;
    if (active) return;
    m_renderTimer.stop();
    m_render.drop();
}

void BrandPreviewPane::refreshArt() {
    const auto logo = m_brand.previewLogo();
    if (logo) {
        LogoVariant variant = m_brand.kit().logoVariant;
        if (variant == LogoVariant::auto_)
            variant = whiteLogoOn(m_brand.kit().background) ? LogoVariant::white : LogoVariant::black;
        m_guideLogo = LogoArt::tinted(logo->image, variant);
    } else {
        m_guideLogo = {};
    }
    sync();
    m_render.drop(); // a render already under way lands nowhere
    m_renderTimer.start();
}

void BrandPreviewPane::startRender() {
    BeautyStyle style = m_styles.defaultStyle();
    const QList<Backdrop> backdrops = m_brand.backdrops();
    const auto chosen =
        std::find_if(backdrops.begin(), backdrops.end(), [this](const Backdrop &b) { return b.id == m_backdropID; });
    if (chosen != backdrops.end()) style.backdrop = *chosen;
    else if (!backdrops.isEmpty()) style.backdrop = backdrops.first();
    const std::optional<BrandLogo> logo = m_brand.screenshotLogo();
    const LatestResult::Ticket ticket = m_render.next();
    QtConcurrent::run([style, logo] {
        return Beautifier::render(BrandPreviewShot::image(), style, logo);
    }).then(this, [this, ticket](const QImage &image) {
        if (!ticket.isCurrent() || !m_active || image.isNull()) return;
        m_printPreview = image;
        sync();
        emit printPreviewChanged();
    });
}

void BrandPreviewPane::refresh() {
    refreshBackdrops();
    sync();
}

void BrandPreviewPane::refreshBackdrops() {
    const QList<Backdrop> backdrops = m_brand.backdrops();
    for (int i = 0; i < m_chips.size() && i < backdrops.size(); ++i) m_chips[i]->setBackdrop(backdrops[i]);
}

void BrandPreviewPane::sync() {
    m_segments->setValue(m_tab);
    m_stack->setCurrentIndex(m_tab == Tab::guide ? 0 : 1);
    m_guidePreview->setKit(m_brand.kit());
    m_guidePreview->setLogo(m_guideLogo);
    for (BackdropTile *chip : m_chips) chip->setChecked(chip->backdrop().id == m_backdropID);
    if (m_printPreview.isNull()) {
        QPixmap placeholder(QSize(280, 200) * devicePixelRatioF());
        placeholder.setDevicePixelRatio(devicePixelRatioF());
        placeholder.fill(Qt::transparent);
        QPainter painter(&placeholder);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillPath(Theme::continuousRoundedRect(QRectF(0, 0, 280, 200), 10), Theme::raised());
        painter.end();
        m_printImage->setPixmap(placeholder);
        m_printShadow->setCornerRadius(10);
    } else {
        const QSize box = QSize(480, 480 * m_printPreview.height() / qMax(1, m_printPreview.width()));
        QPixmap pixmap = QPixmap::fromImage(
            m_printPreview.scaled(box * devicePixelRatioF(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
        pixmap.setDevicePixelRatio(devicePixelRatioF());
        m_printImage->setPixmap(pixmap);
        m_printShadow->setCornerRadius(0);
    }
    m_caption->setText(caption());
}
