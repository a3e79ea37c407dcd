#include "editor_window/InspectorText.h"

#include "platform/StringTables.h"

#include <gtest/gtest.h>

#include <limits>

using namespace InspectorText;

namespace {

class InspectorTextTest : public ::testing::Test {
protected:
    void SetUp() override { platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR")); }
    void TearDown() override { platform::StringTables::setCurrentLanguage({}); }
};

} // namespace

TEST_F(InspectorTextTest, MarginReadoutAndSliderSaturate) {
    EXPECT_EQ(paddingReadout(64.5), QStringLiteral("64 pt"));
    EXPECT_EQ(paddingReadout(0), QStringLiteral("0 pt"));
    // A hand-edited margin reads as a bounded number, and the slider stands at an end.
    EXPECT_EQ(paddingReadout(1e300), QStringLiteral("9223372036854775807 pt"));
    EXPECT_EQ(paddingReadout(std::numeric_limits<double>::quiet_NaN()), QStringLiteral("0 pt"));
    EXPECT_EQ(paddingSliderStep(1e300), paddingSteps);
    EXPECT_EQ(paddingSliderStep(-5), 0);
    EXPECT_EQ(paddingSliderStep(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(paddingSliderStep(64.5), 8);
}

TEST_F(InspectorTextTest, QualityRoundsHalvesAwayFromZero) {
    EXPECT_EQ(qualityReadout(0.625), QStringLiteral("63%"));
    EXPECT_EQ(qualityReadout(0.5), QStringLiteral("50%"));
    EXPECT_EQ(qualityReadout(1.0), QStringLiteral("100%"));
    EXPECT_EQ(qualityReadout(0.85), QStringLiteral("85%"));
    // Every slider step lands on the value its readout names.
    for (int step = qualityFirstStep; step <= qualityLastStep; ++step)
        EXPECT_EQ(qualityPercent(qualityAt(step)), step * 5) << step;
    EXPECT_EQ(qualitySliderStep(0.3), qualityFirstStep);
    EXPECT_EQ(qualitySliderStep(0.85), 17);
}

TEST_F(InspectorTextTest, EstimateLine) {
    EXPECT_EQ(estimateLine(std::nullopt, QSize(10, 10)), QStringLiteral("Calculando tamanho…"));
    const QString line = estimateLine(1'234'567, QSize(2880, 1800));
    EXPECT_TRUE(line.startsWith(QStringLiteral("≈ 1"))) << line.toStdString();
    EXPECT_TRUE(line.endsWith(QStringLiteral(" MB · 2880 × 1800 px"))) << line.toStdString();
    EXPECT_TRUE(estimateLine(873'000, QSize(1, 1)).contains(QStringLiteral("873 KB")));
}
