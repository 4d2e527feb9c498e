// lzhx: lists, tests and extracts LHA archives (level-1 headers, stored and
// -lh5- members, continuation members) with the setup program's own reader
// and decoder. For archive authors and for measurements.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#ifdef _WIN32
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "archive/extractor.h"
#include "archive/paths.h"
#include "archive/results.h"
#ifdef LZHX_KIT
#include "kit/kit.h"
#endif

#ifndef SETUP_VERSION
#define SETUP_VERSION "unknown"
#endif

namespace {

const char Usage[] =
    "usage: lzhx COMMAND ARCHIVE [DIR]\n"
    "  l ARCHIVE        list the members: method, packed and unpacked size, stored CRC, name\n"
    "  t ARCHIVE        decode every member and check its CRC; nothing is written\n"
    "  x ARCHIVE [DIR]  extract into DIR (created with its parents when missing; default: the\n"
    "                   current directory)\n"
    "  p ARCHIVE        write the data of every member to standard output\n"
#ifdef LZHX_KIT
    "  a [-0 | --best] [--codepage N] ARCHIVE [-C DIR] PATH...\n"
    "                   pack files and folders into a new archive (-0: stored; --best:\n"
    "                   smallest, several times slower; names in code page N, default 1252)\n"
#endif
    "  --help           show this text\n"
    "  --version        show the version\n"
    "Exit status: 0 on success; 1 on a damaged archive, a failed write or a member that could\n"
    "not be extracted (unknown method); 2 on a usage error.\n"
    "Member names use \"\\\" between directories; continuation members are appended.\n";

// The archive being read, for messages.
const char* CurrentArchive = "";

int Fail(const char* what, const char* path)
{
    fprintf(stderr, "lzhx: %s: %s\n", path, what);
    return 1;
}

// A member name as it may be shown on a terminal: control characters (and
// with them escape sequences) become "?".
const char* Printable(const char* name, char* out, size_t capacity)
{
    size_t n = 0;
    for (; *name && n + 1 < capacity; name++) {
        unsigned char c = static_cast<unsigned char>(*name);
        out[n++] = (c < 0x20 || c == 0x7F) ? '?' : static_cast<char>(c);
    }
    out[n] = '\0';
    return out;
}

// A fatal archive error names the tool, the archive and, inside a member, the
// member; a damaged header is placed by its offset.
[[noreturn]] void ReportFatal(const char* message)
{
    const char* member = Extractor.header.name;
    if (member) {
        char shown[HeaderBufferSize];
        fprintf(stderr, "lzhx: %s: %s: %s\n", CurrentArchive, Printable(member, shown, sizeof shown), message);
    } else {
        fprintf(stderr, "lzhx: %s: %s at offset %lld\n", CurrentArchive, message,
                static_cast<long long>(ArchivePosition()));
    }
    exit(1);
}

int Open(const char* path)
{
    CurrentArchive = path;
    FatalErrorHook = ReportFatal;
    return OpenArchive(path);
}

// Members that were not written (unknown method, output not opened) make the
// command fail after the others were done.
int FailedMembers()
{
    if (FailureCount == 0)
        return 0;
    fprintf(stderr, "lzhx: %s: %d member%s could not be extracted\n", CurrentArchive,
            static_cast<int>(FailureCount), FailureCount == 1 ? "" : "s");
    return 1;
}

bool IsDirectoryMember()
{
    return memcmp(Extractor.header.buffer, DirectoryMethodId, 5) == 0;
}

int List(const char* path)
{
    if (!Open(path))
        return Fail("cannot open", path);
    printf("method    packed  unpacked  crc   name\n");
    int members = 0;
    while (ReadMemberHeader()) {
        const MemberHeader& h = Extractor.header;
        char method[6];
        for (int i = 0; i < 5; i++) {
            char c = static_cast<char>(h.buffer[i]);
            method[i] = (c >= 32 && c < 127) ? c : '?';
        }
        method[5] = 0;
        char shown[HeaderBufferSize];
        printf("%s %9lu %9lu  %04X  %s\n", method, static_cast<unsigned long>(HeaderField(5, 4)),
               static_cast<unsigned long>(h.unpackedRemaining), h.storedCrc,
               Printable(h.name, shown, sizeof shown));
        members++;
        SkipMember();
    }
    CloseArchive();
    printf("%d member%s\n", members, members == 1 ? "" : "s");
    return 0;
}

int Test(const char* path)
{
    if (!Open(path))
        return Fail("cannot open", path);
    SetExtractOutput(OutputDiscard, nullptr);
    while (ReadMemberHeader()) {
        char name[HeaderBufferSize];
        Printable(Extractor.header.name, name, sizeof name);
        const char* verdict = "OK";
        if (IsDirectoryMember())
            verdict = "directory";
        else if (!LookupMethod(Extractor.header.buffer))
            verdict = "unknown method, skipped";
        // Ends the process with a message on a damaged member or a CRC error.
        ExtractMember();
        printf("%s: %s\n", name, verdict);
    }
    CloseArchive();
    return FailedMembers();
}

// The archive's full path, since extraction changes the current directory.
int FullPath(const char* path, char* out, size_t capacity)
{
#ifdef _WIN32
    return _fullpath(out, path, capacity) != nullptr;
#else
    if (capacity < 4096)
        return 0;
    return realpath(path, out) != nullptr;
#endif
}

bool IsSeparator(char c)
{
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

int MakeOneDir(const char* dir)
{
#ifdef _WIN32
    return _mkdir(dir) == 0;
#else
    return mkdir(dir, 0777) == 0;
#endif
}

int ChangeDir(const char* dir)
{
#ifdef _WIN32
    return _chdir(dir) == 0;
#else
    return chdir(dir) == 0;
#endif
}

// DIR is a path of this system, created (with its parents) and entered by the
// same reading; a drive or a root in front of it is left as it is.
int EnterDirectory(const char* dir)
{
    char prefix[4096];
    size_t length = strlen(dir);
    if (length == 0 || length >= sizeof prefix)
        return 0;
    for (size_t i = 1; i <= length; i++) {
        if (i < length && !IsSeparator(dir[i]))
            continue;
        if (IsSeparator(dir[i - 1]))
            continue;
        memcpy(prefix, dir, i);
        prefix[i] = '\0';
        MakeOneDir(prefix);  // an existing one is fine; entering tells
    }
    return ChangeDir(dir);
}

int Extract(const char* path, const char* dir)
{
    char archive[4096];
    if (!FullPath(path, archive, sizeof archive))
        return Fail("cannot open", path);
    if (dir && !EnterDirectory(dir))
        return Fail("cannot create or enter the directory", dir);
    CurrentArchive = path;
    FatalErrorHook = ReportFatal;
    SetExtractOutput(OutputFiles, nullptr);
    if (ExtractArchive(archive) != StepDone)
        return Fail("cannot open", path);
    return FailedMembers();
}

int Print(const char* path)
{
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    CurrentArchive = path;
    FatalErrorHook = ReportFatal;
    SetExtractOutput(OutputStream, stdout);
    if (ExtractArchive(path) != StepDone)
        return Fail("cannot open", path);
    if (fflush(stdout) != 0)
        return Fail("cannot write", "standard output");
    return FailedMembers();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
        fputs(Usage, stdout);
        return 0;
    }
    if (argc == 2 && strcmp(argv[1], "--version") == 0) {
        fputs("lzhx " SETUP_VERSION "\n", stdout);
        return 0;
    }
    const char* command = argc >= 2 ? argv[1] : "";
#ifdef LZHX_KIT
    if (strcmp(command, "a") == 0)
        return LzhxAdd(argc - 1, argv + 1);
#endif
    bool known = strlen(command) == 1 && strchr("ltxp", command[0]);
    int maxArgs = command[0] == 'x' ? 4 : 3;
    if (!known || argc < 3 || argc > maxArgs) {
        fputs(Usage, stderr);
        return 2;
    }
    switch (command[0]) {
    case 'l':
        return List(argv[2]);
    case 't':
        return Test(argv[2]);
    case 'x':
        return Extract(argv[2], argc == 4 ? argv[3] : nullptr);
    default:
        return Print(argv[2]);
    }
}
