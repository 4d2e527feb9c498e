// Member header reader, method lookup, CRC-16 and the fatal reports of
// damaged headers.
#include <gtest/gtest.h>

#include "tests/unit/archive_fixture.h"

namespace {

// The example base header: -lh5-, 11 packed bytes, 12 unpacked, ABC.TXT.
const Bytes ExampleHeader = {0x20, 0x46, 0x2D, 0x6C, 0x68, 0x35, 0x2D, 0x0B, 0x00, 0x00, 0x00, 0x0C,
                             0x00, 0x00, 0x00, 0x00, 0x00, 0x21, 0x21, 0x20, 0x01, 0x07, 0x41, 0x42,
                             0x43, 0x2E, 0x54, 0x58, 0x54, 0xDD, 0x44, 0x4D, 0x00, 0x00};

Bytes ExampleArchive()
{
    Bytes a = ExampleHeader;
    Bytes packed = AbcPacked();
    a.insert(a.end(), packed.begin(), packed.end());
    a.push_back(0);
    return a;
}

TEST(ArchiveHeader, ReadsTheExampleBaseHeader)
{
    Bytes a = ExampleArchive();
    OpenArchiveMemory(a.data(), a.size());
    ASSERT_EQ(ReadMemberHeader(), 1);
    const MemberHeader& h = Extractor.header;
    EXPECT_EQ(h.size, 32);
    EXPECT_EQ(h.checksum, 0x46);
    EXPECT_EQ(LookupMethod(h.buffer), '5');
    EXPECT_EQ(h.packedRemaining, 11u);
    EXPECT_EQ(h.unpackedRemaining, 12u);
    EXPECT_STREQ(h.name, "ABC.TXT");
    // The terminator overwrote the CRC field's first byte; the CRC was taken before.
    EXPECT_EQ(h.storedCrc, 0x44DD);
    EXPECT_EQ(h.buffer[27], 0);
    EXPECT_EQ(HeaderField(h.size - 3, 1), 0x4Du);
    EXPECT_EQ(HeaderField(h.size - 2, 2), 0u);
    EXPECT_EQ(HeaderField(13, 4), 0x21210000u);
    EXPECT_EQ(ArchivePosition(), 34);
    SkipMember();
    EXPECT_EQ(ArchivePosition(), 45);
    EXPECT_EQ(ReadMemberHeader(), 0);
}

TEST(ArchiveHeader, SignatureAndEmptyArchives)
{
    Bytes a = {0x00, 0xCC, 0xBB, 0xAA};
    Bytes example = ExampleArchive();
    a.insert(a.end(), example.begin(), example.end());
    OpenArchiveMemory(a.data(), a.size());
    EXPECT_EQ(ArchivePosition(), 4);
    ASSERT_EQ(ReadMemberHeader(), 1);
    EXPECT_STREQ(Extractor.header.name, "ABC.TXT");

    // A 0 byte not followed by CC BB AA is the end marker at offset 0.
    Bytes other = {0x00, 0xCC, 0xBB, 0xAB, 0x20};
    OpenArchiveMemory(other.data(), other.size());
    EXPECT_EQ(ArchivePosition(), 0);
    EXPECT_EQ(ReadMemberHeader(), 0);

    Bytes marker = {0x00};
    OpenArchiveMemory(marker.data(), marker.size());
    EXPECT_EQ(ReadMemberHeader(), 0);
}

TEST(ArchiveHeader, EmptyNameAndExtensionHeaders)
{
    MemberSpec m = StoredMember("", "x");
    m.extensions = {Bytes{0x01, 'A', 'B'}, Bytes{0x02, 'D', 0xFF}};
    Bytes a = ArchiveOf({m});
    OpenArchiveMemory(a.data(), a.size());
    ASSERT_EQ(ReadMemberHeader(), 1);
    EXPECT_STREQ(Extractor.header.name, "");
    EXPECT_EQ(HeaderField(Extractor.header.size - 2, 2), 5u);
    EXPECT_EQ(Extractor.header.packedRemaining, 1u + 5 + 5);
    SkipMember();
    EXPECT_EQ(ReadMemberHeader(), 0);
}

TEST(ArchiveHeader, MethodIdsAreMatchedExactly)
{
    const char* ids[] = {"-lh0-", "-lh5-", "<sto>", "<cmp>", "<st+>", "<cm+>", "-LH5-", "-lh6-", "<STO>"};
    const char codes[] = {'0', '5', '0', '5', '1', '6', 0, 0, 0};
    for (int i = 0; i < 9; i++) {
        EXPECT_EQ(LookupMethod(reinterpret_cast<const uint8_t*>(ids[i])), codes[i]) << ids[i];
    }
}

TEST(ArchiveHeader, Crc16Values)
{
    EXPECT_EQ(Crc16Of(ToBytes("abc")), 0x9738);
    EXPECT_EQ(Crc16Of(ToBytes("123456789")), 0xBB3D);
    EXPECT_EQ(Crc16Of(ToBytes("abcabcabcabc")), 0x44DD);
    EXPECT_EQ(Crc16Of(Bytes()), 0);
    // The eight-byte steps agree with a plain bitwise CRC over odd lengths and
    // when continued across calls.
    Bytes data(1000);
    uint32_t seed = 12345;
    for (uint8_t& b : data) {
        seed = seed * 1103515245 + 12345;
        b = static_cast<uint8_t>(seed >> 16);
    }
    for (size_t len : {1u, 7u, 8u, 9u, 63u, 1000u}) {
        unsigned bitwise = 0;
        for (size_t i = 0; i < len; i++) {
            bitwise ^= data[i];
            for (int k = 0; k < 8; k++)
                bitwise = (bitwise & 1) ? (bitwise >> 1) ^ 0xA001 : bitwise >> 1;
        }
        EXPECT_EQ(UpdateCrc16(0, data.data(), len), bitwise) << len;
        uint16_t split = UpdateCrc16(UpdateCrc16(0, data.data(), len / 3), data.data() + len / 3,
                                     len - len / 3);
        EXPECT_EQ(split, bitwise) << len;
    }
}

TEST(ArchiveHeader, NameFillingTheWholeHeader)
{
    // H = 25 + N with N = 230, the largest name a standard header holds.
    std::string name(230, 'n');
    Bytes a = ArchiveOf({StoredMember(name, "z")});
    OpenArchiveMemory(a.data(), a.size());
    ASSERT_EQ(ReadMemberHeader(), 1);
    EXPECT_EQ(Extractor.header.size, 255);
    EXPECT_EQ(std::string(Extractor.header.name), name);
    EXPECT_EQ(Extractor.header.storedCrc, Crc16Of(ToBytes("z")));
}

using ArchiveHeaderDeath = ::testing::Test;

TEST(ArchiveHeaderDeath, ChecksumOffByOne)
{
    Bytes a = ExampleArchive();
    a[1] = 0x47;
    OpenArchiveMemory(a.data(), a.size());
    EXPECT_EXIT(ReadMemberHeader(), ::testing::ExitedWithCode(1), "\nHeader sum error\n");
}

TEST(ArchiveHeaderDeath, ArchiveEndingEarly)
{
    // Without the end marker.
    Bytes a = ExampleArchive();
    a.pop_back();
    OpenArchiveMemory(a.data(), a.size());
    ASSERT_EQ(ReadMemberHeader(), 1);
    SkipMember();
    EXPECT_EXIT(ReadMemberHeader(), ::testing::ExitedWithCode(1), "Unexpected end of archive");
    // Inside a header.
    Bytes cut(ExampleHeader.begin(), ExampleHeader.begin() + 20);
    OpenArchiveMemory(cut.data(), cut.size());
    EXPECT_EXIT(ReadMemberHeader(), ::testing::ExitedWithCode(1), "Unexpected end of archive");
    // After the size byte.
    Bytes one = {0x20};
    OpenArchiveMemory(one.data(), one.size());
    EXPECT_EXIT(ReadMemberHeader(), ::testing::ExitedWithCode(1), "Unexpected end of archive");
}

TEST(ArchiveHeaderDeath, NameRunningPastTheFixedFields)
{
    // Name length 8 in a header made for 7: the name would run into the CRC.
    Bytes a = ExampleArchive();
    a[21] = 8;
    a[1] = static_cast<uint8_t>(a[1] + 1);
    OpenArchiveMemory(a.data(), a.size());
    EXPECT_EXIT(ReadMemberHeader(), ::testing::ExitedWithCode(1), "Bad header");
    // The largest name length in the smallest header that holds the length byte.
    Bytes tiny = {20, 0};
    Bytes body(20, 0);
    body[19] = 255;
    unsigned sum = 0;
    for (uint8_t b : body)
        sum += b;
    tiny[1] = static_cast<uint8_t>(sum);
    tiny.insert(tiny.end(), body.begin(), body.end());
    tiny.push_back(0);
    OpenArchiveMemory(tiny.data(), tiny.size());
    EXPECT_EXIT(ReadMemberHeader(), ::testing::ExitedWithCode(1), "Bad header");
}

TEST(ArchiveHeaderDeath, FatalErrorWritesTheMessageAndExits)
{
    EXPECT_EXIT(FatalError("Can't read"), ::testing::ExitedWithCode(1), "^\nCan't read\n$");
}

}  // namespace
