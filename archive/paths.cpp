// Path helpers over MS-DOS style paths and the current directory. On Windows
// they use the directory search, CreateDirectory and SetCurrentDirectory;
// natively a small equivalent over POSIX calls, with "\" (and "/") as the
// separator, a drive letter ignored, and names beginning with "." counting as
// hidden.
#include "archive/paths.h"

#include <string.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

inline bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

inline bool IsDriveLetter(const char* p)
{
    char c = p[0];
    return ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) && p[1] == ':';
}

// A match is passed over when it has any of hidden, system and directory,
// unless the caller's mask has one of those that it has.
inline bool Admits(unsigned found, unsigned attributes)
{
    unsigned special = found & (AttrHidden | AttrSystem | AttrDirectory);
    return special == 0 || (special & attributes) != 0;
}

#ifdef _WIN32

constexpr int CurrentDirCapacity = MAX_PATH;
const char RootDir[] = "\\";

int SaveCurrentDir(char* out, int capacity)
{
    DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(capacity), out);
    return n > 0 && n < static_cast<DWORD>(capacity);
}

int EnterDir(const char* path)
{
    return SetCurrentDirectoryA(path) != 0;
}

void CreateDir(const char* name)
{
    CreateDirectoryA(name, nullptr);
}

// The attributes of the first match of path (wildcards allowed) that the
// mask admits; 0 when there is none.
int FindAdmitted(const char* path, unsigned attributes, unsigned* found)
{
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(path, &entry);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int result = 0;
    do {
        if (Admits(entry.dwFileAttributes, attributes)) {
            *found = entry.dwFileAttributes;
            result = 1;
            break;
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return result;
}

#else

constexpr int CurrentDirCapacity = 4096;
const char RootDir[] = "/";

// The POSIX form of an MS-DOS style path: drive dropped, "\" made "/".
void ToNativePath(const char* path, char* out, size_t capacity)
{
    if (IsDriveLetter(path))
        path += 2;
    size_t n = 0;
    for (; path[n] && n + 1 < capacity; n++)
        out[n] = path[n] == '\\' ? '/' : path[n];
    out[n] = 0;
    if (n == 0 && capacity > 1)
        snprintf(out, capacity, ".");
}

int SaveCurrentDir(char* out, int capacity)
{
    return getcwd(out, static_cast<size_t>(capacity)) != nullptr;
}

int EnterDir(const char* path)
{
    char native[CurrentDirCapacity];
    ToNativePath(path, native, sizeof native);
    return chdir(native) == 0;
}

void CreateDir(const char* name)
{
    char native[CurrentDirCapacity];
    ToNativePath(name, native, sizeof native);
    mkdir(native, 0777);
}

unsigned EntryAttributes(const char* nativePath, const char* name, int* exists)
{
    struct stat info;
    *exists = stat(nativePath, &info) == 0;
    if (!*exists)
        return 0;
    unsigned attributes = S_ISDIR(info.st_mode) ? AttrDirectory : AttrArchive;
    if (name[0] == '.' && strcmp(name, ".") != 0 && strcmp(name, "..") != 0)
        attributes |= AttrHidden;
    if (access(nativePath, W_OK) != 0)
        attributes |= AttrReadOnly;
    return attributes;
}

// "*" any run of characters, "?" any one; "*.*" everything, as on MS-DOS.
bool WildcardMatch(const char* pattern, const char* name)
{
    if (strcmp(pattern, "*.*") == 0)
        return true;
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || *pattern == *name) {
            pattern++;
            name++;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        pattern++;
    return *pattern == 0;
}

int FindAdmitted(const char* path, unsigned attributes, unsigned* found)
{
    char native[CurrentDirCapacity];
    ToNativePath(path, native, sizeof native);
    char* slash = strrchr(native, '/');
    const char* name = slash ? slash + 1 : native;
    int exists = 0;
    if (!strpbrk(name, "*?")) {
        unsigned a = EntryAttributes(native, name, &exists);
        if (!exists || !Admits(a, attributes))
            return 0;
        *found = a;
        return 1;
    }
    char directory[CurrentDirCapacity];
    if (!slash)
        snprintf(directory, sizeof directory, ".");
    else if (slash == native)
        snprintf(directory, sizeof directory, "/");
    else
        snprintf(directory, sizeof directory, "%.*s", static_cast<int>(slash - native), native);
    DIR* dir = opendir(directory);
    if (!dir)
        return 0;
    int result = 0;
    while (const dirent* entry = readdir(dir)) {
        if (!WildcardMatch(name, entry->d_name))
            continue;
        char full[2 * CurrentDirCapacity];
        snprintf(full, sizeof full, "%s/%s", directory, entry->d_name);
        unsigned a = EntryAttributes(full, entry->d_name, &exists);
        if (exists && Admits(a, attributes)) {
            *found = a;
            result = 1;
            break;
        }
    }
    closedir(dir);
    return result;
}

#endif

}  // namespace

int PathExists(const char* path, unsigned attributes)
{
    unsigned found = 0;
    return FindAdmitted(path, attributes, &found);
}

int MakePathDirs(const char* filePath)
{
    // The drive is not used: the work happens on the current drive.
    const char* p = IsDriveLetter(filePath) ? filePath + 2 : filePath;
    const char* last = nullptr;
    for (const char* q = p; *q; q++) {
        if (IsSeparator(*q))
            last = q;
    }
    if (!last)
        return 0;
    const char* end = last + 1;  // the directory part includes the last "\"
    if (end - p > 255)
        return 0;

    char saved[CurrentDirCapacity];
    if (!SaveCurrentDir(saved, sizeof saved))
        return 0;
    if (IsSeparator(*p)) {
        if (!EnterDir(RootDir))
            return 0;
        p++;
    }
    char component[256];
    while (p < end) {
        size_t n = 0;
        while (p < end && !IsSeparator(*p))
            component[n++] = *p++;
        p++;  // the separator
        if (n == 0)
            continue;
        component[n] = 0;
        if (!PathExists(component, AttrDirectory))
            CreateDir(component);
        if (!EnterDir(component)) {
            EnterDir(saved);
            return 0;
        }
    }
    EnterDir(saved);
    return 1;
}

int MakeDirs(const char* dirPath)
{
    char path[260];
    if (strlen(dirPath) > 255)
        return 0;
    snprintf(path, sizeof path, "%s\\*.*", dirPath);
    return MakePathDirs(path);
}

int IsDirectory(const char* path)
{
    if (strlen(path) == 2 && IsDriveLetter(path))
        return 1;
    unsigned found = 0;
    return FindAdmitted(path, AttrDirectory, &found) && (found & AttrDirectory) != 0;
}

FILE* OpenPathFile(const char* path, const char* mode)
{
#ifdef _WIN32
    return fopen(path, mode);
#else
    char native[CurrentDirCapacity];
    ToNativePath(path, native, sizeof native);
    return fopen(native, mode);
#endif
}

int FullPathOf(const char* path, char* out, int capacity)
{
#ifdef _WIN32
    DWORD n = GetFullPathNameA(path, static_cast<DWORD>(capacity), out, nullptr);
    return n > 0 && n < static_cast<DWORD>(capacity);
#else
    char native[CurrentDirCapacity];
    ToNativePath(path, native, sizeof native);
    char joined[2 * CurrentDirCapacity];
    if (native[0] == '/') {
        snprintf(joined, sizeof joined, "%s", native);
    } else {
        char cwd[CurrentDirCapacity];
        if (!SaveCurrentDir(cwd, sizeof cwd))
            return 0;
        snprintf(joined, sizeof joined, "%s/%s", cwd, native);
    }
    // Components one by one: "." dropped, ".." takes the one before away.
    size_t used = 0;
    const char* p = joined;
    while (*p) {
        while (*p == '/')
            p++;
        const char* start = p;
        while (*p && *p != '/')
            p++;
        size_t n = static_cast<size_t>(p - start);
        if (n == 0 || (n == 1 && start[0] == '.'))
            continue;
        if (n == 2 && start[0] == '.' && start[1] == '.') {
            while (used > 0 && out[used - 1] != '/')
                used--;
            if (used > 0)
                used--;
            continue;
        }
        if (used + 1 + n + 1 > static_cast<size_t>(capacity))
            return 0;
        out[used++] = '/';
        memcpy(out + used, start, n);
        used += n;
    }
    if (used == 0) {
        if (capacity < 2)
            return 0;
        out[used++] = '/';
    }
    out[used] = 0;
    return 1;
#endif
}

bool LooksLikeDirectory(const char* target)
{
    const char* dot = strrchr(target, '.');
    const char* slash = strrchr(target, '\\');
    return !dot || (slash && dot < slash);
}

int JoinName(const char* directory, const char* name, char* out, int capacity)
{
    int n = snprintf(out, static_cast<size_t>(capacity), "%s\\%s", directory, name);
    if (n >= 0 && n < capacity)
        return 1;
    out[0] = '\0';
    return 0;
}
