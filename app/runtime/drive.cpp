// The current drive and directory, as the C runtime's direct.h names them.
// Drives are numbered 1 for A: to 26 for Z:.
#include <windows.h>

extern "C" {

// 0 when the current directory has no drive letter (a network path).
int _getdrive()
{
    char path[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(sizeof path, path);
    if (n < 2 || n >= sizeof path || path[1] != ':')
        return 0;
    char c = path[0];
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 1;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 1;
    return 0;
}

// Makes drive the current one (its own current directory there); 0 on
// success, -1 when the drive cannot be entered.
int _chdrive(int drive)
{
    if (drive < 1 || drive > 26)
        return -1;
    char path[3] = {static_cast<char>('A' + drive - 1), ':', '\0'};
    return SetCurrentDirectoryA(path) ? 0 : -1;
}

char* _getcwd(char* out, int capacity)
{
    if (!out || capacity <= 0)
        return nullptr;
    DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(capacity), out);
    if (n == 0 || n >= static_cast<DWORD>(capacity))
        return nullptr;
    return out;
}

char* getcwd(char* out, int capacity)
{
    return _getcwd(out, capacity);
}

}  // extern "C"
