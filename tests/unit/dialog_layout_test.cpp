// Dialog placement and the destination step's text rules.
#include <gtest/gtest.h>

#include <string.h>

#include "app/setup.h"
#include "steps/destination_text.h"
#include "steps/dialog_layout.h"

namespace {

const LayoutRect Desktop{0, 0, 1024, 768};
const LayoutRect NoTitles[2] = {{0, 0, 0, 0}, {0, 0, 0, 0}};

TEST(CenteredDialogOrigin, CentresOnTheDesktopWithoutTitles)
{
    LayoutPoint p = CenteredDialogOrigin(Desktop, 300, 200, NoTitles);
    EXPECT_EQ(p.x, 362);
    EXPECT_EQ(p.y, 284);
}

TEST(CenteredDialogOrigin, HalvesTruncateTowardZero)
{
    // A dialog wider than the desktop gets a negative origin, rounded toward 0.
    LayoutPoint p = CenteredDialogOrigin(LayoutRect{0, 0, 101, 51}, 200, 100, NoTitles);
    EXPECT_EQ(p.x, -49);
    EXPECT_EQ(p.y, -24);
    p = CenteredDialogOrigin(LayoutRect{10, 20, 111, 121}, 0, 0, NoTitles);
    EXPECT_EQ(p.x, 50);
    EXPECT_EQ(p.y, 50);
}

TEST(CenteredDialogOrigin, LargeTitlesNeverPushItOffTheDesktop)
{
    // A 300 x 200 dialog on 1024 x 768 under first titles of growing height
    // (as "Title1Size" 100, 200 and 1000 draw them) and a second title.
    struct Case {
        LayoutRect first;
        LayoutRect second;
        int32_t y;
    } cases[] = {
        {{100, 150, 900, 300}, {0, 0, 0, 0}, 434},       // moved down, still whole
        {{100, 20, 900, 320}, {0, 0, 0, 0}, 568},        // would end at 784: lowest
        {{0, -200, 1024, 1000}, {0, 0, 0, 0}, 568},      // would start below the desktop
        {{0, -200, 1024, 1000}, {0, 700, 900, 760}, 568},
        {{100, 20, 900, 320}, {0, 600, 1024, 700}, 568}, // clear of the second, too low
    };
    for (const Case& c : cases) {
        const LayoutRect titles[2] = {c.first, c.second};
        LayoutPoint p = CenteredDialogOrigin(Desktop, 300, 200, titles);
        EXPECT_EQ(p.y, c.y) << c.first.bottom << " " << c.second.top;
        EXPECT_GE(p.y, Desktop.top);
        EXPECT_LE(p.y + 200, Desktop.bottom);
    }
}

TEST(CenteredDialogOrigin, MovesBelowAFirstTitleThatReachesTheCentre)
{
    const LayoutRect titles[2] = {{100, 250, 900, 330}, {0, 0, 0, 0}};
    LayoutPoint p = CenteredDialogOrigin(Desktop, 300, 200, titles);
    EXPECT_EQ(p.y, 284 + 80);
    // Exactly at the bottom: strict comparison, no move.
    const LayoutRect touching[2] = {{100, 250, 900, 284}, {0, 0, 0, 0}};
    EXPECT_EQ(CenteredDialogOrigin(Desktop, 300, 200, touching).y, 284);
}

TEST(CenteredDialogOrigin, TopEdgeInsideTheSecondTitleMovesDown)
{
    const LayoutRect titles[2] = {{0, 0, 1024, 60}, {100, 270, 900, 300}};
    EXPECT_EQ(CenteredDialogOrigin(Desktop, 300, 200, titles).y, 314);
    // On an edge of the second title: strict, no move.
    const LayoutRect onEdge[2] = {{0, 0, 1024, 60}, {100, 284, 900, 300}};
    EXPECT_EQ(CenteredDialogOrigin(Desktop, 300, 200, onEdge).y, 284);
}

TEST(CenteredDialogOrigin, BottomEdgeInsideTheSecondTitleMovesUp)
{
    // Bottom edge at 484, inside 470..500: up by 30.
    const LayoutRect titles[2] = {{0, 0, 1024, 60}, {100, 470, 900, 500}};
    LayoutPoint p = CenteredDialogOrigin(Desktop, 300, 200, titles);
    EXPECT_EQ(p.y, 254);
    EXPECT_FALSE(p.y + 200 > 470 && p.y < 500);
}

TEST(CenteredDialogOrigin, RulesApplyInTurn)
{
    // The first title pushes the dialog down into the second, which pushes it
    // further down; its bottom then lies below the second title.
    const LayoutRect titles[2] = {{0, 200, 1024, 300}, {0, 350, 1024, 420}};
    EXPECT_EQ(CenteredDialogOrigin(Desktop, 300, 200, titles).y, 284 + 100 + 70);
}

TEST(DestinationText, ProposePathCopiesOrCutsWithinCapacity)
{
    char dest[PathCapacity];
    EXPECT_EQ(ProposePath(dest, sizeof dest, "C:\\TEMP"), 1);
    EXPECT_STREQ(dest, "C:\\TEMP");

    char exact[PathCapacity];
    memset(exact, 'a', PathCapacity - 1);
    exact[PathCapacity - 1] = '\0';
    EXPECT_EQ(ProposePath(dest, sizeof dest, exact), 1);
    EXPECT_EQ(strlen(dest), static_cast<size_t>(PathCapacity - 1));

    char tooLong[PathCapacity + 40];
    memset(tooLong, 'b', sizeof tooLong - 1);
    tooLong[sizeof tooLong - 1] = '\0';
    char guarded[PathCapacity + 1];
    guarded[PathCapacity] = '#';
    EXPECT_EQ(ProposePath(guarded, PathCapacity, tooLong), 0);
    EXPECT_EQ(strlen(guarded), static_cast<size_t>(PathCapacity - 1));
    EXPECT_EQ(guarded[PathCapacity], '#');
}

TEST(DestinationText, DriveLettersAreAsciiLettersWithAColon)
{
    EXPECT_TRUE(HasDriveLetter("C:\\APP"));
    EXPECT_TRUE(HasDriveLetter("z:"));
    EXPECT_FALSE(HasDriveLetter("\\APP"));
    EXPECT_FALSE(HasDriveLetter("APP"));
    EXPECT_FALSE(HasDriveLetter("1:\\APP"));
    EXPECT_FALSE(HasDriveLetter("@:"));
    EXPECT_FALSE(HasDriveLetter("["));
    EXPECT_FALSE(HasDriveLetter(""));
}

TEST(DestinationText, OnlyADriveRootLosesItsBackslash)
{
    char root[] = "C:\\";
    StoreDriveRoot(root);
    EXPECT_STREQ(root, "C:");
    char dir[] = "C:\\APP";
    StoreDriveRoot(dir);
    EXPECT_STREQ(dir, "C:\\APP");
    char unc[] = "\\\\";
    StoreDriveRoot(unc);
    EXPECT_STREQ(unc, "\\\\");
    char empty[] = "";
    StoreDriveRoot(empty);
    EXPECT_STREQ(empty, "");
}

TEST(DestinationText, SpaceWarningInKBytes)
{
    char text[256];
    EXPECT_EQ(FormatSpaceWarning(text, sizeof text, 1048576, 'C', 524288), 1);
    EXPECT_STREQ(text,
                 "This installation requires 1024 K bytes\n"
                 "Drive C: has only 512 K bytes of free space\n"
                 "Continue anyway?");
    // Partial K bytes are dropped.
    FormatSpaceWarning(text, sizeof text, 2047, 'D', 1023);
    EXPECT_NE(strstr(text, "requires 1 K bytes"), nullptr);
    EXPECT_NE(strstr(text, "Drive D: has only 0 K bytes"), nullptr);
}

TEST(DestinationText, SpaceWarningKeepsLargeFreeSpaceExact)
{
    // 5 GiB + 1 K: beyond 32 bits in bytes and in a signed 32-bit product.
    char text[256];
    int64_t freeBytes = (int64_t{5} << 30) + 1024;
    FormatSpaceWarning(text, sizeof text, INT32_MAX, 'E', freeBytes);
    EXPECT_NE(strstr(text, "requires 2097151 K bytes"), nullptr);
    EXPECT_NE(strstr(text, "Drive E: has only 5242881 K bytes"), nullptr);
}

TEST(DestinationText, SpaceWarningStaysWithinASmallBuffer)
{
    char text[32];
    text[31] = '#';
    EXPECT_EQ(FormatSpaceWarning(text, 31, 1048576, 'C', 524288), 0);
    EXPECT_EQ(strlen(text), 30u);
    EXPECT_EQ(text[31], '#');
}

TEST(DestinationText, UsableDestinationsAndOneDirectoryInOtherSpellings)
{
    for (const char* path : {"C:\\APP", "c:\\", "C:", "\\APP", "APP\\SUB", "D:/A B/C"})
        EXPECT_TRUE(IsUsableDestination(path)) << path;
    for (const char* path : {"\\\\server\\share\\app", "//server/share", "", "C:\\A*", "C:\\A?",
                             "C:\\A|B", "C:\\A\"", "C:\\A<", "C:\\A:B", "1:\\A", "C:\\A\tB"})
        EXPECT_FALSE(IsUsableDestination(path)) << path;
    EXPECT_TRUE(IsSameDirectory("C:\\SETUP", "c:\\setup\\"));
    EXPECT_TRUE(IsSameDirectory("C:\\SETUP\\", "C:/Setup"));
    EXPECT_TRUE(IsSameDirectory("C:\\", "C:"));
    EXPECT_FALSE(IsSameDirectory("C:\\SETUP", "C:\\SETUP2"));
    EXPECT_FALSE(IsSameDirectory("C:\\SETUP", "D:\\SETUP"));
}

}  // namespace
