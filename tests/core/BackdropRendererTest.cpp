#include "core/BackdropRenderer.h"
#include "support/TestSupport.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

void expectPoint(QPointF actual, QPointF expected) {
    EXPECT_NEAR(actual.x(), expected.x(), 1e-9);
    EXPECT_NEAR(actual.y(), expected.y(), 1e-9);
}

Backdrop backdrop(Backdrop::Kind kind, QList<quint32> colors, double angle = 135, QList<MeshPoint> points = {}) {
    Backdrop b;
    b.id = QStringLiteral("test");
    b.kind = kind;
    b.colors = std::move(colors);
    b.angle = angle;
    b.points = std::move(points);
    return b;
}

QImage paint(const Backdrop &b, QSize size, QColor under = Qt::transparent) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(under);
    QPainter p(&image);
    BackdropRenderer::draw(b, QRectF(QPointF(0, 0), QSizeF(size)), p);
    return image;
}

bool near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance && qAlpha(a) == qAlpha(b);
}

} // namespace

TEST(BackdropRendererTest, LinearEndpointsRunThroughTheCentre) {
    using BackdropRenderer::linearEndpoints;
    auto [s0, e0] = linearEndpoints(0, {100, 100}); // bottom to top
    expectPoint(s0, {0.5, 1});
    expectPoint(e0, {0.5, 0});
    auto [s90, e90] = linearEndpoints(90, {100, 100});
    expectPoint(s90, {0, 0.5});
    expectPoint(e90, {1, 0.5});
    auto [s180, e180] = linearEndpoints(180, {100, 100});
    expectPoint(s180, {0.5, 0});
    expectPoint(e180, {0.5, 1});
    auto [s135, e135] = linearEndpoints(135, {100, 100});
    expectPoint(s135, {0, 0});
    expectPoint(e135, {1, 1});
    auto [sw, ew] = linearEndpoints(135, {200, 100});
    expectPoint(sw, {0.125, -0.25});
    expectPoint(ew, {0.875, 1.25});
    auto [sz, ez] = linearEndpoints(135, {0, 0}); // taken as 1 × 1
    expectPoint(sz, {0, 0});
    expectPoint(ez, {1, 1});
}

TEST(BackdropRendererTest, MeshImageSizes) {
    const Backdrop nebula = Backdrop::builtIn(QStringLiteral("nebula"));
    EXPECT_EQ(BackdropRenderer::meshImage(nebula, 16.0 / 9, 160).size(), QSize(160, 90));
    EXPECT_EQ(BackdropRenderer::meshImage(nebula, 0.05, 160).size(), QSize(20, 160));
    EXPECT_EQ(BackdropRenderer::meshImage(nebula, 100, 160).size(), QSize(160, 20));
    EXPECT_EQ(BackdropRenderer::meshImage(nebula, 8, 40).size(), QSize(40, 8));
    EXPECT_EQ(BackdropRenderer::meshImage(nebula, qQNaN(), 40).size(), QSize(40, 40));
    EXPECT_TRUE(BackdropRenderer::meshImage(backdrop(Backdrop::Kind::mesh, {}), 1, 160).isNull());
    EXPECT_TRUE(BackdropRenderer::meshImage(nebula, 1, 0).isNull());
    EXPECT_TRUE(BackdropRenderer::meshImage(nebula, 1, 100000).isNull());
}

TEST(BackdropRendererTest, MeshBlendsInLinearLight) {
    const QImage one = BackdropRenderer::meshImage(backdrop(Backdrop::Kind::mesh, {0x5B4BD6}), 1.5, 60);
    for (int y = 0; y < one.height(); y += 7)
        for (int x = 0; x < one.width(); x += 7) ASSERT_EQ(one.pixel(x, y), qRgb(0x5B, 0x4B, 0xD6));

    // Three colours without points use the first three default points; the pixel on a point is
    // dominated by its colour but still blended.
    const QImage three =
        BackdropRenderer::meshImage(backdrop(Backdrop::Kind::mesh, {0xFF0000, 0x00FF00, 0x0000FF}), 1, 100);
    const QRgb onFirst = three.pixel(15, 15); // the point (0.15, 0.15)
    EXPECT_GT(qRed(onFirst), 240);
    EXPECT_GT(qGreen(onFirst) + qBlue(onFirst), 0);
    EXPECT_GT(qGreen(three.pixel(88, 22)), 240);
    EXPECT_GT(qBlue(three.pixel(45, 90)), 240);
    // Halfway between pure red and pure green, linear light gives bright yellow, not a muddy one.
    const QImage pair = BackdropRenderer::meshImage(
        backdrop(Backdrop::Kind::mesh, {0xFF0000, 0x00FF00}, 135, {{0.0, 0.5}, {1.0, 0.5}}), 1, 101);
    const QRgb middle = pair.pixel(50, 50);
    EXPECT_GT(qRed(middle), 180);
    EXPECT_GT(qGreen(middle), 180);
}

