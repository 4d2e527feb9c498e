// The one folder walk of the kit (the builder and `lzhx a`): every file below
// a folder in name order, without a limit on their number, each with its
// member name in the target's code page; an empty folder is kept as an entry
// of its own, so that a directory member creates it. Symbolic links are
// followed, to files and to folders alike; a link that leads back into a
// folder being walked is refused as a loop. Anything that is neither a file
// nor a folder (a FIFO, a socket, a device) is refused, named outright or
// found inside a folder. So are two names of one folder that Windows takes
// for one (see WindowsNameKey): one file would replace the other.
#include <dirent.h>
#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include "kit/kit.h"

namespace {

int CompareNames(const void* a, const void* b)
{
    return strcmp(*static_cast<char* const*>(a), *static_cast<char* const*>(b));
}

int WalkFail(SourceList& list, const char* path, const char* why)
{
    FormatText(list.error, sizeof list.error, "%s: %s", path, why);
    return 1;
}

int AddSource(SourceList& list, const char* path, const char* name, const WalkOptions& o, bool folder,
              const struct stat& st)
{
    if (list.count == list.capacity) {
        int capacity = list.capacity ? list.capacity * 2 : 256;
        SourceFile* grown = static_cast<SourceFile*>(realloc(list.files, sizeof(SourceFile) * capacity));
        if (!grown)
            return WalkFail(list, path, "out of memory");
        list.files = grown;
        list.capacity = capacity;
    }
    SourceFile& f = list.files[list.count];
    char why[200];
    // A folder's member name ends in "\".
    char full[PathBytes];
    FormatText(full, sizeof full, "%s%s", name, folder ? "\\" : "");
    if (MemberNameProblem(full, o.codePage, f.member, sizeof f.member, why, sizeof why))
        return WalkFail(list, path, why);
    if (!FormatText(f.path, sizeof f.path, "%s", path))
        return WalkFail(list, path, "path too long");
    f.folder = folder;
    f.size = folder ? 0 : static_cast<int64_t>(st.st_size);
    f.mtime = static_cast<long long>(st.st_mtime);
    list.count++;
    return 0;
}

// A folder being walked, and the one it is in: a folder met again below
// itself was reached through a symbolic link that loops.
struct Ancestor {
    dev_t device;
    ino_t inode;
    const Ancestor* parent;
};

// Why stat() failed, in words.
const char* StatProblem(const char* path, int error)
{
    struct stat st;
    if (error == ELOOP)
        return "symbolic link loop";
    if (error == ENOENT && lstat(path, &st) == 0 && S_ISLNK(st.st_mode))
        return "a symbolic link to nothing: its target cannot be found";
    if (error == ENOENT || error == ENOTDIR)
        return "cannot be found";
    return strerror(error);
}

// What a file of this kind is, for the refusal.
const char* SpecialKind(mode_t mode)
{
    if (S_ISFIFO(mode))
        return "a FIFO (named pipe), not a file: only files and folders can be packed or copied";
    if (S_ISSOCK(mode))
        return "a socket, not a file: only files and folders can be packed or copied";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device, not a file: only files and folders can be packed or copied";
    return "neither a file nor a folder: only files and folders can be packed or copied";
}

int Walk(const char* path, const char* name, const WalkOptions& o, SourceList& list, const Ancestor* up);

// The names of one folder: none that Windows would take for another, or for
// another name than its own.
int CheckSiblings(SourceList& list, const char* path, char** names, size_t count)
{
    for (size_t i = 0; i < count; i++) {
        const char* trailing = TrailingProblem(names[i], strlen(names[i]));
        if (trailing) {
            char child[PathBytes], why[200];
            FormatText(child, sizeof child, "%s/%s", path, names[i]);
            FormatText(why, sizeof why, "the name %s: Windows drops trailing dots and blanks and would create it "
                       "under another name", trailing);
            return WalkFail(list, child, why);
        }
    }
    // Keys sorted with their places in byte order: twins stand side by side,
    // and of all pairs the one whose first name comes first is told.
    struct Keyed {
        char* key;
        size_t place;
    };
    Keyed* keys = static_cast<Keyed*>(calloc(count ? count : 1, sizeof *keys));
    if (!keys)
        return WalkFail(list, path, "out of memory");
    int status = 0;
    for (size_t i = 0; i < count && status == 0; i++) {
        char key[PathBytes];
        if (!WindowsNameKey(0, names[i], key, sizeof key))
            FormatText(key, sizeof key, "%s", names[i]);  // not UTF-8: the member name refuses it
        keys[i].key = strdup(key);
        keys[i].place = i;
        if (!keys[i].key)
            status = WalkFail(list, path, "out of memory");
    }
    if (status == 0 && count > 1) {
        qsort(keys, count, sizeof *keys, [](const void* a, const void* b) {
            const Keyed* x = static_cast<const Keyed*>(a);
            const Keyed* y = static_cast<const Keyed*>(b);
            int c = strcmp(x->key, y->key);
            return c ? c : (x->place < y->place ? -1 : 1);
        });
        size_t first = count, second = count;
        for (size_t i = 1; i < count; i++) {
            if (strcmp(keys[i - 1].key, keys[i].key) == 0 && keys[i - 1].place < first &&
                (i < 2 || strcmp(keys[i - 2].key, keys[i].key) != 0)) {
                first = keys[i - 1].place;
                second = keys[i].place;
            }
        }
        if (first < count) {
            char child[PathBytes], why[PathBytes + 200];
            FormatText(child, sizeof child, "%s/%s", path, names[first]);
            FormatText(why, sizeof why, "Windows takes it and %s/%s for one name (letter case does not count): one "
                       "would replace the other", path, names[second]);
            status = WalkFail(list, child, why);
        }
    }
    for (size_t i = 0; i < count; i++)
        free(keys[i].key);
    free(keys);
    return status;
}

int Walk(const char* path, const char* name, const WalkOptions& o, SourceList& list, const Ancestor* up)
{
    struct stat st;
    if (stat(path, &st) != 0)
        return WalkFail(list, path, StatProblem(path, errno));
    if (o.skip && st.st_dev == o.skipDevice && st.st_ino == o.skipInode)
        return 0;  // the archive being written
    if (S_ISREG(st.st_mode)) {
        if (access(path, R_OK) != 0)
            return WalkFail(list, path, strerror(errno));
        return AddSource(list, path, name, o, false, st);
    }
    if (!S_ISDIR(st.st_mode))
        return WalkFail(list, path, SpecialKind(st.st_mode));
    for (const Ancestor* a = up; a; a = a->parent) {
        if (a->device == st.st_dev && a->inode == st.st_ino)
            return WalkFail(list, path, "symbolic link loop: it leads back into a folder that holds it");
    }
    Ancestor self = {st.st_dev, st.st_ino, up};
    DIR* dir = opendir(path);
    if (!dir)
        return WalkFail(list, path, "cannot read the folder");
    char** names = nullptr;
    size_t count = 0, capacity = 0;
    int status = 0;
    while (struct dirent* e = readdir(dir)) {
        if (strcmp(e->d_name, ".") == 0 || strcmp(e->d_name, "..") == 0)
            continue;
        if (count == capacity) {
            capacity = capacity ? capacity * 2 : 64;
            char** grown = static_cast<char**>(realloc(names, capacity * sizeof *names));
            if (!grown) {
                status = WalkFail(list, path, "out of memory");
                break;
            }
            names = grown;
        }
        names[count] = strdup(e->d_name);
        if (!names[count]) {
            status = WalkFail(list, path, "out of memory");
            break;
        }
        count++;
    }
    closedir(dir);
    if (count > 0)
        qsort(names, count, sizeof *names, CompareNames);
    if (status == 0)
        status = CheckSiblings(list, path, names, count);
    int before = list.count;
    for (size_t i = 0; i < count; i++) {
        char child[PathBytes], childName[PathBytes];
        if (status == 0 && (!FormatText(child, sizeof child, "%s/%s", path, names[i]) ||
                            !FormatText(childName, sizeof childName, "%s%s%s", name, name[0] ? "\\" : "", names[i])))
            status = WalkFail(list, path, "path too long");
        if (status == 0 && strchr(names[i], '\\'))
            status = WalkFail(list, child, "Windows cannot create a file whose name holds \"\\\"");
        if (status == 0)
            status = Walk(child, childName, o, list, &self);
        free(names[i]);
    }
    free(names);
    // An empty folder (not the top one) stands for itself.
    if (status == 0 && list.count == before && name[0])
        status = AddSource(list, path, name, o, true, st);
    return status;
}

}  // namespace

