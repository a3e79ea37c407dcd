#include "editor_window/EditorSummaries.h"

#include "core/ByteCount.h"
#include "platform/StringTables.h"

#include <gtest/gtest.h>

namespace {

class EditorSummariesTest : public ::testing::Test {
protected:
    void SetUp() override { platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR")); }
    void TearDown() override { platform::StringTables::setCurrentLanguage({}); }
};

QStringList texts(const QList<EditorSummaries::Hint> &hints) {
    QStringList out;
    for (const auto &h : hints) out << h.keys.join(u'+') + u' ' + h.text;
    return out;
}

} // namespace

TEST_F(EditorSummariesTest, EditSummaryCountsMarksAndCropWithNoLoneSeparator) {
    using EditorSummaries::editSummary;
    EXPECT_EQ(editSummary(0, false), QString());
    EXPECT_EQ(editSummary(1, false), QStringLiteral("· 1 anotação"));
    EXPECT_EQ(editSummary(2, false), QStringLiteral("· 2 anotações"));
    EXPECT_EQ(editSummary(2, true), QStringLiteral("· 2 anotações · recortado"));
    EXPECT_EQ(editSummary(0, true), QStringLiteral("· recortado"));
    platform::StringTables::setCurrentLanguage(QStringLiteral("en"));
    EXPECT_EQ(editSummary(3, true), QStringLiteral("· 3 annotations · cropped"));
}

TEST_F(EditorSummariesTest, SizeSummaryShowsOnlyAKnownSizeAndItsEstimateOnceThereIsOne) {
    using EditorSummaries::sizeSummary;
    EXPECT_EQ(sizeSummary({2880, 1800}, std::nullopt, ExportFormat::png), QStringLiteral("2880 × 1800 px"));
    EXPECT_EQ(sizeSummary({2880, 1800}, 1'234'567, ExportFormat::heic),
              QStringLiteral("2880 × 1800 px · HEIC ≈ ") + byteCountText(1'234'567));
    // Zero (or not yet set) hides it even with an estimate; one side of zero is still a size.
    EXPECT_EQ(sizeSummary({0, 0}, 5000, ExportFormat::png), std::nullopt);
    EXPECT_EQ(sizeSummary(QSize(), 5000, ExportFormat::png), std::nullopt);
    EXPECT_EQ(sizeSummary({1200, 0}, std::nullopt, ExportFormat::jpeg), QStringLiteral("1200 × 0 px"));
}

TEST_F(EditorSummariesTest, HintsFollowTheToolTheSelectionAndTheUndoHistory) {
    using EditorSummaries::hints;
    EXPECT_EQ(texts(hints(true, false, false)),
              QStringList(
                  {QStringLiteral("Espaço ver original"), QStringLiteral("Esc fechar"), QStringLiteral("? atalhos")}));
    EXPECT_EQ(texts(hints(false, false, false)),
              QStringList({QStringLiteral("Esc voltar à prévia"), QStringLiteral("? atalhos")}));
    EXPECT_EQ(texts(hints(false, true, true)),
              QStringList({QStringLiteral("Esc voltar à prévia"), QStringLiteral("Delete apagar"),
                           QStringLiteral("? atalhos"), QStringLiteral("Ctrl+Z desfazer")}));
    // A selection means nothing to the preview's hints.
    EXPECT_EQ(hints(true, true, false), hints(true, false, false));
    platform::StringTables::setCurrentLanguage(QStringLiteral("en"));
    EXPECT_EQ(hints(true, false, false).first().keys, QStringList({QStringLiteral("Space")}));
}
