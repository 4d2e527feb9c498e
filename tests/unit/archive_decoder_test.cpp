// The -lh5- decoder: the given vectors, streams from a small test encoder
// compared with a plain reference expansion, and damaged streams.
#include <gtest/gtest.h>
#include <setjmp.h>
#include <stdlib.h>
#include <unistd.h>

#include "tests/unit/archive_fixture.h"

namespace {

// Decodes a member's packed bytes in chunks of 8192, as the driver does.
Bytes Decode(const Bytes& packed, uint32_t unpacked)
{
    OpenArchiveMemory(packed.data(), packed.size());
    Extractor.header.packedRemaining = static_cast<uint32_t>(packed.size());
    StartDecoder();
    Bytes out;
    while (unpacked > 0) {
        unsigned n = unpacked < 8192 ? unpacked : 8192;
        DecodeChunk(n, Extractor.decoder.window);
        out.insert(out.end(), Extractor.decoder.window, Extractor.decoder.window + n);
        unpacked -= n;
    }
    return out;
}

TEST(ArchiveDecoder, SevenBytesDecodeToOneByte)
{
    Bytes packed = {0x00, 0x01, 0x00, 0x00, 0x07, 0x80, 0x00};
    EXPECT_EQ(Decode(packed, 1), Bytes{0x78});
}

TEST(ArchiveDecoder, ElevenBytesDecodeToAbcabcabcabc)
{
    EXPECT_EQ(Decode(AbcPacked(), 12), ToBytes("abcabcabcabc"));
    EXPECT_EQ(ArchivePosition(), 11);
    EXPECT_FALSE(BitsOverrun());

    // The same, symbol by symbol: three literals, length 9 at distance 2.
    Bytes packed = AbcPacked();
    OpenArchiveMemory(packed.data(), packed.size());
    Extractor.header.packedRemaining = 11;
    StartDecoder();
    EXPECT_EQ(DecodeSymbol(), unsigned('a'));
    EXPECT_EQ(DecodeSymbol(), unsigned('b'));
    EXPECT_EQ(DecodeSymbol(), unsigned('c'));
    EXPECT_EQ(DecodeSymbol(), 262u);
    EXPECT_EQ(DecodeDistance(), 2u);
    EXPECT_EQ(Extractor.decoder.blockRemaining, 0u);
}

TEST(ArchiveDecoder, MatchesAcrossChunksAndTheWindowEnd)
{
    for (uint32_t seed : {1u, 2u, 3u, 99u}) {
        std::vector<Token> tokens = RandomTokens(seed, 100000);
        Bytes expected = Expand(tokens);
        TestEncoder e;
        Bytes packed = e.Encode(tokens, 3000);
        ASSERT_EQ(Decode(packed, static_cast<uint32_t>(expected.size())), expected) << seed;
        EXPECT_FALSE(BitsOverrun());
    }
}

TEST(ArchiveDecoder, DistanceZeroRepeatsThePreviousByte)
{
    // "x" then length 10 (symbol 263) at distance code 0.
    std::vector<Token> tokens = {{0, 'x'}, {10, 0}};
    TestEncoder e;
    EXPECT_EQ(Decode(e.Encode(tokens), 11), ToBytes("xxxxxxxxxxx"));
}

TEST(ArchiveDecoder, MatchRunningPastTheChunkFinishesInTheNext)
{
    // 8190 literals, then a 256-byte match: 2 bytes end the first chunk.
    std::vector<Token> tokens;
    for (int i = 0; i < 8190; i++)
        tokens.push_back({0, static_cast<unsigned>(i * 7 % 256)});
    tokens.push_back({256, 300});
    tokens.push_back({0, 'z'});
    Bytes expected = Expand(tokens);
    TestEncoder e;
    Bytes packed = e.Encode(tokens);
    OpenArchiveMemory(packed.data(), packed.size());
    Extractor.header.packedRemaining = static_cast<uint32_t>(packed.size());
    StartDecoder();
    DecodeChunk(8192, Extractor.decoder.window);
    EXPECT_EQ(Extractor.decoder.pendingCopy, 254u);
    EXPECT_EQ(Bytes(Extractor.decoder.window, Extractor.decoder.window + 8192),
              Bytes(expected.begin(), expected.begin() + 8192));
    DecodeChunk(255, Extractor.decoder.window);
    EXPECT_EQ(Bytes(Extractor.decoder.window, Extractor.decoder.window + 255),
              Bytes(expected.begin() + 8192, expected.end()));
}

TEST(ArchiveDecoder, ZeroRunAfterTheThirdAuxLength)
{
    std::vector<Token> tokens = RandomTokens(5, 3000);
    Bytes expected = Expand(tokens);
    for (unsigned run : {0u, 1u, 2u, 3u}) {
        TestEncoder e;
        e.zeroRun = run;
        EXPECT_EQ(Decode(e.Encode(tokens), static_cast<uint32_t>(expected.size())), expected) << run;
    }
}

TEST(ArchiveDecoder, NewBlockAfterTheBlockSize)
{
    std::vector<Token> tokens = RandomTokens(11, 5000);
    Bytes expected = Expand(tokens);
    TestEncoder e;
    Bytes packed = e.Encode(tokens, 1);  // a block for every symbol
    EXPECT_EQ(Decode(packed, static_cast<uint32_t>(expected.size())), expected);
}

TEST(ArchiveDecoder, SingleFormsCostNoBits)
{
    // Symbol alphabet as a single form: block of 5 symbols, all 'Q'.
    BitWriter w;
    w.Put(5, 16);
    w.Put(0, 5);
    w.Put(0, 5);
    w.Put(0, 9);
    w.Put('Q', 9);
    w.Put(0, 4);
    w.Put(0, 4);
    // The next block: code-length alphabet as the single form 10 (length 8),
    // so 256 symbol lengths cost no bits: the literals are plain bytes.
    w.Put(2, 16);
    w.Put(0, 5);
    w.Put(10, 5);
    w.Put(256, 9);
    w.Put(0, 4);
    w.Put(0, 4);
    w.Put('o', 8);
    w.Put('k', 8);
    EXPECT_EQ(Decode(w.bytes, 7), ToBytes("QQQQQok"));
    EXPECT_FALSE(BitsOverrun());
}

TEST(ArchiveDecoder, ZeroLengthMemberReadsNothingBeyondItsBytes)
{
    Bytes packed = {0x12, 0x34};
    OpenArchiveMemory(packed.data(), packed.size());
    Extractor.header.packedRemaining = 1;
    StartDecoder();
    EXPECT_EQ(ArchivePosition(), 1);
}

// ---- Block boundaries after the longest codes -------------------------------------
// Symbol codes up to 16 bits (the length-256 match and the length-17 match),
// distance codes up to 13 bits (the code for 4096..8191, with 12 extra bits):
// a block that ends with such a match leaves the fewest look-ahead bits for
// the next block header. The streams sweep the bit alignment of that boundary
// (m literals of 9 bits, q matches of 3 bits before it), with the boundary
// inside a chunk, at a chunk's end and one byte before a chunk's end.

std::vector<uint8_t> LongSymbolLengths()
{
    std::vector<uint8_t> lengths(510, 0);
    for (int s = 0; s < 256; s++)
        lengths[s] = 9;
    for (int s = 256; s <= 270; s++)  // match lengths 3..17: 2..16 bits
        lengths[s] = static_cast<uint8_t>(s - 254);
    lengths[509] = 16;                 // match length 256
    return lengths;
}

std::vector<uint8_t> LongDistanceLengths()
{
    std::vector<uint8_t> lengths(14);
    for (int j = 0; j < 14; j++)
        lengths[j] = static_cast<uint8_t>(j < 13 ? j + 1 : 13);
    return lengths;
}

// The tokens of one stream: its first block ends with a 256-byte match at a
// distance of 4096 or more (12 extra bits) whose last byte is output byte
// `end` - 1.
std::vector<Token> BoundarySweep(unsigned end, unsigned m, unsigned q, size_t* firstBlock)
{
    std::vector<Token> t;
    for (unsigned i = 0; i < 8; i++)
        t.push_back({0, 'a' + i});
    unsigned before = end - 256 - m - 3 * q;
    while (Expand(t).size() + 17 <= before - 8)  // cheap filler up to the distance
        t.push_back({17, 5});
    while (Expand(t).size() < before)
        t.push_back({0, static_cast<unsigned>(t.size() % 251)});
    for (unsigned i = 0; i < m; i++)
        t.push_back({0, 'A' + i % 26});
    for (unsigned i = 0; i < q; i++)
        t.push_back({3, 0});
    t.push_back({256, before + m + 3 * q - 100});
    *firstBlock = t.size();
    // The next block: a few literals, then the same long match again.
    for (unsigned i = 0; i < 5; i++)
        t.push_back({0, 'v' + i});
    t.push_back({256, 4500});
    return t;
}

// Decodes with fatal errors turned into a failed result.
jmp_buf DecodeEscape;
[[noreturn]] void EscapeDecode(const char*)
{
    longjmp(DecodeEscape, 1);
}

bool DecodesTo(const Bytes& packed, const Bytes& expected)
{
    FatalErrorHook = EscapeDecode;
    volatile bool ok = false;
    if (setjmp(DecodeEscape) == 0)
        ok = Decode(packed, static_cast<uint32_t>(expected.size())) == expected;
    FatalErrorHook = nullptr;
    return ok;
}

// What lhasa prints for the archive, or nothing when it is not installed.
Bytes LhasaPrint(const Bytes& archive)
{
    if (system("command -v lhasa >/dev/null 2>&1") != 0)
        return {};
    char path[] = "/tmp/boundary_sweep.XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0)
        return {};
    close(fd);
    WriteFileBytes(path, archive);
    std::string command = std::string("lhasa -pq ") + path;
    Bytes out;
    if (FILE* p = popen(command.c_str(), "r")) {
        uint8_t buffer[65536];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, p)) > 0)
            out.insert(out.end(), buffer, buffer + n);
        pclose(p);
    }
    remove(path);
    return out;
}

