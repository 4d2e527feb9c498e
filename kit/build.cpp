// The distribution builder. From the author's description it lays out the
// disks of a medium and writes one folder per disk:
//   disk 1: SETUP.EXE, the setup script with its Disk sections written by the
//           builder, the companion files;
//   every disk of a set: "thisdisk" with DiskNumber (and NextDiskNumber on
//           all but the last), then copied files and archives in the order of
//           the description.
// A file of an archive that does not fit on the rest of a disk is split: its
// first part ends that disk's archive as "<cmp>" (or "<sto>"), the rest
// begins the next disk's archive as "<cm+>" ("<st+>"), each part a complete
// member of its own. Space is counted as FAT12 gives it: whole clusters per
// file and a limited number of root directory entries.
//
// The description, in the setup script's own syntax (paths relative to it):
//   Setup=PATH            the SETUP.EXE to ship (without it, disk 1 has
//                         none: for a folder that gets the program later)
//   Script=PATH           the setup script: head-level keys and Groups; any
//                         Disk sections in it are replaced
//   Companion=PATH        a file for disk 1 beside the script (groups.cfg, ...)
//   Archive=NAME SOURCE TARGET   pack SOURCE (a folder, or a file) into NAME,
//                         extracted to TARGET (path macros allowed)
//   Copy=SOURCE TARGET    copy a file (or every file of a folder) to TARGET
//   Profile=SOURCE TARGET merge SOURCE's entries into the profile file TARGET
#include <ctype.h>
#include <dirent.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "kit/layout.h"
#include "script/keys.h"

