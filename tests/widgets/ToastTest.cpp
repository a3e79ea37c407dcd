#include "support/TestSupport.h"
#include "support/Waiting.h"
#include "widgets/Toast.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

TEST(ToastTest, ReplacesAtOnceAndHidesAfterItsTime) {
    QImage thumb(120, 80, QImage::Format_ARGB32_Premultiplied);
    thumb.fill(QColor(90, 120, 200));
    Toast::show(thumb, QStringLiteral("Copiado"), QStringLiteral("Cole com Ctrl+V em qualquer app"));
    QPointer<ToastView> first = testsupport::shownWindow<ToastView>();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    const QRect card = first->card().translated(first->pos());
    EXPECT_EQ(card.size(), QSize(320, 76));
    EXPECT_TRUE(first->windowFlags() & Qt::WindowTransparentForInput);
    EXPECT_TRUE(first->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_EQ(QGuiApplication::focusWindow(), nullptr);

    // Bottom centre of the screen's visible area, 40 above its bottom.
    const QRect visible = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(card.center().x(), visible.center().x());
    EXPECT_EQ(card.bottom(), visible.bottom() - 40);

    // The next notice comes while the first's time runs, well before it ends: the gap only sets how far
    // apart the two ends lie, nothing below waits for it to have been short.
    QTest::qWait(500);
    // Timed from before the showing, which starts the notice's time and then lays it out.
    QElapsedTimer clock;
    clock.start();
    Toast::show(thumb, QStringLiteral("Copiado de novo"), QString());
    QPointer<ToastView> second = testsupport::shownWindow<ToastView>();
    ASSERT_TRUE(second);
    // The first notice is gone at once, no fade: the card shows the second.
    EXPECT_TRUE(!first || first == second || !first->isVisible());
    EXPECT_EQ(second->title(), QStringLiteral("Copiado de novo"));
    EXPECT_EQ(second->windowTitle(), QStringLiteral("Copiado de novo"));
    // The second keeps its full time, then fades: the first's time, ending half a second earlier, does not
    // cut it short. Qt lets a timer this long fire up to 5 % early, and the clocks round to milliseconds.
    EXPECT_TRUE(testsupport::becomes([&] { return !second || !second->isVisible(); }));
    EXPECT_GE(clock.elapsed(), Toast::kVisibleMs * 95 / 100 + Toast::kFadeOutMs - 10);

    // The card keeps its size whatever the texts, and draws its shadow in the transparent margin.
    ToastView view(thumb, QStringLiteral("Um título bem longo que não cabe numa linha só do cartão"),
                   QStringLiteral("x"));
    EXPECT_EQ(view.card().size(), QSize(320, 76));
    QImage drawn(view.size(), QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    view.render(&drawn, {}, {}, QWidget::RenderFlags());
    EXPECT_GT(qAlpha(drawn.pixel(view.card().center().x(), view.card().bottom() + 8)), 20) << "no shadow below";
    EXPECT_EQ(qAlpha(drawn.pixel(1, 1)), 0);

    // A card shown again for another notice draws that notice's texts, exactly as a new card for it.
    const auto render = [](ToastView &toast) {
        QImage image(toast.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        toast.render(&image, {}, {}, QWidget::RenderFlags());
        return image;
    };
    const QImage before = render(view);
    view.setContent(thumb, QStringLiteral("Salvo"), QStringLiteral("Na pasta de prints"));
    ToastView fresh(thumb, QStringLiteral("Salvo"), QStringLiteral("Na pasta de prints"));
    EXPECT_EQ(render(view), render(fresh));
    EXPECT_NE(render(view), before);
}

// Each kind carries its mark before the title: something done a checkmark, a failure the warning sign
// in the warning colour, and a notice (something looked for and not found) none, its title starting
// where the mark of the others stands.
TEST(ToastTest, EachKindShowsItsMark) {
    const QImage thumb(120, 88, QImage::Format_ARGB32_Premultiplied);
    ToastView done(thumb, QStringLiteral("Salvo"), QStringLiteral("Na pasta de prints"));
    ToastView notice(thumb, QStringLiteral("Nada sensível encontrado"), QStringLiteral("Use a ferramenta Ocultar"),
                     ToastKind::notice);
    ToastView failure(thumb, QStringLiteral("Não foi possível copiar"),
                      QStringLiteral("A área de transferência não aceitou a imagem."), ToastKind::failure);
    EXPECT_EQ(done.mark(), QStringLiteral("checkmark"));
    EXPECT_EQ(notice.mark(), QString());
    EXPECT_EQ(failure.mark(), QStringLiteral("exclamationmark.triangle"));
    const auto render = [](ToastView &toast) {
        QImage image(toast.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        toast.render(&image, {}, {}, QWidget::RenderFlags());
        return image;
    };
    // Where the title's first 14 px lie, after the thumbnail (14 + 60 + 12 into the card).
    const auto ink = [&](ToastView &toast, int from, int to) {
        const QImage image = render(toast);
        const QRect card = toast.card();
        QList<int> columns;
        for (int x = card.left() + from; x < card.left() + to; ++x)
            for (int y = card.top(); y < card.top() + 38; ++y)
                if (QColor::fromRgba(image.pixel(x, y)).lightness() > 150) {
                    columns << x - card.left();
                    break;
                }
        return columns;
    };
    // The done toast's mark, then a gap before its title; the notice's title from the first column.
    EXPECT_FALSE(ink(done, 86, 100).isEmpty());
    EXPECT_TRUE(ink(done, 100, 106).isEmpty());
    EXPECT_FALSE(ink(notice, 86, 90).isEmpty());
    EXPECT_FALSE(ink(notice, 100, 106).isEmpty());
    // The failure's mark is warm (the warning colour), where the checkmark is the title's white.
    const auto warmest = [&](ToastView &toast) {
        const QImage image = render(toast);
        const QRect card = toast.card();
        int warmth = -255;
        for (int x = card.left() + 86; x < card.left() + 100; ++x)
            for (int y = card.top(); y < card.bottom(); ++y) {
                const QColor c = QColor::fromRgba(image.pixel(x, y));
                if (c.lightness() > 120) warmth = std::max(warmth, c.red() - c.blue());
            }
        return warmth;
    };
    EXPECT_GT(warmest(failure), 60);
    EXPECT_LT(warmest(done), 20);
    render(failure).save(testsupport::outputPath(QStringLiteral("toast-failure.png")));
}

// Every symbol shown in a toast sits in the middle of the thumbnail, at one size, with room on every side
// so that the thumbnail's fill crops nothing of it.
TEST(ToastTest, SymbolsAreCentredInTheThumbnailAtOneSize) {
    QList<QRect> inked;
    for (const char *name : {"record.circle", "checkmark.circle", "doc.text"}) {
        const QImage symbol = Toast::symbolImage(QLatin1String(name));
        EXPECT_NEAR(double(symbol.width()) / symbol.height(), 60.0 / 44.0, 0.01);
        QRect ink;
        for (int y = 0; y < symbol.height(); ++y)
            for (int x = 0; x < symbol.width(); ++x)
                if (qAlpha(symbol.pixel(x, y)) > 32) ink |= QRect(x, y, 1, 1);
        EXPECT_GT(ink.top(), 4) << name;
        EXPECT_LT(ink.bottom(), symbol.height() - 5) << name;
        EXPECT_NEAR(ink.center().x(), symbol.width() / 2.0, 4) << name;
        EXPECT_NEAR(ink.center().y(), symbol.height() / 2.0, 4) << name;
        inked.append(ink);
    }
    // As tall as a symbol of the tile can be: well over half its height.
    EXPECT_GT(inked.first().height(), inked.first().width() - 4);
    EXPECT_GT(inked.first().height(), 88 * 0.55);
}

// A toast without a picture ("Não foi possível abrir") shows no empty tile: its mark and title start
// where the tile would stand.
TEST(ToastTest, AToastWithoutAPictureHasNoTile) {
    ToastView failure(QImage(), QStringLiteral("Não foi possível abrir"), QString(), ToastKind::failure);
    QImage image(failure.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    failure.render(&image, {}, {}, QWidget::RenderFlags());
    const QRect card = failure.card();
    // The tile's outline would run along rows 16 and 60 of the card; the card's own colour is there.
    const QRgb fill = image.pixel(card.left() + 44, card.top() + 8);
    for (int y : {15, 16, 17, 59, 60, 61})
        EXPECT_EQ(image.pixel(card.left() + 44, card.top() + y), fill) << "row " << y;
    // The warning sign stands in the first columns, where the tile would be.
    int warmest = -255;
    for (int x = card.left() + 14; x < card.left() + 30; ++x)
        for (int y = card.top(); y < card.bottom(); ++y) {
            const QColor c = QColor::fromRgba(image.pixel(x, y));
            if (c.lightness() > 120) warmest = std::max(warmest, c.red() - c.blue());
        }
    EXPECT_GT(warmest, 60);
    image.save(testsupport::outputPath(QStringLiteral("toast-failure-without-picture.png")));
}