TEST(ArchiveDecoder, BlockBoundaryAfterTheLongestCodesAtEveryAlignment)
{
    for (unsigned end : {6000u, 8192u, 8191u}) {
        std::vector<MemberSpec> members;
        Bytes all;
        int failed = 0;
        for (unsigned m = 0; m < 24; m++) {
            for (unsigned q = 0; q < 8; q++) {
                size_t firstBlock;
                std::vector<Token> tokens = BoundarySweep(end, m, q, &firstBlock);
                Bytes expected = Expand(tokens);
                TestEncoder e;
                e.SetLengths(LongSymbolLengths(), LongDistanceLengths());
                Bytes packed = e.Encode(tokens, static_cast<unsigned>(firstBlock));
                if (!DecodesTo(packed, expected) && failed++ < 3) {
                    ADD_FAILURE() << "end " << end << ", m " << m << ", q " << q;
                }
                MemberSpec member;
                member.method = "-lh5-";
                member.name = "M" + std::to_string(m) + "Q" + std::to_string(q);
                member.data = packed;
                member.unpackedSize = static_cast<uint32_t>(expected.size());
                member.crc = Crc16Of(expected);
                members.push_back(member);
                all.insert(all.end(), expected.begin(), expected.end());
            }
        }
        EXPECT_EQ(failed, 0) << "end " << end;
        // The streams are sound -lh5- data: an independent extractor agrees.
        Bytes reference = LhasaPrint(ArchiveOf(members));
        if (!reference.empty()) {
            EXPECT_TRUE(reference == all) << "lhasa disagrees, end " << end;
        }
    }
}