namespace {

// ---- The description ---------------------------------------------------------------------
//
// One entry a line, KEY=VALUE; blank lines and lines beginning with ";" are
// skipped. Keys are written as above, letter case included. NAME and SOURCE
// are words: up to the next blank, or, beginning with a double quote, up to
// the next one ("Read Me First.txt"). TARGET is the rest of the line, blanks
// included, as it goes into the script.

struct DescriptionReader {
    const char* path;
    int errors;
};

void DescriptionError(DescriptionReader& r, int line, const char* format, ...) __attribute__((format(printf, 3, 4)));

bool IsPlainFile(const char* path)
{
    struct stat st;
    return stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

void DescriptionError(DescriptionReader& r, int line, const char* format, ...)
{
    char message[PathBytes + 512];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);
    fprintf(stderr, "%s:%d: error: %s\n", r.path, line, message);
    r.errors++;
}

void Resolve(const Description& d, const char* path, char* out)
{
    if (path[0] == '/')
        FormatText(out, PathBytes, "%s", path);
    else
        FormatText(out, PathBytes, "%s/%s", d.folder, path);
}

// The next word of a value (see above) into out; p moves past it. 0 when
// there is none, -1 when its quote is not closed.
int NextWord(const char*& p, char* out, size_t capacity)
{
    while (*p == ' ' || *p == '\t')
        p++;
    if (!*p)
        return 0;
    size_t n;
    if (*p == '"') {
        const char* end = strchr(p + 1, '"');
        if (!end)
            return -1;
        n = static_cast<size_t>(end - p - 1);
        FormatText(out, capacity, "%.*s", static_cast<int>(n), p + 1);
        p = end + 1;
        return 1;
    }
    n = strcspn(p, " \t");
    FormatText(out, capacity, "%.*s", static_cast<int>(n), p);
    p += n;
    return 1;
}

const char* const DescriptionKeys[] = {"Setup", "Script", "Companion", "Archive", "Copy", "Profile"};

// Files on all disks together: 256 a disk.
constexpr int MaxNames = MaxDisks * 256;

// A name that goes onto a disk, with the line (and file) that puts it there.
struct PlacedName {
    char name[64];
    int line;
    const char* source;     // the author's file, or null for an archive or the builder's own
};

void PlaceName(DescriptionReader& r, PlacedName* names, int& count, const char* name, int line,
               const char* source = nullptr)
{
    for (int i = 0; i < count; i++) {
        if (strcasecmp(names[i].name, name) == 0) {
            if (!names[i].line)
                DescriptionError(r, line, "two files named %s (the builder writes one)", name);
            else if (names[i].source && source)
                DescriptionError(r, line, "two files named %s (the other from line %d): %s and %s", name,
                                 names[i].line, names[i].source, source);
            else
                DescriptionError(r, line, "two files named %s (the other from line %d)", name, names[i].line);
            return;
        }
    }
    if (count == MaxNames) {
        DescriptionError(r, line, "more than %d files for the disks", MaxNames);
        return;
    }
    FormatText(names[count].name, sizeof names[count].name, "%s", name);
    names[count].source = source;
    names[count++].line = line;
}

// A file that goes onto a disk under its own name; `path` stays until the
// names are no longer needed.
void CheckDiskFile(DescriptionReader& r, PlacedName* names, int& count, const char* path, int line)
{
    char name[PathBytes], why[PathBytes + 300];
    FormatText(name, sizeof name, "%s", BaseName(path));
    if (DiskNameProblem(name, why, sizeof why)) {
        DescriptionError(r, line, "%s", why);
        return;
    }
    UpperCase(name);
    PlaceName(r, names, count, name, line, path);
}

// Reads the entries; every line's faults are reported before the build
// stops. 0 when there were none.
int ReadDescription(const char* path, Description& d)
{
    DescriptionReader r = {path, 0};
    FormatText(d.path, sizeof d.path, "%s", path);
    FormatText(d.folder, sizeof d.folder, "%s", path);
    char* slash = strrchr(d.folder, '/');
    if (slash)
        *slash = 0;
    else
        FormatText(d.folder, sizeof d.folder, ".");
    ByteBuffer text;
    InitBuffer(text);
    if (!ReadWholeFile(path, text) || (AppendBytes(text, "", 1), text.failed)) {
        FreeBuffer(text);
        return KitFail("cannot read the description %s", path);
    }
    d.items = static_cast<Item*>(calloc(MaxItems, sizeof(Item)));
    static PlacedName names[MaxNames];
    int nameCount = 0;
    PlaceName(r, names, nameCount, ScriptFileName, 0);
    PlaceName(r, names, nameCount, ThisDiskFileName, 0);
    if (!d.items)
        return KitFail("out of memory reading %s", path);
    WalkOptions walk = {};
    walk.codePage = d.codePage;
    int setupLine = 0, scriptLine = 0;
    // Targets of a UTF-8 description are converted; any other is taken as
    // written in the code page already.
    bool utf8 = IsUtf8(reinterpret_cast<const char*>(text.data), text.size - 1);
    char* p = reinterpret_cast<char*>(text.data);
    for (int lineNumber = 1; *p; lineNumber++) {
        char* line = p;
        size_t n = strcspn(p, "\n");
        p += n + (p[n] == '\n' ? 1 : 0);
        line[n] = 0;
        while (n > 0 && (line[n - 1] == '\r' || line[n - 1] == ' ' || line[n - 1] == '\t'))
            line[--n] = 0;
        if (n == 0 || line[0] == ';')
            continue;
        char* equals = strchr(line, '=');
        if (!equals) {
            DescriptionError(r, lineNumber, "not an entry KEY=VALUE: %s", line);
            continue;
        }
        *equals = 0;
        const char* key = line;
        const char* value = equals + 1;
        const char* known = nullptr;
        for (const char* k : DescriptionKeys) {
            if (strcasecmp(k, key) == 0)
                known = k;
        }
        if (!known || strcmp(known, key) != 0) {
            if (known)
                DescriptionError(r, lineNumber, "unknown key \"%s\": write it as \"%s\"", key, known);
            else
                DescriptionError(r, lineNumber,
                                 "unknown key \"%s\" (Setup, Script, Companion, Archive, Copy, Profile)", key);
            continue;
        }
        char words[2][PathBytes];
        const char* v = value;
        bool item = strcmp(key, "Archive") == 0 || strcmp(key, "Copy") == 0 || strcmp(key, "Profile") == 0;
        bool archive = key[0] == 'A';
        int wordCount = archive ? 2 : 1;
        int got = 0, w = 1;
        while (got < wordCount && (w = NextWord(v, words[got], sizeof words[got])) > 0)
            got++;
        if (w < 0) {
            DescriptionError(r, lineNumber, "a quote is not closed");
            continue;
        }
        if (got < wordCount) {
            DescriptionError(r, lineNumber, "\"%s\" lacks its %s", key,
                             archive ? (got == 0 ? "name, source and target" : "source and target")
                                     : item ? "source and target" : "path");
            continue;
        }
        while (*v == ' ' || *v == '\t')
            v++;
        if (!item) {
            if (*v) {
                DescriptionError(r, lineNumber, "\"%s\" takes one path; quote a path with blanks", key);
                continue;
            }
            char* out = key[1] == 'e' ? d.setup : key[1] == 'c' ? d.script : nullptr;
            if (!out) {
                if (d.companionCount == 8) {
                    DescriptionError(r, lineNumber, "more than 8 companion files");
                    continue;
                }
                out = d.companions[d.companionCount++];
            }
            Resolve(d, words[0], out);
            if (key[1] == 'e')
                setupLine = lineNumber;
            if (key[1] == 'c')
                scriptLine = lineNumber;
            if (key[0] == 'C') {
                if (FileSize(out) < 0)
                    DescriptionError(r, lineNumber, "companion file not found: %s", out);
                else if (!IsPlainFile(out))
                    DescriptionError(r, lineNumber, "companion %s is not a file", out);
                else
                    CheckDiskFile(r, names, nameCount, out, lineNumber);
            }
            if (key[1] == 'e')
                PlaceName(r, names, nameCount, "SETUP.EXE", lineNumber);
            continue;
        }
        if (d.itemCount == MaxItems) {
            DescriptionError(r, lineNumber, "more than %d entries", MaxItems);
            break;
        }
        Item& it = d.items[d.itemCount++];
        it.line = lineNumber;
        it.kind = archive ? ItemArchive : key[0] == 'C' ? ItemCopy : ItemProfile;
        const char* source = words[archive ? 1 : 0];
        if (!*v) {
            DescriptionError(r, lineNumber, "\"%s\" lacks its target", key);
            continue;
        }
        if (strchr(v, '"')) {
            DescriptionError(r, lineNumber, "a target holds no quotes: it is the rest of the line, blanks included");
            continue;
        }
        if (!utf8) {
            FormatText(it.target, sizeof it.target, "%s", v);
        } else if (!ToCodePage(d.codePage, v, it.target, sizeof it.target)) {
            DescriptionError(r, lineNumber, "target \"%s\" cannot be written in code page %d", v, d.codePage);
            continue;
        }
        if (archive) {
            char why[PathBytes + 300];
            if (DiskNameProblem(words[0], why, sizeof why)) {
                DescriptionError(r, lineNumber, "%s", why);
                continue;
            }
            FormatText(it.name, sizeof it.name, "%s", words[0]);
            UpperCase(it.name);
            PlaceName(r, names, nameCount, it.name, lineNumber);
        }
        Resolve(d, source, it.source);
        struct stat link;
        if (lstat(it.source, &link) != 0) {
            DescriptionError(r, lineNumber, "source not found: %s", it.source);
            continue;
        }
        bool folder = IsFolder(it.source);
        if (it.kind == ItemProfile && folder) {
            DescriptionError(r, lineNumber, "a profile source is one file: %s", it.source);
            continue;
        }
        if (CollectSources(it.source, folder ? "" : BaseName(it.source), walk, it.sources)) {
            DescriptionError(r, lineNumber, "%s", it.sources.error);
            continue;
        }
        for (int k = 0; !archive && k < it.sources.count; k++) {
            const SourceFile& f = it.sources.files[k];
            if (strchr(f.member, '\\'))
                DescriptionError(r, lineNumber, "copy entries take the files of one folder, not of folders below it: %s",
                                 f.path);
            else
                CheckDiskFile(r, names, nameCount, f.path, lineNumber);
        }
        if (archive && it.sources.count == 0)
            DescriptionError(r, lineNumber, "nothing to pack: %s is an empty folder", it.source);
    }
    FreeBuffer(text);
    if (r.errors == 0 && !d.script[0])
        return KitFail("the description %s needs Script=", path);
    if (r.errors == 0 && d.setup[0] && FileSize(d.setup) < 0)
        DescriptionError(r, setupLine, "SETUP.EXE not found: %s (build it first)", d.setup);
    if (r.errors == 0 && !IsPlainFile(d.script))
        DescriptionError(r, scriptLine, "setup script not found: %s", d.script);
    return r.errors > 0;
}

void FreeDescription(Description& d)
{
    for (int i = 0; d.items && i < d.itemCount; i++)
        FreeSources(d.items[i].sources);
    free(d.items);
    memset(&d, 0, sizeof d);
}

// ---- The setup script -----------------------------------------------------------------------

// The author's script with its Disk sections replaced by the builder's,
// which stand before "[Groups]" (or at the end).
void ComposeScript(const Layout& l, const char* authorText, ByteBuffer& out)
{
    const char* eol = strstr(authorText, "\r\n") ? "\r\n" : "\n";
    ByteBuffer sections;
    InitBuffer(sections);
    char line[512];
    for (int k = 0; k < l.diskCount; k++) {
        const Disk& d = l.disks[k];
        if (d.entryCount == 0 && k > 0)
            continue;
        FormatText(line, sizeof line, "[Disk%d]%s", k + 1, eol);
        AppendBytes(sections, line, strlen(line));
        for (int i = 0; i < d.entryCount; i++) {
            FormatText(line, sizeof line, "%s=%s%s", d.entries[i].key, d.entries[i].value, eol);
            AppendBytes(sections, line, strlen(line));
        }
    }
    bool placed = false, skipping = false;
    const char* p = authorText;
    while (*p) {
        size_t n = strcspn(p, "\n");
        size_t full = n + (p[n] == '\n' ? 1 : 0);
        char head[64];
        FormatText(head, sizeof head, "%.*s", static_cast<int>(n < 63 ? n : 63), p);
        for (size_t k = strlen(head); k > 0 && (head[k - 1] == '\r' || head[k - 1] == ' '); k--)
            head[k - 1] = 0;
        if (head[0] == '[') {
            int disk = 0;
            char rest = 0;
            skipping = sscanf(head, "[Disk%d%c", &disk, &rest) == 2 && rest == ']';
            if (!placed && strcmp(head, "[Groups]") == 0) {
                AppendBytes(out, sections.data, sections.size);
                placed = true;
            }
        }
        if (!skipping)
            AppendBytes(out, p, full);
        p += full;
    }
    if (!placed) {
        if (out.size > 0 && out.data[out.size - 1] != '\n')
            AppendBytes(out, eol, strlen(eol));
        AppendBytes(out, sections.data, sections.size);
    }
    FreeBuffer(sections);
}

// ---- Writing ---------------------------------------------------------------------------------

// Copies a file in pieces, keeping its time; 1 on success.
int CopyFile(const char* from, const char* to)
{
    FILE* in = fopen(from, "rb");
    FILE* out = in ? fopen(to, "wb") : nullptr;
    int ok = in && out;
    static uint8_t chunk[1 << 16];
    while (ok) {
        size_t got = fread(chunk, 1, sizeof chunk, in);
        if (got > 0 && fwrite(chunk, 1, got, out) != got)
            ok = 0;
        if (got < sizeof chunk) {
            ok = ok && !ferror(in);
            break;
        }
    }
    if (in)
        fclose(in);
    if (out && fclose(out) != 0)
        ok = 0;
    struct stat st;
    if (ok && stat(from, &st) == 0) {
        struct timeval times[2] = {{st.st_atime, 0}, {st.st_mtime, 0}};
        utimes(to, times);
    }
    return ok;
}

int Run(const char* const* argv, bool quiet)
{
    pid_t pid = fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        if (quiet && !freopen("/dev/null", "w", stdout))
            _exit(127);
        execvp(argv[0], const_cast<char* const*>(argv));
        _exit(127);
    }
    int status = 0;
    if (waitpid(pid, &status, 0) < 0)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A bootless FAT12 image of the disk folder, made with mtools. With a fixed
// time (SOURCE_DATE_EPOCH) the volume serial number comes from it, and the
// same inputs give the same image.
int WriteImage(const Layout& l, int k, const char* folder, const char* image, long long epoch)
{
    remove(image);
    char serial[16];
    FormatText(serial, sizeof serial, "%08llX", static_cast<unsigned long long>(epoch + k) & 0xFFFFFFFFull);
    const char* format[] = {"mformat", "-C", "-i", image, "-f", l.medium->name, "::", nullptr, nullptr, nullptr};
    if (epoch >= 0) {
        format[6] = "-N";
        format[7] = serial;
        format[8] = "::";
    }
    if (Run(format, true) != 0)
        return KitFail("mformat failed for %s (is mtools installed?)", image);
    const Disk& d = l.disks[k];
    for (int i = 0; i < d.fileCount; i++) {
        char path[PathBytes];
        FormatText(path, sizeof path, "%s/%s", folder, d.files[i].name);
        const char* copy[] = {"mcopy", "-m", "-i", image, path, "::/", nullptr};
        if (Run(copy, true) != 0)
            return KitFail("mcopy failed for %s", path);
    }
    return 0;
}

// Writes the disks into `folder` (disk1, disk2, ... and their images). The
// files the builder makes get the time `epoch` when it is not -1; copied
// files keep their own.
int WriteDisks(const Layout& l, const BuildOptions& o, const char* out, const ByteBuffer& script, long long epoch)
{
    for (int k = 0; k < l.diskCount; k++) {
        char folder[PathBytes];
        FormatText(folder, sizeof folder, "%s/disk%d", out, k + 1);
        if (mkdir(folder, 0777) != 0)
            return KitFail("cannot create %s", folder);
        struct timespec started;
        clock_gettime(CLOCK_MONOTONIC, &started);
        int64_t bytes = 0;
        const Disk& d = l.disks[k];
        for (int i = 0; i < d.fileCount; i++) {
            const DiskFile& f = d.files[i];
            char path[PathBytes];
            FormatText(path, sizeof path, "%s/%s", folder, f.name);
            int ok = 1;
            if (strcmp(f.name, ScriptFileName) == 0)
                ok = WriteBufferToFile(path, script);
            else if (strcmp(f.name, ThisDiskFileName) == 0) {
                ByteBuffer t;
                InitBuffer(t);
                char text[80];
                if (k + 1 < l.diskCount)
                    FormatText(text, sizeof text, "DiskNumber=%d\r\nNextDiskNumber=%d\r\n", k + 1, k + 2);
                else
                    FormatText(text, sizeof text, "DiskNumber=%d\r\n", k + 1);
                AppendBytes(t, text, strlen(text));
                ok = WriteBufferToFile(path, t);
                FreeBuffer(t);
            } else if (f.spooled)
                ok = rename(f.source, path) == 0;
            else if (f.source[0])
                ok = CopyFile(f.source, path);
            else
                ok = WriteBufferToFile(path, f.data);
            if (!ok)
                return KitFail("cannot write %s", path);
            bytes += FileSize(path);
            if ((!f.source[0] || f.spooled) && epoch >= 0) {
                struct timeval times[2] = {{static_cast<time_t>(epoch), 0}, {static_cast<time_t>(epoch), 0}};
                utimes(path, times);
            }
        }
        if (o.images && l.medium->clusterBytes) {
            char image[PathBytes];
            FormatText(image, sizeof image, "%s/disk%d.img", out, k + 1);
            if (WriteImage(l, k, folder, image, epoch))
                return 1;
        }
        if (o.progress) {
            struct timespec now;
            clock_gettime(CLOCK_MONOTONIC, &now);
            double seconds = static_cast<double>(now.tv_sec - started.tv_sec) +
                             static_cast<double>(now.tv_nsec - started.tv_nsec) / 1e9;
            fprintf(o.progress, "wrote disk%d: %d files, %lld bytes%s, %.1f s\n", k + 1, d.fileCount,
                    static_cast<long long>(bytes), o.images && l.medium->clusterBytes ? ", and its image" : "",
                    seconds);
            fflush(o.progress);
        }
    }
    return 0;
}

// Removes a file, or a folder with everything in it.
void RemoveTree(const char* path)
{
    struct stat st;
    if (lstat(path, &st) != 0)
        return;
    if (S_ISDIR(st.st_mode)) {
        if (DIR* dir = opendir(path)) {
            while (struct dirent* e = readdir(dir)) {
                if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0)
                    continue;
                char child[PathBytes];
                if (FormatText(child, sizeof child, "%s/%s", path, e->d_name))
                    RemoveTree(child);
            }
            closedir(dir);
        }
        rmdir(path);
    } else {
        remove(path);
    }
}

