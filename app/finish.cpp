// Completion: the outcome message, the program named by "Exec", the restart
// offer, and the end of the main window.
#include <stdio.h>

#include "app/app.h"
#include "app/setup.h"
#include "script/keys.h"

// The command line of "Exec" holds at most 255 characters.
static const int ExecCapacity = 256;

typedef BOOL(WINAPI* OpenProcessTokenFn)(HANDLE, DWORD, PHANDLE);
typedef BOOL(WINAPI* LookupPrivilegeValueFn)(LPCSTR, LPCSTR, PLUID);
typedef BOOL(WINAPI* AdjustTokenPrivilegesFn)(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD,
                                              PTOKEN_PRIVILEGES, PDWORD);

// A function of a library loaded at run time, through the generic function
// pointer type, as GetProcAddress results must be cast.
template <typename Fn>
static Fn LookUp(HMODULE library, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

// On Windows NT the shutdown needs the caller's privilege enabled. The calls
// are looked up at run time: Windows 3.1's 32-bit layer has no ADVAPI32, and
// where they are missing or fail the restart is simply asked for without it.
static void EnableShutdownPrivilege()
{
    HMODULE advapi = LoadLibraryA("ADVAPI32.DLL");
    if (!advapi)
        return;
    auto openToken = LookUp<OpenProcessTokenFn>(advapi, "OpenProcessToken");
    auto lookupPrivilege = LookUp<LookupPrivilegeValueFn>(advapi, "LookupPrivilegeValueA");
    auto adjustPrivileges = LookUp<AdjustTokenPrivilegesFn>(advapi, "AdjustTokenPrivileges");
    HANDLE token;
    if (openToken && lookupPrivilege && adjustPrivileges &&
        openToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        TOKEN_PRIVILEGES privileges = {};
        if (lookupPrivilege(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
            privileges.PrivilegeCount = 1;
            privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
            adjustPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
        }
        CloseHandle(token);
    }
    FreeLibrary(advapi);
}

static void RunExec(HWND window)
{
    const char* exec = GetKey(*Script, KeyExec);
    // An empty value (or blanks alone) names no program: nothing to ask or run.
    if (!exec)
        return;
    const char* p = exec;
    while (*p == ' ' || *p == '\t')
        p++;
    if (!*p)
        return;
    // Nobody is there to use a program started now.
    if (Unattended) {
        LogLine("not run (unattended): %s", exec);
        return;
    }
    const char* prompt = GetKey(*Script, KeyExecPrompt);
    if (prompt && ShowMessage(window, prompt, "", MB_ICONINFORMATION | MB_OKCANCEL, IDCANCEL) != IDOK)
        return;
    char command[ExecCapacity];
    // The boxes show the command broken into lines, so that they stay on the
    // screen; the command itself is run as it stands.
    char shown[ExecCapacity + ExecCapacity / ShownLineWidth + 8];
    if (!ExpandPathMacros(exec, command, sizeof command)) {
        // A command cut short would do only part of what the author wrote.
        char message[ExecCapacity];
        snprintf(message, sizeof message, "Command line longer than %d characters:\n%.200s...",
                 ExecCapacity - 1, command);
        BreakLongRuns(message, ShownLineWidth, shown, sizeof shown);
        ShowMessage(window, shown, "Cannot run program", MB_OK, IDOK);
        return;
    }
    ShowWindow(window, SW_MINIMIZE);
    LogLine("run %s", command);
    if (WinExec(command, SW_SHOW) <= 31) {
        BreakLongRuns(command, ShownLineWidth, shown, sizeof shown);
        ShowMessage(window, shown, "Cannot run program", MB_OK, IDOK);
    }
}

// Both kinds of restart (Windows 0x42, the computer 0x43) end in a restart of
// the machine: a 32-bit Windows cannot restart its shell alone in a way that
// reloads system.ini and its drivers, which is why a script asks for a
// restart at all. No EWX_FORCE: programs with unsaved work get to ask first.
// True when the offer was made (a restart is then still due under /S).
static bool OfferRestart(HWND window)
{
    const char* question = nullptr;
    if (GetKey(*Script, KeyRestartWindows))
        question = GetKey(*Script, KeyRestartWindowsMsg);
    else if (GetKey(*Script, KeyRebootSystem))
        question = GetKey(*Script, KeyRebootSystemMsg);
    if (!RunningOnWin31 && GetKey(*Script, KeyRestartWin3Only))
        question = nullptr;
    if (!question)
        return false;
    // Unattended, the restart is not done: the exit code tells it was asked for.
    if (ShowMessage(window, question, "", MB_ICONQUESTION | MB_YESNO, IDNO) == IDYES) {
        EnableShutdownPrivilege();
        ExitWindowsEx(EWX_REBOOT, 0);
    }
    return true;
}

void FinishInstall(HWND window, int result)
{
    if (result == StepAborted) {
        // A missing disk has said so already.
        if (UnattendedExit != ExitDiskMissing)
            UnattendedExit = ExitFailures;
        ShowMessage(window, "Installation Aborted.", "Error", MB_ICONWARNING | MB_OK, IDOK);
        SendMessageA(window, WM_CLOSE, 0, 0);
        return;
    }
    if (FailureCount == 0) {
        SetCurrentDirectoryA(DestDir);
        ShowMessage(window, "Installation has completed successfully.", "",
                    MB_ICONINFORMATION | MB_OK, IDOK);
    } else {
        LogLine("failures: %d", static_cast<int>(FailureCount));
    }
    RunExec(window);
    UnattendedExit = CompletedExitCode(FailureCount, OfferRestart(window));
    SendMessageA(window, WM_CLOSE, 0, 0);
}
