// Directory copy: one file, or every plain file directly inside a directory,
// copied from the distribution to the destination without unpacking. A newer
// target is replaced only after a question; the copy carries the source's
// time stamp; the unpack dialog shows the target and a percentage, and its
// messages run between the files of a directory, where Cancel takes effect.
#include <stdio.h>
#include <string.h>

#include "app/setup.h"
#include "archive/extractor.h"
#include "archive/paths.h"
#include "archive/window.h"
#include "script/keys.h"
#include "steps/checks.h"
#include "steps/progress.h"
#include "steps/steps.h"

// Messages that name a file hold the longest path in full.
static const int MessageCapacity = PathCapacity + 64;

// Bytes of the current directory entry already copied by finished files.
static int64_t CopiedSoFar;
// Shared by every copy of the run, never reset: a percentage equal to the
// last one shown is not shown again.
static int LastCopyPercent = -1;

// The bytes go through in blocks; the percentage still follows every 1024
// bytes, as if the copy went byte by byte.
static const int PercentStep = 1024;
static char CopyBuffer[32 * 1024];

// What the directory search knows about a file.
struct FileFacts {
    DWORD attributes;
    FILETIME written;
    int64_t size;
};

static int GetFileFacts(const char* path, FileFacts* facts)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(search);
    facts->attributes = found.dwFileAttributes;
    facts->written = found.ftLastWriteTime;
    facts->size = (static_cast<int64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    return 1;
}

static bool IsPlainFile(DWORD attributes)
{
    return (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN |
                          FILE_ATTRIBUTE_SYSTEM)) == 0;
}

// The last-modification time in the two-second steps of the DOS date and time,
// date in the high half, so that later means greater. 0 when it cannot be read.
static uint32_t DosStamp(const FILETIME& time)
{
    WORD date, clock;
    if (!FileTimeToDosDateTime(&time, &date, &clock))
        return 0;
    return (static_cast<uint32_t>(date) << 16) | clock;
}

static void SetDosStamp(const char* path, uint32_t stamp)
{
    FILETIME time;
    if (!DosDateTimeToFileTime(static_cast<WORD>(stamp >> 16), static_cast<WORD>(stamp), &time))
        return;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
}

// A long path is broken into lines, so that the box stays on the screen.
// Unattended, the box is logged and answered with unattended.
static int ShowPathBox(const char* format, const char* path, const char* caption, UINT style,
                       int unattended)
{
    char text[MessageCapacity];
    snprintf(text, sizeof text, format, path);
    char shown[MessageCapacity + MessageCapacity / ShownLineWidth + 8];
    BreakLongRuns(text, ShownLineWidth, shown, sizeof shown);
    return ShowMessage(nullptr, shown, caption, style, unattended);
}

void ReportFileError(const char* format, const char* path)
{
    ShowPathBox(format, path, "File Error", MB_ICONEXCLAMATION, IDOK);
}

typedef BOOL(WINAPI* FileInformationFn)(HANDLE, LPBY_HANDLE_FILE_INFORMATION);

// The volume serial number and file index of an existing file. False when
// the system cannot tell: the call is looked up at run time, since Windows
// 3.1's 32-bit layer may lack it, and where it is there it reports zeros.
static bool IdentityOf(const char* path, BY_HANDLE_FILE_INFORMATION* info)
{
    HMODULE kernel = GetModuleHandleA("KERNEL32.DLL");
    FileInformationFn getInformation =
        kernel ? reinterpret_cast<FileInformationFn>(reinterpret_cast<void (*)()>(
                     GetProcAddress(kernel, "GetFileInformationByHandle")))
               : nullptr;
    if (!getInformation)
        return false;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool known = getInformation(file, info) &&
                 (info->dwVolumeSerialNumber || info->nFileIndexHigh || info->nFileIndexLow);
    CloseHandle(file);
    return known;
}

// Source and target are one file, however spelled (a short name, another
// folder's name for it): by identity where the system tells it, else by
// their full paths.
static bool IsSameFile(const char* source, const char* target)
{
    BY_HANDLE_FILE_INFORMATION a, b;
    if (IdentityOf(source, &a) && IdentityOf(target, &b))
        return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
               a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
    return IsSamePlace(source, target);
}

static void ShowCopyPercent(UnpackContext* context, int p)
{
    if (p == LastCopyPercent)
        return;
    char text[16];
    snprintf(text, sizeof text, "%2d%%", p);
    SetWindowTextA(static_cast<HWND>(context->percentControl), text);
    UpdateUnpackProgress(p);
    LastCopyPercent = p;
}

// Joins directory and name into out; 0 when the path does not fit.
static int JoinPath(char* out, const char* directory, const char* name)
{
    int n = snprintf(out, PathCapacity, "%s\\%s", directory, name);
    return n >= 0 && n < PathCapacity;
}

