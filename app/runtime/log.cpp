// The install log's writer: each line goes straight to the file with
// WriteFile, so a crash leaves every line before it. The file is opened
// shared and appended to: a relaunched copy writes into the same log.
#include <windows.h>

#include "app/app.h"
#include "app/setup.h"

static HANDLE LogFile = INVALID_HANDLE_VALUE;

int OpenLog(const char* path)
{
    LogFile = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return LogFile != INVALID_HANDLE_VALUE;
}

void LogLine(const char* format, ...)
{
    if (LogFile == INVALID_HANDLE_VALUE)
        return;
    char line[1024];
    va_list args;
    va_start(args, format);
    int n = FormatLogLine(line, sizeof line, format, args);
    va_end(args);
    DWORD written;
    SetFilePointer(LogFile, 0, nullptr, FILE_END);
    WriteFile(LogFile, line, static_cast<DWORD>(n), &written, nullptr);
}
