// Bit input and canonical decode tables.
#include <gtest/gtest.h>

#include "tests/unit/archive_fixture.h"

namespace {

// Points the bit reader at data as a member's packed bytes, followed in the
// archive by trailing bytes that must never be read.
void StartOn(const Bytes& data, uint32_t packed)
{
    OpenArchiveMemory(data.data(), data.size());
    Extractor.header.packedRemaining = packed;
    StartBits();
}

TEST(ArchiveBits, ReadsMostSignificantBitFirst)
{
    Bytes data = {0xA5, 0x0F};
    StartOn(data, 2);
    EXPECT_EQ(GetBits(4), 0xAu);
    EXPECT_EQ(GetBits(0), 0u);  // uses no bits
    EXPECT_EQ(GetBits(8), 0x50u);
    EXPECT_EQ(GetBits(4), 0xFu);
    EXPECT_FALSE(BitsOverrun()) << "zero bits after the data were only looked at";
    EXPECT_EQ(GetBits(1), 0u);
    EXPECT_TRUE(BitsOverrun());
    EXPECT_EQ(GetBits(16), 0u);
}

TEST(ArchiveBits, NeverReadsPastThePackedBytes)
{
    Bytes data = {0x81, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    // One packed byte: it is read, the rest of the window is zero bits.
    StartOn(data, 1);
    EXPECT_EQ(ArchivePosition(), 1);
    EXPECT_EQ(GetBits(16), 0x8100u);
    EXPECT_EQ(GetBits(16), 0u);
    EXPECT_EQ(ArchivePosition(), 1);
    EXPECT_EQ(Extractor.header.packedRemaining, 0u);

    // No packed bytes: only zero bits, the position stays.
    StartOn(data, 0);
    for (int i = 0; i < 10; i++)
        EXPECT_EQ(GetBits(16), 0u);
    EXPECT_EQ(ArchivePosition(), 0);

    // Ten packed bytes read a few bits at a time come out in order.
    StartOn(data, 10);
    EXPECT_EQ(GetBits(3), 4u);
    EXPECT_EQ(GetBits(5), 1u);
    for (int i = 0; i < 9; i++)
        EXPECT_EQ(GetBits(8), 0xFFu) << i;
    EXPECT_EQ(GetBits(8), 0u);
    EXPECT_EQ(ArchivePosition(), 10);
}

TEST(ArchiveBits, RandomFieldWidthsRoundTrip)
{
    BitWriter w;
    std::vector<std::pair<unsigned, int>> fields;
    uint32_t seed = 7;
    for (int i = 0; i < 5000; i++) {
        seed = seed * 1664525 + 1013904223;
        int n = static_cast<int>(seed >> 27) % 17;
        unsigned v = n ? (seed >> 3) & ((1u << n) - 1) : 0;
        fields.push_back({v, n});
        w.Put(v, n);
    }
    Bytes data = w.bytes;
    data.push_back(0xEE);  // not part of the member
    StartOn(data, static_cast<uint32_t>(w.bytes.size()));
    for (size_t i = 0; i < fields.size(); i++)
        ASSERT_EQ(GetBits(fields[i].second), fields[i].first) << i;
    EXPECT_EQ(ArchivePosition(), static_cast<int64_t>(w.bytes.size()));
    EXPECT_FALSE(BitsOverrun());
}

TEST(ArchiveTables, TwoCodesOfOneBit)
{
    uint8_t lengths[2] = {1, 1};
    uint16_t table[256];
    BuildDecodeTable(2, lengths, 8, table);
    for (int i = 0; i < 256; i++)
        EXPECT_EQ(table[i], i < 128 ? 0 : 1) << i;
}

TEST(ArchiveTables, LongCodesGoThroughTheTree)
{
    // Codes 0, 10, 110, 111 with a 2-bit index.
    uint8_t lengths[4] = {1, 2, 3, 3};
    uint16_t table[4];
    BuildDecodeTable(4, lengths, 2, table);
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[1], 0);
    EXPECT_EQ(table[2], 1);
    EXPECT_EQ(table[3], 4);
    EXPECT_EQ(Extractor.decoder.leftChild[4], 2);
    EXPECT_EQ(Extractor.decoder.rightChild[4], 3);
}

TEST(ArchiveTables, FullTableCreatesNoNodes)
{
    uint8_t lengths[4] = {2, 2, 2, 2};
    uint16_t table[4] = {9, 9, 9, 9};
    Extractor.decoder.leftChild[4] = 77;
    BuildDecodeTable(4, lengths, 2, table);
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[1], 1);
    EXPECT_EQ(table[2], 2);
    EXPECT_EQ(table[3], 3);
    EXPECT_EQ(Extractor.decoder.leftChild[4], 77);
}

