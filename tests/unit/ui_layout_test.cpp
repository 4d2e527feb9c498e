// Presentation arithmetic: colours, bands, title placement, progress split.
#include <gtest/gtest.h>

#include "ui/layout.h"

static void ExpectColor(PaletteColor c, int red, int green, int blue)
{
    EXPECT_EQ(c.red, red);
    EXPECT_EQ(c.green, green);
    EXPECT_EQ(c.blue, blue);
}

TEST(UiColor, ThreeNumbersAndShortValues)
{
    ScriptColor c = ParseColor("0 76 38");
    EXPECT_EQ(c.red, 0);
    EXPECT_EQ(c.green, 76);
    EXPECT_EQ(c.blue, 38);
    c = ParseColor("  12\t-3   +7 trailing");
    EXPECT_EQ(c.red, 12);
    EXPECT_EQ(c.green, -3);
    EXPECT_EQ(c.blue, 7);
    // Missing components, and everything after the first non-number, are 0.
    c = ParseColor("200 100");
    EXPECT_EQ(c.red, 200);
    EXPECT_EQ(c.green, 100);
    EXPECT_EQ(c.blue, 0);
    c = ParseColor("10,20,30");
    EXPECT_EQ(c.red, 10);
    EXPECT_EQ(c.green, 0);
    EXPECT_EQ(c.blue, 0);
    c = ParseColor("red 5 5");
    EXPECT_EQ(c.red, 0);
    EXPECT_EQ(c.green, 0);
    EXPECT_EQ(c.blue, 0);
    c = ParseColor("");
    EXPECT_EQ(c.red | c.green | c.blue, 0);
    c = ParseColor(nullptr);
    EXPECT_EQ(c.red | c.green | c.blue, 0);
    c = ParseColor("- 5 5");
    EXPECT_EQ(c.red | c.green | c.blue, 0);
}

TEST(UiColor, LowEightBitsUsed)
{
    ExpectColor(ToPaletteColor(ParseColor("300 256 -1")), 44, 0, 255);
    // A number too long for 32 bits keeps its low bits: 2^32 + 300.
    ExpectColor(ToPaletteColor(ParseColor("4294967596 0 0")), 44, 0, 0);
    EXPECT_EQ(PaletteRgb(ToPaletteColor(ParseColor("300 0 0"))), 0x0200002Cu);
    EXPECT_EQ(PaletteRgb(PaletteColor{255, 255, 0}), 0x0200FFFFu);
    EXPECT_EQ(PaletteRgb(PaletteColor{1, 2, 3}), 0x02030201u);
}

TEST(UiGradient, StepCountClamp)
{
    EXPECT_EQ(ClampGradientSteps(32), 32);
    EXPECT_EQ(ClampGradientSteps(0), 1);
    EXPECT_EQ(ClampGradientSteps(-7), 1);
    EXPECT_EQ(ClampGradientSteps(500), 200);
    EXPECT_EQ(ClampGradientSteps(200), 200);
    EXPECT_EQ(ClampGradientSteps(1), 1);
}

TEST(UiGradient, DefaultRamp)
{
    ScriptColor top{0, 76, 38}, bottom{51, 204, 102};
    ExpectColor(BandColor(top, bottom, 0, 32), 0, 76, 38);
    ExpectColor(BandColor(top, bottom, 16, 32), 25, 140, 70);
    ExpectColor(BandColor(top, bottom, 31, 32), 49, 200, 100);
    // A single band is the top colour.
    ExpectColor(BandColor(top, bottom, 0, 1), 0, 76, 38);
}

TEST(UiGradient, DescendingRampMirrorsAscending)
{
    // 51 -> 0 over 32 bands: 51 - trunc(i*51/32), not a floor.
    ScriptColor top{51, 204, 102}, bottom{0, 76, 38};
    ExpectColor(BandColor(top, bottom, 1, 32), 50, 200, 100);
    ExpectColor(BandColor(top, bottom, 16, 32), 26, 140, 70);
    ExpectColor(BandColor(top, bottom, 31, 32), 2, 80, 40);
    for (int i = 0; i < 32; i++) {
        PaletteColor up = BandColor(ScriptColor{0, 0, 0}, ScriptColor{51, 0, 0}, i, 32);
        PaletteColor down = BandColor(ScriptColor{51, 0, 0}, ScriptColor{0, 0, 0}, i, 32);
        EXPECT_EQ(up.red + down.red, 51) << "band " << i;
    }
}

