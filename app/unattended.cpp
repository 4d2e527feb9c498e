// Unattended installation (/S) and the install log (/LOG=): the log's first
// and last lines, and the one function through which every message box
// passes, which writes the box to the log and, under /S, answers it.
#include <stdio.h>

#include "app/app.h"
#include "app/setup.h"

static const char ProgramVersion[] = "1.0";

static const char* AnswerName(int answer)
{
    switch (answer) {
    case IDOK:     return "OK";
    case IDCANCEL: return "Cancel";
    case IDYES:    return "Yes";
    case IDNO:     return "No";
    }
    return "closed";
}

void StartLog()
{
    Unattended = CommandSwitches.unattended;
    if (!CommandSwitches.log)
        return;
    // A relative name is taken from the folder setup was started in; the
    // full path also goes to a relaunched copy.
    DWORD n = GetFullPathNameA(CommandSwitches.log, sizeof LogPath, LogPath, nullptr);
    if (n == 0 || n >= sizeof LogPath || !OpenLog(LogPath)) {
        LogPath[0] = '\0';
        return;
    }
    CommandSwitches.log = LogPath;
    DWORD version = GetVersion();
    LogLine("start %s version %s; command line: %s; Windows %u.%u%s", ArgVector[0], ProgramVersion,
            GetCommandLineA(), static_cast<unsigned>(version & 0xFF),
            static_cast<unsigned>((version >> 8) & 0xFF), Unattended ? "; unattended" : "");
}

int ShowMessage(HWND owner, const char* text, const char* caption, UINT type, int unattended)
{
    int answer = Unattended ? unattended : MessageBoxA(owner, text, caption, type);
    LogLine("message \"%s\": %s [%s%s]", caption, text, AnswerName(answer),
            Unattended ? ", unattended" : "");
    return answer;
}

void LogOutcome(const char* outcome, int exitCode)
{
    LogLine("end: %s; exit code %d", outcome, exitCode);
}

void LogWritten(const char* path, int64_t size, const char* detail)
{
    char full[PathCapacity];
    DWORD n = GetFullPathNameA(path, sizeof full, full, nullptr);
    LogLine("file %s %lld bytes; %s", n > 0 && n < sizeof full ? full : path,
            static_cast<long long>(size), detail);
}
