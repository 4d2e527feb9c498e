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
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include "kit/layout.h"
#include "script/keys.h"

namespace {

// ---- The description ---------------------------------------------------------------------

void Resolve(const Description& d, const char* path, char* out)
{
    if (path[0] == '/')
        FormatText(out, PathBytes, "%s", path);
    else
        FormatText(out, PathBytes, "%s/%s", d.folder, path);
}

// Splits "A B REST": the first two words and the rest (the target).
int SplitWords(const char* value, int words, char out[][PathBytes])
{
    const char* p = value;
    for (int w = 0; w < words; w++) {
        while (*p == ' ' || *p == '\t')
            p++;
        if (!*p)
            return 0;
        size_t n = w == words - 1 ? strlen(p) : strcspn(p, " \t");
        FormatText(out[w], PathBytes, "%.*s", static_cast<int>(n), p);
        p += n;
    }
    return 1;
}

int ReadDescription(const char* path, Description& d)
{
    FormatText(d.folder, sizeof d.folder, "%s", path);
    char* slash = strrchr(d.folder, '/');
    if (slash)
        *slash = 0;
    else
        FormatText(d.folder, sizeof d.folder, ".");
    if (FileSize(path) < 0)
        return KitFail("cannot read the description %s", path);
    ConfigFile f(50, path);
    d.items = static_cast<Item*>(calloc(MaxItems, sizeof(Item)));
    if (!d.items)
        return KitFail("out of memory reading %s", path);
    for (int i = 0; i < f.count; i++) {
        const char* key = f.KeyAt(i);
        const char* value = f.ValueAt(i);
        char words[3][PathBytes];
        if (strcmp(key, "Setup") == 0) {
            Resolve(d, value, d.setup);
        } else if (strcmp(key, "Script") == 0) {
            Resolve(d, value, d.script);
        } else if (strcmp(key, "Companion") == 0) {
            if (d.companionCount == 8)
                return KitFail("more than 8 companion files in %s", path);
            Resolve(d, value, d.companions[d.companionCount++]);
        } else if (strcmp(key, "Archive") == 0 || strcmp(key, "Copy") == 0 ||
                   strcmp(key, "Profile") == 0) {
            if (d.itemCount == MaxItems)
                return KitFail("too many entries in %s", path);
            Item& item = d.items[d.itemCount];
            bool archive = key[0] == 'A';
            if (!SplitWords(value, archive ? 3 : 2, words))
                return KitFail("an entry of %s lacks its source or target", path);
            item.kind = archive ? ItemArchive : key[0] == 'C' ? ItemCopy : ItemProfile;
            if (archive)
                FormatText(item.name, sizeof item.name, "%s", words[0]);
            Resolve(d, words[archive ? 1 : 0], item.source);
            FormatText(item.target, sizeof item.target, "%s", words[archive ? 2 : 1]);
            if (FileSize(item.source) < 0)
                return KitFail("source not found: %s", item.source);
            d.itemCount++;
        } else {
            return KitFail("unknown key in the description: %s", key);
        }
    }
    if (!d.script[0])
        return KitFail("the description %s needs Script=", path);
    if (d.setup[0] && FileSize(d.setup) < 0)
        return KitFail("SETUP.EXE not found: %s (build it first)", d.setup);
    if (FileSize(d.script) < 0)
        return KitFail("setup script not found: %s", d.script);
    return 0;
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

int CopyFile(const char* from, const char* to)
{
    ByteBuffer b;
    InitBuffer(b);
    int ok = ReadWholeFile(from, b) && WriteBufferToFile(to, b);
    FreeBuffer(b);
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

// A bootless FAT12 image of the disk folder, made with mtools.
int WriteImage(const Layout& l, int k, const char* folder, const char* image)
{
    remove(image);
    const char* format[] = {"mformat", "-C", "-i", image, "-f", l.medium->name, "::", nullptr};
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

int WriteDisks(const Layout& l, const BuildOptions& o, const Description& desc, const ByteBuffer& script)
{
    mkdir(o.outDir, 0777);
    for (int k = 0; k < l.diskCount; k++) {
        char folder[PathBytes];
        FormatText(folder, sizeof folder, "%s/disk%d", o.outDir, k + 1);
        mkdir(folder, 0777);
        // A folder left from an earlier build must not keep stale files.
        DIR* dir = opendir(folder);
        while (struct dirent* e = dir ? readdir(dir) : nullptr) {
            char old[PathBytes];
            FormatText(old, sizeof old, "%s/%s", folder, e->d_name);
            if (!IsFolder(old))
                remove(old);
        }
        if (dir)
            closedir(dir);
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
            } else if (f.source[0])
                ok = CopyFile(f.source, path);
            else
                ok = WriteBufferToFile(path, f.data);
            if (!ok)
                return KitFail("cannot write %s", path);
        }
        if (o.images && l.medium->clusterBytes) {
            char image[PathBytes];
            FormatText(image, sizeof image, "%s/disk%d.img", o.outDir, k + 1);
            if (WriteImage(l, k, folder, image))
                return 1;
        }
    }
    (void)desc;
    return 0;
}

// One pass of the layout with `scriptBytes` reserved for the script.

}  // namespace

int BuildDistribution(const BuildOptions& o)
{
    Description desc = {};
    if (ReadDescription(o.description, desc))
        return 1;
    if (o.setup) {
        FormatText(desc.setup, sizeof desc.setup, "%s", o.setup);
        if (FileSize(desc.setup) < 0)
            return KitFail("SETUP.EXE not found: %s (build it first)", desc.setup);
    }
    char* authorText = nullptr;
    {
        ByteBuffer b;
        InitBuffer(b);
        if (!ReadWholeFile(desc.script, b))
            return KitFail("cannot read %s", desc.script);
        authorText = static_cast<char*>(malloc(b.size + 1));
        memcpy(authorText, b.data, b.size);
        authorText[b.size] = 0;
        FreeBuffer(b);
    }
    static Layout l;
    l.medium = o.medium;
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
    if (status != 0) {
        FreeLayout(l);
        free(authorText);
        FreeBuffer(script);
        free(desc.items);
        return 1;
    }
    status = WriteDisks(l, o, desc, script);
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
    if (status == 0) {
        // What was written must pass the checker, disks and all.
        char scriptPath[PathBytes];
        FormatText(scriptPath, sizeof scriptPath, "%s/disk1/%s", o.outDir, ScriptFileName);
        static char folders[MaxDisks][PathBytes];
        const char* dirs[MaxDisks];
        for (int k = 0; k < l.diskCount; k++) {
            FormatText(folders[k], PathBytes, "%s/disk%d", o.outDir, k + 1);
            dirs[k] = folders[k];
        }
        CheckOptions check = {dirs, l.diskCount, stderr};
        if (CheckScript(scriptPath, check) > 0)
            status = KitFail("the written distribution does not pass the checker: %s", scriptPath);
    }
    FreeLayout(l);
    free(authorText);
    FreeBuffer(script);
    free(desc.items);
    return status;
}
