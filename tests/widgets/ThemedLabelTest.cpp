#include "widgets/ThemedLabel.h"
#include "widgets/Theme.h"

#include <QImage>

#include <gtest/gtest.h>

// A wrapping label lays its text out once and draws it from then on; what it shows is what a word-wrapping
// QLabel shows, at any width, on one line or several, and at a second paint.
TEST(ThemedLabelTest, WrappingLabelsShowWhatAWrappingQLabelShows) {
    const QString text = QStringLiteral("Botão direito num preset: renomear, atualizar ou excluir");
    for (const int width : {120, 200, 600}) {
        QLabel *made = wrappingLabel(text, Theme::font(11), Theme::text3());
        QLabel plain(text);
        plain.setFont(made->font());
        plain.setPalette(made->palette());
        plain.setWordWrap(true);
        const QSize size(width, made->heightForWidth(width) + 6);
        made->resize(size);
        plain.resize(size);
        const QImage expected = plain.grab().toImage();
        EXPECT_EQ(made->grab().toImage(), expected) << width;
        EXPECT_EQ(made->grab().toImage(), expected) << width;
        delete made;
    }
}