TEST(UiGradient, OutOfRangeComponents)
{
    ExpectColor(BandColor(ScriptColor{300, -1, 0}, ScriptColor{300, -1, 0}, 5, 10), 44, 255, 0);
    // Huge components do not overflow the product.
    PaletteColor c = BandColor(ScriptColor{0, 0, 0}, ScriptColor{2000000000, 0, 0}, 199, 200);
    EXPECT_EQ(c.red, static_cast<uint8_t>(1990000000 & 0xFF));
}

TEST(UiGradient, BandRectangles)
{
    LayoutRect client{0, 0, 1024, 700};
    LayoutRect b = BandRect(client, 0, 32);
    EXPECT_EQ(b.left, 0);
    EXPECT_EQ(b.right, 1024);
    EXPECT_EQ(b.top, 0);
    EXPECT_EQ(b.bottom, 21);  // 700/32 = 21.875
    b = BandRect(client, 16, 32);
    EXPECT_EQ(b.top, 350);
    EXPECT_EQ(b.bottom, 371);
    b = BandRect(client, 31, 32);
    EXPECT_EQ(b.top, 678);
    EXPECT_EQ(b.bottom, 700);
    // Bands tile the client area without gaps.
    for (int i = 1; i < 32; i++)
        EXPECT_EQ(BandRect(client, i, 32).top, BandRect(client, i - 1, 32).bottom);
    // A client area that does not start at 0.
    b = BandRect(LayoutRect{5, 10, 50, 110}, 1, 4);
    EXPECT_EQ(b.top, 35);
    EXPECT_EQ(b.bottom, 60);
    EXPECT_EQ(b.left, 5);
    b = BandRect(client, 0, 1);
    EXPECT_EQ(b.top, 0);
    EXPECT_EQ(b.bottom, 700);
}

TEST(UiGradient, ZeroHeightBandsMeetNothing)
{
    LayoutRect client{0, 0, 100, 10};
    LayoutRect band = BandRect(client, 0, 32);
    EXPECT_EQ(band.top, band.bottom);
    EXPECT_FALSE(RectsMeet(band, client));
    int drawn = 0;
    for (int i = 0; i < 32; i++)
        drawn += RectsMeet(BandRect(client, i, 32), client);
    EXPECT_EQ(drawn, 10);
}

TEST(UiGradient, OnlyBandsMeetingTheUpdateArea)
{
    LayoutRect client{0, 0, 640, 320};
    LayoutRect update{100, 95, 200, 105};  // bands of 10 px: 9 and 10
    int first = -1, count = 0;
    for (int i = 0; i < 32; i++)
        if (RectsMeet(BandRect(client, i, 32), update)) {
            if (first < 0)
                first = i;
            count++;
        }
    EXPECT_EQ(first, 9);
    EXPECT_EQ(count, 2);
    // Touching edges do not meet.
    EXPECT_FALSE(RectsMeet(LayoutRect{0, 0, 10, 10}, LayoutRect{10, 0, 20, 10}));
    EXPECT_TRUE(RectsMeet(LayoutRect{0, 0, 10, 10}, LayoutRect{9, 9, 20, 20}));
    EXPECT_FALSE(RectsMeet(LayoutRect{0, 0, 10, 10}, LayoutRect{20, 20, 10, 10}));
}

TEST(UiTitles, PixelHeightRoundsToNearest)
{
    EXPECT_EQ(TitlePixelHeight(40, 96), 53);  // 53.33
    EXPECT_EQ(TitlePixelHeight(20, 96), 27);  // 26.67
    EXPECT_EQ(TitlePixelHeight(3, 96), 4);    // exactly 4
    EXPECT_EQ(TitlePixelHeight(40, 120), 67);  // 66.67
    EXPECT_EQ(MulDivRound(3, 1, 2), 2);        // a half rounds away from zero
    EXPECT_EQ(MulDivRound(-3, 1, 2), -2);
    EXPECT_EQ(MulDivRound(7, -1, 2), -4);
    EXPECT_EQ(MulDivRound(5, 5, 0), -1);
    EXPECT_EQ(MulDivRound(INT32_MAX, 4, 2), -1);
    EXPECT_EQ(MulDivRound(INT32_MAX, 2, 2), INT32_MAX);
}

