// The unpack dialog and the disk sequence: "UnpackBox" once for every disk.
// Each dialog assembles the disk's list of entries, makes sure the right disk
// is in the drive, totals the sources for the progress bar and then works
// through the list: archives, copies, profile entries, archives within
// archives. The dialog's own messages run only inside the pumps of the
// extraction (between members) and of a directory copy (between files).
#include <direct.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/setup.h"
#include "archive/extractor.h"
#include "archive/paths.h"
#include "resources/resource.h"
#include "steps/checks.h"
#include "steps/destination_text.h"
#include "steps/disk_folder.h"
#include "script/keys.h"
#include "steps/progress.h"
#include "steps/steps.h"
#include "ui/progressbar.h"

// Messages that name a path hold the longest path in full.
static const int MessageCapacity = PathCapacity + 96;

// ---- State of the current dialog -----------------------------------------------
// DiskList exists from the dialog's initialisation until the end of the work;
// Cancel discards it, so its absence during the work means the user cancelled.
static ConfigFile* DiskList;
static ProgressBar* Bar;
static UnpackContext* Context;
// Byte counts of the bar: the disk's total, the weights of the entries done,
// the weight of the current entry.
static int64_t UnpackTotal;
static int64_t UnpackDone;
static int64_t EntrySize;
// The dialog caption and the disk prompt.
static char DiskText[64];
// The archive under way, for the fatal error box.
static const char* CurrentArchive;
// A "SrcDir" entry whose path did not fit: the entries up to the next one
// have no source and are left out (the user was told once).
static bool SourceUnusable;

static const char KeySrcDirName[] = "SrcDir";

// ---- Fatal archive errors ----------------------------------------------------------

// A GUI program has no visible standard error: the message is shown in a box
// before the process ends with status 1.
static void ShowFatalError(const char* message)
{
    char text[MessageCapacity + 128];
    const char* member = Extractor.header.name;
    snprintf(text, sizeof text, "%s\n\nArchive: %s\nFile: %s", message,
             CurrentArchive ? CurrentArchive : "", member ? member : "(member header)");
    ShowMessage(static_cast<HWND>(Extractor.context.dialog), text, "Error", MB_OK | MB_ICONSTOP,
                IDOK);
    // The process ends right after this: the log gets its last line here.
    LogOutcome("damaged archive", ExitDamagedArchive);
}

// A member written whole, with the CRC that was checked.
static void LogMember(const char* name, uint32_t size, uint16_t crc, bool appended)
{
    char detail[48];
    snprintf(detail, sizeof detail, "%sCRC %04X checked", appended ? "appended, " : "", crc);
    LogWritten(name, size, detail);
}

// A member that cannot be written, named by its full path below the target.
static void ReportMemberFailure(const char* name)
{
    char path[PathCapacity];
    DWORD n = GetFullPathNameA(name, sizeof path, path, nullptr);
    ReportFileError("Cannot open %s", n > 0 && n < sizeof path ? path : name);
}

// ---- Helpers -------------------------------------------------------------------------

// SourceDir, "\" and the key, or SourceDir itself for the key ".". 0 when the
// path does not fit.
static int SourcePath(const char* key, char* out)
{
    int n = strcmp(key, ".") == 0 ? snprintf(out, PathCapacity, "%s", SourceDir)
                                  : snprintf(out, PathCapacity, "%s\\%s", SourceDir, key);
    return n >= 0 && n < PathCapacity;
}

