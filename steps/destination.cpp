// The destination step: "QueryPathBox" proposes the script's default path, the
// answer is checked (free space, existing or missing directory, drive letter,
// not the source directory), created with its parents, made current and
// stored as the system reports it.
#include <direct.h>
#include <stdio.h>
#include <string.h>

#include "app/setup.h"
#include "archive/paths.h"
#include "resources/resource.h"
#include "script/keys.h"
#include "steps/checks.h"
#include "steps/destination_text.h"
#include "steps/dialog_layout.h"
#include "steps/steps.h"
#include "ui/ui.h"

// Messages that name the destination hold the longest path in full.
static const int MessageCapacity = PathCapacity + 64;

// The dialog procedure's state: one dialog at a time.
static PathQueryParams* CurrentQuery;
static HWND PathEdit;

// What a check decides about the answer.
enum Verdict { Accept, AskAgain, Leave };

// ---- Free space ------------------------------------------------------------

typedef BOOL(WINAPI* DiskFreeSpaceExFn)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER,
                                        PULARGE_INTEGER);

// Free bytes on drive n (1 is A:, 0 the current drive), or -1 when the system
// cannot tell. The extended call is looked up at run time: systems before it
// only have the cluster-based one, whose product is taken in 64 bits.
static int64_t DiskFreeBytes(int n)
{
    char root[4] = {static_cast<char>(n + 64), ':', '\\', '\0'};
    const char* rootPath = n == 0 ? nullptr : root;

    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FARPROC proc = kernel ? GetProcAddress(kernel, "GetDiskFreeSpaceExA") : nullptr;
    if (proc) {
        // Cast through the generic function pointer type, as GetProcAddress
        // results must be.
        DiskFreeSpaceExFn freeSpaceEx =
            reinterpret_cast<DiskFreeSpaceExFn>(reinterpret_cast<void (*)()>(proc));
        ULARGE_INTEGER available, total, totalFree;
        if (!freeSpaceEx(rootPath, &available, &total, &totalFree))
            return -1;
        // Bytes this user may write (quotas count); capped to stay signed.
        if (available.QuadPart > static_cast<ULONGLONG>(INT64_MAX))
            return INT64_MAX;
        return static_cast<int64_t>(available.QuadPart);
    }

    DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
    if (!GetDiskFreeSpaceA(rootPath, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters))
        return -1;
    return static_cast<int64_t>(freeClusters) * sectorsPerCluster * bytesPerSector;
}

// Drive letter of the destination: its own, or the current drive's for a path
// without one. 0 when there is none to ask about.
static char DestinationDrive()
{
    if (HasDriveLetter(DestDir))
        return static_cast<char>(DestDir[0] & ~0x20);
    char current[PathCapacity];
    DWORD n = GetCurrentDirectoryA(sizeof current, current);
    if (n == 0 || n >= sizeof current || !HasDriveLetter(current))
        return 0;
    return static_cast<char>(current[0] & ~0x20);
}

static Verdict CheckFreeSpace(HWND mainWindow)
{
    int32_t required = GetKey(*Script, KeySpaceRequired);
    if (required == 0)
        return Accept;
    char drive = DestinationDrive();
    if (drive == 0)
        return Accept;
    int64_t available = DiskFreeBytes(drive - 64);
    // A drive the system cannot report on is not held against the answer.
    if (HasSpaceFor(available, required))
        return Accept;
    char text[MessageCapacity];
    FormatSpaceWarning(text, sizeof text, required, drive, available);
    // Unattended, a short drive stops the installation before anything is written.
    int answer = ShowMessage(mainWindow, text, "No space on drive", MB_YESNO | MB_ICONEXCLAMATION, IDNO);
    return answer == IDYES ? Accept : AskAgain;
}

// ---- Directory checks --------------------------------------------------------

static void ShowPathMessage(HWND mainWindow, const char* format, const char* caption, UINT type)
{
    char text[MessageCapacity];
    snprintf(text, sizeof text, format, DestDir);
    ShowMessage(mainWindow, text, caption, type, IDOK);
}

