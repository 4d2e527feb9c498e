// The one folder walk of the kit (the builder and `lzhx a`): every file below
// a folder in name order, without a limit on their number, each with its
// member name in the target's code page; an empty folder is kept as an entry
// of its own, so that a directory member creates it.
#include <dirent.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

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

}  // namespace

int CollectSources(const char* path, const char* name, const WalkOptions& o, SourceList& list)
{
    struct stat st;
    if (stat(path, &st) != 0)
        return WalkFail(list, path, "cannot be found");
    if (o.skip && st.st_dev == o.skipDevice && st.st_ino == o.skipInode)
        return 0;  // the archive being written
    if (S_ISREG(st.st_mode))
        return AddSource(list, path, name, o, false, st);
    if (!S_ISDIR(st.st_mode))
        return 0;
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
    int before = list.count;
    for (size_t i = 0; i < count; i++) {
        char child[PathBytes], childName[PathBytes];
        if (status == 0 && (!FormatText(child, sizeof child, "%s/%s", path, names[i]) ||
                            !FormatText(childName, sizeof childName, "%s%s%s", name, name[0] ? "\\" : "", names[i])))
            status = WalkFail(list, path, "path too long");
        if (status == 0 && strchr(names[i], '\\'))
            status = WalkFail(list, child, "Windows cannot create a file whose name holds \"\\\"");
        if (status == 0)
            status = CollectSources(child, childName, o, list);
        free(names[i]);
    }
    free(names);
    // An empty folder (not the top one) stands for itself.
    if (status == 0 && list.count == before && name[0])
        status = AddSource(list, path, name, o, true, st);
    return status;
}

void FreeSources(SourceList& list)
{
    free(list.files);
    list.files = nullptr;
    list.count = 0;
    list.capacity = 0;
}
