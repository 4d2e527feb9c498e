// Script values and paths that do not fit their buffers: never used cut, the
// user is told which one.
#include <stdio.h>

#include "app/app.h"
#include "app/setup.h"

void ReportTooLong(HWND owner, const char* what, const char* name, const char* text, int limit)
{
    char message[512];
    ComposeTooLongMessage(what, name, text, limit, message, sizeof message);
    FailureCount++;
    ShowMessage(owner, message, "Error", MB_OK | MB_ICONEXCLAMATION, IDOK);
}

int ExpandOrReport(HWND owner, const char* key, const char* value, char* out, int capacity)
{
    if (ExpandWhole(value, out, capacity))
        return 1;
    ReportTooLong(owner, "Value", key, value, capacity - 1);
    return 0;
}
