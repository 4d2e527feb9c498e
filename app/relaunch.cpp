// Relaunch from a temporary copy. Under Windows 3.1 a program started from a
// floppy is read from that floppy while it runs, so a multi-disk installation
// cannot swap disks under it: the program copies itself to the Windows temp
// directory, starts the copy with the source directory and its own path, and
// closes. The copy, on the Windows drive, then runs the installation.
#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include "app/app.h"
#include "app/setup.h"
#include "script/keys.h"
#include "steps/steps.h"

static const char CopyName[] = "\\temp\\installc.exe";

// Three paths and two blanks, and the switches with two more: the longest
// command line fits whole.
static const int CommandLineCapacity = 5 * PathCapacity + 32;
static const int MessageCapacity = PathCapacity + 32;

// Where the relaunch stands. Paints before UM_RELAUNCH arrives must neither
// post it again nor start the welcome question; after a failed relaunch the
// installation goes on from the floppy, and the failure is not reported again.
enum RelaunchState { NotDecided, Posted, GaveUp };
static RelaunchState State = NotDecided;

bool CheckRelaunch(HWND window)
{
    if (State == Posted)
        return true;
    if (State == GaveUp || !RunningOnWin31)
        return false;
    // Only the program's own drive counts, not the source directory's.
    char drive = static_cast<char>(toupper(static_cast<unsigned char>(ArgVector[0][0])));
    if (drive != 'A' && drive != 'B')
        return false;

    char path[PathCapacity];
    if (snprintf(path, sizeof path, "%s\\%s", SourceDir, ThisDiskFileName) >= PathCapacity)
        return false;
    ConfigFile thisDisk(DiskFileCapacity, path);
    if (GetKey(thisDisk, KeyNextDiskNumber) <= 1)
        return false;
    State = Posted;
    PostMessageA(window, UM_RELAUNCH, 0, 0);
    return true;
}

// The relaunch did not happen: tell the user, then go on with the
// installation from here. The repaint runs the first-paint logic again,
// which now goes straight to the welcome question.
static void GiveUp(HWND window, const char* format, const char* path)
{
    char message[MessageCapacity];
    snprintf(message, sizeof message, format, path);
    ShowMessage(window, message, "Error", MB_ICONEXCLAMATION | MB_OK, IDOK);
    State = GaveUp;
    InvalidateRect(window, nullptr, FALSE);
}

void RelaunchFromTemp(HWND window)
{
    const char* self = ArgVector[0];
    char target[PathCapacity];
    if (snprintf(target, sizeof target, "%s%s", WindowsDir, CopyName) >= PathCapacity) {
        GiveUp(window, "Failed to copy %s", self);
        return;
    }
    // The directories of the copy are made on the current drive.
    char drive[3] = {target[0], ':', '\0'};
    SetCurrentDirectoryA(drive);
    // A file that could not be opened here is reported by the copy itself;
    // it is no failure of the installation that may follow from the floppy.
    int32_t failures = FailureCount;
    int copied = CopyFiles(self, target, nullptr, 1);
    FailureCount = failures;
    if (!copied) {
        GiveUp(window, "Failed to copy %s", self);
        return;
    }

    char commandLine[CommandLineCapacity];
    // The copy gets the switches too (/S, /D=, /LOG=).
    if (!ComposeRelaunchCommand(target, SourceDir, self, commandLine, sizeof commandLine) ||
        !AppendSwitches(CommandSwitches, commandLine, sizeof commandLine)) {
        GiveUp(window, "Failed to start %s", target);
        return;
    }
    // A destination from the command line becomes the copy's working
    // directory.
    if (DestDir[0])
        SetCurrentDirectoryA(DestDir);
    LogLine("relaunch: %s", commandLine);
    if (WinExec(commandLine, SW_SHOW) <= 31) {
        GiveUp(window, "Failed to start %s", target);
        return;
    }
    // The copy installs; this process has done its part.
    UnattendedExit = ExitInstalled;
    OutcomeText = "handed over to the relaunched copy";
    SendMessageA(window, WM_CLOSE, 0, 0);
}
