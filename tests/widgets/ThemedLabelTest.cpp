#include "support/TestSupport.h"
#include "widgets/ThemedLabel.h"
#include "widgets/Theme.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QImage>
#include <QPainter>
#include <QTextDocument>
#include <QToolTip>

#include <functional>
#include <memory>
#include <vector>

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

// A line drawn from its kept layout lands where drawText puts it, in every alignment, cut with "…" as
// elidedText cuts it, and again the same from the kept one.
TEST(ThemedLabelTest, KeptLinesLandWhereDrawTextPutsThem) {
    const QString text = QStringLiteral("Centralizar automaticamente");
    const auto drawn = [](const std::function<void(QPainter &)> &draw) {
        QImage image(160, 30, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        QPainter p(&image);
        p.setFont(Theme::font(13));
        p.setPen(Qt::white);
        draw(p);
        return image;
    };
    const QRectF rect(3.5, 2, 150, 26);
    const QList<Qt::Alignment> alignments{Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignCenter,
                                          Qt::AlignRight | Qt::AlignBottom, Qt::AlignLeft | Qt::AlignTop};
    for (const Qt::Alignment alignment : alignments) {
        for (const qreal width : {150.0, 60.0}) {
            const QRectF box(rect.topLeft(), QSizeF(width, rect.height()));
            const QImage expected = drawn([&](QPainter &p) {
                p.drawText(box, alignment, p.fontMetrics().elidedText(text, Qt::ElideRight, int(box.width())));
            });
            for (int time = 0; time < 2; ++time)
                EXPECT_EQ(drawn([&](QPainter &p) { drawLaidOutLine(p, box, alignment, text, true); }), expected)
                    << int(alignment) << " " << width;
        }
    }
}

// Our own Markdown and rich text, asked for by the view that builds it, is laid out as QLabel lays it out.
TEST(ThemedLabelTest, OurOwnMarkdownAndRichTextAreLaidOut) {
    const QList<std::pair<Qt::TextFormat, QString>> texts{
        {Qt::MarkdownText, QStringLiteral("Clique em **Começar a gravar** (ou Ctrl+Shift+R).")},
        {Qt::RichText, QStringLiteral("Clique em <b>Concluir</b>.")}};
    for (const auto &[format, text] : texts) {
        std::unique_ptr<QLabel> made(wrappingLabel(QString(), Theme::font(13), Theme::text2()));
        made->setTextFormat(format);
        made->setText(text);
        QLabel laidOut;
        laidOut.setTextFormat(format);
        laidOut.setText(text);
        laidOut.setFont(made->font());
        laidOut.setPalette(made->palette());
        laidOut.setWordWrap(true);
        const QSize size(300, made->heightForWidth(300) + 6);
        made->resize(size);
        laidOut.resize(size);
        EXPECT_EQ(made->grab().toImage(), laidOut.grab().toImage()) << int(format);
    }
}

// Texts from the user or other programs are shown letter for letter by every label of the kit: plain
// from the start, never bold or red, and the picture a text names (a FIFO here) never read.
TEST(ThemedLabelTest, MarkupIsShownAsText) {
    const testsupport::TempFolder temp;
    const testsupport::MarkupWithFifo markup(temp.path());
    const QString text = markup.text();
    std::vector<std::unique_ptr<QLabel>> labels;
    labels.emplace_back(themedLabel(text, Theme::font(13), Theme::text()));
    labels.emplace_back(wrappingLabel(text, Theme::font(13), Theme::text()));
    labels.emplace_back(new PlainLabel(text));
    labels.emplace_back(new PlainLabel);
    labels.back()->setText(text);
    for (const auto &label : labels) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
        EXPECT_EQ(label->text(), text);
        label->resize(label->sizeHint().width(), label->heightForWidth(label->sizeHint().width()) + 20);
        QLabel plain;
        plain.setTextFormat(Qt::PlainText);
        plain.setText(text);
        plain.setFont(label->font());
        plain.setPalette(label->palette());
        plain.setWordWrap(label->wordWrap());
        plain.resize(label->size());
        EXPECT_EQ(label->grab().toImage(), plain.grab().toImage());
    }
    EXPECT_FALSE(markup.read());
}

// A long name never widens what holds it: cut with "…", its whole text is in the tooltip; whole, none.
TEST(ThemedLabelTest, AnElidingLabelShowsTheWholeTextInItsTooltipOnlyWhenCut) {
    QWidget holder;
    auto *layout = new QHBoxLayout(&holder);
    QLabel *label = elidedLabel(QStringLiteral("Boa noite, Maria Aparecida Vasconcelos de Albuquerque"),
                                Theme::font(14), Theme::text(), &holder);
    layout->addWidget(label);
    EXPECT_LT(holder.minimumSizeHint().width(), 60);
    holder.resize(200, 30);
    holder.show();
    const auto tooltip = [&] {
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), label->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(label, &help);
        const QString shown = QToolTip::isVisible() ? QToolTip::text() : QString();
        // Gone now rather than after its fade.
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->inherits("QTipLabel")) top->hide();
        return shown;
    };
    EXPECT_EQ(tooltip(), label->text());
    // A name that looks like markup shows its letters.
    label->setText(QStringLiteral("Boa noite, <b>Maria</b> Aparecida Vasconcelos de Albuquerque"));
    QTextDocument shown;
    shown.setHtml(tooltip());
    EXPECT_TRUE(shown.toPlainText().contains(QStringLiteral("<b>Maria</b>"))) << shown.toPlainText().toStdString();
    label->setText(QStringLiteral("Boa noite."));
    EXPECT_EQ(tooltip(), QString());
}
