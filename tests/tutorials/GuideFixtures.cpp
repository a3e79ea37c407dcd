#include "GuideFixtures.h"

#include <QPainter>
#include <QRandomGenerator>

namespace guidefixtures {

QImage screenshot(QSize size, int seed) {
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(static_cast<quint32>(seed));
    image.fill(QColor::fromHsv(random.bounded(360), 60, 90));
    QPainter p(&image);
    const QRect window = QRect(QPoint(0, 0), size)
                             .adjusted(size.width() / 20, size.height() / 20, -size.width() / 20, -size.height() / 20);
    p.fillRect(window, QColor(250, 250, 252));
    p.fillRect(window.left(), window.top(), window.width(), std::max(8, size.height() / 25), QColor(226, 226, 232));
    const int sidebar = window.width() / 5;
    p.fillRect(window.left(), window.top() + size.height() / 25, sidebar, window.height() - size.height() / 25,
               QColor(238, 238, 243));
    const int row = std::max(6, size.height() / 40);
    for (int y = window.top() + size.height() / 12; y + row < window.bottom(); y += 2 * row) {
        const int length = window.width() / 3 + random.bounded(std::max(1, window.width() / 2));
        p.fillRect(window.left() + sidebar + row, y, std::min(length, window.width() - sidebar - 2 * row), row / 2 + 1,
                   QColor(60 + random.bounded(60), 60, 80));
    }
    return image;
}

BrandSnapshot brand() {
    BrandSnapshot brand;
    brand.name = QStringLiteral("Acme");
    brand.primary = 0x2ED3B7;
    brand.secondary = 0xF79009;
    brand.background = 0x101828;
    brand.text = 0xF2F4F7;
    brand.fontFamily = QStringLiteral("DejaVu Sans");
    brand.footer = QStringLiteral("  Acme · guias internos \n");
    brand.logo = QImage(600, 200, QImage::Format_ARGB32_Premultiplied);
    brand.logo.fill(Qt::transparent);
    QPainter p(&brand.logo);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2E, 0xD3, 0xB7));
    p.drawRoundedRect(QRectF(0, 0, 200, 200), 40, 40);
    p.setBrush(QColor(0xF7, 0x90, 0x09));
    p.drawRect(QRectF(240, 60, 360, 80));
    p.end();
    brand.logoVariant = LogoVariant::auto_;
    return brand;
}

TutorialRenderer::Input input(const QString &title, TutorialTheme theme, const QList<StepSpec> &steps) {
    TutorialRenderer::Input in;
    in.title = title;
    in.theme = theme;
    in.date = QDateTime(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);
    if (theme == TutorialTheme::brand) in.brand = brand();
    int seed = 1;
    for (const StepSpec &spec : steps) {
        TutorialStep step;
        step.title = spec.title;
        step.detail = spec.detail;
        step.marker = spec.marker;
        step.imageFile = QStringLiteral("passo-%1.png").arg(seed);
        in.steps.append(StepPicture::inMemory(step, screenshot(spec.size, seed++)));
    }
    return in;
}

} // namespace guidefixtures