// ---- OUTDIR and the record of what a build wrote there ------------------------------------
//
// OUTDIR/setupkit.files lists, one a line, the paths (relative to OUTDIR)
// that the last build wrote: diskN folders, the files in them, diskN.img.
// A new build removes exactly those and refuses, before changing anything,
// when something it did not write stands where it is to write: an author's
// folder named disk2 is never deleted.

const char WrittenRecord[] = "setupkit.files";

struct Written {
    char** paths;    // sorted
    int count;
};

int ComparePaths(const void* a, const void* b)
{
    return strcmp(*static_cast<char* const*>(a), *static_cast<char* const*>(b));
}

void FreeWritten(Written& w)
{
    for (int i = 0; i < w.count; i++)
        free(w.paths[i]);
    free(w.paths);
    w.paths = nullptr;
    w.count = 0;
}

// The record of an earlier build (none: nothing was written by one).
int ReadWritten(const char* outDir, Written& w)
{
    char path[PathBytes];
    FormatText(path, sizeof path, "%s/%s", outDir, WrittenRecord);
    w.paths = nullptr;
    w.count = 0;
    ByteBuffer b;
    InitBuffer(b);
    if (!ReadWholeFile(path, b)) {
        FreeBuffer(b);
        return 0;
    }
    AppendBytes(b, "", 1);
    int capacity = 0;
    for (char* p = reinterpret_cast<char*>(b.data); *p;) {
        size_t n = strcspn(p, "\n");
        char* line = p;
        p += n + (p[n] == '\n');
        line[n] = 0;
        // Nothing outside OUTDIR: no absolute path, no "..".
        if (n == 0 || line[0] == ';' || line[0] == '/' || strstr(line, ".."))
            continue;
        if (w.count == capacity) {
            capacity = capacity ? capacity * 2 : 256;
            char** grown = static_cast<char**>(realloc(w.paths, capacity * sizeof *grown));
            if (!grown)
                break;
            w.paths = grown;
        }
        w.paths[w.count] = strdup(line);
        if (w.paths[w.count])
            w.count++;
    }
    FreeBuffer(b);
    if (w.count > 1)
        qsort(w.paths, static_cast<size_t>(w.count), sizeof *w.paths, ComparePaths);
    return 0;
}