TEST(BackdropRendererTest, DrawsEveryKind) {
    const QImage ocean = paint(backdrop(Backdrop::Kind::linear, {0x1F4E8C, 0x4FA3C7}, 135), {100, 100});
    EXPECT_TRUE(near(ocean.pixel(0, 0), qRgb(0x1F, 0x4E, 0x8C), 3));
    EXPECT_TRUE(near(ocean.pixel(99, 99), qRgb(0x4F, 0xA3, 0xC7), 3));

    EXPECT_EQ(paint(backdrop(Backdrop::Kind::solid, {0x26262E}), {10, 10}).pixel(5, 5), qRgb(0x26, 0x26, 0x2E));
    EXPECT_EQ(paint(backdrop(Backdrop::Kind::solid, {}), {10, 10}).pixel(5, 5), qRgb(0, 0, 0));
    EXPECT_EQ(paint(backdrop(Backdrop::Kind::linear, {}), {10, 10}).pixel(5, 5), qRgb(0, 0, 0));
    EXPECT_EQ(paint(backdrop(Backdrop::Kind::linear, {0xEDE7FA}), {10, 10}).pixel(5, 5), qRgb(0xED, 0xE7, 0xFA));
    // Colours carry only their low 24 bits.
    EXPECT_EQ(paint(backdrop(Backdrop::Kind::solid, {0xFF123456}), {4, 4}).pixel(1, 1), qRgb(0x12, 0x34, 0x56));

    QImage hole(40, 40, QImage::Format_ARGB32_Premultiplied);
    hole.fill(Qt::red);
    {
        QPainter p(&hole);
        BackdropRenderer::draw(Backdrop::transparent(), QRectF(10, 10, 20, 20), p);
    }
    EXPECT_EQ(qAlpha(hole.pixel(15, 15)), 0);
    EXPECT_EQ(hole.pixel(5, 5), qRgb(255, 0, 0));

    // A mesh without colours draws nothing.
    EXPECT_EQ(paint(backdrop(Backdrop::Kind::mesh, {}), {10, 10}, Qt::red).pixel(5, 5), qRgb(255, 0, 0));
    const QImage nebula = paint(Backdrop::builtIn(QStringLiteral("nebula")), {320, 180});
    EXPECT_EQ(qAlpha(nebula.pixel(0, 0)), 255);
    EXPECT_EQ(qAlpha(nebula.pixel(319, 179)), 255);
}

// Every built-in backdrop side by side, for a person to look at.
// A sheet for a person to look at, not a check: run with --gtest_also_run_disabled_tests.
TEST(BackdropRendererTest, DISABLED_BuiltInsSheet) {
    QImage sheet(4 * 320, 2 * 200, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    int i = 0;
    for (const Backdrop &b : Backdrop::defaults()) {
        if (i == 8) break;
        BackdropRenderer::draw(b, QRectF((i % 4) * 320 + 5, (i / 4) * 200 + 5, 310, 190), p);
        ++i;
    }
    p.end();
    EXPECT_TRUE(sheet.save(testsupport::outputPath(QStringLiteral("backdrops.png"))));
}

// A stored backdrop keeps colours its kind cannot show; the picture is that of the colours it shows.
TEST(BackdropRendererTest, OnlyTheColorsTheKindShowsAreDrawn) {
    for (const Backdrop::Kind kind : {Backdrop::Kind::linear, Backdrop::Kind::mesh}) {
        Backdrop shown =
            Backdrop::builtIn(kind == Backdrop::Kind::linear ? QStringLiteral("aurora") : QStringLiteral("nebula"));
        Backdrop stored = shown;
        while (stored.colors.size() < 12) {
            stored.colors.append(0x00FF00);
            stored.points.append({0.5, 0.5});
        }
        shown.colors = stored.colors.mid(0, Backdrop::maximumColors(kind));
        shown.points = stored.points.mid(0, shown.colors.size());
        QImage a(120, 80, QImage::Format_ARGB32_Premultiplied), b(120, 80, QImage::Format_ARGB32_Premultiplied);
        QPainter pa(&a), pb(&b);
        BackdropRenderer::draw(stored, a.rect(), pa);
        BackdropRenderer::draw(shown, b.rect(), pb);
        pa.end();
        pb.end();
        EXPECT_EQ(a, b) << int(kind);
    }
}
