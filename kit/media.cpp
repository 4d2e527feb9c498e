// Floppy formats as FAT12 lays them out: what an empty disk offers to files.
// Data clusters = (sectors - reserved - FATs - root directory) / sectors per
// cluster, with 512-byte sectors, one reserved sector and two FAT copies.
#include <string.h>

#include "kit/kit.h"

namespace {

//                 name     sectors  per cluster  FAT sectors  root entries
struct Format {
    const char* name;
    int32_t sectors;
    int32_t perCluster;
    int32_t fatSectors;
    int32_t rootEntries;
};

const Format Formats[] = {
    {"360", 720, 2, 2, 112},
    {"720", 1440, 2, 3, 112},
    {"1200", 2400, 1, 7, 224},
    {"1440", 2880, 1, 9, 224},
    {"2880", 5760, 2, 9, 240},
};

Medium Media[sizeof Formats / sizeof Formats[0] + 1];
bool MediaMade = false;

void MakeMedia()
{
    int i = 0;
    for (const Format& f : Formats) {
        int32_t rootSectors = f.rootEntries * 32 / 512;
        int32_t data = f.sectors - 1 - 2 * f.fatSectors - rootSectors;
        Media[i++] = {f.name, 512 * f.perCluster, data / f.perCluster, f.rootEntries};
    }
    Media[i] = {"single", 0, 0, 0};
    MediaMade = true;
}

}  // namespace

const Medium* FindMedium(const char* name)
{
    if (!MediaMade)
        MakeMedia();
    for (const Medium& m : Media) {
        if (strcmp(m.name, name) == 0)
            return &m;
    }
    return nullptr;
}

int64_t OnDiskBytes(const Medium& m, int64_t size)
{
    if (m.clusterBytes == 0)
        return size;
    return (size + m.clusterBytes - 1) / m.clusterBytes * m.clusterBytes;
}