bool WasWritten(const Written& w, const char* relative)
{
    return w.count > 0 && bsearch(&relative, w.paths, static_cast<size_t>(w.count), sizeof *w.paths, ComparePaths);
}

// What stands at OUTDIR/RELATIVE that an earlier build did not write (the
// thing itself, or something in the folder), into `what`; 0 when nothing.
int InTheWay(const char* outDir, const char* relative, const Written& w, char* what, size_t capacity)
{
    char path[PathBytes];
    FormatText(path, sizeof path, "%s/%s", outDir, relative);
    struct stat st;
    if (lstat(path, &st) != 0)
        return 0;
    if (!WasWritten(w, relative) || (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode))) {
        FormatText(what, capacity, "%s", path);
        return 1;
    }
    if (!S_ISDIR(st.st_mode))
        return 0;
    DIR* dir = opendir(path);
    int found = 0;
    while (struct dirent* e = dir && !found ? readdir(dir) : nullptr) {
        if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0)
            continue;
        char inner[PathBytes];
        FormatText(inner, sizeof inner, "%s/%s", relative, e->d_name);
        struct stat in;
        char full[PathBytes];
        FormatText(full, sizeof full, "%s/%s", outDir, inner);
        if (!WasWritten(w, inner) || lstat(full, &in) != 0 || !S_ISREG(in.st_mode)) {
            FormatText(what, capacity, "%s", full);
            found = 1;
        }
    }
    if (dir)
        closedir(dir);
    return found;
}

