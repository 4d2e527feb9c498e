// Path helpers over MS-DOS style paths, natively over POSIX calls.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "archive/paths.h"

namespace {

class Paths : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(getcwd(savedDir, sizeof savedDir), nullptr);
        snprintf(scratch, sizeof scratch, "/tmp/paths_XXXXXX");
        ASSERT_NE(mkdtemp(scratch), nullptr);
        ASSERT_EQ(chdir(scratch), 0);
    }
    void TearDown() override
    {
        ASSERT_EQ(chdir(savedDir), 0);
        std::string command = std::string("rm -rf '") + scratch + "'";
        ASSERT_EQ(system(command.c_str()), 0);
    }
    static bool IsDir(const char* path)
    {
        struct stat info;
        return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
    }
    static void Touch(const char* path)
    {
        FILE* f = fopen(path, "w");
        ASSERT_NE(f, nullptr);
        fclose(f);
    }
    std::string Cwd()
    {
        char buffer[1024];
        return getcwd(buffer, sizeof buffer) ? buffer : "";
    }
    char savedDir[1024];
    char scratch[64];
};

TEST_F(Paths, MakePathDirsOfABareNameDoesNothing)
{
    EXPECT_EQ(MakePathDirs("FILE.TXT"), 0);
    EXPECT_EQ(MakePathDirs("C:FILE.TXT"), 0);
    EXPECT_FALSE(IsDir("FILE.TXT"));
}

TEST_F(Paths, MakePathDirsCreatesEachLevelAndComesBack)
{
    std::string before = Cwd();
    EXPECT_EQ(MakePathDirs("ONE\\TWO\\FILE.TXT"), 1);
    EXPECT_TRUE(IsDir("ONE"));
    EXPECT_TRUE(IsDir("ONE/TWO"));
    EXPECT_FALSE(IsDir("ONE/TWO/FILE.TXT"));
    EXPECT_EQ(Cwd(), before);
    // Existing levels are entered, missing ones added; "." and ".." work as usual.
    EXPECT_EQ(MakePathDirs("ONE\\.\\THREE\\..\\FOUR\\X"), 1);
    EXPECT_TRUE(IsDir("ONE/THREE"));
    EXPECT_TRUE(IsDir("ONE/FOUR"));
    EXPECT_EQ(Cwd(), before);
}

TEST_F(Paths, PlainFileInTheWayStopsAndRestores)
{
    Touch("PLAIN");
    std::string before = Cwd();
    EXPECT_EQ(MakePathDirs("PLAIN\\SUB\\X.TXT"), 0);
    EXPECT_FALSE(IsDir("PLAIN"));
    EXPECT_FALSE(IsDir("SUB"));
    EXPECT_EQ(Cwd(), before);
}

TEST_F(Paths, FailureBelowAnEnteredFolderComesBack)
{
    // A is entered before its plain file B stops the creation: the current
    // folder must be the one before, or the next member lands in A.
    ASSERT_EQ(mkdir("A", 0777), 0);
    Touch("A/B");
    std::string before = Cwd();
    EXPECT_EQ(MakePathDirs("A\\B\\X.TXT"), 0);
    EXPECT_EQ(Cwd(), before);
    EXPECT_EQ(MakeDirs("A\\B\\C"), 0);
    EXPECT_EQ(Cwd(), before);
    // From the root: the failure comes back from there too.
    std::string rooted = "C:" + before + "/A/B/X.TXT";
    for (char& c : rooted) {
        if (c == '/')
            c = '\\';
    }
    EXPECT_EQ(MakePathDirs(rooted.c_str()), 0);
    EXPECT_EQ(Cwd(), before);
}

TEST_F(Paths, MakeDirsFromTheRoot)
{
    // An absolute path with a drive letter: the drive is the current one.
    std::string dos = "C:" + std::string(scratch) + "/A/B";
    for (char& c : dos) {
        if (c == '/')
            c = '\\';
    }
    std::string before = Cwd();
    EXPECT_EQ(MakeDirs(dos.c_str()), 1);
    EXPECT_TRUE(IsDir("A/B"));
    EXPECT_EQ(Cwd(), before);
    // Without a drive, relative to the current directory.
    EXPECT_EQ(MakeDirs("X\\Y"), 1);
    EXPECT_TRUE(IsDir("X/Y"));
    // Too long for its buffer: nothing is made.
    std::string longPath(256, 'L');
    EXPECT_EQ(MakeDirs(longPath.c_str()), 0);
}

