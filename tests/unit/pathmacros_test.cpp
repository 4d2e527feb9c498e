// Path macros, the command-line words and the names formed from them.
#include <string.h>

#include <gtest/gtest.h>

#include "app/setup.h"

namespace {

class PathMacros : public ::testing::Test {
protected:
    void SetUp() override
    {
        snprintf(DestDir, sizeof DestDir, "%s", "C:\\APP");
        snprintf(WindowsDir, sizeof WindowsDir, "%s", "C:\\WINDOWS");
        snprintf(StartDir, sizeof StartDir, "%s", "A:");
    }

    // Expands into a buffer guarded by canary bytes beyond capacity.
    std::string Expand(const char* text, int capacity)
    {
        char buffer[600];
        memset(buffer, '#', sizeof buffer);
        ExpandPathMacros(text, buffer, capacity);
        for (size_t i = capacity; i < sizeof buffer; i++)
            EXPECT_EQ('#', buffer[i]) << "write past capacity at " << i;
        EXPECT_NE(nullptr, memchr(buffer, '\0', capacity)) << "output not terminated";
        return buffer;
    }
};

TEST_F(PathMacros, ReplacesTheThreeLowerCaseMacros)
{
    EXPECT_EQ("C:\\APP\\BIN", Expand("$d\\BIN", 260));
    EXPECT_EQ("C:\\WINDOWS\\SYSTEM", Expand("$w\\SYSTEM", 260));
    EXPECT_EQ("A:\\DISK", Expand("$s\\DISK", 260));
    EXPECT_EQ("C:\\APP;C:\\WINDOWS;A:", Expand("$d;$w;$s", 260));
}

TEST_F(PathMacros, CopiesEverythingElseAsItIs)
{
    EXPECT_EQ("$D\\$x", Expand("$D\\$x", 260));
    EXPECT_EQ("$C:\\APP", Expand("$$d", 260));
    EXPECT_EQ("cost 5$", Expand("cost 5$", 260));
    EXPECT_EQ("", Expand("", 260));
}

TEST_F(PathMacros, NeverWritesPastCapacity)
{
    EXPECT_EQ("abcdefghi", Expand("abcdefghijklmnopqrst", 10));
    EXPECT_EQ("", Expand("abc", 1));
    // DestDir (6 chars) does not fit after "xyz" in 9 bytes: the expansion
    // ends there rather than leave the directory out.
    EXPECT_EQ("xyz", Expand("xyz$d\\more", 9));
    EXPECT_EQ("xyzC:\\APP", Expand("xyz$d\\more", 10));
    EXPECT_EQ("C:\\AP", Expand("C:\\APPLICATION", 6));
}

TEST_F(PathMacros, ReportsWhetherTheWholeTextFit)
{
    char out[16];
    EXPECT_EQ(1, ExpandPathMacros("$d\\BIN", out, 11));
    EXPECT_EQ(0, ExpandPathMacros("$d\\BIN", out, 10));
    EXPECT_EQ(0, ExpandPathMacros("x$d", out, 7));
    EXPECT_EQ(1, ExpandPathMacros("", out, 1));
}

TEST_F(PathMacros, LongDirectoriesStayWithinTheirBuffer)
{
    memset(DestDir, 'D', sizeof DestDir - 1);
    DestDir[sizeof DestDir - 1] = '\0';
    EXPECT_EQ("", Expand("$d", 259));
    EXPECT_EQ(std::string(259, 'D'), Expand("$d", 260));
    EXPECT_EQ(std::string(259, 'D'), Expand("$d$d", 260));
}

TEST_F(PathMacros, AWholeExpansionOrNothing)
{
    char out[16];
    memset(out, '#', sizeof out);
    EXPECT_EQ(0, ExpandWhole("$d\\BIN", out, 10));
    EXPECT_STREQ("", out);
    EXPECT_EQ(1, ExpandWhole("$d\\BIN", out, 11));
    EXPECT_STREQ("C:\\APP\\BIN", out);
}

std::string Broken(const char* text, int width, int capacity = 600)
{
    char out[600];
    memset(out, '#', sizeof out);
    int whole = BreakLongRuns(text, width, out, capacity);
    for (size_t i = capacity; i < sizeof out; i++)
        EXPECT_EQ('#', out[i]) << "write past capacity at " << i;
    return std::string(whole ? "" : "<cut>") + out;
}

TEST(MessageText, LongRunsAreBrokenIntoLines)
{
    EXPECT_EQ("abcd\nefgh\nij", Broken("abcdefghij", 4));
    // Blanks and line breaks start a new run; runs up to the width stay whole.
    EXPECT_EQ("ab cd\nefgh\nabcd\ne", Broken("ab cd\nefghabcde", 4));
    EXPECT_EQ("C:\\WINDOWS\\NOTEPAD.EXE README.TXT", Broken("C:\\WINDOWS\\NOTEPAD.EXE README.TXT", 64));
    EXPECT_EQ("", Broken("", 4));
    // Never past capacity, always terminated, a cut reported.
    EXPECT_EQ("<cut>abcd\nef", Broken("abcdefghij", 4, 8));
    EXPECT_EQ("<cut>abcd", Broken("abcdefghij", 4, 6));
}

TEST(MessageText, TooLongNamesTheValueAndShowsItsStartInLines)
{
    char out[512];
    ComposeTooLongMessage("Value", "SrcDir", "$d\\SHORT", 259, out, sizeof out);
    EXPECT_STREQ("Value of \"SrcDir\" longer than 259 characters:\n$d\\SHORT", out);

    std::string value(300, 'x');
    ComposeTooLongMessage("Path", "KEY.LZH", value.c_str(), 259, out, sizeof out);
    std::string shown = std::string(64, 'x') + "\n" + std::string(64, 'x') + "\n" + std::string(32, 'x') + "...";
    EXPECT_EQ("Path of \"KEY.LZH\" longer than 259 characters:\n" + shown, std::string(out));

    // A long name is shortened too; a small buffer still holds a terminated start.
    std::string name(100, 'k');
    ComposeTooLongMessage("Path", name.c_str(), "v", 259, out, sizeof out);
    EXPECT_EQ("Path of \"" + std::string(64, 'k') + "...\" longer than 259 characters:\nv", std::string(out));
    memset(out, '#', sizeof out);
    ComposeTooLongMessage("Value", "SrcDir", value.c_str(), 259, out, 20);
    EXPECT_STREQ("Value of \"SrcDir\" l", out);
    EXPECT_EQ('#', out[20]);
}

std::string ScriptPath(const char* from, int capacity = 260)
{
    char out[260];
    if (!MakeScriptPath(from, out, capacity))
        return "<none>";
    return out;
}

TEST(ScriptPathRule, ReplacesFromTheLastDotOfTheWholePath)
{
    EXPECT_EQ("A:\\SETUP.cfg", ScriptPath("A:\\SETUP.EXE"));
    EXPECT_EQ("C:\\V1.cfg", ScriptPath("C:\\V1.0\\SETUP"));
    EXPECT_EQ("D:\\SRC\\SETUP.cfg", ScriptPath("D:\\SRC\\SETUP.EXE"));
    EXPECT_EQ("C:\\SETUP\\SETUP", ScriptPath("C:\\SETUP\\SETUP"));
    EXPECT_EQ("setup.tar.cfg", ScriptPath("setup.tar.gz"));
}

TEST(ScriptPathRule, RefusesANameThatDoesNotFit)
{
    EXPECT_EQ("<none>", ScriptPath("ABCDEF.EXE", 10));
    EXPECT_EQ("ABCDE.cfg", ScriptPath("ABCDE.EXE", 10));
    EXPECT_EQ("<none>", ScriptPath("ABCDEFGHIJ", 10));
}

std::string Directory(const char* programPath)
{
    char out[260];
    ProgramDirectory(programPath, out, sizeof out);
    return out;
}

TEST(ProgramDirectoryRule, CutsAtTheLastBackslashOrKeepsTheDrive)
{
    EXPECT_EQ("A:", Directory("A:\\SETUP.EXE"));
    EXPECT_EQ("C:\\SETUP", Directory("C:\\SETUP\\SETUP.EXE"));
    EXPECT_EQ("B:", Directory("B:SETUP.EXE"));
    EXPECT_EQ("", Directory("SETUP.EXE"));
}

std::vector<std::string> Words(const char* line, int storeSize = 256, int maxWords = 8)
{
    char store[256];
    char* words[8];
    int n = SplitCommandLine(line, store, storeSize, words, maxWords);
    std::vector<std::string> out;
    for (int i = 0; i < n; i++)
        out.push_back(words[i] ? words[i] : "(absent)");
    return out;
}

TEST(CommandLineWords, SplitAtBlanksAndTabsWithQuotes)
{
    using V = std::vector<std::string>;
    EXPECT_EQ((V{"D:\\SRC", "D:\\SRC\\SETUP.EXE", "C:\\APP"}),
              Words("  D:\\SRC\tD:\\SRC\\SETUP.EXE  C:\\APP "));
    EXPECT_EQ((V{"C:\\Program Files\\App", "x"}), Words("\"C:\\Program Files\\App\" x"));
    EXPECT_EQ((V{"a\"b", "*.txt", "?"}), Words("a\\\"b *.txt ?"));
    EXPECT_EQ((V{"ab cd"}), Words("a\"b c\"d"));
    EXPECT_EQ(V{}, Words("   \t "));
}

TEST(CommandLineWords, DropsWordsThatDoNotFitInsteadOfCuttingThem)
{
    using V = std::vector<std::string>;
    // A word that does not fit keeps its place: the later words keep theirs.
    EXPECT_EQ((V{"abc", "(absent)", "de"}), Words("abc toolongword de", 8));
    EXPECT_EQ((V{"(absent)", "C:\\A.EXE", "C:\\D"}), Words("D:\\A_VERY_LONG_SOURCE C:\\A.EXE C:\\D", 16));
    EXPECT_EQ((V{"a", "b"}), Words("a b c d", 256, 2));
    EXPECT_EQ((V{"a", "(absent)"}), Words("a bcdefghijk c", 8, 2));
}

std::string Anchored(const char* base, const char* path, int capacity = 260)
{
    char out[260];
    if (!AnchorPath(base, path, out, capacity))
        return std::string("(too long)") + out;
    return out;
}

TEST(AnchorRule, ARelativeSourceFolderIsFoundFromTheStartFolder)
{
    struct Row {
        const char* base;
        const char* path;
        const char* expected;
    };
    const Row rows[] = {
        {"D:\\", "MEDIA", "D:\\MEDIA"},
        {"D:\\DIST", "MEDIA", "D:\\DIST\\MEDIA"},
        {"D:\\DIST", "..\\X", "D:\\DIST\\..\\X"},
        {"D:\\DIST", "\\X", "D:\\X"},
        {"D:\\DIST", "C:\\SRC", "C:\\SRC"},
        {"D:\\DIST", "E:REL", "E:REL"},
        {"D:\\DIST", "\\\\SERVER\\SHARE", "\\\\SERVER\\SHARE"},
        {"D:\\DIST", "", "D:\\DIST"},
        {"\\\\SERVER\\S", "M", "\\\\SERVER\\S\\M"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(Anchored(r.base, r.path), r.expected) << r.base << " + " << r.path;
    // Whole or nothing: "D:\DIST\MEDIA" is 13 characters.
    EXPECT_EQ(Anchored("D:\\DIST", "MEDIA", 14), "D:\\DIST\\MEDIA");
    EXPECT_EQ(Anchored("D:\\DIST", "MEDIA", 13), "(too long)");
}

}  // namespace
