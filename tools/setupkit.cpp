// setupkit: makes a distribution for SETUP.EXE from an author's description
// and checks setup scripts. Host-side, native build only.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "kit/kit.h"

#ifndef SETUP_VERSION
#define SETUP_VERSION "unknown"
#endif

namespace {

const char Usage[] =
    "usage: setupkit COMMAND ...\n"
    "  build DESCRIPTION OUTDIR [--medium M] [--images] [--setup EXE] [--codepage N] [--best] [-q]\n"
    "        write one folder per disk below OUTDIR (disk1, disk2, ...); M is 360, 720,\n"
    "        1200, 1440, 2880 (KB floppies) or single (one medium, the default);\n"
    "        --images also writes a FAT12 image per floppy (diskN.img, needs mtools);\n"
    "        --setup ships EXE as SETUP.EXE instead of the description's Setup=;\n"
    "        --codepage writes names in the users' Windows code page N (default 1252);\n"
    "        OUTDIR changes only when the build succeeds (SOURCE_DATE_EPOCH: same images)\n"
    "        --best packs the archives smaller, several times slower;\n"
    "        on a terminal a line per archive packed and per disk written; -q: no\n"
    "        output but errors and warnings. OUTDIR/setupkit.files records what the\n"
    "        build wrote; the next build removes only that, and refuses when\n"
    "        something else stands in the way\n"
    "  check [--codepage N] SCRIPT [DISKDIR...]\n"
    "        report what setup would read otherwise than meant, as FILE:LINE: messages;\n"
    "        the disk folders (in order) are checked for the files the script names\n"
    "        and for their thisdisk files; without them the script's folder is the medium\n"
    "  try OUTDIR [--setup EXE] [--answers FILE | --unattended] [--keep]\n"
    "        install the set under Wine headless in a fresh prefix, answering its questions\n"
    "        (FILE: answer rules first), screenshots in OUTDIR/try; compare every installed\n"
    "        file with its source; exit 0 only when all match; --keep leaves the prefix\n"
    "        in OUTDIR/try/prefix (its drive_c holds what was installed); --unattended:\n"
    "        the disk folders on drive D:, SETUP.EXE /S /LOG=, nothing answered, the log's\n"
    "        failures quoted, the log kept as OUTDIR/try/install.log\n"
    "  --help  show this text\n"
    "  --version  show the version\n"
    "Exit status: 0 when all is well, 1 on errors found or a failed build, 2 on a usage error.\n";

int Build(int argc, char** argv)
{
    BuildOptions o = {};
    o.medium = FindMedium("single");
    o.log = stdout;
    o.progress = isatty(fileno(stderr)) ? stderr : nullptr;
    int positional = 0;
    for (int i = 2; i < argc; i++) {
        if (strcmp(argv[i], "-q") == 0 || strcmp(argv[i], "--quiet") == 0) {
            o.log = nullptr;
            o.progress = nullptr;
        } else if (strcmp(argv[i], "--images") == 0) {
            o.images = 1;
        } else if (strcmp(argv[i], "--best") == 0) {
            o.pack = PackBest;
        } else if (strcmp(argv[i], "--setup") == 0 && i + 1 < argc) {
            o.setup = argv[++i];
        } else if (strcmp(argv[i], "--codepage") == 0 && i + 1 < argc) {
            o.codePage = atoi(argv[++i]);
            if (!KnownCodePage(o.codePage)) {
                fprintf(stderr, "setupkit: unknown code page %s (1252, 1250, 932, ...)\n", argv[i]);
                return 2;
            }
        } else if (strcmp(argv[i], "--medium") == 0 && i + 1 < argc) {
            o.medium = FindMedium(argv[++i]);
            if (!o.medium) {
                fprintf(stderr, "setupkit: unknown medium %s (360, 720, 1200, 1440, 2880, single)\n", argv[i]);
                return 2;
            }
        } else if (positional == 0) {
            o.description = argv[i];
            positional++;
        } else if (positional == 1) {
            o.outDir = argv[i];
            positional++;
        } else {
            fputs(Usage, stderr);
            return 2;
        }
    }
    if (positional != 2) {
        fputs(Usage, stderr);
        return 2;
    }
    return BuildDistribution(o);
}

int Check(int argc, char** argv)
{
    if (argc < 3) {
        fputs(Usage, stderr);
        return 2;
    }
    CheckOptions o = {};
    int first = 2;
    if (strcmp(argv[2], "--codepage") == 0) {
        if (argc < 5) {
            fputs(Usage, stderr);
            return 2;
        }
        o.codePage = atoi(argv[3]);
        if (!KnownCodePage(o.codePage)) {
            fprintf(stderr, "setupkit: unknown code page %s (1252, 1250, 932, ...)\n", argv[3]);
            return 2;
        }
        first = 4;
    }
    o.diskDirs = argv + first + 1;
    o.diskCount = argc - first - 1;
    o.report = stdout;
    int errors = CheckScript(argv[first], o);
    if (errors > 0)
        fprintf(stdout, "%d error%s\n", errors, errors == 1 ? "" : "s");
    return errors > 0 ? 1 : 0;
}

int Try(int argc, char** argv)
{
    TryOptions o = {};
    for (int i = 2; i < argc; i++) {
        if (strcmp(argv[i], "--setup") == 0 && i + 1 < argc)
            o.setup = argv[++i];
        else if (strcmp(argv[i], "--answers") == 0 && i + 1 < argc)
            o.answers = argv[++i];
        else if (strcmp(argv[i], "--unattended") == 0)
            o.unattended = 1;
        else if (strcmp(argv[i], "--keep") == 0)
            o.keep = 1;
        else if (!o.outDir && argv[i][0] != '-')
            o.outDir = argv[i];
        else
            return fputs(Usage, stderr), 2;
    }
    if (!o.outDir)
        return fputs(Usage, stderr), 2;
    return TryDistribution(o);
}

}  // namespace

int main(int argc, char** argv)
{
    const char* command = argc >= 2 ? argv[1] : "";
    if (strcmp(command, "--help") == 0 || strcmp(command, "-h") == 0) {
        fputs(Usage, stdout);
        return 0;
    }
    if (strcmp(command, "--version") == 0) {
        fputs("setupkit " SETUP_VERSION "\n", stdout);
        return 0;
    }
    if (strcmp(command, "build") == 0)
        return Build(argc, argv);
    if (strcmp(command, "check") == 0)
        return Check(argc, argv);
    if (strcmp(command, "try") == 0)
        return Try(argc, argv);
    fputs(Usage, stderr);
    return 2;
}