static int AskPathQuestion(HWND mainWindow, const char* format, const char* caption)
{
    char text[MessageCapacity];
    snprintf(text, sizeof text, format, DestDir);
    return ShowMessage(mainWindow, text, caption, MB_YESNO | MB_ICONQUESTION, IDYES);
}

bool IsSamePlace(const char* a, const char* b)
{
    char fullA[PathCapacity];
    char fullB[PathCapacity];
    DWORD n = GetFullPathNameA(a, sizeof fullA, fullA, nullptr);
    if (n == 0 || n >= sizeof fullA)
        snprintf(fullA, sizeof fullA, "%s", a);
    n = GetFullPathNameA(b, sizeof fullB, fullB, nullptr);
    if (n == 0 || n >= sizeof fullB)
        snprintf(fullB, sizeof fullB, "%s", b);
    return IsSameDirectory(fullA, fullB);
}

// The answer names the directory the program was started from (another
// spelling included: "C:" while C:\SETUP is current, "c:\setup\",
// "C:\SETUP\.").
static bool IsSourceDirectory()
{
    return IsSamePlace(DestDir, SourceDir);
}

static Verdict CheckDirectory(HWND mainWindow)
{
    // The search admits plain files as well as directories.
    if (PathExists(DestDir, AttrDirectory)) {
        if (GetKey(*Script, KeyDirExistsWarn) &&
            AskPathQuestion(mainWindow, "Directory \"%s\" already exists.\nOverwrite files?",
                            "Directory exists") == IDNO)
            return Leave;
        if (IsSourceDirectory()) {
            ShowMessage(mainWindow, "Cannot install in current directory", "Error", MB_OK, IDOK);
            return AskAgain;
        }
        return Accept;
    }
    // A bare drive ("C:") is not found by the search but may still name the
    // source directory.
    if (IsSourceDirectory()) {
        ShowMessage(mainWindow, "Cannot install in current directory", "Error", MB_OK, IDOK);
        return AskAgain;
    }
    if (GetKey(*Script, KeyDirNotFoundWarn))
        return AskPathQuestion(mainWindow, "Directory \"%s\" not found.\nContinue anyway?",
                               "Directory not found") == IDYES
                   ? Accept
                   : Leave;
    if (!HasDriveLetter(DestDir)) {
        ShowMessage(mainWindow, "Drive must be specified", "Invalid path", MB_OK, IDOK);
        return AskAgain;
    }
    return Accept;
}

// ---- Creating the destination --------------------------------------------------

// Makes the destination's drive current, creates the directory with its
// parents, changes into it and stores its full path. 0 when it failed.
static int EnterDestination()
{
    // A path that cannot be made current (a network path, a name no file
    // takes) is refused before any of its directories is created.
    if (!IsUsableDestination(DestDir))
        return 0;
    if (DestDir[1] == ':') {
        // The directories are created on the current drive, so a drive that
        // cannot be made current must stop here, not create them elsewhere.
        int drive = (DestDir[0] & ~0x20) - 'A' + 1;
        if (drive != _getdrive() && _chdrive(drive) != 0)
            return 0;
    }
    if (!MakeDirs(DestDir) || !SetCurrentDirectoryA(DestDir))
        return 0;
    char full[PathCapacity];
    DWORD n = GetCurrentDirectoryA(sizeof full, full);
    if (n == 0 || n >= sizeof full)
        return 0;
    StoreDriveRoot(full);
    snprintf(DestDir, sizeof DestDir, "%s", full);
    return 1;
}

// ---- The step ------------------------------------------------------------------

static int RunPathDialog(HWND mainWindow)
{
    PathQueryParams query;
    query.title = "Destination";
    query.programName = GetKey(*Script, KeyProgramName);
    query.buffer = DestDir;
    query.capacity = PathCapacity;
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(mainWindow, GWLP_HINSTANCE));
    INT_PTR result = DialogBoxParamA(instance, "QueryPathBox", mainWindow, GetPathDlgProc,
                                     reinterpret_cast<LPARAM>(&query));
    return static_cast<int>(result);
}