TEST(UiTitles, PlacementDefaults)
{
    LayoutRect client{0, 0, 1000, 700};
    int32_t y = 0;
    int32_t h1 = TitlePixelHeight(40, 96), h2 = TitlePixelHeight(20, 96);
    LayoutRect first = PlaceTitle(client, &y, h1, 200, 61, false);
    EXPECT_EQ(first.top, 26);
    EXPECT_EQ(first.left, 400);
    EXPECT_EQ(first.right, 600);
    EXPECT_EQ(first.bottom, 26 + 61);
    LayoutRect second = PlaceTitle(client, &y, h2, 101, 31, false);
    EXPECT_EQ(second.top, 92);
    EXPECT_EQ(second.left, 449);  // (1000 - 101) / 2
    EXPECT_EQ(second.right, 550);
    EXPECT_EQ(y, 92 + 27);
}

TEST(UiTitles, SecondAtBottom)
{
    LayoutRect client{0, 0, 1000, 700};
    int32_t y = 0;
    PlaceTitle(client, &y, 53, 200, 61, false);
    LayoutRect second = PlaceTitle(client, &y, 27, 100, 31, true);
    EXPECT_EQ(second.top, 700 - 40);
    // Alone (first title empty) the second title starts at H2/2.
    y = 0;
    second = PlaceTitle(client, &y, 27, 100, 31, false);
    EXPECT_EQ(second.top, 13);
    EXPECT_TRUE(IsBottomPosition("Bottom"));
    EXPECT_FALSE(IsBottomPosition("bottom"));
    EXPECT_FALSE(IsBottomPosition("BOTTOM"));
    EXPECT_FALSE(IsBottomPosition("Bottom "));
    EXPECT_FALSE(IsBottomPosition(""));
    EXPECT_FALSE(IsBottomPosition(nullptr));
}

TEST(UiTitles, WideTextGoesNegative)
{
    LayoutRect client{0, 0, 300, 200};
    int32_t y = 0;
    LayoutRect r = PlaceTitle(client, &y, 53, 501, 61, false);
    EXPECT_EQ(r.left, -100);  // -201 / 2 truncates toward zero
    EXPECT_EQ(r.right, 401);
    // Extents are 16-bit: 65535 wide stays positive, not -1.
    y = 0;
    r = PlaceTitle(client, &y, 53, 65535, 61, false);
    EXPECT_EQ(r.left, (300 - 65535) / 2);
}

TEST(UiTitles, FaceNameLongerThanTheFieldFallsBack)
{
    const char* fallback = "Times New Roman";
    EXPECT_STREQ(ChooseFaceName("Arial", fallback), "Arial");
    const char* max31 = "abcdefghijklmnopqrstuvwxyz01234";
    EXPECT_STREQ(ChooseFaceName(max31, fallback), max31);
    EXPECT_STREQ(ChooseFaceName("abcdefghijklmnopqrstuvwxyz012345", fallback), fallback);
    EXPECT_STREQ(ChooseFaceName(nullptr, fallback), fallback);
}

TEST(UiProgress, ClampAndSplit)
{
    EXPECT_EQ(ClampProgress(150, 0, 100), 100);
    EXPECT_EQ(ClampProgress(-5, 0, 100), 0);
    EXPECT_EQ(ClampProgress(42, 0, 100), 42);
    LayoutRect inner{12, 7, 112, 27};  // 100 px wide
    EXPECT_EQ(ProgressSplit(inner, 42, 0, 100), 54);
    EXPECT_EQ(ProgressSplit(inner, 0, 0, 100), 12);
    EXPECT_EQ(ProgressSplit(inner, 100, 0, 100), 112);
    LayoutRect odd{0, 0, 333, 20};
    EXPECT_EQ(ProgressSplit(odd, 50, 0, 100), 166);  // 166.5 truncated
    EXPECT_EQ(ProgressSplit(odd, 5, 0, 10), 166);
}

TEST(UiProgress, TextOrigin)
{
    LayoutRect inner{12, 7, 112, 27};
    LayoutPoint p = ProgressTextOrigin(inner, 25, 16);
    EXPECT_EQ(p.x, 12 + 37);   // (100 - 25) / 2
    EXPECT_EQ(p.y, 9);         // (7 + 27 - 16) / 2
    // A text wider than the bar starts left of it (truncating toward zero).
    p = ProgressTextOrigin(LayoutRect{10, 0, 20, 10}, 15, 13);
    EXPECT_EQ(p.x, 8);   // 10 + (-5 / 2)
    EXPECT_EQ(p.y, -1);  // (-3) / 2
}