static int64_t FileLength(const char* path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(search);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return 0;
    return (static_cast<int64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
}

// A key with a "." followed by at least one character.
static bool HasExtension(const char* key)
{
    const char* dot = strchr(key, '.');
    return dot && dot[1] != '\0';
}

static bool IsCountKey(const char* key)
{
    return strcmp(key, KeyDiskNumber.name) == 0 || strcmp(key, KeyNextDiskNumber.name) == 0;
}

static void DiscardDiskList()
{
    delete DiskList;
    DiskList = nullptr;
}

static void ReleaseDialogState()
{
    DiscardDiskList();
    delete Bar;
    Bar = nullptr;
}

// ---- Progress --------------------------------------------------------------------------

void UpdateUnpackProgress(int percent)
{
    if (!Bar || (EntrySize <= 0 && UnpackTotal <= 0))
        return;
    if (UnpackTotal == 0)
        UnpackTotal = 1;
    Bar->SetValue(OverallPercent(EntrySize, percent, UnpackDone, UnpackTotal));
}

static void FinishEntry()
{
    UnpackDone += EntrySize;
    UpdateUnpackProgress(0);
}

// ---- Archives ----------------------------------------------------------------------------

// 2 to go on, 3 to stop.
int ExtractOne(const char* archivePath, UnpackContext* context)
{
    if (PathExists(archivePath, 0)) {
        CurrentArchive = archivePath;
        void (*previousHook)(const char*) = FatalErrorHook;
        FatalErrorHook = ShowFatalError;
        MemberFailureHook = ReportMemberFailure;
        MemberWrittenHook = LogMember;
        Extractor.partsChained = true;
        LogLine("archive %s", archivePath);
        InstallUnpackContext(*context);
        int result = ExtractArchive(archivePath);
        ResetUnpackContext();
        MemberFailureHook = nullptr;
        FatalErrorHook = previousHook;
        CurrentArchive = nullptr;
        return result;
    }
    FailureCount++;
    LosePartChain();
    char text[MessageCapacity];
    snprintf(text, sizeof text, "Archive \"%s\" not found.\nContinue installation?", archivePath);
    char shown[MessageCapacity + MessageCapacity / ShownLineWidth + 8];
    BreakLongRuns(text, ShownLineWidth, shown, sizeof shown);
    // Unattended, the installation goes on without it (counted above).
    int answer = ShowMessage(nullptr, shown, "Error", MB_YESNO | MB_ICONEXCLAMATION, IDYES);
    // The question has no owner: the dialog's Cancel may have been pressed
    // while it was up, and then the answer no longer counts.
    if (CancelRequested)
        return StepAborted;
    return answer == IDYES ? StepDone : StepAborted;
}

// ---- Dialog initialisation and the disk check -------------------------------------

// The "DiskNumber" of the "thisdisk" file in folder (0 when there is none).
static int32_t DiskNumberIn(const char* folder, int32_t* next)
{
    char path[PathCapacity];
    if (snprintf(path, sizeof path, "%s\\%s", folder, ThisDiskFileName) >= PathCapacity)
        return 0;
    ConfigFile disk(DiskFileCapacity, path);
    *next = GetKey(disk, KeyNextDiskNumber);
    return GetKey(disk, KeyDiskNumber);
}

// A set of floppies shipped as folders (disk1, DISK2, ...: on a CD, a share
// or a hard disk) is read disk by disk, as from the floppies: the source
// folder's "thisdisk" is disk 1 of several, and disk 2 stands beside it.
static bool ShippedAsFolders()
{
    char second[PathCapacity];
    int32_t next = 0;
    int32_t after = 0;
    return DiskNumberIn(SourceDir, &next) == 1 && next > 0 &&
           SiblingDiskFolder(SourceDir, 2, second, sizeof second) &&
           DiskNumberIn(second, &after) == 2;
}

static bool SingleMedium(int diskNumber)
{
    return diskNumber == 1 && Script->HasSection(SectionDisk1) &&
           (!FromFloppy || !Script->HasSection(SectionDisk2)) && !ShippedAsFolders();
}

// The first disk's folder: a set shipped as folders (on a CD, a share or a
// hard disk) holds the later disks beside it, in DISK2, DISK3, ...
static char FirstDiskFolder[PathCapacity];

// Takes the disk from the folder DISKn beside the first disk's when its
// "thisdisk" names this disk. The folder then stands where the drive would:
// it is the source of this disk, and $s.
static bool FindSiblingDisk(int diskNumber)
{
    char folder[PathCapacity];
    char path[PathCapacity];
    if (!SiblingDiskFolder(FirstDiskFolder, diskNumber, folder, sizeof folder) ||
        snprintf(path, sizeof path, "%s\\%s", folder, ThisDiskFileName) >= PathCapacity)
        return false;
    ConfigFile* found = new ConfigFile(DiskFileCapacity, path);
    if (!found || !IsDiskAskedFor(GetKey(*found, KeyDiskNumber), diskNumber)) {
        delete found;
        return false;
    }
    DiscardDiskList();
    DiskList = found;
    snprintf(SourceDir, PathCapacity, "%s", folder);
    snprintf(StartDir, PathCapacity, "%s", folder);
    return true;
}

// Reads "thisdisk" until it names this disk; false when the user gave up
// (unattended: when the disk is neither in the drive nor beside the first).
static bool CheckDisk(HWND dialog, const char* path, int diskNumber)
{
    while (!DiskList || !IsDiskAskedFor(GetKey(*DiskList, KeyDiskNumber), diskNumber)) {
        if (diskNumber > 1 && FindSiblingDisk(diskNumber))
            break;
        DiscardDiskList();
        snprintf(DiskText, sizeof DiskText, "Please insert disk %d", diskNumber);
        if (ShowMessage(dialog, DiskText, "Next Disk", MB_OKCANCEL | MB_ICONINFORMATION,
                        IDCANCEL) != IDOK) {
            UnattendedExit = ExitDiskMissing;
            return false;
        }
        DiskList = new ConfigFile(DiskFileCapacity, path);
    }
    char section[16];
    snprintf(section, sizeof section, SectionDiskFormat, diskNumber);
    if (Script->HasSection(section))
        Script->CopySection(section, nullptr, DiskList, false);
    return true;
}

static INT_PTR OnInitDialog(HWND dialog, UnpackContext* context)
{
    CenterDialog(dialog);
    CancelRequested = false;
    Context = context;
    context->dialog = dialog;
    context->nameControl = GetDlgItem(dialog, IDC_UNPACK_FILE);
    context->percentControl = GetDlgItem(dialog, IDC_UNPACK_PERCENT);
    context->progressMessage = UM_PROGRESS;
    snprintf(DiskText, sizeof DiskText, "Disk %d", static_cast<int>(context->diskNumber));
    SetWindowTextA(dialog, DiskText);
    SetDlgItemTextA(dialog, IDC_UNPACK_PERCENT, "0%");
    // Without memory for it the dialog runs without a bar.
    Bar = new ProgressBar(dialog, IDC_UNPACK_BAR, 2);

    HWND owner = GetWindow(dialog, GW_OWNER);
    if (context->diskNumber == 1)
        snprintf(FirstDiskFolder, sizeof FirstDiskFolder, "%s", context->sourceDir);
    if (SingleMedium(context->diskNumber)) {
        DiskList = new ConfigFile(DiskFileCapacity, nullptr);
        if (DiskList) {
            DiskList->AddInt(KeyDiskNumber.name, 1);
            Script->CopySection(SectionDisk1, SectionGroups, DiskList, true);
        }
        UpdateWindow(owner);
    } else {
        char path[PathCapacity];
        snprintf(path, sizeof path, "%s\\%s", context->sourceDir, ThisDiskFileName);
        DiskList = new ConfigFile(DiskFileCapacity, path);
        UpdateWindow(owner);
        if (!CheckDisk(dialog, path, context->diskNumber)) {
            ReleaseDialogState();
            EndDialog(dialog, StepAborted);
            return FALSE;
        }
    }
    if (!DiskList) {
        ReleaseDialogState();
        EndDialog(dialog, StepAborted);
        return FALSE;
    }
    LogLine("disk %d from %s", static_cast<int>(context->diskNumber), SourceDir);
    PostMessageA(dialog, UM_UNPACKDISK, 0, 0);
    // FALSE: the dialog manager sets no focus.
    return FALSE;
}

// ---- The work for one disk ------------------------------------------------------------

// Sizing pass: every entry's source is measured for the bar; sizes[i] belongs
// to entry i. "SrcDir" entries move the source as they will in the work.
static void SizeEntries(int64_t* sizes, int32_t count)
{
    for (int32_t i = 0; i < count; i++) {
        sizes[i] = 0;
        const char* key = DiskList->KeyAt(i);
        if (strcmp(key, KeySrcDirName) == 0) {
            SourceUnusable = !ExpandWhole(DiskList->ValueAt(i), SourceDir, PathCapacity);
            continue;
        }
        if (DiskList->IsSection(i))
            continue;
        char source[PathCapacity];
        if (SourceUnusable || !SourcePath(key, source))
            continue;
        sizes[i] = IsDirectory(source) ? DirectorySize(source) : FileLength(source);
        UnpackTotal += sizes[i];
    }
}

// A copy or profile target is a folder when its last name has no dot, or when
// a folder of that name exists already (a destination the user named
// "C:\APP.V2", say): a file could never be written there.
static bool IsFolderTarget(const char* target)
{
    return LooksLikeDirectory(target) || IsDirectory(target);
}

// The folder that an entry's target needs: an archive's target is always a
// folder, whatever its name; a copy or profile target is one when it is a
// folder target, else its directory part is (none for a bare name).
static void TargetFolder(const char* target, bool archive, char* folder)
{
    snprintf(folder, PathCapacity, "%s", target);
    if (archive || IsFolderTarget(target))
        return;
    char* slash = strrchr(folder, '\\');
    if (!slash)
        folder[0] = '\0';
    else if (slash == folder || (slash == folder + 2 && folder[1] == ':'))
        slash[1] = '\0';  // the root: "\" or "C:\"
    else
        slash[0] = '\0';
}

// Makes the folder's drive current, creates the folder with its parents on
// that drive and, for an archive, enters it. False when any of it failed:
// then nothing was created on another drive, and no member may land in the
// folder of the entry before.
static bool EnterTarget(const char* target, bool archive, const char* folder)
{
    // An empty target keeps the current folder.
    if (!folder[0])
        return true;
    if (!IsUsableDestination(folder))
        return false;
    if (folder[1] == ':') {
        int drive = (folder[0] & ~0x20) - 'A' + 1;
        if (drive != _getdrive() && _chdrive(drive) != 0)
            return false;
    }
    // MakeDirs enters every component, the last one included: 1 means the
    // whole folder is there (a root too, which a directory search never finds).
    if (!MakeDirs(folder))
        return false;
    if (archive)
        return SetCurrentDirectoryA(folder) != 0;
    // A copy's file target cannot be entered; that is not an error.
    SetCurrentDirectoryA(target);
    return true;
}

// The entry is skipped and counted; the box is owned by the dialog, so its
// Cancel waits until the box is answered.
static void ReportTargetFolder(HWND dialog, const char* folder)
{
    char text[MessageCapacity];
    snprintf(text, sizeof text, "Directory \"%s\" cannot be created", folder);
    char shown[MessageCapacity + MessageCapacity / ShownLineWidth + 8];
    BreakLongRuns(text, ShownLineWidth, shown, sizeof shown);
    FailureCount++;
    ShowMessage(dialog, shown, "Error", MB_OK, IDOK);
}

// A path built from the entry that does not fit: one failure, told with the
// key and the whole path; the entry is skipped.
static void ReportPathTooLong(HWND dialog, const char* key, const char* directory, const char* name)
{
    char whole[2 * PathCapacity];
    snprintf(whole, sizeof whole, "%s\\%s", directory, name);
    ReportTooLong(dialog, "Path", key, whole, PathCapacity - 1);
}

// One entry of the work pass; false when the pass must stop.
static bool WorkEntry(HWND dialog, int32_t i, int64_t size)
{
    const char* key = DiskList->KeyAt(i);
    if (IsCountKey(key) || DiskList->IsSection(i))
        return true;
    if (strcmp(key, KeySrcDirName) == 0) {
        SourceUnusable = !ExpandOrReport(dialog, key, DiskList->ValueAt(i), SourceDir, PathCapacity);
        return DiskList != nullptr;
    }
    const char* value = DiskList->ValueAt(i);
    char kind = 0;
    if (value[0] == '=' || value[0] == '|' || (value[0] == '@' && HasExtension(key)))
        kind = *value++;
    bool archive = kind != '=' && kind != '|';
    // An archive left out may have begun a file that a later archive
    // continues: that continuation is left out too, quietly.
    if (SourceUnusable) {
        if (archive)
            LosePartChain();
        return true;
    }
    // A source path that does not fit is one failure, told with the key; it
    // is never looked up by another name.
    char source[PathCapacity];
    if (!SourcePath(key, source)) {
        if (archive)
            LosePartChain();
        ReportPathTooLong(dialog, key, SourceDir, key);
        return DiskList != nullptr;
    }

    SetDlgItemTextA(dialog, IDC_UNPACK_ARCHIVE, key);
    SetDlgItemTextA(dialog, IDC_UNPACK_FILE, "");
    SetDlgItemTextA(dialog, IDC_UNPACK_PERCENT, "0%");

    EntrySize = size;
    Context->entrySize = size;
    if (kind == '@')
        EntrySize /= 2;

    // A target cut short would name another folder: it is not used, and the
    // value is named as the script gives it.
    char target[PathCapacity];
    char folder[PathCapacity];
    bool whole = ExpandWhole(value, target, sizeof target);
    TargetFolder(whole ? target : value, archive, folder);
    // The file a copy or profile entry writes, or the archive that a double
    // archive holds: the last name of the target decides whether the key is
    // appended, as it decided which folder was made. A path that does not
    // fit is never used cut.
    char file[PathCapacity];
    snprintf(file, sizeof file, "%s", target);
    const char* name = key;
    char innerName[PathCapacity];
    if (kind == '@') {
        snprintf(innerName, sizeof innerName, "%.*s", static_cast<int>(strlen(key) - 1), key);
        name = innerName;
    }
    bool joined = true;
    if (whole && (kind == '@' || (!archive && IsFolderTarget(target) && !IsDirectory(source))))
        joined = JoinName(target, name, file, sizeof file);
    if (!joined) {
        if (archive)
            LosePartChain();
        ReportPathTooLong(dialog, key, target, name);
        if (kind == '@')
            EntrySize = size;
        FinishEntry();
        return DiskList != nullptr;
    }
    if (!whole || !EnterTarget(target, archive, folder)) {
        if (archive)
            LosePartChain();
        ReportTargetFolder(dialog, folder);
        if (kind == '@')
            EntrySize = size;
        FinishEntry();
        return DiskList != nullptr;
    }
    if (!DiskList)
        return false;

    if (!archive) {
        if (kind == '=') {
            CopyFiles(source, file, Context, 1);
            if (!DiskList)
                return false;
        } else {
            ConfigFile entries(DiskFileCapacity, source);
            if (entries.count > 0)
                WriteProfileEntries(&entries, file, dialog);
        }
        FinishEntry();
        return true;
    }

    // Every question and pump below may have let Cancel discard the list
    // with the key: nothing of the entry is touched after that.
    if (ExtractOne(source, Context) == StepAborted || !DiskList)
        return false;
    FinishEntry();
    if (kind == '@') {
        // The archive held another one, named as the key without its last
        // character; it is unpacked where it landed and then removed.
        if (ExtractOne(file, Context) == StepAborted || !DiskList)
            return false;
        FinishEntry();
        DeleteFileA(file);
    }
    return DiskList != nullptr;
}

static void OnUnpackDisk(HWND dialog)
{
    if (!DiskList)
        return;
    int32_t count = DiskList->count;
    int64_t* sizes = static_cast<int64_t*>(malloc(sizeof(int64_t) * (count > 0 ? count : 1)));
    UnpackDone = 0;
    UnpackTotal = 0;
    EntrySize = 0;
    UpdateUnpackProgress(0);
    // Both passes start from the script's source folder; a head-level
    // "SrcDir" that cannot be used leaves the entries up to the next
    // "SrcDir" without a source, never reading them from another folder.
    snprintf(SourceDir, PathCapacity, "%s", StartDir);
    SourceUnusable = !ApplySrcDir();
    if (sizes)
        SizeEntries(sizes, count);

    snprintf(SourceDir, PathCapacity, "%s", StartDir);
    SourceUnusable = !ApplySrcDir();

    for (int32_t i = 0; i < count; i++) {
        if (!DiskList || !WorkEntry(dialog, i, sizes ? sizes[i] : 0)) {
            CancelRequested = true;
            break;
        }
    }

    if (!CancelRequested) {
        snprintf(SourceDir, PathCapacity, "%s", StartDir);
        ApplySrcDir();
    }
    if (CancelRequested || !DiskList)
        EndDialog(dialog, StepAborted);
    else
        EndDialog(dialog, GetKey(*DiskList, KeyNextDiskNumber) > 0 ? StepNextDisk : StepDone);
    ReleaseDialogState();
    free(sizes);
}

// ---- The dialog procedure and the step ------------------------------------------------

static INT_PTR OnCommand(HWND dialog, WPARAM wParam)
{
    if (LOWORD(wParam) != IDCANCEL)
        return FALSE;
    EndDialog(dialog, StepAborted);
    if (DiskList) {
        CancelRequested = true;
        DiscardDiskList();
    }
    return TRUE;
}

SETUP_EXPORT INT_PTR CALLBACK UnpackDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog, reinterpret_cast<UnpackContext*>(lParam));
    case WM_COMMAND:    return OnCommand(dialog, wParam);
    case UM_UNPACKDISK: OnUnpackDisk(dialog); return FALSE;
    case UM_PROGRESS:   UpdateUnpackProgress(static_cast<int>(wParam)); return FALSE;
    case WM_PAINT:      if (Bar) Bar->dirty = true; return FALSE;
    case WM_DESTROY:    ReleaseDialogState(); return FALSE;
    }
    return FALSE;
}

int UnpackDisks(HWND mainWindow)
{
    UnpackContext context = {};
    context.sourceDir = SourceDir;
    context.diskNumber = 1;
    for (;;) {
        UpdateWindow(mainWindow);
        INT_PTR result = DialogBoxParamA(AppInstance, "UnpackBox", mainWindow, UnpackDlgProc,
                                         reinterpret_cast<LPARAM>(&context));
        if (result < 0) {
            ShowMessage(mainWindow, "Dialog Procedure Failed.", "Error", MB_ICONEXCLAMATION, IDOK);
            PostMessageA(mainWindow, WM_CLOSE, 0, 0);
            return static_cast<int>(result);
        }
        context.diskNumber++;
        if (result != StepNextDisk)
            return static_cast<int>(result);
    }
}