// Removes what an earlier build wrote: its files, then its folders when
// nothing else is left in them.
void RemoveWritten(const char* outDir, const Written& w)
{
    for (int pass = 0; pass < 2; pass++) {
        for (int i = w.count - 1; i >= 0; i--) {
            char path[PathBytes];
            FormatText(path, sizeof path, "%s/%s", outDir, w.paths[i]);
            struct stat st;
            if (lstat(path, &st) != 0)
                continue;
            if (pass == 0 && S_ISREG(st.st_mode))
                remove(path);
            else if (pass == 1 && S_ISDIR(st.st_mode))
                rmdir(path);
        }
    }
}

// The names of the new set in OUTDIR: diskN and, with images, diskN.img.
void SetName(int disk, bool image, char* out, size_t capacity)
{
    FormatText(out, capacity, image ? "disk%d.img" : "disk%d", disk);
}

// Moves the set made in `stage` into OUTDIR in place of what the last build
// wrote there, and records what it wrote. Everything else in OUTDIR stays;
// when something else stands in the way, nothing changes.
int Publish(const Layout& l, const char* stage, const char* outDir, bool images)
{
    if (mkdir(outDir, 0777) != 0 && !IsFolder(outDir))
        return KitFail("cannot create %s", outDir);
    Written w;
    ReadWritten(outDir, w);
    char what[PathBytes];
    for (int k = 1; k <= l.diskCount; k++) {
        for (int image = 0; image <= (images ? 1 : 0); image++) {
            char name[32];
            SetName(k, image, name, sizeof name);
            if (InTheWay(outDir, name, w, what, sizeof what)) {
                FreeWritten(w);
                fprintf(stderr, "setupkit: %s is in the way: %s does not list it as written by a build, and the "
                        "new set needs its name (move it away, or build into another folder); nothing was "
                        "written\n", what, WrittenRecord);
                return 1;
            }
        }
    }
    RemoveWritten(outDir, w);
    FreeWritten(w);
    // The record first names what is about to stand there.
    char recordPath[PathBytes];
    FormatText(recordPath, sizeof recordPath, "%s/%s", outDir, WrittenRecord);
    FILE* record = fopen(recordPath, "w");
    if (!record)
        return KitFail("cannot write %s", recordPath);
    fprintf(record, "; written by setupkit build: what it wrote here, which the next build replaces\n");
    int status = 0;
    for (int k = 1; k <= l.diskCount; k++) {
        for (int image = 0; image <= (images ? 1 : 0); image++) {
            char name[32], from[PathBytes], to[PathBytes];
            SetName(k, image, name, sizeof name);
            fprintf(record, "%s\n", name);
            for (int i = 0; !image && i < l.disks[k - 1].fileCount; i++)
                fprintf(record, "%s/%s\n", name, l.disks[k - 1].files[i].name);
            FormatText(from, sizeof from, "%s/%s", stage, name);
            FormatText(to, sizeof to, "%s/%s", outDir, name);
            if (rename(from, to) != 0 && status == 0)
                status = KitFail("cannot move the new disk into place: %s", to);
        }
    }
    if (fclose(record) != 0 && status == 0)
        status = KitFail("cannot write %s", recordPath);
    return status;
}