int CollectSources(const char* path, const char* name, const WalkOptions& o, SourceList& list)
{
    return Walk(path, name, o, list, nullptr);
}

void FreeSources(SourceList& list)
{
    free(list.files);
    list.files = nullptr;
    list.count = 0;
    list.capacity = 0;
}

int CheckMemberTwins(SourceList& list, int codePage)
{
    // Keys sorted with their places: twins stand side by side, and the pair
    // told is the one whose later file comes first in the list.
    struct Keyed {
        char* key;
        int place;
    };
    int count = list.count;
    Keyed* keys = static_cast<Keyed*>(calloc(count ? count : 1, sizeof *keys));
    if (!keys)
        return WalkFail(list, list.count ? list.files[0].path : ".", "out of memory");
    int status = 0;
    for (int i = 0; i < count && status == 0; i++) {
        char key[PathBytes];
        if (!WindowsNameKey(codePage, list.files[i].member, key, sizeof key))
            FormatText(key, sizeof key, "%s", list.files[i].member);
        size_t n = strlen(key);
        if (n > 0 && key[n - 1] == '\\')
            key[n - 1] = 0;  // an empty folder's member against a file of its name
        keys[i].key = strdup(key);
        keys[i].place = i;
        if (!keys[i].key)
            status = WalkFail(list, list.files[i].path, "out of memory");
    }
    if (status == 0 && count > 1) {
        qsort(keys, static_cast<size_t>(count), sizeof *keys, [](const void* a, const void* b) {
            const Keyed* x = static_cast<const Keyed*>(a);
            const Keyed* y = static_cast<const Keyed*>(b);
            int c = strcmp(x->key, y->key);
            return c ? c : (x->place < y->place ? -1 : 1);
        });
        int first = count, second = count;
        for (int i = 1; i < count; i++) {
            if (strcmp(keys[i - 1].key, keys[i].key) == 0 && keys[i].place < second) {
                first = keys[i - 1].place;
                second = keys[i].place;
            }
        }
        if (second < count) {
            const SourceFile& earlier = list.files[first];
            char why[PathBytes + 200];
            if (strcmp(earlier.member, list.files[second].member) == 0)
                FormatText(why, sizeof why, "packed under the name of %s too: one would replace the other",
                           earlier.path);
            else
                FormatText(why, sizeof why, "Windows takes it and %s for one name (letter case does not count): "
                           "one would replace the other", earlier.path);
            status = WalkFail(list, list.files[second].path, why);
        }
    }
    for (int i = 0; i < count; i++)
        free(keys[i].key);
    free(keys);
    return status;
}
