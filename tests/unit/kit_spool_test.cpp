// A file packed as it is read and cut into parts from its scratch files
// gives the parts of the same file packed and cut in memory, byte for byte.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "archive/extractor.h"
#include "kit/kit.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Lines of words, then stretches of noise and of one repeated phrase:
// blocks of different statistics and heads that begin anywhere in them.
Bytes Varied(size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    Bytes b;
    while (b.size() < n) {
        for (int i = 0; i < 400; i++) {
            std::string line = "entry " + std::to_string(rng() % 3000) + " of list " + std::to_string(i % 17) + "\r\n";
            b.insert(b.end(), line.begin(), line.end());
        }
        for (int i = 0; i < 3000; i++)
            b.push_back(static_cast<uint8_t>(rng()));
        for (int i = 0; i < 20000; i++)
            b.push_back(static_cast<uint8_t>("repeated phrase "[i % 16]));
    }
    b.resize(n);
    return b;
}

Bytes Noise(size_t n)
{
    std::mt19937 rng(3);
    Bytes b(n);
    for (auto& x : b)
        x = static_cast<uint8_t>(rng());
    return b;
}

struct Part {
    Bytes data;
    uint64_t end;
};

// The parts CutPart gives from the packing in memory, each the longest that
// fits `room` (the last ones of every fourth part a little smaller).
std::vector<Part> PartsInMemory(const Bytes& in, PackMode mode, uint64_t room)
{
    std::vector<Part> parts;
    PackedFile* f = PackFile(in.data(), in.size(), mode);
    EXPECT_TRUE(f);
    ByteBuffer out;
    InitBuffer(out);
    size_t start = 0;
    for (int k = 0; f && start < in.size() && k < 1000; k++) {
        size_t end = start;
        uint64_t r = k % 4 == 3 ? room - 700 : room;
        EXPECT_EQ(CutPart(*f, start, r, out, &end), 1);
        parts.push_back({Bytes(out.data, out.data + out.size), end});
        if (end == start)
            break;
        start = end;
    }
    FreeBuffer(out);
    FreePackedFile(f);
    return parts;
}

}  // namespace

// Both modes, several rooms (heads ending in the first block or far in, a
// block cut short in every part), a file that does not pack (its parts are
// its bytes) and one stored: the same parts, each with the CRC of its bytes.
TEST(KitSpool, PartsMatchThePackingInMemory)
{
    Bytes varied = Varied(900000, 5);
    Bytes small = Varied(20000, 9);
    Bytes noise = Noise(150000);
    struct Case {
        const char* what;
        const Bytes& data;
        PackMode mode;
        uint64_t room;
    } cases[] = {
        {"default, 40000", varied, PackDefault, 40000},
        {"default, 3000", varied, PackDefault, 3000},
        {"default, 60000", varied, PackDefault, 60000},
        {"best, 30000", varied, PackBest, 30000},
        {"best, small file", small, PackBest, 2000},
        {"noise", noise, PackDefault, 50000},
        {"stored", varied, PackStore, 100000},
    };
    char folder[] = "/tmp/kit_spool_XXXXXX";
    ASSERT_TRUE(mkdtemp(folder));
    std::string path = std::string(folder) + "/in.dat";
    for (const Case& c : cases) {
        FILE* file = fopen(path.c_str(), "wb");
        ASSERT_TRUE(file);
        fwrite(c.data.data(), 1, c.data.size(), file);
        fclose(file);
        std::vector<Part> expected = PartsInMemory(c.data, c.mode, c.room);
        ASSERT_GT(expected.size(), 1u) << c.what;
        int result = -1;
        SpooledFile* f = PackFileSpooled(path.c_str(), c.data.size(), c.mode, folder, &result);
        ASSERT_TRUE(f) << c.what;
        EXPECT_EQ(result, StreamOk) << c.what;
        ByteBuffer out;
        InitBuffer(out);
        uint64_t start = 0;
        for (size_t k = 0; k < expected.size(); k++) {
            uint64_t end = 0;
            uint16_t crc = 0;
            uint64_t r = k % 4 == 3 ? c.room - 700 : c.room;
            ASSERT_EQ(CutSpooledPart(*f, start, r, out, &end, &crc), 1) << c.what << ", part " << k;
            ASSERT_EQ(end, expected[k].end) << c.what << ", part " << k;
            uint64_t n = end - start;
            const Bytes& want = expected[k].data;
            // Not smaller than its bytes: the part is its bytes, stored.
            if (want.size() >= n)
                EXPECT_TRUE(Bytes(out.data, out.data + out.size) == Bytes(c.data.begin() + start, c.data.begin() + end))
                    << c.what << ", part " << k;
            else
                EXPECT_TRUE(Bytes(out.data, out.data + out.size) == want) << c.what << ", part " << k;
            EXPECT_EQ(crc, UpdateCrc16(0, c.data.data() + start, n)) << c.what << ", part " << k;
            start = end;
        }
        FreeBuffer(out);
        FreeSpooledFile(f);
    }
    // The scratch files went with the packing: only the input is left.
    std::string leftover = std::string("ls -A ") + folder + " | grep -vqx in.dat";
    EXPECT_NE(system(leftover.c_str()), 0);
    remove(path.c_str());
    rmdir(folder);
}

// A file that cannot be read, or is shorter than its size said, is reported
// as a read failure, and no packing is made.
TEST(KitSpool, UnreadableFilesFail)
{
    char folder[] = "/tmp/kit_spool_XXXXXX";
    ASSERT_TRUE(mkdtemp(folder));
    std::string path = std::string(folder) + "/short.dat";
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_TRUE(file);
    Bytes data = Varied(30000, 2);
    fwrite(data.data(), 1, data.size(), file);
    fclose(file);
    struct Case {
        const char* what;
        std::string path;
        uint64_t n;
        PackMode mode;
    } cases[] = {
        {"missing", std::string(folder) + "/none", 10, PackDefault},
        {"short, default", path, data.size() + 100, PackDefault},
        {"short, best", path, data.size() + 100, PackBest},
    };
    for (const Case& c : cases) {
        int result = StreamOk;
        SpooledFile* f = PackFileSpooled(c.path.c_str(), c.n, c.mode, folder, &result);
        EXPECT_EQ(f, nullptr) << c.what;
        EXPECT_EQ(result, StreamReadFailed) << c.what;
        FreeSpooledFile(f);
    }
    remove(path.c_str());
    rmdir(folder);
}