// A folder beside OUTDIR (same file system) where the set is made first.
int MakeStage(const char* outDir, char* stage)
{
    char trimmed[PathBytes];
    FormatText(trimmed, sizeof trimmed, "%s", outDir);
    for (size_t n = strlen(trimmed); n > 1 && trimmed[n - 1] == '/'; n--)
        trimmed[n - 1] = 0;
    FormatText(stage, PathBytes, "%s.new-XXXXXX", trimmed);
    if (!mkdtemp(stage))
        return KitFail("cannot create a folder beside %s", outDir);
    return 0;
}

// SOURCE_DATE_EPOCH as a time, or -1 when it is not set.
long long SourceDateEpoch()
{
    const char* v = getenv("SOURCE_DATE_EPOCH");
    if (!v || !*v)
        return -1;
    char* end;
    long long t = strtoll(v, &end, 10);
    return *end == 0 && t >= 0 ? t : -2;
}

// ---- Text for setup, and files installed twice ---------------------------------------------

// The bytes of an author's text file as setup must read them: UTF-8 with
// characters above 127 converted into the code page, anything else as it
// is. 1 after a message (FILE:LINE for a character the code page lacks).
int TextForSetup(const char* path, int codePage, ByteBuffer& out, bool* converted)
{
    *converted = false;
    if (!ReadWholeFile(path, out))
        return KitFail("cannot read %s", path);
    const char* text = reinterpret_cast<const char*>(out.data);
    if (!FirstHighByteLine(text, out.size) || !IsUtf8(text, out.size))
        return 0;
    ByteBuffer cp;
    InitBuffer(cp);
    TextFault fault;
    if (!TextToCodePage(codePage, text, out.size, cp, fault)) {
        FreeBuffer(cp);
        if (!fault.line)
            return KitFail("out of memory converting %s", path);
        fprintf(stderr, "%s:%d: error: \"%s\" cannot be written in code page %d, in which setup reads this file "
                "(give --codepage for the users' code page)\n", path, fault.line, fault.character, codePage);
        return 1;
    }
    FreeBuffer(out);
    out = cp;
    *converted = true;
    return 0;
}

