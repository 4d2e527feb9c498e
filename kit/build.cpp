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
//   Setup=PATH            the SETUP.EXE to ship
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
#include <strings.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include "kit/kit.h"
#include "script/keys.h"

namespace {

constexpr int PathBytes = 4096;
constexpr int MaxDisks = 99;
constexpr int MaxItems = 1000;

// ---- What the disks will hold ---------------------------------------------------------

struct DiskFile {
    char name[64];         // name on the disk
    char source[PathBytes];// file to copy, or "" when the data is in `data`
    ByteBuffer data;       // archive or generated file
    int64_t size;
};

struct DiskEntry {
    char key[64];
    char value[300];
};

struct Disk {
    DiskFile* files;
    int fileCount;
    DiskEntry* entries;
    int entryCount;
    int64_t freeBytes;     // left for files, in whole clusters
    int32_t freeEntries;   // root directory entries left
};

struct Layout {
    Disk disks[MaxDisks];
    int diskCount;
    const Medium* medium;
    bool multi;            // a set of disks with thisdisk files
};

enum ItemKind { ItemArchive, ItemCopy, ItemProfile };

struct Item {
    ItemKind kind;
    char name[64];               // archive name
    char source[PathBytes];
    char target[300];
    int line;
};

struct Description {
    char folder[PathBytes];
    char setup[PathBytes];
    char script[PathBytes];
    char companions[8][PathBytes];
    int companionCount;
    Item* items;
    int itemCount;
};

// Set while a layout is only tried: its failures are no errors yet.
bool QuietFailures = false;

int Fail(const char* format, const char* what)
{
    if (QuietFailures)
        return 1;
    fputs("setupkit: ", stderr);
    fprintf(stderr, format, what);
    fputc('\n', stderr);
    return 1;
}

const char* BaseName(const char* path)
{
    const char* slash = strrchr(path, '/');
    return slash ? slash + 1 : path;
}

bool IsFolder(const char* path)
{
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

int64_t FileSize(const char* path)
{
    struct stat st;
    return stat(path, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

// Root directory entries a name takes: one for an 8.3 name in capitals,
// more when a long name must be stored beside it.
int32_t EntriesForName(const char* name)
{
    size_t n = strlen(name);
    const char* dot = strchr(name, '.');
    size_t base = dot ? static_cast<size_t>(dot - name) : n;
    size_t ext = dot ? n - base - 1 : 0;
    bool plain = base >= 1 && base <= 8 && ext <= 3 && (!dot || !strchr(dot + 1, '.'));
    for (size_t i = 0; plain && i < n; i++)
        plain = !islower(static_cast<unsigned char>(name[i])) && name[i] != ' ';
    return plain ? 1 : 1 + static_cast<int32_t>((n + 12) / 13);
}

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
        return Fail("cannot read the description %s", path);
    ConfigFile f(50, path);
    d.items = static_cast<Item*>(calloc(MaxItems, sizeof(Item)));
    if (!d.items)
        return Fail("out of memory reading %s", path);
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
                return Fail("more than 8 companion files in %s", path);
            Resolve(d, value, d.companions[d.companionCount++]);
        } else if (strcmp(key, "Archive") == 0 || strcmp(key, "Copy") == 0 ||
                   strcmp(key, "Profile") == 0) {
            if (d.itemCount == MaxItems)
                return Fail("too many entries in %s", path);
            Item& item = d.items[d.itemCount];
            bool archive = key[0] == 'A';
            if (!SplitWords(value, archive ? 3 : 2, words))
                return Fail("an entry of %s lacks its source or target", path);
            item.kind = archive ? ItemArchive : key[0] == 'C' ? ItemCopy : ItemProfile;
            if (archive) {
                FormatText(item.name, sizeof item.name, "%s", words[0]);
                for (char* c = item.name; *c; c++)
                    *c = static_cast<char>(toupper(static_cast<unsigned char>(*c)));
            }
            Resolve(d, words[archive ? 1 : 0], item.source);
            FormatText(item.target, sizeof item.target, "%s", words[archive ? 2 : 1]);
            if (FileSize(item.source) < 0)
                return Fail("source not found: %s", item.source);
            d.itemCount++;
        } else {
            return Fail("unknown key in the description: %s", key);
        }
    }
    if (!d.setup[0] || !d.script[0])
        return Fail("the description %s needs Setup= and Script=", path);
    if (FileSize(d.setup) < 0)
        return Fail("SETUP.EXE not found: %s (build it first)", d.setup);
    if (FileSize(d.script) < 0)
        return Fail("setup script not found: %s", d.script);
    return 0;
}

// ---- Disks --------------------------------------------------------------------------------

void FreeLayout(Layout& l)
{
    for (int k = 0; k < l.diskCount; k++) {
        for (int i = 0; i < l.disks[k].fileCount; i++)
            FreeBuffer(l.disks[k].files[i].data);
        free(l.disks[k].files);
        free(l.disks[k].entries);
    }
    l.diskCount = 0;
}

DiskFile* AddFile(const Layout& l, Disk& d, const char* name, const char* source, int64_t size);

Disk* NewDisk(Layout& l)
{
    if (l.diskCount == MaxDisks)
        return nullptr;
    Disk& d = l.disks[l.diskCount++];
    memset(&d, 0, sizeof d);
    d.files = static_cast<DiskFile*>(calloc(256, sizeof(DiskFile)));
    d.entries = static_cast<DiskEntry*>(calloc(256, sizeof(DiskEntry)));
    const Medium& m = *l.medium;
    d.freeBytes = m.clusterBytes ? int64_t(m.clusters) * m.clusterBytes : INT64_MAX / 4;
    // One entry stays free for a volume label.
    d.freeEntries = m.clusterBytes ? m.rootEntries - 1 : INT32_MAX / 4;
    if (!d.files || !d.entries)
        return nullptr;
    if (l.multi)
        AddFile(l, d, ThisDiskFileName, nullptr, 40);  // a line or two
    return &d;
}

bool Fits(const Layout& l, const Disk& d, int64_t size, const char* name)
{
    return OnDiskBytes(*l.medium, size) <= d.freeBytes && EntriesForName(name) <= d.freeEntries;
}

DiskFile* AddFile(const Layout& l, Disk& d, const char* name, const char* source, int64_t size)
{
    if (d.fileCount == 256)
        return nullptr;
    DiskFile& f = d.files[d.fileCount++];
    FormatText(f.name, sizeof f.name, "%s", name);
    FormatText(f.source, sizeof f.source, "%s", source ? source : "");
    InitBuffer(f.data);
    f.size = size;
    d.freeBytes -= OnDiskBytes(*l.medium, size);
    d.freeEntries -= EntriesForName(name);
    return &f;
}

void AddEntry(Disk& d, const char* key, const char* prefix, const char* target)
{
    if (d.entryCount == 256)
        return;
    DiskEntry& e = d.entries[d.entryCount++];
    FormatText(e.key, sizeof e.key, "%s", key);
    FormatText(e.value, sizeof e.value, "%s%s", prefix, target);
}

// Names are unique over the whole distribution (FAT ignores case), so that
// a set of disks copied into one folder still works as one medium.
bool NameTaken(const Layout& l, const char* name)
{
    for (int k = 0; k < l.diskCount; k++) {
        for (int i = 0; i < l.disks[k].fileCount; i++) {
            if (strcasecmp(l.disks[k].files[i].name, name) == 0)
                return true;
        }
    }
    return false;
}

// ---- Archives -----------------------------------------------------------------------------

struct SourceFile {
    char path[PathBytes];
    char member[MaxMemberName + 1];
};

int CompareStrings(const void* a, const void* b)
{
    return strcmp(*static_cast<char* const*>(a), *static_cast<char* const*>(b));
}

// The files below a folder in name order, member names with "\".
int CollectFiles(const char* folder, const char* prefix, SourceFile* out, int& count, int capacity)
{
    DIR* dir = opendir(folder);
    if (!dir)
        return Fail("cannot read folder %s", folder);
    char* names[1024];
    int n = 0;
    while (struct dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.' && (e->d_name[1] == 0 || (e->d_name[1] == '.' && e->d_name[2] == 0)))
            continue;
        if (n == 1024)
            break;
        names[n++] = strdup(e->d_name);
    }
    closedir(dir);
    qsort(names, static_cast<size_t>(n), sizeof names[0], CompareStrings);
    int status = 0;
    for (int i = 0; i < n; i++) {
        char path[PathBytes];
        char member[PathBytes];
        FormatText(path, sizeof path, "%s/%s", folder, names[i]);
        FormatText(member, sizeof member, "%s%s%s", prefix, prefix[0] ? "\\" : "", names[i]);
        if (status == 0 && IsFolder(path)) {
            status = CollectFiles(path, member, out, count, capacity);
        } else if (status == 0) {
            if (count == capacity || strlen(member) > MaxMemberName)
                status = Fail("too many files, or a name too long, at %s", path);
            else {
                FormatText(out[count].path, sizeof out[count].path, "%s", path);
                FormatText(out[count].member, sizeof out[count].member, "%s", member);
                count++;
            }
        }
        free(names[i]);
    }
    return status;
}

// The name of the k-th part of an archive: NAME.LZH, NAME2.LZH, ...
void PartName(const char* name, int part, char* out, size_t capacity)
{
    if (part == 1) {
        FormatText(out, capacity, "%s", name);
        return;
    }
    const char* dot = strrchr(name, '.');
    int base = dot ? static_cast<int>(dot - name) : static_cast<int>(strlen(name));
    char digits[8];
    FormatText(digits, sizeof digits, "%d", part);
    int nd = static_cast<int>(strlen(digits));
    if (base > 8 - nd)
        base = 8 - nd;
    FormatText(out, capacity, "%.*s%s%s", base, name, digits, dot ? dot : "");
}

struct ArchivePart {
    Disk* disk;
    ByteBuffer bytes;
    int part;
};

// Space of the current disk left to the open archive (its end marker counted).
bool MemberFits(const Layout& l, const ArchivePart& a, size_t memberBytes)
{
    return OnDiskBytes(*l.medium, static_cast<int64_t>(a.bytes.size + memberBytes + 1)) <= a.disk->freeBytes;
}

void CloseArchivePart(Layout& l, ArchivePart& a, const Item& item)
{
    char name[64];
    PartName(item.name, a.part, name, sizeof name);
    EndArchive(a.bytes);
    DiskFile* f = AddFile(l, *a.disk, name, nullptr, static_cast<int64_t>(a.bytes.size));
    if (f) {
        f->data = a.bytes;
        InitBuffer(a.bytes);
    }
    AddEntry(*a.disk, name, "", item.target);
}

// Starts the next part of an archive on the current disk, or on a new disk
// when this one has no room for an archive file with a member in it.
int OpenArchivePart(Layout& l, ArchivePart& a, const Item& item)
{
    char name[64];
    PartName(item.name, a.part + 1, name, sizeof name);
    if (NameTaken(l, name))
        return Fail("two files named %s in the distribution", name);
    Disk* d = &l.disks[l.diskCount - 1];
    if (!Fits(l, *d, 64 + 1, name)) {
        if (!l.multi)
            return Fail("no room for archive %s", name);
        d = NewDisk(l);
        if (!d)
            return Fail("more than 99 disks needed for %s", name);
    }
    a.disk = d;
    a.part++;
    InitBuffer(a.bytes);
    // Reserve the root entry while the part grows.
    return 1;
}

int PackArchive(Layout& l, const Item& item)
{
    static SourceFile files[4096];
    int count = 0;
    if (IsFolder(item.source)) {
        if (CollectFiles(item.source, "", files, count, 4096))
            return 1;
    } else {
        FormatText(files[0].path, sizeof files[0].path, "%s", item.source);
        FormatText(files[0].member, sizeof files[0].member, "%s", BaseName(item.source));
        count = 1;
    }
    ArchivePart a = {};
    if (!OpenArchivePart(l, a, item))
        return 1;
    ByteBuffer data, member;
    InitBuffer(data);
    InitBuffer(member);
    int status = 0;
    for (int i = 0; i < count && status == 0; i++) {
        struct stat st;
        if (stat(files[i].path, &st) != 0 || !ReadWholeFile(files[i].path, data)) {
            status = Fail("cannot read %s", files[i].path);
            break;
        }
        uint32_t when = DosDateTime(st.st_mtime);
        size_t done = 0;
        MemberKind kind = MemberWhole;
        for (;;) {
            size_t left = data.size - done;
            MemberKind whole = kind == MemberWhole ? MemberWhole : MemberSplitNext;
            if (!BuildMember(member, files[i].member, data.data + done, left, when, whole, 0)) {
                status = Fail("cannot pack %s", files[i].path);
                break;
            }
            if (MemberFits(l, a, member.size)) {
                AppendBytes(a.bytes, member.data, member.size);
                break;
            }
            if (!l.multi) {
                status = Fail("does not fit on one disk: %s (choose a bigger medium)", files[i].path);
                break;
            }
            // The largest first part that fits: a binary search over the
            // length, each try packed as the member it would be.
            MemberKind first = kind == MemberWhole ? MemberSplitFirst : MemberSplitNext;
            size_t lo = 0, hi = left;
            while (hi - lo > 256) {
                size_t mid = lo + (hi - lo) / 2;
                BuildMember(member, files[i].member, data.data + done, mid, when, first, 0);
                if (MemberFits(l, a, member.size))
                    lo = mid;
                else
                    hi = mid;
            }
            if (lo > 0) {
                BuildMember(member, files[i].member, data.data + done, lo, when, first, 0);
                AppendBytes(a.bytes, member.data, member.size);
                done += lo;
                kind = MemberSplitNext;
            }
            if (a.bytes.size > 0) {
                CloseArchivePart(l, a, item);
            } else if (a.disk->fileCount <= (l.multi ? 1 : 0)) {
                status = Fail("no room for any of it on an empty disk: %s", files[i].path);
                break;
            } else {
                a.part--;  // nothing went under this part's name
            }
            Disk* d = NewDisk(l);
            if (!d) {
                status = Fail("more than 99 disks needed for %s", item.name);
                break;
            }
            char name[64];
            PartName(item.name, a.part + 1, name, sizeof name);
            if (NameTaken(l, name)) {
                status = Fail("two files named %s in the distribution", name);
                break;
            }
            a.disk = d;
            a.part++;
            InitBuffer(a.bytes);
        }
    }
    if (status == 0)
        CloseArchivePart(l, a, item);
    FreeBuffer(a.bytes);
    FreeBuffer(data);
    FreeBuffer(member);
    return status;
}

// Copy and profile entries: whole files, each on the first disk from the
// current one that has room.
int PlaceFile(Layout& l, const Item& item, const char* path)
{
    const char* name = BaseName(path);
    int64_t size = FileSize(path);
    if (NameTaken(l, name))
        return Fail("two files named %s in the distribution", name);
    Disk* d = &l.disks[l.diskCount - 1];
    if (!Fits(l, *d, size, name)) {
        if (!l.multi)
            return Fail("does not fit on one disk: %s (choose a bigger medium)", path);
        d = NewDisk(l);
        if (!d || !Fits(l, *d, size, name))
            return Fail("larger than a disk, so it cannot be copied: %s (pack it into an archive)", path);
    }
    AddFile(l, *d, name, path, size);
    AddEntry(*d, name, item.kind == ItemCopy ? "=" : "|", item.target);
    return 0;
}

int PlaceItems(Layout& l, const Description& desc)
{
    for (int i = 0; i < desc.itemCount; i++) {
        const Item& item = desc.items[i];
        if (item.kind == ItemArchive) {
            if (PackArchive(l, item))
                return 1;
            continue;
        }
        if (!IsFolder(item.source)) {
            if (PlaceFile(l, item, item.source))
                return 1;
            continue;
        }
        static SourceFile files[4096];
        int count = 0;
        if (CollectFiles(item.source, "", files, count, 4096))
            return 1;
        for (int k = 0; k < count; k++) {
            if (strchr(files[k].member, '\\'))
                return Fail("copy entries take the files of one folder, not of folders below it: %s", files[k].path);
            if (PlaceFile(l, item, files[k].path))
                return 1;
        }
    }
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
        return Fail("mformat failed for %s (is mtools installed?)", image);
    const Disk& d = l.disks[k];
    for (int i = 0; i < d.fileCount; i++) {
        char path[PathBytes];
        FormatText(path, sizeof path, "%s/%s", folder, d.files[i].name);
        const char* copy[] = {"mcopy", "-m", "-i", image, path, "::/", nullptr};
        if (Run(copy, true) != 0)
            return Fail("mcopy failed for %s", path);
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
                return Fail("cannot write %s", path);
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
int LayOut(Layout& l, const Description& desc, int64_t scriptBytes)
{
    Disk* first = NewDisk(l);
    if (!first)
        return Fail("out of memory%s", "");
    DiskFile* f = AddFile(l, *first, "SETUP.EXE", desc.setup, FileSize(desc.setup));
    AddFile(l, *first, ScriptFileName, nullptr, scriptBytes);
    for (int i = 0; i < desc.companionCount; i++)
        AddFile(l, *first, BaseName(desc.companions[i]), desc.companions[i], FileSize(desc.companions[i]));
    if (!f || first->freeBytes < 0 || first->freeEntries < 0)
        return Fail("SETUP.EXE, the script and the companion files do not fit on disk 1 of a %s KB floppy",
                    l.medium->name);
    return PlaceItems(l, desc);
}

}  // namespace

int BuildDistribution(const BuildOptions& o)
{
    Description desc = {};
    if (ReadDescription(o.description, desc))
        return 1;
    char* authorText = nullptr;
    {
        ByteBuffer b;
        InitBuffer(b);
        if (!ReadWholeFile(desc.script, b))
            return Fail("cannot read %s", desc.script);
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
            l.disks[0].files[1].size = static_cast<int64_t>(script.size);
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
            status = Fail("the written distribution does not pass the checker: %s", scriptPath);
    }
    FreeLayout(l);
    free(authorText);
    FreeBuffer(script);
    free(desc.items);
    return status;
}