TEST_F(Paths, IsDirectory)
{
    EXPECT_EQ(IsDirectory("C:"), 1);
    EXPECT_EQ(IsDirectory("q:"), 1);  // a bare drive, present or not
    EXPECT_EQ(IsDirectory("1:"), 0);
    ASSERT_EQ(mkdir("DIR", 0777), 0);
    Touch("FILE");
    EXPECT_EQ(IsDirectory("DIR"), 1);
    EXPECT_EQ(IsDirectory(".\\DIR"), 1);
    EXPECT_EQ(IsDirectory("FILE"), 0);
    EXPECT_EQ(IsDirectory("MISSING"), 0);
}

TEST_F(Paths, PathExistsAttributeMask)
{
    ASSERT_EQ(mkdir("DIR", 0777), 0);
    Touch("PLAIN.TXT");
    Touch(".HIDDEN");
    EXPECT_EQ(PathExists("PLAIN.TXT", 0), 1);
    EXPECT_EQ(PathExists("PLAIN.TXT", AttrDirectory), 1);
    EXPECT_EQ(PathExists("DIR", 0), 0);
    EXPECT_EQ(PathExists("DIR", AttrDirectory), 1);
    EXPECT_EQ(PathExists(".HIDDEN", 0), 0);
    EXPECT_EQ(PathExists(".HIDDEN", AttrHidden), 1);
    EXPECT_EQ(PathExists("MISSING", AttrDirectory), 0);
    // Wildcards in the last component.
    Touch("DIR/NOTE.TXT");
    EXPECT_EQ(PathExists("DIR\\*.TXT", 0), 1);
    EXPECT_EQ(PathExists("DIR\\N?TE.*", 0), 1);
    EXPECT_EQ(PathExists("DIR\\*.DOC", 0), 0);
    EXPECT_EQ(PathExists("*.*", 0), 1);
    ASSERT_EQ(mkdir("EMPTY", 0777), 0);
    EXPECT_EQ(PathExists("EMPTY\\*.*", 0), 0);  // only "." and "..", directories
}

TEST_F(Paths, OpenPathFileTakesBackslashes)
{
    ASSERT_EQ(MakePathDirs("SUB\\F.TXT"), 1);
    FILE* f = OpenPathFile("SUB\\F.TXT", "wb");
    ASSERT_NE(f, nullptr);
    fclose(f);
    EXPECT_EQ(PathExists("SUB\\F.TXT", 0), 1);
    EXPECT_EQ(PathExists("SUB/F.TXT", 0), 1);
}

TEST(TargetRule, TheLastNameDecidesWhetherATargetIsAFolder)
{
    struct Row {
        const char* target;
        bool folder;
    };
    const Row rows[] = {
        {"C:\\APP", true},          {"C:\\V1.0\\DOCS", true},    {"C:\\V1.0\\DOCS\\", true},
        {"README.TXT", false},      {"C:\\APP\\R.TXT", false},   {"C:\\V1.0\\R.TXT", false},
        {"C:\\APP.D\\SUB.X", false}, {"DOCS", true},              {"C:\\V1.0", false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(LooksLikeDirectory(r.target), r.folder) << r.target;
}

TEST(TargetRule, AJoinedNameIsWholeOrNothing)
{
    char out[16];
    EXPECT_EQ(JoinName("C:\\A", "R.TXT", out, sizeof out), 1);
    EXPECT_STREQ(out, "C:\\A\\R.TXT");
    // C:\ABCDE\R.TXT is 14 characters: 15 bytes hold it, 14 leave the
    // buffer empty instead of cut.
    EXPECT_EQ(JoinName("C:\\ABCDE", "R.TXT", out, 15), 1);
    EXPECT_STREQ(out, "C:\\ABCDE\\R.TXT");
    EXPECT_EQ(JoinName("C:\\ABCDE", "R.TXT", out, 14), 0);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(JoinName("C:\\ABCDEFG", "R.TXT", out, sizeof out), 0);
    EXPECT_STREQ(out, "");
}

}  // namespace

TEST_F(Paths, FullPathOfResolvesAgainstTheCurrentDirectory)
{
    std::string here = Cwd();
    char out[1024];
    struct Row { const char* path; std::string full; };
    const Row rows[] = {
        {"X.TXT", here + "/X.TXT"},
        {"A\\..\\B\\.\\C", here + "/B/C"},
        {"C:\\ROOT\\..\\TOP", "/TOP"},
        {"..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..", "/"},
    };
    for (const Row& r : rows) {
        ASSERT_EQ(FullPathOf(r.path, out, sizeof out), 1) << r.path;
        EXPECT_EQ(std::string(out), r.full) << r.path;
    }
    // Too long for the buffer: 0.
    EXPECT_EQ(FullPathOf("X.TXT", out, static_cast<int>(here.size()) + 3), 0);
}
