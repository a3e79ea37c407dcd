#include "widgets/ThemedLabel.h"
#include "widgets/Theme.h"

#include <QImage>

#include <gtest/gtest.h>

// Themed labels lay their text out once and draw it from then on; what they show is what QLabel shows,
// wrapping or not, on one line or several, centred down or at the top, enabled or not, at a second paint.
TEST(ThemedLabelTest, LabelsShowWhatQLabelShows) {
    const QString text = QStringLiteral("Botão direito num preset: renomear, atualizar ou excluir");
    for (const bool wrapping : {true, false}) {
        for (const int width : {120, 200, 600}) {
            for (const Qt::Alignment alignment : {Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignLeft | Qt::AlignTop}) {
                std::unique_ptr<QLabel> made(wrapping ? wrappingLabel(text, Theme::font(11), Theme::text3())
                                                      : themedLabel(text, Theme::font(13), Theme::text2()));
                made->setAlignment(alignment);
                made->setEnabled(width != 200);
                QLabel plain(text);
                plain.setFont(made->font());
                plain.setPalette(made->palette());
                plain.setWordWrap(wrapping);
                plain.setAlignment(alignment);
                plain.setEnabled(made->isEnabled());
                const QSize size(width, (wrapping ? made->heightForWidth(width) : made->sizeHint().height()) + 6);
                made->resize(size);
                plain.resize(size);
                const QImage expected = plain.grab().toImage();
                EXPECT_EQ(made->grab().toImage(), expected) << wrapping << " " << width << " " << int(alignment);
                EXPECT_EQ(made->grab().toImage(), expected) << wrapping << " " << width << " " << int(alignment);
            }
        }
    }
}
