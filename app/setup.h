// Process-wide state of the setup driver and the custom messages of the
// install sequence. Platform-free: the core library and its tests see it too.
#pragma once

#include <stdarg.h>
#include <stdint.h>

#include "archive/results.h"
#include "script/configfile.h"

// Path buffers hold 260 bytes with the terminator.
constexpr int PathCapacity = 260;

// ---- Custom messages of the main window and the unpack dialog -------------
constexpr unsigned UM_DESTINATION = 1024 + 1;  // QueryDestination
constexpr unsigned UM_UNPACK      = 1024 + 2;  // UnpackDisks, then profile entries
constexpr unsigned UM_UNPACKDISK  = 1024 + 3;  // unpack dialog: work for one disk
constexpr unsigned UM_GROUPS      = 1024 + 6;  // icons question, groups, FinishInstall
constexpr unsigned UM_RELAUNCH    = 1024 + 7;  // RelaunchFromTemp
constexpr unsigned UM_PROGRESS    = 1024 + 9;  // archive percentage in wParam

// ---- Directories ----------------------------------------------------------------
extern char SourceDir[PathCapacity];   // archives, companion files, "thisdisk"
extern char StartDir[PathCapacity];    // SourceDir before "SrcDir" ($s)
extern char DestDir[PathCapacity];     // destination ($d)
extern char WindowsDir[PathCapacity];  // Windows directory ($w)

// ---- The four stores of the setup script and its companion files --------------
extern ConfigFile* Script;
extern ConfigFile* WinIniEntries;
extern ConfigFile* SystemIniEntries;
extern ConfigFile* GroupList;

// ---- Flags and counts ---------------------------------------------------------------
extern bool FromFloppy;          // SourceDir on drive A: or B:
extern bool RunningOnWin31;      // the system reports version 3.10
extern bool FirstPaintPending;   // the first paint has not started the sequence
extern int32_t Disk1EntryCount;  // entries of the script's Disk1 section

// ---- The argument vector ---------------------------------------------------------------
// ArgVector[0] is the program's own path; the rest are the command-line words,
// null for a word that did not fit (taken as absent).
constexpr int ArgMax = 16;
extern int ArgCount;
extern char* ArgVector[ArgMax];

// ---- Unattended installation and the install log ------------------------------------
// The switches taken out of the command line before its words are read.
struct Switches {
    bool unattended;   // /S: nothing is asked, every box goes to the log
    const char* dest;  // /D=PATH: the destination, checked as a typed answer
    const char* log;   // /LOG=FILE: where the install log goes
};
extern Switches CommandSwitches;
// /S was given: the questions take their unattended answers.
extern bool Unattended;
// The log file's full path, empty when no log is written.
extern char LogPath[PathCapacity];

// Exit codes of an unattended run (an interactive run ends with 0, or with 1
// for a damaged archive).
enum ExitCodes {
    ExitInstalled = 0,
    ExitDamagedArchive = 1,
    ExitStoppedEarly = 2,    // nothing written: destination, space, welcome
    ExitFailures = 3,        // finished, but failures were counted (or aborted)
    ExitDiskMissing = 4,     // a disk could not be found
    ExitRestartOffered = 5,  // installed; the script asks for a restart
};
// The code the process ends with under /S; set by the step that decides it.
extern int UnattendedExit;
// What the log's last line says when the exit code alone does not tell it.
extern const char* OutcomeText;

// Takes the switch words (/S, /D=PATH, /LOG=FILE, letter case ignored) out of
// words[0..count), keeping the order of the rest; a null word (one that did
// not fit) stays. Fills switches; returns the number of words left.
int TakeSwitches(char** words, int count, Switches* switches);
// Appends the switches to a command line of capacity bytes (a blank before
// each, quoted when it holds a blank). 0, with out unchanged, when they do
// not fit.
int AppendSwitches(const Switches& switches, char* out, int capacity);
// The exit code of a run that went through to the end.
int CompletedExitCode(int32_t failures, bool restartOffered);

// A log line: text formatted into out (capacity bytes) with every line
// break inside it turned into a blank, ending in CR LF. The line is cut,
// keeping its CR LF, when it does not fit. Returns the length written.
int FormatLogLine(char* out, int capacity, const char* format, va_list args);

// ---- Pure helpers (no window calls) ---------------------------------------------------------

// Writes text into out with $d, $w and $s replaced by DestDir, WindowsDir and
// StartDir; never writes more than capacity bytes, always terminates out.
// Returns 1 when the whole expansion fit, 0 when out holds only its start.
int ExpandPathMacros(const char* text, char* out, int capacity);

// ExpandPathMacros for a value that is used only whole (a path, a profile
// value): 1 when the expansion fit; 0, with out empty, when it did not, so
// that a cut text can never be used by mistake.
int ExpandWhole(const char* text, char* out, int capacity);

// ---- Texts of message boxes (pure) -------------------------------------------

// text with a line break after every width characters of a run without a
// blank or a line break, so that a message box showing a long path or
// command stays narrower than the desktop. Returns 1 when the whole text fit
// in capacity; out is always terminated.
int BreakLongRuns(const char* text, int width, char* out, int capacity);
// The width for BreakLongRuns of a shown path, value or command: about 400
// pixels in the message font.
constexpr int ShownLineWidth = 64;

// The text that tells which value did not fit: "WHAT of \"NAME\" longer than
// LIMIT characters:" and, below, text as the script gives it (its first 160
// characters and "...", when it is longer), broken into lines. Always
// terminated within capacity.
// The first `width` characters of text, and "..." when it has more.
void ShortenForBox(const char* text, int width, char* out, int capacity);
void ComposeTooLongMessage(const char* what, const char* name, const char* text, int limit,
                           char* out, int capacity);

// Splits a command line into words: blanks and tabs separate words, a stretch
// in double quotes belongs to one word and loses its quotes, \" is a literal
// quote. Words are copied into store (storeSize bytes); up to maxWords
// pointers go to words. A word that does not fit in the store keeps its
// position as a null pointer (absent). Returns the number of words.
int SplitCommandLine(const char* line, char* store, int storeSize, char** words, int maxWords);

// The setup script's name formed from a path: everything from the last "."
// onward replaced by ".cfg" (a path without "." stays as it is). Returns 0 when
// the result does not fit in capacity.
int MakeScriptPath(const char* from, char* out, int capacity);

// The command line that starts the relaunched copy: its own path, SourceDir
// and the launching program's path, separated by single blanks; a word with a
// blank is quoted so that it splits back whole. Returns 0, with out empty,
// when the line does not fit in capacity.
int ComposeRelaunchCommand(const char* copyPath, const char* sourceDir, const char* programPath,
                           char* out, int capacity);

// path as seen from the folder base: a path with a drive ("C:\X", also
// "D:X") or a network path ("\\SERVER\S") as it is; one from a root ("\X")
// on base's drive; any other ("MEDIA", "..\X") below base, and an empty one
// is base itself. 1 when it fit in capacity; 0, with out empty, when not.
int AnchorPath(const char* base, const char* path, char* out, int capacity);

// The directory part of a program path as SourceDir takes it: cut at the last
// backslash, or the drive letter and colon, or empty when there is neither.
void ProgramDirectory(const char* programPath, char* out, int capacity);
