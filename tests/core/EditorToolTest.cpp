#include "core/EditorTool.h"
#include "platform/StringTables.h"

#include <gtest/gtest.h>

namespace {

class EditorToolTest : public ::testing::Test {
protected:
    void SetUp() override { platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR")); }
    void TearDown() override { platform::StringTables::setCurrentLanguage({}); }
};

} // namespace

TEST_F(EditorToolTest, RawValuesTitlesAndHelp) {
    ASSERT_EQ(EditorTools::all.size(), 8u);
    for (EditorTool tool : EditorTools::all) EXPECT_EQ(EditorTools::fromRawValue(EditorTools::rawValue(tool)), tool);
    EXPECT_EQ(EditorTools::rawValue(EditorTool::highlight), QStringLiteral("highlight"));
    EXPECT_FALSE(EditorTools::fromRawValue(u"Arrow"));
    EXPECT_FALSE(EditorTools::fromRawValue(u""));
    EXPECT_EQ(EditorTools::title(EditorTool::blur), QStringLiteral("Ocultar"));
    EXPECT_EQ(EditorTools::detail(EditorTool::crop), QStringLiteral("Arraste para escolher a parte que fica"));
    platform::StringTables::setCurrentLanguage(QStringLiteral("en"));
    EXPECT_EQ(EditorTools::title(EditorTool::select), QStringLiteral("Move"));
    EXPECT_EQ(EditorTools::detail(EditorTool::text), QStringLiteral("Click where you want to write"));
}
