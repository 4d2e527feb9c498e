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
#include <unistd.h>
#endif

#include "app/setup.h"
#include "archive/extractor.h"
#include "archive/paths.h"
#ifdef LZHX_KIT
#include "kit/kit.h"
#endif

namespace {

const char Usage[] =
    "usage: lzhx COMMAND ARCHIVE [DIR]\n"
    "  l ARCHIVE        list the members: method, packed and unpacked size, stored CRC, name\n"
    "  t ARCHIVE        decode every member and check its CRC; nothing is written\n"
    "  x ARCHIVE [DIR]  extract into DIR (created when missing; default: the current directory)\n"
    "  p ARCHIVE        write the data of every member to standard output\n"
#ifdef LZHX_KIT
    "  a [-0] ARCHIVE [-C DIR] PATH...\n"
    "                   pack files and folders into a new archive (-0: stored)\n"
#endif
    "  --help           show this text\n"
    "Exit status: 0 on success, 1 on a damaged archive or a failed write, 2 on a usage error.\n"
    "Member names use \"\\\" between directories; continuation members are appended.\n";

int Fail(const char* what, const char* path)
{
    fprintf(stderr, "lzhx: %s: %s\n", what, path);
    return 1;
}

int List(const char* path)
{
    if (!OpenArchive(path))
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
        printf("%s %9lu %9lu  %04X  %s\n", method, static_cast<unsigned long>(HeaderField(5, 4)),
               static_cast<unsigned long>(h.unpackedRemaining), h.storedCrc, h.name);
        members++;
        SkipMember();
    }
    CloseArchive();
    printf("%d member%s\n", members, members == 1 ? "" : "s");
    return 0;
}

int Test(const char* path)
{
    if (!OpenArchive(path))
        return Fail("cannot open", path);
    SetExtractOutput(OutputDiscard, nullptr);
    int skipped = 0;
    while (ReadMemberHeader()) {
        char name[HeaderBufferSize];
        snprintf(name, sizeof name, "%s", Extractor.header.name);
        if (!LookupMethod(Extractor.header.buffer)) {
            printf("%s: unknown method, skipped\n", name);
            skipped++;
        }
        // Ends the process with a message on a damaged member or a CRC error.
        ExtractMember();
        if (LookupMethod(Extractor.header.buffer))
            printf("%s: OK\n", name);
    }
    CloseArchive();
    return skipped ? 1 : 0;
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

int ChangeDir(const char* dir)
{
#ifdef _WIN32
    return _chdir(dir) == 0;
#else
    return chdir(dir) == 0;
#endif
}

int Extract(const char* path, const char* dir)
{
    char archive[4096];
    if (!FullPath(path, archive, sizeof archive))
        return Fail("cannot open", path);
    if (dir) {
        if (!IsDirectory(dir))
            MakeDirs(dir);
        if (!ChangeDir(dir))
            return Fail("cannot enter directory", dir);
    }
    SetExtractOutput(OutputFiles, nullptr);
    if (ExtractArchive(archive) != StepDone)
        return Fail("cannot open", path);
    if (FailureCount > 0) {
        fprintf(stderr, "lzhx: %d member%s could not be written\n", static_cast<int>(FailureCount),
                FailureCount == 1 ? "" : "s");
        return 1;
    }
    return 0;
}

int Print(const char* path)
{
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    SetExtractOutput(OutputStream, stdout);
    if (ExtractArchive(path) != StepDone)
        return Fail("cannot open", path);
    if (fflush(stdout) != 0)
        return Fail("cannot write", "standard output");
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0)) {
        fputs(Usage, stdout);
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
