// The setup driver's window-side interfaces: the main window, start-up,
// completion and the relaunch from a temporary copy.
#pragma once

#include <stdint.h>
#include <windows.h>

#define SETUP_EXPORT extern "C" __declspec(dllexport)

extern HINSTANCE AppInstance;  // from the main window's creation parameters

SETUP_EXPORT LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Start-up: directories, setup script and companion files, caption, icon, palette.
void InitSetup(HWND window, const CREATESTRUCTA* create);
// Points SourceDir at the script's head-level "SrcDir", when there is one (a
// relative one is found from the folder setup started in). 0 when it is
// there but cannot be used (too long): then nothing may be read in its place.
int ApplySrcDir();
// Tells, in a box owned by owner, that a value or a path (name, text as the
// script gives it) is longer than limit characters, and counts a failure.
void ReportTooLong(HWND owner, const char* what, const char* name, const char* text, int limit);
// Expands the value of key whole into out (capacity bytes): 1 when it fit;
// otherwise out is empty, the user is told (ReportTooLong) and 0 returned.
int ExpandOrReport(HWND owner, const char* key, const char* value, char* out, int capacity);

// The welcome question; false after WM_CLOSE was posted.
bool ShowWelcome(HWND window);

// Outcome message, "Exec", restart offer; always ends by sending WM_CLOSE.
void FinishInstall(HWND window, int result);

// True when UM_RELAUNCH was posted.
bool CheckRelaunch(HWND window);
void RelaunchFromTemp(HWND window);

// ---- The install log and the message boxes ----------------------------------
// Opens (or creates) the log file, appending; 0 when it cannot be opened.
int OpenLog(const char* path);
// Writes one line to the log, when one is open (FormatLogLine's rules).
void LogLine(const char* format, ...);
// Takes the switches out of the command line (done by the start-up) and
// opens the log, writing its first lines.
void StartLog();
// The one way a message box is shown: the text goes to the log with the
// answer; under /S the box is not shown and unattended (IDOK, IDYES, IDNO,
// IDCANCEL) is the answer.
int ShowMessage(HWND owner, const char* text, const char* caption, UINT type, int unattended);
// A file written: its full path, its size and how it was made.
void LogWritten(const char* path, int64_t size, const char* detail);
// The last line of the log: what happened and the exit code.
void LogOutcome(const char* outcome, int exitCode);