void QueryDestination(HWND mainWindow)
{
    // A destination from the command line is taken as it is.
    if (DestDir[0]) {
        LogLine("destination %s (command line)", DestDir);
        PostMessageA(mainWindow, UM_UNPACK, 0, 0);
        return;
    }
    // /D= is an answer given in advance; under /S nobody types one.
    const char* proposed = CommandSwitches.dest ? CommandSwitches.dest : GetKey(*Script, KeyDefaultPath);
    bool prompt = GetKey(*Script, KeyDestPathPrompt) && !Unattended && !CommandSwitches.dest;
    for (;;) {
        // A main window closed under the dialog ends the asking.
        if (!IsWindow(mainWindow))
            return;
        // Every ask proposes the default path again.
        int fits = ProposePath(DestDir, PathCapacity, proposed);
        if (prompt) {
            int answer = RunPathDialog(mainWindow);
            if (answer == 0) {
                if (ShowMessage(mainWindow, "Do you want to exit?", "Error",
                                MB_YESNO | MB_ICONEXCLAMATION, IDYES) == IDYES)
                    break;
                continue;
            }
            if (answer < 0) {
                ShowMessage(mainWindow, "Dialog Procedure Failed.", "Error",
                            MB_OK | MB_ICONEXCLAMATION, IDOK);
                break;
            }
        } else if (!fits) {
            // Without the dialog nobody sees the cut path: never install there.
            ShowPathMessage(mainWindow, "Directory \"%s\" cannot be created", "Error", MB_OK);
            break;
        }

        Verdict verdict = CheckFreeSpace(mainWindow);
        if (verdict == Accept && Disk1EntryCount > 0)
            verdict = CheckDirectory(mainWindow);
        if (verdict == Leave)
            break;
        // Without the dialog the same path would fail the same way for ever.
        if (verdict == AskAgain) {
            if (prompt)
                continue;
            break;
        }

        if (!EnterDestination()) {
            ShowPathMessage(mainWindow, "Directory \"%s\" cannot be created", "Error", MB_OK);
            break;
        }
        LogLine("destination %s", DestDir);
        PostMessageA(mainWindow, UM_UNPACK, 0, 0);
        return;
    }
    UnattendedExit = ExitStoppedEarly;
    PostMessageA(mainWindow, WM_CLOSE, 0, 0);
}

// ---- "QueryPathBox" ------------------------------------------------------------

static INT_PTR OnInitPathDialog(HWND dialog, LPARAM lParam)
{
    CenterDialog(dialog);
    CurrentQuery = reinterpret_cast<PathQueryParams*>(lParam);
    PathEdit = GetDlgItem(dialog, IDC_PATH_EDIT);
    SetWindowTextA(dialog, CurrentQuery->title);
    SetDlgItemTextA(dialog, IDC_PATH_PROGRAM, CurrentQuery->programName);
    // Typing stops where the buffer ends instead of being cut silently on OK.
    SendMessageA(PathEdit, EM_LIMITTEXT, static_cast<WPARAM>(CurrentQuery->capacity - 1), 0);
    SetWindowTextA(PathEdit, CurrentQuery->buffer);
    SendMessageA(PathEdit, EM_SETSEL, 0, -1);
    SetFocus(PathEdit);
    return FALSE;  // the focus is set
}

SETUP_EXPORT INT_PTR CALLBACK GetPathDlgProc(HWND dialog, UINT message, WPARAM wParam,
                                             LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitPathDialog(dialog, lParam);
    case WM_COMMAND:
        if (wParam == IDOK) {
            GetWindowTextA(PathEdit, CurrentQuery->buffer, CurrentQuery->capacity);
            EndDialog(dialog, 1);
            return TRUE;
        }
        if (wParam == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

// ---- Placement ---------------------------------------------------------------------

static LayoutRect ToLayout(const RECT& r)
{
    return LayoutRect{r.left, r.top, r.right, r.bottom};
}

void CenterDialog(HWND dialog)
{
    RECT desktop, box;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(dialog, &box);
    int32_t width = box.right - box.left;
    int32_t height = box.bottom - box.top;
    LayoutRect titles[2] = {ToLayout(TitleRects[0]), ToLayout(TitleRects[1])};
    LayoutPoint at = CenteredDialogOrigin(ToLayout(desktop), width, height, titles);
    MoveWindow(dialog, at.x, at.y, width, height, FALSE);
}
