// setupkit try: installs a built set headless under Wine and compares what
// was installed with the author's files.
//
// The build leaves OUTDIR/setupkit.ini naming its description. try reads the
// description again and writes OUTDIR/try/manifest.txt, one line a fact
// (fields separated by tabs):
//   item KIND TARGET          an Archive, Copy or Profile entry; TARGET as in
//                             the script, in the code page of the names
//   file SOURCE RELATIVE      a file of the last item: its source and its path
//                             below TARGET ("/" between folders, UTF-8)
//   folder - RELATIVE         an empty folder of the last item
//   companion SOURCE          a win.ini, system.ini or groups.cfg read beside the script
//   codepage N                the users' code page of the names (first line)
//   holds FILES FOLDERS       how many file and folder lines follow (second
//                             line), so that the reader knows it read them all
// and hands the rest to try.sh: the prefix, the display, the disks, the
// answers, the screenshots and the comparison.
//
// The kit's parts (try.sh beside the other Wine scripts, wauto.exe, the
// release SETUP.EXE) are found relative to this program: SETUPKIT_SHARE is
// the path from the folder of the executable to them, share/setupkit beside
// bin/ when installed; the build tree stages the same layout.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "kit/layout.h"

#ifndef SETUPKIT_SHARE
#define SETUPKIT_SHARE "../share/setupkit"
#endif

namespace {

const char RecordName[] = "setupkit.ini";

// The description named by OUTDIR/setupkit.ini and its code page.
int ReadRecord(const char* outDir, char* description, size_t capacity, int* codePage)
{
    char path[PathBytes], line[PathBytes + 32];
    FormatText(path, sizeof path, "%s/%s", outDir, RecordName);
    FILE* f = fopen(path, "r");
    if (!f)
        return KitFail("%s is not a set made by setupkit build (no setupkit.ini)", outDir);
    description[0] = 0;
    *codePage = 1252;
    while (fgets(line, sizeof line, f)) {
        line[strcspn(line, "\r\n")] = 0;
        if (strncmp(line, "Description=", 12) == 0)
            FormatText(description, capacity, "%s", line + 12);
        else if (strncmp(line, "CodePage=", 9) == 0)
            *codePage = atoi(line + 9);
    }
    fclose(f);
    return description[0] ? 0 : KitFail("%s names no description", path);
}

int WriteManifest(const Description& d, const char* path)
{
    FILE* f = fopen(path, "w");
    if (!f)
        return KitFail("cannot write %s", path);
    static const char* const Kinds[] = {"Archive", "Copy", "Profile"};
    int files = 0, folders = 0;
    for (int i = 0; i < d.itemCount; i++)
        for (int k = 0; d.items[i].kind != ItemProfile && k < d.items[i].sources.count; k++)
            (d.items[i].sources.files[k].folder ? folders : files)++;
    fprintf(f, "codepage\t%d\nholds\t%d\t%d\n", d.codePage, files, folders);
    for (int i = 0; i < d.companionCount; i++)
        fprintf(f, "companion\t%s\n", d.companions[i]);
    for (int i = 0; i < d.itemCount; i++) {
        const Item& it = d.items[i];
        fprintf(f, "item\t%s\t%s\n", Kinds[it.kind], it.target);
        size_t root = IsFolder(it.source) ? strlen(it.source) + 1 : 0;
        for (int k = 0; k < it.sources.count; k++) {
            const SourceFile& s = it.sources.files[k];
            const char* relative = root ? s.path + root : BaseName(s.path);
            if (s.folder)
                fprintf(f, "folder\t-\t%s\n", relative);
            else
                fprintf(f, "file\t%s\t%s\n", s.path, relative);
        }
    }
    return fclose(f) == 0 ? 0 : KitFail("cannot write %s", path);
}

}  // namespace

int FindKitPart(const char* name, char* path, size_t capacity)
{
    char self[PathBytes];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0 || n >= static_cast<ssize_t>(sizeof self) - 1)
        return KitFail("cannot find this program's own folder (%s)", "/proc/self/exe");
    self[n] = 0;
    char* slash = strrchr(self, '/');
    if (slash)
        *slash = 0;
    if (!FormatText(path, capacity, "%s/%s/%s", self, SETUPKIT_SHARE, name))
        return KitFail("the kit's folder is too deep: %s", self);
    return 0;
}

int RecordBuild(const char* outDir, const char* description, int codePage)
{
    char path[PathBytes], full[PathBytes];
    FormatText(path, sizeof path, "%s/%s", outDir, RecordName);
    if (!realpath(description, full))
        FormatText(full, sizeof full, "%s", description);
    FILE* f = fopen(path, "w");
    if (!f)
        return KitFail("cannot write %s", path);
    fprintf(f, "; written by setupkit build, read by setupkit try\nDescription=%s\nCodePage=%d\n", full,
            codePage);
    return fclose(f) == 0 ? 0 : KitFail("cannot write %s", path);
}

int TryDistribution(const TryOptions& o)
{
    char description[PathBytes], tryDir[PathBytes], manifest[PathBytes];
    int codePage = 1252;
    if (ReadRecord(o.outDir, description, sizeof description, &codePage))
        return 1;
    static Description desc;
    desc.codePage = codePage;
    if (LoadDescription(description, desc)) {
        ReleaseDescription(desc);
        return KitFail("the description %s has errors", description);
    }
    FormatText(tryDir, sizeof tryDir, "%s/try", o.outDir);
    FormatText(manifest, sizeof manifest, "%s/manifest.txt", tryDir);
    mkdir(tryDir, 0777);
    int status = WriteManifest(desc, manifest);
    ReleaseDescription(desc);
    if (status)
        return 1;
    char script[PathBytes], wauto[PathBytes];
    const char* s = getenv("SETUPKIT_TRY");
    const char* w = getenv("SETUPKIT_WAUTO");
    if (s && !FormatText(script, sizeof script, "%s", s))
        return KitFail("path too long: %s", s);
    if (w && !FormatText(wauto, sizeof wauto, "%s", w))
        return KitFail("path too long: %s", w);
    if ((!s && FindKitPart("wine/try.sh", script, sizeof script)) || (!w && FindKitPart("wauto.exe", wauto, sizeof wauto)))
        return 1;
    if (FileSize(script) < 0)
        return KitFail("try.sh not found: %s (an incomplete kit; or set SETUPKIT_TRY)", script);
    if (FileSize(wauto) < 0)
        return KitFail("wauto.exe not found: %s (build the win64 build, or set SETUPKIT_WAUTO)", wauto);
    const char* argv[] = {"bash", script, o.outDir, manifest, o.setup ? o.setup : "", wauto,
                          o.answers ? o.answers : "", o.keep ? "keep" : "",
                          o.unattended ? "unattended" : "", nullptr};
    fflush(stdout);
    execvp("bash", const_cast<char* const*>(argv));
    return KitFail("cannot run %s", argv[1]);
}
