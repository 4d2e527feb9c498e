// `lzhx a`: packs files and folders into a new archive with level-1 headers.
//   lzhx a [-0 | --best] [--codepage N] ARCHIVE [-C DIR] PATH...
// Folders are walked in name order (empty ones become directory members);
// member names are the paths relative to DIR (default: the current
// directory) with "\" between components, in the ANSI code page N (1252).
#include <dirent.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "kit/kit.h"

namespace {

const char AddUsage[] =
    "usage: lzhx a [-0 | --best] [--codepage N] ARCHIVE [-C DIR] PATH...\n"
    "  packs the files PATH (folders with everything below them, empty ones as\n"
    "  directory members) into ARCHIVE, a new archive with level-1 headers; -lh5-\n"
    "  unless -0 stores the data; --best packs smaller and several times slower.\n"
    "  Names are taken relative to DIR (-C) with \"\\\"\n"
    "  between folders and written in the Windows code page N (default 1252).\n";

const char TooLarge[] = "larger than an archive member can hold (4 GB - 1 bytes)";

struct AddState {
    FILE* out;
    const char* archivePath;
    PackMode mode;
    int seekable;          // members are written in place and their headers filled in after
    int members;
    WalkOptions walk;
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
    return k <= static_cast<size_t>(MaxMemberName);
}

// Gathers PATH into the list: a file, or a folder with everything below it.
int CollectPath(AddState& s, const char* path, SourceList& list)
{
    char name[PathBytes];
    if (!MemberName(path, name, sizeof name))
        return AddFail("name cannot be stored (absolute, \"..\" or longer than 230 bytes)", path);
    int status = CollectSources(path, name, s.walk, list);
    if (status != 0)
        fprintf(stderr, "lzhx: %s\n", list.error);
    return status;
}

// Packs the files of the list, in its order.
int PackSources(AddState& s, const SourceList& list)
{
    int status = 0;
    for (int i = 0; i < list.count && status == 0; i++) {
        const SourceFile& f = list.files[i];
        // Refused before it is read: the sizes in a member's header are 32-bit.
        if (!f.folder && static_cast<uint64_t>(f.size) > MaxMemberBytes) {
            status = AddFail(TooLarge, f.path);
            break;
        }
        if (!f.folder && s.seekable) {
            // Packed as it is read, so memory does not grow with the file.
            int result = WriteFileMember(s.out, f.member, f.path, static_cast<uint64_t>(f.size), DosDateTime(f.mtime),
                                         s.mode);
            if (result != StreamOk) {
                status = result == StreamReadFailed    ? AddFail("cannot read", f.path)
                         : result == StreamWriteFailed ? AddFail("cannot write", s.archivePath)
                         : result == StreamTooLarge    ? AddFail(TooLarge, f.path)
                                                       : AddFail("out of memory packing", f.path);
                break;
            }
            s.members++;
            continue;
        }
        // A folder, or an archive written to a pipe: the member in memory.
        if (!f.folder && !ReadWholeFile(f.path, s.file)) {
            status = AddFail("cannot read", f.path);
            break;
        }
        if (!BuildMember(s.member, f.member, s.file.data, f.folder ? 0 : s.file.size, DosDateTime(f.mtime),
                         f.folder ? MemberFolder : MemberWhole, s.mode)) {
            status = AddFail("out of memory packing", f.path);
            break;
        }
        if (fwrite(s.member.data, 1, s.member.size, s.out) != s.member.size)
            status = AddFail("cannot write", s.archivePath);
        s.members++;
    }
    return status;
}

}  // namespace

int LzhxAdd(int argc, char** argv)
{
    int i = 1;
    PackMode mode = PackDefault;
    int codePage = 1252;
    for (; i < argc; i++) {
        if (strcmp(argv[i], "-0") == 0) {
            mode = PackStore;
        } else if (strcmp(argv[i], "--best") == 0) {
            mode = PackBest;
        } else if (strcmp(argv[i], "--codepage") == 0 && i + 1 < argc) {
            codePage = atoi(argv[++i]);
            if (!KnownCodePage(codePage))
                return AddFail("unknown code page", argv[i]);
        } else {
            break;
        }
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
    s.mode = mode;
    InitBuffer(s.file);
    InitBuffer(s.member);
    s.walk.codePage = codePage;
    s.out = fopen(fullArchive, "wb");
    if (!s.out)
        return AddFail("cannot create", archivePath);
    // The archive is never packed into itself ("lzhx a self.lzh .").
    struct stat self;
    if (fstat(fileno(s.out), &self) == 0) {
        s.walk.skip = 1;
        s.walk.skipDevice = self.st_dev;
        s.walk.skipInode = self.st_ino;
        s.seekable = S_ISREG(self.st_mode);
    }
    // Every path is gathered before any is packed, so that names given apart
    // are compared as the walk compares those of one folder.
    SourceList list = {};
    int status = 0;
    for (; i < argc && status == 0; i++)
        status = CollectPath(s, argv[i], list);
    if (status == 0 && CheckMemberTwins(list, codePage) != 0) {
        fprintf(stderr, "lzhx: %s\n", list.error);
        status = 1;
    }
    if (status == 0)
        status = PackSources(s, list);
    FreeSources(list);
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
