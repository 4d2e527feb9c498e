// The install steps' window-side interfaces.
#pragma once

#include <stdint.h>
#include <windows.h>

#include "app/app.h"
#include "archive/extractor.h"

class ConfigFile;

// The creation parameter of "QueryPathBox".
struct PathQueryParams {
    const char* title;        // dialog caption
    const char* programName;  // line above "will be installed in:"
    char* buffer;             // in: the proposed path; out: the confirmed path
    int32_t capacity;         // size of buffer with the terminator
};

// Destination: ends by posting UM_UNPACK or WM_CLOSE.
void QueryDestination(HWND mainWindow);
SETUP_EXPORT INT_PTR CALLBACK GetPathDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Two paths name the same file or directory as the system resolves them
// against the current drive and directory: letter case, "." and ".." and
// trailing separators aside.
bool IsSamePlace(const char* a, const char* b);
// Places a dialog in the middle of the desktop, clear of the titles.
void CenterDialog(HWND dialog);

// Unpack dialog once per disk: 2 done, 3 aborted, negative when the dialog
// could not be shown (already reported, WM_CLOSE posted).
int UnpackDisks(HWND mainWindow);
SETUP_EXPORT INT_PTR CALLBACK UnpackDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The unpack dialog's bar after a percentage of the current entry; called by
// the dialog itself and by the file copy.
void UpdateUnpackProgress(int percent);

// Copies the file source to target, or every plain file directly inside the
// directory source into the directory target. context (or null) gives the
// dialog's name and percentage display and its message pump; level is 1 for
// a caller's copy, 2 for a file of a directory. 1 when the copy was made in
// full (for a directory: every file was attempted), 0 when it was refused,
// failed or was cancelled.
int CopyFiles(const char* source, const char* target, UnpackContext* context, int level);
// A file that cannot be opened or written: format (with one %s) filled with
// path, in a "File Error" box with a warning icon and no owner.
void ReportFileError(const char* format, const char* path);
// Sum of the lengths of the plain files directly inside directory.
int64_t DirectorySize(const char* directory);

// Writes the entries of a store under their sections into fileName, or into
// the user's win.ini when fileName is null. A value too long to be written
// whole is left out and told in a box owned by owner.
void WriteProfileEntries(ConfigFile* entries, const char* fileName, HWND owner);

// Program Manager groups and items by DDE.
void CreateProgramGroups(HWND mainWindow);
// Replaces "$p" and the document after it by the program associated with the
// document, in place; 0 when the program does not fit in capacity.
int ResolveProgramMacro(char* command, int capacity);
