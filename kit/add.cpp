// `lzhx a`: packs files and folders into a new archive with level-1 headers.
//   lzhx a [-0] ARCHIVE [-C DIR] PATH...
// Folders are walked in name order; member names are the paths relative to
// DIR (default: the current directory) with "\" between components.
#include <dirent.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "kit/kit.h"

namespace {

const char AddUsage[] =
    "usage: lzhx a [-0] ARCHIVE [-C DIR] PATH...\n"
    "  packs the files PATH (folders with everything below them) into ARCHIVE,\n"
    "  a new archive with level-1 headers; -lh5- unless -0 stores the data.\n"
    "  Names are taken relative to DIR (-C) with \"\\\" between folders.\n";

struct AddState {
    FILE* out;
    const char* archivePath;
    int stored;
    int members;
    ByteBuffer file;
    ByteBuffer member;
};

int AddFail(const char* what, const char* path)
{
    fprintf(stderr, "lzhx: %s: %s\n", what, path);
    return 1;
}

// The member name of a path relative to DIR: "\" separators, no "./" parts.
// 0 when it is absolute, climbs with "..", or is too long.
int MemberName(const char* path, char* name, size_t capacity)
{
    if (path[0] == '/')
        return 0;
    size_t k = 0;
    const char* p = path;
    while (*p) {
        const char* end = strchr(p, '/');
        size_t n = end ? static_cast<size_t>(end - p) : strlen(p);
        if (n == 2 && p[0] == '.' && p[1] == '.')
            return 0;
        if (n > 0 && !(n == 1 && p[0] == '.')) {
            if (k > 0 && k + 1 < capacity)
                name[k++] = '\\';
            if (k + n >= capacity)
                return 0;
            memcpy(name + k, p, n);
            k += n;
        }
        p += n;
        if (*p == '/')
            p++;
    }
    name[k] = 0;
    return k > 0 && k <= static_cast<size_t>(MaxMemberName);
}

int CompareNames(const void* a, const void* b)
{
    return strcmp(*static_cast<char* const*>(a), *static_cast<char* const*>(b));
}

int AddPath(AddState& s, const char* path);

int AddFolder(AddState& s, const char* path)
{
    DIR* dir = opendir(path);
    if (!dir)
        return AddFail("cannot read folder", path);
    char** names = nullptr;
    size_t count = 0, capacity = 0;
    while (struct dirent* e = readdir(dir)) {
        if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0)
            continue;
        if (count == capacity) {
            capacity = capacity ? capacity * 2 : 64;
            char** grown = static_cast<char**>(realloc(names, capacity * sizeof *names));
            if (!grown)
                break;
            names = grown;
        }
        names[count++] = strdup(e->d_name);
    }
    closedir(dir);
    qsort(names, count, sizeof *names, CompareNames);
    int status = 0;
    for (size_t i = 0; i < count; i++) {
        char child[4096];
        int fits = names[i] && FormatText(child, sizeof child, "%s/%s", path, names[i]);
        if (status == 0 && fits)
            status = AddPath(s, child);
        free(names[i]);
    }
    free(names);
    return status;
}

int AddPath(AddState& s, const char* path)
{
    struct stat st;
    if (stat(path, &st) != 0)
        return AddFail("cannot find", path);
    if (S_ISDIR(st.st_mode))
        return AddFolder(s, path);
    if (!S_ISREG(st.st_mode))
        return 0;
    char name[MaxMemberName + 2];
    if (!MemberName(path, name, sizeof name))
        return AddFail("name cannot be stored (absolute, \"..\" or longer than 230 bytes)", path);
    if (!ReadWholeFile(path, s.file))
        return AddFail("cannot read", path);
    if (!BuildMember(s.member, name, s.file.data, s.file.size, DosDateTime(st.st_mtime), MemberWhole,
                     s.stored))
        return AddFail("out of memory packing", path);
    if (fwrite(s.member.data, 1, s.member.size, s.out) != s.member.size)
        return AddFail("cannot write", s.archivePath);
    s.members++;
    return 0;
}

}  // namespace

int LzhxAdd(int argc, char** argv)
{
    int i = 1;
    int stored = 0;
    if (i < argc && strcmp(argv[i], "-0") == 0) {
        stored = 1;
        i++;
    }
    if (i < argc && (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0)) {
        fputs(AddUsage, stdout);
        return 0;
    }
    if (i >= argc) {
        fputs(AddUsage, stderr);
        return 2;
    }
    const char* archivePath = argv[i++];
    const char* dir = nullptr;
    if (i + 1 < argc && strcmp(argv[i], "-C") == 0) {
        dir = argv[i + 1];
        i += 2;
    }
    if (i >= argc) {
        fputs(AddUsage, stderr);
        return 2;
    }
    // The archive path is taken before moving into DIR.
    char fullArchive[4096];
    if (archivePath[0] == '/' || !dir) {
        FormatText(fullArchive, sizeof fullArchive, "%s", archivePath);
    } else {
        char cwd[4000];
        if (!getcwd(cwd, sizeof cwd))
            return AddFail("cannot find the current folder", ".");
        FormatText(fullArchive, sizeof fullArchive, "%s/%s", cwd, archivePath);
    }
    if (dir && chdir(dir) != 0)
        return AddFail("cannot enter folder", dir);

    AddState s = {};
    s.archivePath = archivePath;
    s.stored = stored;
    InitBuffer(s.file);
    InitBuffer(s.member);
    s.out = fopen(fullArchive, "wb");
    if (!s.out)
        return AddFail("cannot create", archivePath);
    int status = 0;
    for (; i < argc && status == 0; i++)
        status = AddPath(s, argv[i]);
    if (fputc(0, s.out) == EOF)
        status = AddFail("cannot write", archivePath);
    if (fclose(s.out) != 0 && status == 0)
        status = AddFail("cannot write", archivePath);
    FreeBuffer(s.file);
    FreeBuffer(s.member);
    if (status != 0)
        remove(fullArchive);
    return status;
}