void WarnSameInstall(void* context, const InstallSite& first, const InstallSite& second)
{
    const Description& d = *static_cast<const Description*>(context);
    fprintf(stderr, "%s:%d: warning: %s installs the same file as %s of line %d (%s): the later replaces the "
            "earlier\n", d.path, second.line, second.shown, first.shown, first.line, second.key);
}

// Warns of two entries that install one file (as Windows names files).
void WarnSameInstalls(const Description& d)
{
    int total = 0;
    for (int i = 0; i < d.itemCount; i++)
        total += d.items[i].kind == ItemProfile ? 0 : d.items[i].sources.count;
    InstallSite* sites = static_cast<InstallSite*>(calloc(total ? total : 1, sizeof *sites));
    if (!sites)
        return;
    int count = 0;
    for (int i = 0; i < d.itemCount; i++) {
        const Item& it = d.items[i];
        if (it.kind == ItemProfile)
            continue;
        char target[300];
        FormatText(target, sizeof target, "%s", it.target);
        for (size_t n = strlen(target); n > 0 && target[n - 1] == '\\'; n--)
            target[n - 1] = 0;
        for (int k = 0; k < it.sources.count; k++) {
            const SourceFile& f = it.sources.files[k];
            char installed[PathBytes], key[PathBytes], name[64];
            if (f.folder)
                continue;
            if (it.kind == ItemArchive)
                FormatText(installed, sizeof installed, "%s\\%s", target, f.member);
            else if (strchr(target, '.'))
                FormatText(installed, sizeof installed, "%s", target);  // setup copies to the file named
            else {
                DiskNameOf(f.path, name, sizeof name);
                FormatText(installed, sizeof installed, "%s\\%s", target, name);
            }
            if (!WindowsNameKey(d.codePage, installed, key, sizeof key))
                continue;
            sites[count].key = strdup(key);
            sites[count].shown = strdup(f.path);
            sites[count].line = it.line;
            if (sites[count].key && sites[count].shown)
                count++;
        }
    }
    FindSameInstalls(sites, count, WarnSameInstall, const_cast<Description*>(&d));
    for (int i = 0; i < total; i++) {
        free(sites[i].key);
        free(sites[i].shown);
    }
    free(sites);
}

}  // namespace

int LoadDescription(const char* path, Description& d)
{
    return ReadDescription(path, d);
}

void ReleaseDescription(Description& d)
{
    FreeDescription(d);
}

