// The switches of an unattended installation, the relaunched copy's command
// line with them, the exit code of a completed run, the log's lines and the
// folder where the next disk of a set shipped as folders is looked for.
#include <stdarg.h>
#include <string.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/setup.h"
#include "steps/disk_folder.h"

namespace {

struct SwitchCase {
    std::vector<const char*> words;  // nullptr: a word that did not fit
    std::vector<const char*> kept;
    bool unattended;
    const char* dest;
    const char* log;
};

std::string Text(const char* s)
{
    return s ? s : "(null)";
}

TEST(Switches, AreTakenOutAndTheOtherWordsKeepTheirOrder)
{
    const SwitchCase cases[] = {
        // Command lines of today mean what they meant.
        {{"A:\\", "A:\\SETUP.EXE", "C:\\APP"}, {"A:\\", "A:\\SETUP.EXE", "C:\\APP"}, false, nullptr,
         nullptr},
        {{"/S", "A:\\", "/d=C:\\X", "A:\\SETUP.EXE", "/Log=i.log", "C:\\APP"},
         {"A:\\", "A:\\SETUP.EXE", "C:\\APP"}, true, "C:\\X", "i.log"},
        {{"/s", "/LOG=C:\\My Logs\\a.log"}, {}, true, nullptr, "C:\\My Logs\\a.log"},
        // Near misses are ordinary words.
        {{"/SX", "/D", "/LOGFILE", "/S=1", "S"}, {"/SX", "/D", "/LOGFILE", "/S=1", "S"}, false,
         nullptr, nullptr},
        // A word that did not fit keeps its place; the last /D= counts.
        {{nullptr, "/S", "C:", "/D=A", "/D=B"}, {nullptr, "C:"}, true, "B", nullptr},
    };
    for (const SwitchCase& c : cases) {
        std::vector<char*> words;
        std::vector<std::string> store(c.words.size());
        for (size_t i = 0; i < c.words.size(); i++) {
            if (c.words[i]) {
                store[i] = c.words[i];
                words.push_back(&store[i][0]);
            } else {
                words.push_back(nullptr);
            }
        }
        Switches s = {};
        int n = TakeSwitches(words.data(), static_cast<int>(words.size()), &s);
        SCOPED_TRACE(Text(c.words.empty() ? nullptr : c.words[0]));
        ASSERT_EQ(c.kept.size(), static_cast<size_t>(n));
        for (int i = 0; i < n; i++)
            EXPECT_EQ(Text(c.kept[i]), Text(words[i])) << "word " << i;
        EXPECT_EQ(c.unattended, s.unattended);
        EXPECT_EQ(Text(c.dest), Text(s.dest));
        EXPECT_EQ(Text(c.log), Text(s.log));
    }
}

// The relaunched copy's command line, split and read as the copy reads it,
// gives the same words and the same switches; it may be longer than 99
// characters.
TEST(Switches, TheRelaunchedCopyGetsThemBack)
{
    Switches given = {true, "C:\\Program Files\\Old App", "C:\\windows\\temp\\setup log.txt"};
    char line[1400];
    ASSERT_EQ(1, ComposeRelaunchCommand("C:\\windows\\temp\\installc.exe", "A:", "A:\\SETUP.EXE",
                                        line, sizeof line));
    ASSERT_EQ(1, AppendSwitches(given, line, sizeof line));
    EXPECT_GT(strlen(line), 99u);

    char store[1400];
    char* words[16];
    int n = SplitCommandLine(line, store, sizeof store, words, 16);
    Switches back = {};
    n = TakeSwitches(words, n, &back);
    ASSERT_EQ(3, n);
    EXPECT_STREQ("C:\\windows\\temp\\installc.exe", words[0]);
    EXPECT_STREQ("A:", words[1]);
    EXPECT_STREQ("A:\\SETUP.EXE", words[2]);
    EXPECT_TRUE(back.unattended);
    EXPECT_EQ(Text(given.dest), Text(back.dest));
    EXPECT_EQ(Text(given.log), Text(back.log));

    // Without switches nothing is added.
    char plain[64] = "C:\\T\\installc.exe A: A:\\SETUP.EXE";
    Switches none = {};
    ASSERT_EQ(1, AppendSwitches(none, plain, sizeof plain));
    EXPECT_STREQ("C:\\T\\installc.exe A: A:\\SETUP.EXE", plain);
}

TEST(Switches, ALineWithoutRoomForThemStaysAsItWas)
{
    // Room for " /S" but not for the destination after it: none is added.
    char line[48];
    memset(line, '#', sizeof line);
    snprintf(line, 36, "%s", "C:\\T\\installc.exe A: A:\\S.EXE");
    Switches s = {true, "C:\\A LONG DESTINATION", nullptr};
    EXPECT_EQ(0, AppendSwitches(s, line, 36));
    EXPECT_STREQ("C:\\T\\installc.exe A: A:\\S.EXE", line);
    for (size_t i = 36; i < sizeof line; i++)
        EXPECT_EQ('#', line[i]) << "write past capacity at " << i;
}

TEST(ExitCode, OfACompletedRun)
{
    const struct {
        int32_t failures;
        bool restart;
        int code;
    } cases[] = {
        {0, false, ExitInstalled},
        {0, true, ExitRestartOffered},
        {1, false, ExitFailures},
        // Failures outweigh the restart: the script's work is not all done.
        {2, true, ExitFailures},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.code, CompletedExitCode(c.failures, c.restart))
            << c.failures << " failures, restart " << c.restart;
}

int LogLineOf(char* out, int capacity, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = FormatLogLine(out, capacity, format, args);
    va_end(args);
    return n;
}

TEST(LogLine, OneLineEndingInCrLf)
{
    char line[128];
    int n = LogLineOf(line, sizeof line, "message \"%s\": %s [%s]", "Error",
                      "Archive \"A.LZH\" not found.\nContinue installation?", "Yes");
    EXPECT_STREQ("message \"Error\": Archive \"A.LZH\" not found. Continue installation? [Yes]\r\n",
                 line);
    EXPECT_EQ(static_cast<int>(strlen(line)), n);
    LogLineOf(line, sizeof line, "file %s %lld bytes", "C:\\APP\\A.TXT", 4000000000LL);
    EXPECT_STREQ("file C:\\APP\\A.TXT 4000000000 bytes\r\n", line);
}

TEST(LogLine, ALongLineIsCutAndStillEnds)
{
    std::string longText(300, 'x');
    for (int capacity : {3, 10, 64}) {
        char line[80];
        memset(line, '#', sizeof line);
        int n = LogLineOf(line, capacity, "%s\r\n%s", longText.c_str(), longText.c_str());
        EXPECT_EQ(capacity - 1, n);
        EXPECT_EQ('\r', line[n - 2]);
        EXPECT_EQ('\n', line[n - 1]);
        EXPECT_EQ('\0', line[n]);
        EXPECT_EQ(nullptr, memchr(line, '\n', static_cast<size_t>(n - 1)));
        for (size_t i = static_cast<size_t>(capacity); i < sizeof line; i++)
            EXPECT_EQ('#', line[i]) << "capacity " << capacity << ": write past it at " << i;
    }
}

TEST(NextDiskFolder, StandsBesideTheFirstDisksFolder)
{
    const struct {
        const char* first;
        int disk;
        const char* folder;  // nullptr: none
    } cases[] = {
        {"D:\\SET\\disk1", 2, "D:\\SET\\DISK2"},
        {"D:\\disk1\\", 3, "D:\\DISK3"},
        {"\\\\server\\share\\v1\\d1", 12, "\\\\server\\share\\v1\\DISK12"},
        {"\\disk1", 2, "\\DISK2"},
        // A drive or a root has nothing beside it; a bare name is no folder.
        {"A:", 2, nullptr},
        {"C:\\", 2, nullptr},
        {"\\", 2, nullptr},
        {"disk1", 2, nullptr},
        {"", 2, nullptr},
    };
    for (const auto& c : cases) {
        char out[PathCapacity];
        int found = SiblingDiskFolder(c.first, c.disk, out, sizeof out);
        EXPECT_EQ(c.folder != nullptr, found == 1) << c.first;
        EXPECT_EQ(Text(c.folder ? c.folder : ""), Text(out)) << c.first;
    }
}

TEST(NextDiskFolder, APathThatDoesNotFitIsNone)
{
    char out[24];
    memset(out, '#', sizeof out);
    EXPECT_EQ(0, SiblingDiskFolder("C:\\A\\VERY\\LONG\\disk1", 2, out, 16));
    EXPECT_STREQ("", out);
    for (size_t i = 16; i < sizeof out; i++)
        EXPECT_EQ('#', out[i]) << "write past capacity at " << i;
    EXPECT_EQ(1, SiblingDiskFolder("C:\\AB\\disk1", 2, out, 12));
    EXPECT_STREQ("C:\\AB\\DISK2", out);
}

}  // namespace
