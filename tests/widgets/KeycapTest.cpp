#include "widgets/Keycap.h"
#include "widgets/Theme.h"

#include <QPainter>

#include <gtest/gtest.h>

TEST(KeycapTest, CapsFitTheirLabelAndRowsFollowTheirKeys) {
    const Keycap narrow(QStringLiteral("⌘"), Keycap::Size::small);
    const Keycap wide(QStringLiteral("Espaço"), Keycap::Size::small);
    EXPECT_GT(wide.sizeHint().width(), narrow.sizeHint().width());
    // The widget holds the face and the hard shadow below it.
    EXPECT_EQ(wide.sizeHint(), Keycap::faceSize(QStringLiteral("Espaço"), Keycap::Size::small) +
                                   QSize(0, Keycap::shadowOffset(Keycap::Size::small)));

    // One cap per label, repeats included; new keys replace the old caps.
    KeycapRow row({QStringLiteral("⌘"), QStringLiteral("⌘")}, Keycap::Size::small);
    EXPECT_EQ(row.findChildren<Keycap *>().size(), 2);
    row.setKeys({QStringLiteral("⌥"), QStringLiteral("⇧"), QStringLiteral("A")});
    EXPECT_EQ(row.findChildren<Keycap *>().size(), 3);
    row.setKeys({});
    EXPECT_TRUE(row.findChildren<Keycap *>().isEmpty());
}

TEST(KeycapTest, CapsCastTheirHardShadowBelowThemOntoWhatTheyStandOn) {
    for (const Keycap::Size size : {Keycap::Size::small, Keycap::Size::large}) {
        QWidget window;
        window.resize(120, 90);
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, Theme::bg());
        window.setPalette(palette);
        window.setAutoFillBackground(true);
        auto *cap = new Keycap(QStringLiteral("K"), size, &window);
        cap->setGeometry(QRect(QPoint(10, 10), cap->sizeHint()));
        const QImage shown = window.grab().toImage();
        // Darker for as far as the offset reaches below the face (half-opaque black where the face is
        // solid), then the background: the shadow lies inside the widget, whatever effect an ancestor has.
        const int x = cap->geometry().center().x();
        const int below = cap->geometry().top() + Keycap::faceSize(QStringLiteral("K"), size).height();
        EXPECT_EQ(cap->geometry().bottom() + 1, below + Keycap::shadowOffset(size));
        for (int y = below; y < below + Keycap::shadowOffset(size); ++y)
            EXPECT_LT(shown.pixelColor(x, y).lightness(), Theme::bg().lightness()) << y;
        if (size == Keycap::Size::large) {
            EXPECT_EQ(shown.pixelColor(x, below), Theme::over(QColor(0, 0, 0, 128), Theme::bg()));
        }
        EXPECT_EQ(shown.pixelColor(x, below + Keycap::shadowOffset(size)), Theme::bg());
    }
}

// The longest key names of both languages stand clear of their cap's edges, at either size.
TEST(KeycapTest, CapsSizeToTheirText) {
    for (const Keycap::Size size : {Keycap::Size::small, Keycap::Size::large}) {
        for (const char *label : {"Shift", "Ctrl", "Super", "Espaço", "Space", "Alt", "Esc", "1–9", "F12"}) {
            const QString key = QString::fromUtf8(label);
            const QSize face = Keycap::faceSize(key, size);
            QImage image(face + QSize(0, Keycap::shadowOffset(size)), QImage::Format_ARGB32_Premultiplied);
            image.fill(Theme::bg());
            QPainter p(&image);
            Keycap::paint(p, QPointF(), key, size);
            p.end();
            // The label's ink: the lightest pixels, well inside the outline.
            int left = face.width(), right = -1;
            for (int y = 2; y < face.height() - 2; ++y)
                for (int x = 2; x < face.width() - 2; ++x)
                    if (image.pixelColor(x, y).lightness() > 150) {
                        left = std::min(left, x);
                        right = std::max(right, x);
                    }
            ASSERT_GE(right, left) << label;
            const int room = size == Keycap::Size::small ? 4 : 9;
            EXPECT_GE(left, room) << label;
            EXPECT_GE(face.width() - 1 - right, room) << label;
        }
    }
}