// ---- Damaged streams ----------------------------------------------------------------

using ArchiveDecoderDeath = ::testing::Test;

// A block header up to the symbol lengths with the given aux part.
Bytes Damaged(void (*build)(BitWriter&))
{
    BitWriter w;
    build(w);
    for (int i = 0; i < 8; i++)
        w.Put(0, 8);
    return w.bytes;
}

TEST(ArchiveDecoderDeath, CountFieldsLargerThanTheAlphabet)
{
    Bytes aux = Damaged([](BitWriter& w) { w.Put(1, 16); w.Put(20, 5); });
    EXPECT_EXIT(Decode(aux, 1), ::testing::ExitedWithCode(1), "Bad table");
    Bytes symbols = Damaged([](BitWriter& w) {
        w.Put(1, 16);
        w.Put(0, 5);
        w.Put(3, 5);
        w.Put(511, 9);
    });
    EXPECT_EXIT(Decode(symbols, 1), ::testing::ExitedWithCode(1), "Bad table");
    Bytes distances = Damaged([](BitWriter& w) {
        w.Put(1, 16);
        w.Put(0, 5);
        w.Put(0, 5);
        w.Put(0, 9);
        w.Put('a', 9);
        w.Put(15, 4);
    });
    EXPECT_EXIT(Decode(distances, 1), ::testing::ExitedWithCode(1), "Bad table");
}

