#include "brand_window/BrandGuidePreview.h"

#include "brand/BrandImporter.h"
#include "core/FontFamily.h"
#include "core/Localization.h"
#include "core/Luma.h"
#include "widgets/Theme.h"

#include <QFontInfo>
#include <QPainter>
#include <QtMath>

#include <algorithm>

namespace {

constexpr int pad = 22, gap = 14, mockHeight = 130;
constexpr int headingHeight = 14 + 4 + 28, stepHeight = 40;

void bar(QPainter &p, const QRectF &r, const QColor &c) { p.fillPath(Theme::continuousRoundedRect(r, 3), c); }

} // namespace

BrandGuidePreview::BrandGuidePreview(QWidget *parent) : QWidget(parent) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setMaximumWidth(420);
}

void BrandGuidePreview::setKit(const BrandKit &kit) {
    m_kit = kit;
    updateGeometry();
    update();
}

void BrandGuidePreview::setLogo(const QImage &logo) {
    m_logo = logo;
    updateGeometry();
    update();
}

QString BrandGuidePreview::footer(const BrandKit &kit) {
    const QString trimmed = kit.footer.trimmed();
    return trimmed.isEmpty() ? L("Feito com Pelicarta") : trimmed;
}

QColor BrandGuidePreview::badgeText(quint32 accent) {
    return lumaOf(accent) > 0.6 ? QColor(21, 18, 31) : QColor(Qt::white);
}

QFont BrandGuidePreview::brandFont(const std::optional<QString> &family, qreal pixelSize, QFont::Weight weight) {
    QFont font = Theme::font(pixelSize, weight);
    if (!family || !BrandImporter::isInstalled(*family)) return font;
    QFont brand(family->trimmed());
    brand.setPixelSize(qRound(pixelSize));
    brand.setWeight(weight);
    if (!FontFamily::same(QFontInfo(brand).family(), *family)) return font;
    return brand;
}

int BrandGuidePreview::logoHeight() const {
    if (m_logo.isNull()) return 0;
    const QSizeF fitted = QSizeF(m_logo.size()).scaled(140, 26, Qt::KeepAspectRatio);
    return qCeil(fitted.height());
}

namespace {

// The page is laid out at this width; narrower, it is drawn smaller as a whole, as a page is.
constexpr int kPageWidth = 420;

qreal pageScale(int width) { return std::min(1.0, width / qreal(kPageWidth)); }

} // namespace

int BrandGuidePreview::heightForWidth(int width) const {
    const int logo = m_logo.isNull() ? 0 : logoHeight() + gap;
    const int page = pad + logo + headingHeight + gap + stepHeight + gap + mockHeight + gap + 12 + pad;
    return qCeil(page * pageScale(width));
}

QSize BrandGuidePreview::sizeHint() const { return {kPageWidth, heightForWidth(kPageWidth)}; }

void BrandGuidePreview::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const qreal scale = pageScale(width());
    p.scale(scale, scale);
    const QRectF card = QRectF(QPointF(0, 0), QSizeF(size()) / scale).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath shape = Theme::continuousRoundedRect(card, 12);
    p.fillPath(shape, Theme::rgb(m_kit.background));
    p.setPen(QPen(QColor(255, 255, 255, 20), 1));
    p.drawPath(shape);

    const quint32 accentRgb = BrandImporter::readableAccent(m_kit.primary, m_kit.background, m_kit.text);
    const QColor accent = Theme::rgb(accentRgb), ink = Theme::rgb(m_kit.text), digits = badgeText(accentRgb);
    const auto font = [&](qreal size, QFont::Weight weight) { return brandFont(m_kit.fontFamily, size, weight); };
    const qreal x = pad, w = card.width() + 1 - 2 * pad;
    qreal y = pad;

    if (!m_logo.isNull()) {
        const QSizeF fitted = QSizeF(m_logo.size()).scaled(140, 26, Qt::KeepAspectRatio);
        p.drawImage(QRectF(QPointF(x, y), fitted), m_logo);
        y += logoHeight() + gap;
    }
    QFont kicker = font(9, QFont::DemiBold);
    kicker.setLetterSpacing(QFont::AbsoluteSpacing, 0.8);
    p.setFont(kicker);
    p.setPen(accent);
    p.drawText(QRectF(x, y, w, 14), Qt::AlignLeft | Qt::AlignVCenter, L("GUIA · 3 PASSOS"));
    p.setFont(font(20, QFont::Bold));
    p.setPen(ink);
    p.drawText(QRectF(x, y + 18, w, 28), Qt::AlignLeft | Qt::AlignVCenter, L("Como criar um relatório"));
    y += headingHeight + gap;

    p.setPen(Qt::NoPen);
    p.setBrush(accent);
    p.drawEllipse(QRectF(x, y, 24, 24));
    p.setFont(font(11, QFont::Bold));
    p.setPen(digits);
    p.drawText(QRectF(x, y, 24, 24), Qt::AlignCenter, QStringLiteral("1"));
    p.setFont(font(13, QFont::DemiBold));
    p.setPen(ink);
    p.drawText(QRectF(x + 34, y, w - 34, 18), Qt::AlignLeft | Qt::AlignVCenter, L("Abra o menu Relatórios"));
    p.setFont(font(11, QFont::Normal));
    p.setPen(Theme::rgb(m_kit.text, 0.7));
    p.drawText(QRectF(x + 34, y + 20, w - 34, 16), Qt::AlignLeft | Qt::AlignVCenter,
               L("Fica no topo, à direita do seu nome."));
    y += stepHeight + gap;

    // The mock screenshot, its rows and the click marker near its top-right corner.
    const QRectF mock(x, y, w, mockHeight);
    p.fillPath(Theme::continuousRoundedRect(mock, 8), Theme::rgb(m_kit.text, 0.06));
    const qreal ix = mock.x() + 12, iw = mock.width() - 24;
    qreal iy = mock.y() + 12;
    p.setPen(Qt::NoPen);
    p.setBrush(Theme::rgb(m_kit.text, 0.18));
    for (int i = 0; i < 3; ++i) p.drawEllipse(QRectF(ix + i * 12, iy + 1, 6, 6));
    bar(p, QRectF(ix + iw - 60, iy, 60, 8), Theme::rgb(m_kit.text, 0.14));
    iy += 16;
    bar(p, QRectF(ix, iy, 150, 8), Theme::rgb(m_kit.text, 0.12));
    iy += 16;
    bar(p, QRectF(ix, iy, iw, 40), Theme::rgb(m_kit.text, 0.08));
    iy += 48;
    bar(p, QRectF(ix, iy, (iw - 6) / 2, 30), Theme::rgb(m_kit.text, 0.08));
    bar(p, QRectF(ix + (iw + 6) / 2, iy, (iw - 6) / 2, 30), Theme::rgb(m_kit.text, 0.08));
    const QRectF ring(mock.right() - 28 - 26, mock.top() + 2, 26, 26);
    p.setBrush(QColor(0, 0, 0, 64));
    p.drawEllipse(ring.translated(0, 1));
    p.setBrush(Qt::white);
    p.drawEllipse(ring);
    p.setBrush(accent);
    p.drawEllipse(ring.adjusted(3, 3, -3, -3));
    p.setFont(font(10, QFont::Bold));
    p.setPen(digits);
    p.drawText(ring, Qt::AlignCenter, QStringLiteral("1"));
    y += mockHeight + gap;

    p.setFont(font(9, QFont::Medium));
    p.setPen(Theme::rgb(m_kit.text, 0.5));
    p.drawText(QRectF(x, y, w, 12), Qt::AlignCenter, footer(m_kit));
}