int BuildDistribution(const BuildOptions& o)
{
    long long epoch = SourceDateEpoch();
    if (epoch == -2)
        return KitFail("SOURCE_DATE_EPOCH is not a number of seconds: %s", getenv("SOURCE_DATE_EPOCH"));
    static Description desc;
    FreeDescription(desc);
    desc.codePage = o.codePage ? o.codePage : 1252;
    // Everything the author wrote is checked before anything is written.
    if (ReadDescription(o.description, desc)) {
        FreeDescription(desc);
        return KitFail("%s has errors; nothing was written", o.description);
    }
    WarnSameInstalls(desc);
    CheckOptions authorCheck = {};
    authorCheck.report = stderr;
    authorCheck.diskSectionsReplaced = 1;
    if (CheckScript(desc.script, authorCheck) > 0) {
        KitFail("the setup script %s has errors; nothing was written", desc.script);
        FreeDescription(desc);
        return 1;
    }
    if (o.setup) {
        FormatText(desc.setup, sizeof desc.setup, "%s", o.setup);
        if (FileSize(desc.setup) < 0)
            return KitFail("SETUP.EXE not found: %s (build it first)", desc.setup);
    }
    // The script and the companion files in the users' code page.
    static ByteBuffer companionText[8];
    bool companionConverted[8] = {};
    for (int i = 0; i < desc.companionCount; i++) {
        FreeBuffer(companionText[i]);
        if (TextForSetup(desc.companions[i], desc.codePage, companionText[i], &companionConverted[i])) {
            FreeDescription(desc);
            return KitFail("%s has errors; nothing was written", o.description);
        }
    }
    char* authorText = nullptr;
    {
        ByteBuffer b;
        InitBuffer(b);
        bool converted;
        if (TextForSetup(desc.script, desc.codePage, b, &converted)) {
            FreeBuffer(b);
            FreeDescription(desc);
            return KitFail("the setup script %s has errors; nothing was written", desc.script);
        }
        authorText = static_cast<char*>(malloc(b.size + 1));
        memcpy(authorText, b.data, b.size);
        authorText[b.size] = 0;
        FreeBuffer(b);
    }
    // The set is made beside OUTDIR and checked there; OUTDIR changes only
    // when all went well. Archives are written there as they are made.
    char stage[PathBytes] = "";
    if (MakeStage(o.outDir, stage)) {
        free(authorText);
        FreeDescription(desc);
        return 1;
    }
    static Layout l;
    FormatText(l.spool, sizeof l.spool, "%s", stage);
    l.medium = o.medium;
    l.pack = o.pack;
    l.progress = o.progress;
    ByteBuffer script;
    InitBuffer(script);
    int64_t reserve = static_cast<int64_t>(strlen(authorText)) + 512;
    bool floppy = o.medium->clusterBytes > 0;
    bool multi = false;
    int status = 1;
    // First as one disk; when that does not hold everything, as a set with
    // thisdisk files. The script's size is known only after the layout: a
    // pass with too small a reservation is repeated with a larger one.
    for (int pass = 0; pass < 8; pass++) {
        FreeLayout(l);
        l.multi = multi;
        QuietFailures = floppy && !multi;
        status = LayOut(l, desc, reserve);
        QuietFailures = false;
        if (status != 0) {
            if (floppy && !multi) {
                multi = true;
                if (o.progress)
                    fprintf(o.progress, "more than one %s KB disk: laying out a set of disks\n", o.medium->name);
                continue;
            }
            break;
        }
        script.size = 0;
        ComposeScript(l, authorText, script);
        if (OnDiskBytes(*o.medium, static_cast<int64_t>(script.size)) <= OnDiskBytes(*o.medium, reserve)) {
            for (int i = 0; i < l.disks[0].fileCount; i++) {
                DiskFile& f = l.disks[0].files[i];
                if (strcmp(f.name, ScriptFileName) == 0) {
                    // The reservation may have taken more clusters than the script.
                    l.disks[0].freeBytes += OnDiskBytes(*o.medium, f.size) -
                                            OnDiskBytes(*o.medium, static_cast<int64_t>(script.size));
                    f.size = static_cast<int64_t>(script.size);
                }
            }
            break;
        }
        reserve = static_cast<int64_t>(script.size) + 512;
        status = 1;
    }
    // Converted companion files go onto disk 1 as the builder's own; their
    // size only shrank in the conversion.
    for (int i = 0; status == 0 && i < l.disks[0].fileCount; i++) {
        DiskFile& f = l.disks[0].files[i];
        for (int k = 0; k < desc.companionCount; k++) {
            if (!companionConverted[k] || strcmp(f.source, desc.companions[k]) != 0)
                continue;
            f.source[0] = 0;
            AppendBytes(f.data, companionText[k].data, companionText[k].size);
            l.disks[0].freeBytes += OnDiskBytes(*o.medium, f.size) -
                                    OnDiskBytes(*o.medium, static_cast<int64_t>(companionText[k].size));
            f.size = static_cast<int64_t>(companionText[k].size);
        }
    }
    if (status == 0)
        status = WriteDisks(l, o, stage, script, epoch);
    if (status == 0) {
        // What was written must pass the checker, disks and all; its
        // warnings were given for the author's script already.
        char scriptPath[PathBytes];
        FormatText(scriptPath, sizeof scriptPath, "%s/disk1/%s", stage, ScriptFileName);
        static char folders[MaxDisks][PathBytes];
        const char* dirs[MaxDisks];
        for (int k = 0; k < l.diskCount; k++) {
            FormatText(folders[k], PathBytes, "%s/disk%d", stage, k + 1);
            dirs[k] = folders[k];
        }
        char* report = nullptr;
        size_t reportSize = 0;
        CheckOptions check = {};
        check.diskDirs = dirs;
        check.diskCount = l.diskCount;
        check.codePage = desc.codePage;
        check.report = open_memstream(&report, &reportSize);
        if (!check.report)
            check.report = stderr;
        int errors = CheckScript(scriptPath, check);
        if (check.report != stderr)
            fclose(check.report);
        if (errors > 0) {
            fputs(report ? report : "", stderr);
            status = KitFail("the distribution made does not pass the checker; nothing was written%s", "");
        }
        free(report);
    }
    if (status == 0)
        status = Publish(l, stage, o.outDir, o.images && o.medium->clusterBytes);
    if (status == 0)
        status = RecordBuild(o.outDir, o.description, desc.codePage);
    if (stage[0])
        RemoveTree(stage);
    if (status == 0 && o.log) {
        for (int k = 0; k < l.diskCount; k++) {
            const Disk& d = l.disks[k];
            fprintf(o.log, "disk%d:", k + 1);
            for (int i = 0; i < d.fileCount; i++)
                fprintf(o.log, " %s", d.files[i].name);
            if (o.medium->clusterBytes)
                fprintf(o.log, "  (%lld bytes free)", static_cast<long long>(d.freeBytes));
            fputc('\n', o.log);
        }
    }
    FreeLayout(l);
    ForgetKeptPacking();
    free(authorText);
    FreeBuffer(script);
    FreeDescription(desc);
    return status;
}
