// The builder's layout: disk 1 first with SETUP.EXE, the script and its
// companions, then the description's entries in order. Copied files go whole
// onto the first disk from the current one with room; archives grow on the
// current disk, and the file that does not fit on its rest is split: the
// file is packed once, and the longest first part whose data fits (cut from
// that packing, see CutPart) ends the disk's archive, the rest begins the
// next disk's. Files take whole clusters; names take root entries. Archives
// are written into the spool folder as they grow, so that no disk's archive
// stays in memory; on a single medium, where nothing is split, each file is
// packed as it is read.
#include <ctype.h>
#include <dirent.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <time.h>

#include "kit/layout.h"
#include "script/keys.h"

bool QuietFailures = false;
const char* FailFile = nullptr;
int FailLine = 0;

static void EndProgressLine();

int KitFail(const char* format, const char* what)
{
    if (QuietFailures)
        return 1;
    EndProgressLine();
    if (FailFile && FailLine > 0)
        fprintf(stderr, "%s:%d: error: ", FailFile, FailLine);
    else
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

void DiskNameOf(const char* path, char* name, size_t capacity)
{
    FormatText(name, capacity, "%s", BaseName(path));
    UpperCase(name);
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

// Root directory entries a name takes: every name on a disk is an 8.3 short
// name (the builder refuses others, and its own install.cfg and thisdisk are
// in one case, which FAT keeps in the short entry), so one.
static int32_t EntriesForName(const char*)
{
    return 1;
}

// ---- Disks --------------------------------------------------------------------------------

void FreeLayout(Layout& l)
{
    for (int k = 0; k < l.diskCount; k++) {
        for (int i = 0; i < l.disks[k].fileCount; i++) {
            FreeBuffer(l.disks[k].files[i].data);
            // Gone already when it was moved onto its disk.
            if (l.disks[k].files[i].spooled)
                remove(l.disks[k].files[i].source);
        }
        free(l.disks[k].files);
        free(l.disks[k].entries);
    }
    l.diskCount = 0;
}

static Disk* NewDisk(Layout& l)
{
    if (l.diskCount == MaxDisks)
        return nullptr;
    Disk& d = l.disks[l.diskCount++];
    memset(&d, 0, sizeof d);
    d.entries = static_cast<DiskEntry*>(calloc(256, sizeof(DiskEntry)));
    const Medium& m = *l.medium;
    d.freeBytes = m.clusterBytes ? int64_t(m.clusters) * m.clusterBytes : INT64_MAX / 4;
    // One entry stays free for a volume label.
    d.freeEntries = m.clusterBytes ? m.rootEntries - 1 : INT32_MAX / 4;
    if (!d.entries)
        return nullptr;
    if (l.multi)
        AddFile(l, d, ThisDiskFileName, nullptr, 40);  // a line or two
    return &d;
}

static bool Fits(const Layout& l, const Disk& d, int64_t size, const char* name)
{
    return OnDiskBytes(*l.medium, size) <= d.freeBytes && EntriesForName(name) <= d.freeEntries;
}

DiskFile* AddFile(const Layout& l, Disk& d, const char* name, const char* source, int64_t size)
{
    if (d.fileCount == 256)
        return nullptr;
    // A disk's records take room only for the files it has: a set may have
    // many disks of a few files each.
    if (d.fileCount == d.fileCapacity) {
        int capacity = d.fileCapacity ? d.fileCapacity * 2 : 8;
        DiskFile* grown = static_cast<DiskFile*>(realloc(d.files, capacity * sizeof(DiskFile)));
        if (!grown)
            return nullptr;
        d.files = grown;
        d.fileCapacity = capacity;
    }
    DiskFile& f = d.files[d.fileCount++];
    FormatText(f.name, sizeof f.name, "%s", name);
    FormatText(f.source, sizeof f.source, "%s", source ? source : "");
    InitBuffer(f.data);
    f.spooled = 0;
    f.size = size;
    f.line = FailLine;
    f.part = 0;
    f.partOf[0] = 0;
    d.freeBytes -= OnDiskBytes(*l.medium, size);
    d.freeEntries -= EntriesForName(name);
    return &f;
}

static void AddEntry(Disk& d, const char* key, const char* prefix, const char* target)
{
    if (d.entryCount == 256)
        return;
    DiskEntry& e = d.entries[d.entryCount++];
    FormatText(e.key, sizeof e.key, "%s", key);
    FormatText(e.value, sizeof e.value, "%s%s", prefix, target);
}

// Names are unique over the whole distribution (FAT ignores case), so that
// a set of disks copied into one folder still works as one medium.
static const DiskFile* NameTaken(const Layout& l, const char* name, int* disk = nullptr)
{
    for (int k = 0; k < l.diskCount; k++) {
        for (int i = 0; i < l.disks[k].fileCount; i++) {
            if (strcasecmp(l.disks[k].files[i].name, name) == 0) {
                if (disk)
                    *disk = k + 1;
                return &l.disks[k].files[i];
            }
        }
    }
    return nullptr;
}

// The description refuses two files of one name; a clash found while laying
// out involves a continuation archive (NAME2.LZH, ...): says which is which.
// `part` is the part number `name` would be of `archive` (1: a file of the
// entry itself).
static int NameClash(const Layout& l, const char* name, int part, const char* archive)
{
    int disk = 0;
    const DiskFile* taken = NameTaken(l, name, &disk);
    char had[200], message[400];
    if (!taken)
        FormatText(had, sizeof had, "another file");
    else if (taken->part > 1)
        FormatText(had, sizeof had, "part %d of %s (line %d) on disk %d", taken->part, taken->partOf, taken->line,
                   disk);
    else if (taken->line > 0)
        FormatText(had, sizeof had, "the file of line %d on disk %d", taken->line, disk);
    else
        FormatText(had, sizeof had, "a file the builder writes");
    if (part > 1)
        FormatText(message, sizeof message, "two files named %s: part %d of %s (this line) and %s; rename one of "
                   "the archives", name, part, archive, had);
    else
        FormatText(message, sizeof message, "two files named %s: this line's and %s; rename one", name, had);
    return KitFail("%s", message);
}

// ---- Archives -----------------------------------------------------------------------------

// The name of the k-th part of an archive: NAME.LZH, NAME2.LZH, ...
static void PartName(const char* name, int part, char* out, size_t capacity)
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

// An archive file being written: its members so far are in `file`.
struct ArchivePart {
    Disk* disk;
    FILE* file;            // null until the part's first member comes
    char path[PathBytes];
    int64_t size;
    int part;
};

// Opens the spool file of the part begun last, unless it is open: 0 on success.
static int StartSpool(Layout& l, ArchivePart& a)
{
    if (a.file)
        return 0;
    FormatText(a.path, sizeof a.path, "%s/part%d.lzh", l.spool, ++l.spoolCount);
    a.file = fopen(a.path, "w+b");
    a.size = 0;
    return a.file ? 0 : KitFail("cannot write %s", a.path);
}

// Closes a spool file that did not become a disk's file, and removes it.
static void DropSpool(ArchivePart& a)
{
    if (!a.file)
        return;
    fclose(a.file);
    remove(a.path);
    a.file = nullptr;
}

static int AppendToPart(ArchivePart& a, const ByteBuffer& member)
{
    if (member.failed || fwrite(member.data, 1, member.size, a.file) != member.size)
        return 0;
    a.size += static_cast<int64_t>(member.size);
    return 1;
}

// Bytes of member data that fit on the current disk beside the open archive,
// the member's header and the archive's end marker. A disk's free space is
// always a whole number of clusters, so an archive of exactly that size fills
// its last cluster and takes no more. -1 when not even the header fits.
static int64_t MemberRoom(const ArchivePart& a, size_t headerBytes)
{
    int64_t room = a.disk->freeBytes - (a.size + static_cast<int64_t>(headerBytes) + 1);
    return room < 0 ? -1 : room;
}

// Ends the part's archive with the end marker and puts it on its disk. 0 on
// success.
static int CloseArchivePart(Layout& l, ArchivePart& a, const Item& item)
{
    char name[64];
    PartName(item.name, a.part, name, sizeof name);
    if (StartSpool(l, a))
        return 1;
    int written = fputc(0, a.file) != EOF;
    written = fclose(a.file) == 0 && written;
    a.file = nullptr;
    if (!written) {
        remove(a.path);
        return KitFail("cannot write %s", a.path);
    }
    DiskFile* f = AddFile(l, *a.disk, name, a.path, a.size + 1);
    if (!f) {
        remove(a.path);
        return KitFail("more than 256 files on one disk at %s", name);
    }
    f->spooled = 1;
    f->part = a.part;
    FormatText(f->partOf, sizeof f->partOf, "%s", item.name);
    AddEntry(*a.disk, name, "", item.target);
    return 0;
}

// Starts the next part of an archive on the current disk, or on a new disk
// when this one has no room for an archive file with a member in it. 0 on
// success.
static int OpenArchivePart(Layout& l, ArchivePart& a, const Item& item)
{
    char name[64];
    PartName(item.name, a.part + 1, name, sizeof name);
    if (NameTaken(l, name))
        return NameClash(l, name, a.part + 1, item.name);
    Disk* d = &l.disks[l.diskCount - 1];
    if (!Fits(l, *d, 64 + 1, name)) {
        if (!l.multi)
            return KitFail("no room for archive %s", name);
        d = NewDisk(l);
        if (!d)
            return KitFail("more than 99 disks needed for %s", name);
    }
    a.disk = d;
    a.part++;
    return StartSpool(l, a);
}

// The packing of the file a layout as one disk failed on: the set of disks
// tried next begins with that file again, and takes it from here instead of
// packing it a second time.
struct KeptPacking {
    char path[PathBytes];
    PackMode mode;
    SpooledFile* packed;
};
static KeptPacking Kept;

static SpooledFile* TakeKept(const char* path, PackMode mode)
{
    if (!Kept.packed || Kept.mode != mode || strcmp(Kept.path, path) != 0)
        return nullptr;
    SpooledFile* packed = Kept.packed;
    Kept.packed = nullptr;
    return packed;
}

static void Keep(const char* path, PackMode mode, SpooledFile* packed)
{
    FreeSpooledFile(Kept.packed);
    FormatText(Kept.path, sizeof Kept.path, "%s", path);
    Kept.mode = mode;
    Kept.packed = packed;
}

void ForgetKeptPacking()
{
    FreeSpooledFile(Kept.packed);
    Kept.packed = nullptr;
}

// A file whole onto a single medium, packed as it is read. Beyond the
// encoder's 31-bit positions a file is stored, as PackFile stores it.
static int StreamMember(ArchivePart& a, const SourceFile& file, PackMode mode)
{
    PackMode as = static_cast<uint64_t>(file.size) > 0x7FFFFFFFu ? PackStore : mode;
    int result = WriteFileMember(a.file, file.member, file.path, static_cast<uint64_t>(file.size),
                                 DosDateTime(file.mtime), as);
    off_t end = ftello(a.file);
    if (result == StreamOk && end < 0)
        result = StreamWriteFailed;
    if (result != StreamOk)
        return result == StreamReadFailed    ? KitFail("cannot read %s", file.path)
               : result == StreamWriteFailed ? KitFail("cannot write %s", a.path)
               : result == StreamTooLarge
                   ? KitFail("larger than an archive member can hold (4 GB - 1 bytes): %s", file.path)
                   : KitFail("cannot pack %s", file.path);
    a.size = static_cast<int64_t>(end);
    return 0;
}

static int PackArchive(Layout& l, const Item& item)
{
    const SourceFile* files = item.sources.files;
    int count = item.sources.count;
    ArchivePart a = {};
    if (OpenArchivePart(l, a, item))
        return 1;
    ByteBuffer member, packed;
    InitBuffer(member);
    InitBuffer(packed);
    int status = 0;
    for (int i = 0; i < count && status == 0; i++) {
        // Refused before it is read: the sizes in a member's header are 32-bit.
        if (!files[i].folder && static_cast<uint64_t>(files[i].size) > MaxMemberBytes) {
            status = KitFail("larger than an archive member can hold (4 GB - 1 bytes): %s", files[i].path);
            break;
        }
        // With no end to a disk, nothing is cut from the packing.
        if (!files[i].folder && !l.medium->clusterBytes) {
            status = StreamMember(a, files[i], l.pack);
            continue;
        }
        uint64_t size = files[i].folder ? 0 : static_cast<uint64_t>(files[i].size);
        SpooledFile* packedFile = files[i].folder ? nullptr : TakeKept(files[i].path, l.pack);
        if (!packedFile) {
            int result;
            packedFile = PackFileSpooled(files[i].path, size, l.pack, l.spool, &result);
            if (!packedFile) {
                status = result == StreamReadFailed    ? KitFail("cannot read %s", files[i].path)
                         : result == StreamWriteFailed ? KitFail("cannot write into %s", l.spool)
                                                       : KitFail("cannot pack %s", files[i].path);
                break;
            }
        }
        uint32_t when = DosDateTime(files[i].mtime);
        uint64_t done = 0;
        MemberKind kind = MemberWhole;
        size_t headerBytes = MemberHeaderBytes(files[i].member);
        for (;;) {
            uint64_t end = done;
            uint16_t crc = 0;
            int64_t room = MemberRoom(a, headerBytes);
            if (room >= 0 && !CutSpooledPart(*packedFile, done, static_cast<uint64_t>(room), packed, &end, &crc)) {
                status = KitFail("cannot pack %s", files[i].path);
                break;
            }
            // The part runs to the end of the file: the last or the only one.
            MemberKind last = files[i].folder ? MemberFolder : kind == MemberWhole ? MemberWhole : MemberSplitNext;
            MemberKind first = kind == MemberWhole ? MemberSplitFirst : MemberSplitNext;
            if (room >= 0 && (end == size || (end > done && l.multi))) {
                if (!BuildPartMember(member, files[i].member, end - done, crc, packed, when,
                                     end == size ? last : first)) {
                    status = KitFail("cannot pack %s", files[i].path);
                    break;
                }
                if (!AppendToPart(a, member)) {
                    status = KitFail("cannot write %s", a.path);
                    break;
                }
                if (end == size)
                    break;
                done = end;
                kind = MemberSplitNext;
            }
            if (!l.multi) {
                status = KitFail("does not fit on one disk: %s (choose a bigger medium)", files[i].path);
                break;
            }
            if (a.size > 0) {
                if (CloseArchivePart(l, a, item)) {
                    status = 1;
                    break;
                }
            } else if (a.disk->fileCount <= (l.multi ? 1 : 0)) {
                status = KitFail("no room for any of it on an empty disk: %s", files[i].path);
                break;
            } else {
                a.part--;  // nothing went under this part's name
            }
            Disk* d = NewDisk(l);
            if (!d) {
                status = KitFail("more than 99 disks needed for %s", item.name);
                break;
            }
            char name[64];
            PartName(item.name, a.part + 1, name, sizeof name);
            if (NameTaken(l, name)) {
                status = NameClash(l, name, a.part + 1, item.name);
                break;
            }
            a.disk = d;
            a.part++;
            if (StartSpool(l, a)) {
                status = 1;
                break;
            }
        }
        if (status != 0 && !l.multi && !files[i].folder)
            Keep(files[i].path, l.pack, packedFile);
        else
            FreeSpooledFile(packedFile);
    }
    if (status == 0)
        status = CloseArchivePart(l, a, item);
    DropSpool(a);
    FreeBuffer(member);
    FreeBuffer(packed);
    return status;
}

// Setup reads a copy or profile target that holds a "." anywhere (in the
// destination the user picks, too) as the file to write, and one without as
// a folder that receives a file of the entry's name. The entry's target is
// therefore always written as a file's path whose last name holds a dot, one
// that Windows drops when the name has no other: a copy lands in TARGET under
// its own name, and profile entries go into the file TARGET, whatever the
// destination. 0 when it does not fit.
int EntryTarget(ItemKind kind, const char* target, const char* name, char* out, size_t capacity)
{
    size_t n = strlen(target);
    const char* last = strrchr(target, '\\');
    last = last ? last + 1 : target;
    if (kind == ItemProfile)
        return FormatText(out, capacity, "%s%s", target, *last && !strchr(last, '.') ? "." : "");
    return FormatText(out, capacity, "%s%s%s%s", target, n > 0 && target[n - 1] == '\\' ? "" : "\\", name,
                      strchr(name, '.') ? "" : ".");
}

// Copy and profile entries: whole files, each on the first disk from the
// current one that has room.
static int PlaceFile(Layout& l, const Item& item, const char* path)
{
    char name[64], target[sizeof(DiskEntry::value)];
    DiskNameOf(path, name, sizeof name);
    if (!EntryTarget(item.kind, item.target, name, target, sizeof target - 1))
        return KitFail("the target with the file's name is too long: %s", path);
    int64_t size = FileSize(path);
    if (NameTaken(l, name))
        return NameClash(l, name, 1, nullptr);
    // The setup program copies with 32-bit sizes, and FAT holds no more.
    if (size > static_cast<int64_t>(MaxMemberBytes))
        return KitFail("larger than 4 GB - 1 bytes, which the setup program cannot copy: %s", path);
    Disk* d = &l.disks[l.diskCount - 1];
    if (!Fits(l, *d, size, name)) {
        if (!l.multi)
            return KitFail("does not fit on one disk: %s (choose a bigger medium)", path);
        d = NewDisk(l);
        if (!d)
            return KitFail("more than 99 disks needed for %s", path);
        if (!Fits(l, *d, size, name)) {
            // A copied file is never split: it needs a disk's room beside thisdisk.
            const Medium& m = *l.medium;
            int64_t whole = int64_t(m.clusters) * m.clusterBytes;
            char message[PathBytes + 300];
            if (OnDiskBytes(m, size) > whole)
                FormatText(message, sizeof message, "larger than a disk, so it cannot be copied: %s takes %lld "
                           "bytes, a %s KB disk holds %lld (pack it into an archive)", path,
                           static_cast<long long>(OnDiskBytes(m, size)), m.name, static_cast<long long>(whole));
            else
                FormatText(message, sizeof message, "does not fit on a disk beside thisdisk, so it cannot be "
                           "copied: %s takes %lld bytes, a disk of the set has %lld beside thisdisk (pack it into "
                           "an archive)", path, static_cast<long long>(OnDiskBytes(m, size)),
                           static_cast<long long>(d->freeBytes));
            return KitFail("%s", message);
        }
    }
    if (!AddFile(l, *d, name, path, size) || d->entryCount == 256)
        return KitFail("more than 256 files on one disk at %s (pack them into an archive)", path);
    AddEntry(*d, name, item.kind == ItemCopy ? "=" : "|", target);
    return 0;
}

// Seconds since an earlier Now().
static double Now()
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// A progress line begun and not yet ended: a failure ends it first.
static FILE* OpenProgressLine = nullptr;

static void EndProgressLine()
{
    if (OpenProgressLine)
        fputc('\n', OpenProgressLine);
    OpenProgressLine = nullptr;
}

// "packing NAME: N files, X bytes ..." begins the line before the work, so a
// long archive shows what is under way; ReportPacked ends it with "Y bytes
// in P parts, T s": the archive files added to the disks since disk
// `fromDisk` held `fromFile` files.
static void ReportPacking(const Layout& l, const Item& item)
{
    int64_t in = 0;
    for (int i = 0; i < item.sources.count; i++)
        in += item.sources.files[i].size;
    fprintf(l.progress, "packing %s: %d file%s, %lld bytes ...", item.name, item.sources.count,
            item.sources.count == 1 ? "" : "s", static_cast<long long>(in));
    fflush(l.progress);
    OpenProgressLine = l.progress;
}

static void ReportPacked(const Layout& l, const Item& item, int fromDisk, int fromFile, double started)
{
    int64_t out = 0;
    int parts = 0;
    for (int k = fromDisk; k < l.diskCount; k++) {
        for (int i = k == fromDisk ? fromFile : 0; i < l.disks[k].fileCount; i++) {
            const DiskFile& f = l.disks[k].files[i];
            if (f.part > 0 && strcmp(f.partOf, item.name) == 0) {
                out += f.size;
                parts++;
            }
        }
    }
    fprintf(l.progress, " %lld bytes%s%.0d%s, %.1f s\n", static_cast<long long>(out), parts > 1 ? " in " : "",
            parts > 1 ? parts : 0, parts > 1 ? " parts" : "", Now() - started);
    fflush(l.progress);
    OpenProgressLine = nullptr;
}

static int PlaceItems(Layout& l, const Description& desc)
{
    FailFile = desc.path;
    int status = 0;
    for (int i = 0; i < desc.itemCount && status == 0; i++) {
        const Item& item = desc.items[i];
        FailLine = item.line;
        if (item.kind == ItemArchive) {
            int fromDisk = l.diskCount - 1, fromFile = l.disks[fromDisk].fileCount;
            double started = Now();
            if (l.progress)
                ReportPacking(l, item);
            status = PackArchive(l, item);
            if (status == 0 && l.progress)
                ReportPacked(l, item, fromDisk, fromFile, started);
            EndProgressLine();
            continue;
        }
        for (int k = 0; k < item.sources.count && status == 0; k++)
            status = PlaceFile(l, item, item.sources.files[k].path);
    }
    FailFile = nullptr;
    FailLine = 0;
    return status;
}

int LayOut(Layout& l, const Description& desc, int64_t scriptBytes)
{
    Disk* first = NewDisk(l);
    if (!first)
        return KitFail("out of memory%s", "");
    DiskFile* f = AddFile(l, *first, ScriptFileName, nullptr, scriptBytes);
    if (desc.setup[0])
        AddFile(l, *first, "SETUP.EXE", desc.setup, FileSize(desc.setup));
    for (int i = 0; i < desc.companionCount; i++) {
        char name[64];
        DiskNameOf(desc.companions[i], name, sizeof name);
        AddFile(l, *first, name, desc.companions[i], FileSize(desc.companions[i]));
    }
    if (!f || first->freeBytes < 0 || first->freeEntries < 0)
        return KitFail("SETUP.EXE, the script and the companion files do not fit on disk 1 of a %s KB floppy",
                    l.medium->name);
    return PlaceItems(l, desc);
}

