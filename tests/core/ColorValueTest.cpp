#include "core/ColorValue.h"

#include <gtest/gtest.h>

TEST(ColorValueTest, ColorValuesFollowTheHsbModelAndClamp) {
    EXPECT_EQ(hexValue(QColor(0x6E, 0x5B, 0xD8)), 0x6E5BD8u);
    EXPECT_EQ(hexValue(QColor::fromHsvF(0.5f, 0.5f, 0.8f)), 0x66CCCCu);
    EXPECT_EQ(hexValue(QColor::fromRgbF(1.4f, -0.2f, 0.5f)), 0xFF0080u); // extended range, out of gamut
    EXPECT_EQ(hexValue(QColor()), 0u);
    EXPECT_EQ(colorFromHex(0xAB6E5BD8u), QColor(0x6E, 0x5B, 0xD8)); // only the low 24 bits count

    EXPECT_EQ(hexFromHsb(0, 1, 1), 0xFF0000u);
    EXPECT_EQ(hexFromHsb(1.0 / 3.0, 1, 1), 0x00FF00u);
    EXPECT_EQ(hexFromHsb(1.0, 1, 1), 0xFF0000u); // hue wraps
    EXPECT_EQ(hexFromHsb(0.999, 0.5, 0.5), 0x804040u);
    EXPECT_EQ(hexFromHsb(0.75, 0.2, 0.9), 0xCFB8E6u);
    const Hsb aurora = hsbFromHex(0x6E5BD8);
    EXPECT_NEAR(aurora.hue, 0.692, 1e-9);
    EXPECT_NEAR(aurora.saturation, 0.5787037037, 1e-9);
    EXPECT_NEAR(aurora.brightness, 216.0 / 255.0, 1e-12);
    EXPECT_EQ(hsbFromHex(0x808080).hue, 0);
    EXPECT_EQ(hsbFromHex(0x808080).saturation, 0);
    for (const quint32 c : {0x000000u, 0xFFFFFFu, 0x26262Eu, 0xF0A35Eu, 0x1F4E8Cu, 0xC4527Au}) {
        const Hsb hsb = hsbFromHex(c);
        EXPECT_EQ(hexFromHsb(hsb.hue, hsb.saturation, hsb.brightness), c);
    }
}

TEST(ColorValueTest, SampledColorsSurviveQColorAndHsbAndBack) {
    for (quint32 c = 0; c <= 0xFFFFFF; c += 97) {
        const QColor color = colorFromHex(c | 0x5A000000u);
        ASSERT_EQ(color, QColor(int(c >> 16), int(c >> 8 & 0xFF), int(c & 0xFF))) << std::hex << c;
        ASSERT_EQ(hexValue(color), c) << std::hex << c;
        const Hsb hsb = hsbFromHex(c);
        ASSERT_EQ(hexFromHsb(hsb.hue, hsb.saturation, hsb.brightness), c) << std::hex << c;
    }
}