static int CopyDirectory(const char* source, const char* target, UnpackContext* context)
{
    MakeDirs(target);
    CopiedSoFar = 0;
    char pattern[PathCapacity];
    if (!JoinPath(pattern, source, "*.*"))
        return 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 1;
    int result = 1;
    do {
        if (!IsPlainFile(found.dwFileAttributes))
            continue;
        char from[PathCapacity], to[PathCapacity];
        if (!JoinPath(from, source, found.cFileName) || !JoinPath(to, target, found.cFileName)) {
            FailureCount++;
            ReportFileError("Cannot open %s", found.cFileName);
        } else {
            CopyFiles(from, to, context, 2);
        }
        if (context && context->dialog) {
            PumpDialogMessages(context->dialog);
            if (CancelRequested) {
                result = 0;
                break;
            }
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return result;
}

// Copies the open source into the open target, showing the percentage at every
// 1024th byte. The count of bytes written, or -1 when a write failed.
static int64_t CopyBytes(FILE* in, FILE* out, int64_t size, UnpackContext* context, int level)
{
    bool showPercent = context && context->percentControl;
    int64_t count = 0;
    for (;;) {
        size_t n = fread(CopyBuffer, 1, sizeof CopyBuffer, in);
        if (n == 0)
            break;
        if (fwrite(CopyBuffer, 1, n, out) != n)
            return -1;
        int64_t before = count;
        count += static_cast<int64_t>(n);
        if (!showPercent)
            continue;
        for (int64_t at = before - before % PercentStep + PercentStep; at <= count;
             at += PercentStep)
            ShowCopyPercent(context, CopyPercent(CopiedSoFar, at, context->entrySize, size, level));
    }
    return count;
}

static int CopyOneFile(const char* source, const char* target, UnpackContext* context, int level)
{
    // Opening the target for writing would empty the source: the file is
    // where it should be already, which is no failure.
    if (IsSameFile(source, target)) {
        LogLine("kept %s: it is the file to install", target);
        return 1;
    }
    MakePathDirs(target);

    FileFacts from = {}, to = {};
    bool haveSource = GetFileFacts(source, &from);
    uint32_t sourceStamp = haveSource ? DosStamp(from.written) : 0;
    if (GetKey(*Script, KeyFileExistsWarn) && sourceStamp && GetFileFacts(target, &to)) {
        uint32_t targetStamp = DosStamp(to.written);
        if (IsNewerThanSource(targetStamp, sourceStamp)) {
            // Unattended, the newer file is kept, as the default button does.
            int answer = ShowPathBox("File \"%s\" already exists.\nOverwrite?", target, "File exists",
                                     MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, IDNO);
            // The question has no owner: a Cancel pressed on the dialog
            // while it was up stops the copy, whatever the answer.
            if (answer == IDNO || CancelRequested) {
                LogLine("kept %s: newer than the file to install", target);
                return 0;
            }
        }
    }

    FILE* in = fopen(source, "rb");
    if (!in) {
        FailureCount++;
        ReportFileError("Cannot open %s", source);
        return 0;
    }
    FILE* out = fopen(target, "wb");
    if (!out) {
        fclose(in);
        FailureCount++;
        ReportFileError("Cannot open %s", target);
        return 0;
    }
    ForgetWaitingFile(target);
    if (context && context->nameControl)
        SetWindowTextA(static_cast<HWND>(context->nameControl), target);

    int64_t count = CopyBytes(in, out, from.size, context, level);
    fclose(in);
    // A full disk can show itself only when the last block is flushed.
    bool written = count >= 0;
    if (fflush(out) != 0)
        written = false;
    if (fclose(out) != 0)
        written = false;
    if (!written) {
        // The partial target stays, but the installation must not report
        // success over it.
        FailureCount++;
        ReportFileError("Cannot write %s", target);
        return 0;
    }
    if (haveSource && count < from.size) {
        FailureCount++;
        ReportFileError("Cannot read %s", source);
        return 0;
    }
    if (sourceStamp)
        SetDosStamp(target, sourceStamp);
    char detail[PathCapacity + 16];
    snprintf(detail, sizeof detail, "copied from %s", source);
    LogWritten(target, count, detail);
    if (level >= 2)
        CopiedSoFar += count;
    return 1;
}

int CopyFiles(const char* source, const char* target, UnpackContext* context, int level)
{
    if (IsDirectory(source))
        return CopyDirectory(source, target, context);
    return CopyOneFile(source, target, context, level);
}

int64_t DirectorySize(const char* directory)
{
    char pattern[PathCapacity];
    if (!JoinPath(pattern, directory, "*.*"))
        return 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int64_t sum = 0;
    do {
        if (IsPlainFile(found.dwFileAttributes))
            sum += (static_cast<int64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return sum;
}