// The canonical code of each symbol, as an encoder assigns it.
std::vector<unsigned> CanonicalCodes(const std::vector<uint8_t>& lengths)
{
    std::vector<unsigned> codes(lengths.size());
    unsigned code = 0;
    for (int len = 1; len <= 16; len++) {
        for (size_t s = 0; s < lengths.size(); s++) {
            if (lengths[s] == len)
                codes[s] = code++;
        }
        code <<= 1;
    }
    return codes;
}

// Resolves a left-aligned 16-bit code the way the decoder does.
unsigned Resolve(const uint16_t* table, int tableBits, unsigned symbolCount, unsigned code16)
{
    unsigned j = table[code16 >> (16 - tableBits)];
    unsigned mask = 1u << (15 - tableBits);
    while (j >= symbolCount) {
        j = (code16 & mask) ? Extractor.decoder.rightChild[j] : Extractor.decoder.leftChild[j];
        mask >>= 1;
    }
    return j;
}

TEST(ArchiveTables, EveryCodeOfALargeAlphabetResolves)
{
    // 510 symbols, 269 of them used: 250 codes of 8 bits (250/256), 11 of
    // 9 bits (5.5/256) and a chain 10, 11, ..., 16, 16 (0.5/256).
    std::vector<uint8_t> lengths(510, 0);
    int s = 0;
    for (int i = 0; i < 250; i++)
        lengths[s++] = 8;
    for (int i = 0; i < 11; i++)
        lengths[s++] = 9;
    for (int len = 10; len <= 16; len++)
        lengths[s++] = static_cast<uint8_t>(len);
    lengths[s++] = 16;
    // Put a few symbols at the end of the alphabet too.
    std::swap(lengths[3], lengths[509]);
    std::swap(lengths[255], lengths[508]);
    std::vector<unsigned> codes = CanonicalCodes(lengths);
    uint16_t table[4096];
    BuildDecodeTable(510, lengths.data(), 12, table);
    for (unsigned sym = 0; sym < 510; sym++) {
        if (!lengths[sym])
            continue;
        unsigned code16 = codes[sym] << (16 - lengths[sym]);
        EXPECT_EQ(Resolve(table, 12, 510, code16), sym);
        // Any bits after the code do not change the result.
        unsigned tail = (1u << (16 - lengths[sym])) - 1;
        EXPECT_EQ(Resolve(table, 12, 510, code16 | tail), sym);
    }
}

TEST(ArchiveTables, ShortCodesAllLongerThanTheIndex)
{
    // All eight codes have 3 bits, the index has 2: every entry is a root.
    uint8_t lengths[8] = {3, 3, 3, 3, 3, 3, 3, 3};
    uint16_t table[4] = {1, 1, 1, 1};  // stale entries must not be taken for nodes
    BuildDecodeTable(8, lengths, 2, table);
    for (unsigned code = 0; code < 8; code++)
        EXPECT_EQ(Resolve(table, 2, 8, code << 13), code);
}

using ArchiveTablesDeath = ::testing::Test;

TEST(ArchiveTablesDeath, BadLengthSets)
{
    uint16_t table[256];
    uint8_t incomplete[2] = {1, 2};
    EXPECT_EXIT(BuildDecodeTable(2, incomplete, 8, table), ::testing::ExitedWithCode(1), "Bad table");
    uint8_t oversubscribed[3] = {1, 1, 1};
    EXPECT_EXIT(BuildDecodeTable(3, oversubscribed, 8, table), ::testing::ExitedWithCode(1), "Bad table");
    uint8_t tooLong[2] = {1, 17};
    EXPECT_EXIT(BuildDecodeTable(2, tooLong, 8, table), ::testing::ExitedWithCode(1), "Bad table");
    uint8_t allZero[4] = {0, 0, 0, 0};
    EXPECT_EXIT(BuildDecodeTable(4, allZero, 8, table), ::testing::ExitedWithCode(1), "Bad table");
}

}  // namespace