TEST(ArchiveDecoderDeath, SingleSymbolsOutsideTheAlphabet)
{
    Bytes aux = Damaged([](BitWriter& w) { w.Put(1, 16); w.Put(0, 5); w.Put(19, 5); });
    EXPECT_EXIT(Decode(aux, 1), ::testing::ExitedWithCode(1), "Bad table");
    Bytes symbols = Damaged([](BitWriter& w) {
        w.Put(1, 16);
        w.Put(0, 5);
        w.Put(0, 5);
        w.Put(0, 9);
        w.Put(510, 9);
    });
    EXPECT_EXIT(Decode(symbols, 1), ::testing::ExitedWithCode(1), "Bad table");
    Bytes distances = Damaged([](BitWriter& w) {
        w.Put(1, 16);
        w.Put(0, 5);
        w.Put(0, 5);
        w.Put(0, 9);
        w.Put('a', 9);
        w.Put(0, 4);
        w.Put(14, 4);
    });
    EXPECT_EXIT(Decode(distances, 1), ::testing::ExitedWithCode(1), "Bad table");
}

TEST(ArchiveDecoderDeath, ZeroRunPastTheLastSymbol)
{
    // Code-length alphabet as the single form 2: every code is a long zero
    // run (20 + 9 bits); 500 + 20 runs past 509.
    Bytes run = Damaged([](BitWriter& w) {
        w.Put(1, 16);
        w.Put(0, 5);
        w.Put(2, 5);
        w.Put(510, 9);
        w.Put(480, 9);  // 500 zeros
        w.Put(0, 9);    // 20 more
    });
    EXPECT_EXIT(Decode(run, 1), ::testing::ExitedWithCode(1), "Bad table");
}

TEST(ArchiveDecoderDeath, CodeLengthAboveSixteen)
{
    // 111 and ten 1 bits: length 17.
    Bytes tooLong = Damaged([](BitWriter& w) {
        w.Put(1, 16);
        w.Put(1, 5);
        w.Put(7, 3);
        w.Put(0x3FF, 10);
        w.Put(0, 1);
    });
    EXPECT_EXIT(Decode(tooLong, 1), ::testing::ExitedWithCode(1), "Bad table");
    // All thirteen bits after 111 set: the unary count does not even end.
    Bytes endless = Damaged([](BitWriter& w) {
        w.Put(1, 16);
        w.Put(1, 5);
        w.Put(7, 3);
        w.Put(0x1FFF, 13);
    });
    EXPECT_EXIT(Decode(endless, 1), ::testing::ExitedWithCode(1), "Bad table");
}

TEST(ArchiveDecoderDeath, BlockSizeZero)
{
    Bytes zero = Damaged([](BitWriter& w) { w.Put(0, 16); });
    EXPECT_EXIT(Decode(zero, 1), ::testing::ExitedWithCode(1), "Bad table");
}

TEST(ArchiveDecoderDeath, DataShorterThanTheOutput)
{
    // The abc stream cut to 7 bytes: the last symbols need bits that are not there.
    Bytes cut = AbcPacked();
    cut.resize(7);
    EXPECT_EXIT(Decode(cut, 12), ::testing::ExitedWithCode(1), "Can't read");
    // A sound stream asked for more output than it holds.
    EXPECT_EXIT(Decode(AbcPacked(), 5000), ::testing::ExitedWithCode(1), "Can't read");
}

}  // namespace
