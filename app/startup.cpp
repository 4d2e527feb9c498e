// Start-up: the command line, the four directories, the setup script and its
// companion files, the caption, the Windows version and the icon.
#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include "app/app.h"
#include "app/setup.h"
#include "archive/paths.h"
#include "script/keys.h"
#include "ui/ui.h"

// The words of the command line live here for the life of the process.
static char ProgramPath[256];
static char WordStore[2048];
// The current folder when setup started: a relative "SrcDir" is found from
// there, as a relative source folder on the command line is, even after the
// destination step has changed the current folder.
static char StartFolder[PathCapacity];
// False when the head-level "SrcDir" cannot be used: nothing is read from
// another folder in its place.
static bool SourceUsable = true;

static void CopyPath(char* out, const char* text)
{
    snprintf(out, PathCapacity, "%s", text);
}

// A word that does not fit in a 260-byte buffer is taken as absent: a cut
// path would name another directory than the one the user gave.
static bool FitsPath(const char* text)
{
    return text && strlen(text) < static_cast<size_t>(PathCapacity);
}

static void ReadArguments()
{
    GetModuleFileNameA(nullptr, ProgramPath, 255);
    ArgVector[0] = ProgramPath;
    // Skip the program name as the system quotes it, then split the rest.
    const char* line = GetCommandLineA();
    if (*line == '"') {
        line = strchr(line + 1, '"');
        line = line ? line + 1 : "";
    } else {
        while (*line && *line != ' ' && *line != '\t')
            line++;
    }
    int words = SplitCommandLine(line, WordStore, sizeof WordStore, ArgVector + 1, ArgMax - 1);
    // The switches go before the words are read by their positions.
    ArgCount = 1 + TakeSwitches(ArgVector + 1, words, &CommandSwitches);
}

// The source directory as a full path: the destination step changes the
// current directory, after which a relative one (".", "DISK1") would name
// another folder. A bare drive ("A:") stays as given. False when the full
// path does not fit.
static bool TakeSourceDir(const char* word)
{
    char letter = static_cast<char>(toupper(static_cast<unsigned char>(word[0])));
    if (letter >= 'A' && letter <= 'Z' && word[1] == ':' && word[2] == '\0') {
        CopyPath(SourceDir, word);
        return true;
    }
    DWORD n = GetFullPathNameA(word, PathCapacity, SourceDir, nullptr);
    if (n > 0 && n < static_cast<DWORD>(PathCapacity))
        return true;
    SourceDir[0] = '\0';
    return false;
}

static void FixDirectories()
{
    if (ArgCount < 2 || !FitsPath(ArgVector[1]) || !TakeSourceDir(ArgVector[1])) {
        ProgramDirectory(ArgVector[0], SourceDir, PathCapacity);
        if (!SourceDir[0])
            GetCurrentDirectoryA(PathCapacity, SourceDir);
    }
    if (ArgCount >= 4 && FitsPath(ArgVector[3]))
        CopyPath(DestDir, ArgVector[3]);
    char drive = static_cast<char>(toupper(static_cast<unsigned char>(SourceDir[0])));
    FromFloppy = drive == 'A' || drive == 'B';
}

// The script beside the program (or named by the second word) with its
// extension replaced by ".cfg", else install.cfg in SourceDir.
static void FindScriptPath(char* path)
{
    const char* from = ArgCount >= 3 && ArgVector[2] ? ArgVector[2] : ArgVector[0];
    if (MakeScriptPath(from, path, PathCapacity) && PathExists(path, 0))
        return;
    if (snprintf(path, PathCapacity, "%s\\%s", SourceDir, ScriptFileName) >= PathCapacity)
        path[0] = '\0';
}

// A companion file in SourceDir; a name that does not fit, or a SourceDir
// that could not be used, loads nothing.
static ConfigFile* LoadCompanion(int32_t capacity, const char* name)
{
    char path[PathCapacity];
    if (!SourceUsable || snprintf(path, sizeof path, "%s\\%s", SourceDir, name) >= PathCapacity)
        return new ConfigFile(capacity, nullptr);
    return new ConfigFile(capacity, path);
}

// A "SrcDir" that does not fit is never used cut, nor replaced by another
// folder: the user is told once (the value is applied again for every disk)
// and 0 returned, SourceDir left where it was.
int ApplySrcDir()
{
    static bool toldTooLong;
    const char* value = GetKey(*Script, KeySrcDir);
    if (!value || Script->currentSection)
        return 1;
    char expanded[PathCapacity];
    if (ExpandWhole(value, expanded, sizeof expanded) &&
        AnchorPath(StartFolder, expanded, SourceDir, PathCapacity))
        return 1;
    snprintf(SourceDir, PathCapacity, "%s", StartDir);
    if (!toldTooLong) {
        toldTooLong = true;
        ReportTooLong(nullptr, "Value", KeySrcDir.name, value, PathCapacity - 1);
    }
    return 0;
}

void InitSetup(HWND window, const CREATESTRUCTA* create)
{
    AppInstance = create->hInstance;
    GetCurrentDirectoryA(PathCapacity, StartFolder);
    ReadArguments();
    StartLog();
    FixDirectories();

    char scriptPath[PathCapacity];
    FindScriptPath(scriptPath);
    LogLine("source %s; script %s", SourceDir, scriptPath);
    Script = new ConfigFile(ScriptCapacity, scriptPath[0] ? scriptPath : nullptr);
    Disk1EntryCount = Script->CopySection(SectionDisk1, SectionGroups, nullptr, false);

    CopyPath(StartDir, SourceDir);
    SourceUsable = ApplySrcDir();

    WinIniEntries = LoadCompanion(IniEntriesCapacity, WinIniFileName);
    SystemIniEntries = LoadCompanion(IniEntriesCapacity, SystemIniFileName);
    if (Script->HasSection(SectionGroups)) {
        GroupList = new ConfigFile(GroupListCapacity, nullptr);
        Script->CopySection(SectionGroups, nullptr, GroupList, false);
    } else {
        GroupList = LoadCompanion(GroupListCapacity, GroupsFileName);
    }

    SetWindowTextA(window, GetKey(*Script, KeyCaption));
    GetWindowsDirectoryA(WindowsDir, PathCapacity);
    DWORD version = GetVersion();
    RunningOnWin31 = (version & 0xFF) == 3 && ((version >> 8) & 0xFF) == 10;

    HICON icon = LoadIconA(AppInstance, MAKEINTRESOURCEA(1));
    if (icon)
        SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));

    CreateBackgroundPalette();
}

bool ShowWelcome(HWND window)
{
    const char* welcome = GetKey(*Script, KeyWelcome);
    const char* caption = GetKey(*Script, KeyWelcomeCaption);
    if (!welcome)
        return true;
    if (ShowMessage(window, welcome, caption, MB_ICONQUESTION | MB_YESNO, IDYES) == IDNO) {
        UnattendedExit = ExitStoppedEarly;
        PostMessageA(window, WM_CLOSE, 0, 0);
        return false;
    }
    return true;
}
