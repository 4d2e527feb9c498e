// The kit's -lh5- encoder and archive writer against the program's own reader.
#include <gtest/gtest.h>

#include <unistd.h>

#include <random>

#include "kit/kit.h"
#include "tests/unit/archive_fixture.h"

namespace {

Bytes Encode(const Bytes& plain, PackMode mode = PackDefault)
{
    ByteBuffer out;
    InitBuffer(out);
    EXPECT_EQ(EncodeLh5(plain.data(), plain.size(), out, mode), 1);
    Bytes packed(out.data, out.data + out.size);
    FreeBuffer(out);
    return packed;
}

Bytes DecodeAll(const Bytes& packed, size_t n)
{
    OpenArchiveMemory(packed.data(), packed.size());
    Extractor.header.packedRemaining = static_cast<uint32_t>(packed.size());
    StartDecoder();
    Bytes out;
    while (out.size() < n) {
        unsigned chunk = n - out.size() < 8192 ? static_cast<unsigned>(n - out.size()) : 8192;
        DecodeChunk(chunk, Extractor.decoder.window);
        out.insert(out.end(), Extractor.decoder.window, Extractor.decoder.window + chunk);
    }
    EXPECT_EQ(Extractor.header.packedRemaining, 0u);
    return out;
}

Bytes Random(size_t n, unsigned seed, int alphabet)
{
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& x : b)
        x = static_cast<uint8_t>(rng() % alphabet);
    return b;
}

// Text lines and code-like bytes, mixed: blocks of different statistics.
Bytes Mixed(size_t n)
{
    Bytes b;
    std::mt19937 rng(11);
    while (b.size() < n) {
        for (int i = 0; i < 300; i++) {
            std::string line = "#define NAME_" + std::to_string(rng() % 5000) + " (" + std::to_string(i) + ")\n";
            b.insert(b.end(), line.begin(), line.end());
        }
        for (int i = 0; i < 6000; i++)
            b.push_back(static_cast<uint8_t>(rng() % 7 == 0 ? rng() : (i % 64 < 8 ? 0x48 : i & 3)));
    }
    b.resize(n);
    return b;
}

}  // namespace

// Inputs that reach every form of a block: single-symbol alphabets, no
// matches, only matches, several blocks, matches over the whole window; in
// both modes, the best no larger than the default (a byte or two more where
// its segments of 128 KB end a match that the default runs on).
TEST(KitEncoder, RoundTripsThroughTheDecoder)
{
    Bytes text;
    for (int i = 0; i < 20000; i++) {
        std::string line = "line " + std::to_string(i * 7919 % 1000) + " of the text\r\n";
        text.insert(text.end(), line.begin(), line.end());
    }
    Bytes window = Random(8191, 5, 256);
    Bytes mixed = Mixed(400000);
    Bytes farMatches = window;
    farMatches.insert(farMatches.end(), window.begin(), window.end());
    // Copies of every length from 3 to 260 of noise seen before, each after a
    // fresh byte: matches that end at every length, not only a multiple of four.
    Bytes everyLength = Random(300, 9, 256);
    for (int n = 3; n <= 260; n++) {
        everyLength.push_back(static_cast<uint8_t>(n * 37));
        Bytes copy(everyLength.begin() + n % 29, everyLength.begin() + n % 29 + n);
        everyLength.insert(everyLength.end(), copy.begin(), copy.end());
    }
    struct Case {
        const char* what;
        Bytes data;
        size_t maxPacked;  // packed size must not exceed this
    } cases[] = {
        {"one byte", Bytes{0x78}, 8},
        {"abc repeated", ToBytes("abcabcabcabc"), 11},
        {"one byte value, long", Bytes(200000, 'x'), 400},
        {"two byte values", Random(50000, 1, 2), 50000 / 8 + 2000},
        {"text, many blocks", text, text.size() / 3},
        {"incompressible", Random(70000, 2, 256), 70000 + 70000 / 50},
        {"matches 8191 back", farMatches, 8191 + 8191 / 10},
        {"text and binary", mixed, mixed.size() / 3},
        {"copies of every length", everyLength, everyLength.size() / 6},
    };
    for (const Case& c : cases) {
        Bytes packed = Encode(c.data);
        EXPECT_LE(packed.size(), c.maxPacked) << c.what;
        EXPECT_EQ(DecodeAll(packed, c.data.size()), c.data) << c.what;
        Bytes best = Encode(c.data, PackBest);
        EXPECT_LE(best.size(), packed.size() + 2) << c.what << ", best mode";
        EXPECT_EQ(DecodeAll(best, c.data.size()), c.data) << c.what << ", best mode";
    }
}

// Frequencies that an unlimited Huffman code would give codes of up to 40
// bits: the lengths stay within 16 and form a complete prefix code.
TEST(KitEncoder, CodeLengthsAreLimitedAndComplete)
{
    uint32_t freq[40];
    uint32_t a = 1, b = 1;
    for (uint32_t& f : freq) {
        f = a;
        uint32_t next = a + b;
        a = b;
        b = next;
    }
    uint8_t lengths[40];
    ASSERT_EQ(MakeCodeLengths(freq, 40, 16, lengths), 40);
    uint64_t kraft = 0;
    for (int s = 0; s < 40; s++) {
        ASSERT_GE(lengths[s], 1);
        ASSERT_LE(lengths[s], 16);
        kraft += uint64_t(1) << (16 - lengths[s]);
        if (s > 0) {
            EXPECT_LE(lengths[s], lengths[s - 1]) << "a more frequent symbol got a longer code";
        }
    }
    EXPECT_EQ(kraft, uint64_t(1) << 16);

    // Data with that skew decodes: the decoder rejects incomplete codes.
    Bytes skewed;
    for (int s = 0; s < 26; s++)
        skewed.insert(skewed.end(), freq[s], static_cast<uint8_t>(s * 9));
    std::shuffle(skewed.begin(), skewed.end(), std::mt19937(3));
    EXPECT_EQ(DecodeAll(Encode(skewed), skewed.size()), skewed);
}

// Members as the writer lays them out: header fields, methods by kind, stored
// when compression does not pay, and the reader takes them back.
TEST(KitWriter, MembersReadBackWithTheirMethods)
{
    Bytes text(30000, 'a');
    Bytes noise = Random(3000, 9, 256);
    ByteBuffer archive;
    InitBuffer(archive);
    const uint32_t when = DosDateTime(0);
    ASSERT_TRUE(AppendMember(archive, "APP\\README.TXT", text.data(), text.size(), when, MemberWhole, PackDefault));
    ASSERT_TRUE(AppendMember(archive, "NOISE", noise.data(), noise.size(), when, MemberWhole, PackDefault));
    ASSERT_TRUE(AppendMember(archive, "PART", text.data(), 100, when, MemberSplitFirst, PackDefault));
    ASSERT_TRUE(AppendMember(archive, "PART", noise.data(), 100, when, MemberSplitNext, PackStore));
    ASSERT_TRUE(AppendMember(archive, "EMPTY", nullptr, 0, when, MemberWhole, PackDefault));
    std::string tooLong(MaxMemberName + 1, 'n');
    EXPECT_FALSE(AppendMember(archive, tooLong.c_str(), text.data(), 1, when, MemberWhole, PackDefault));
    EndArchive(archive);

    OpenArchiveMemory(archive.data, archive.size);
    struct Want {
        const char* method;
        const char* name;
        const Bytes data;
    } want[] = {
        {"-lh5-", "APP\\README.TXT", text},
        {"-lh0-", "NOISE", noise},
        {"<cmp>", "PART", Bytes(text.begin(), text.begin() + 100)},
        {"<st+>", "PART", Bytes(noise.begin(), noise.begin() + 100)},
        {"-lh0-", "EMPTY", Bytes()},
    };
    for (const Want& w : want) {
        ASSERT_EQ(ReadMemberHeader(), 1) << w.name;
        EXPECT_EQ(std::string(reinterpret_cast<char*>(Extractor.header.buffer), 5), w.method);
        EXPECT_STREQ(Extractor.header.name, w.name);
        EXPECT_EQ(Extractor.header.storedCrc, Crc16Of(w.data)) << w.name;
        EXPECT_EQ(HeaderField(13, 4), 0x00210000u) << "1980-01-01 00:00";
        EXPECT_EQ(HeaderField(18, 1), 1u) << "level";
        SetExtractOutput(OutputDiscard, nullptr);
        ExtractMember();  // ends the process on a CRC mismatch
    }
    EXPECT_EQ(ReadMemberHeader(), 0);
    FreeBuffer(archive);
}

// A file packed once and cut into parts as the builder cuts it: each part's
// stream decodes on its own to its bytes, every part but the last fills its
// room to within 64 bytes (the room is whole clusters, so it fills its disk
// to within one), and the parts together cost little more than the whole.
// Rooms smaller than the head of a part, a block, and many blocks; a file
// that does not pack is cut into stored parts of the room's size.
TEST(KitEncoder, PartsCutFromOnePackingDecodeOnTheirOwn)
{
    Bytes mixed = Mixed(700000);
    Bytes noise = Random(100000, 4, 256);
    struct Case {
        const char* what;
        const Bytes& data;
        PackMode mode;
        uint64_t room;
    } cases[] = {
        {"default, 60000", mixed, PackDefault, 60000},
        {"default, 1500", mixed, PackDefault, 1500},
        {"default, 150000", mixed, PackDefault, 150000},
        {"best, 60000", mixed, PackBest, 60000},
        {"best, 2500", mixed, PackBest, 2500},
        {"noise", noise, PackDefault, 30000},
    };
    for (const Case& c : cases) {
        Bytes whole = Encode(c.data, c.mode);
        PackedFile* f = PackFile(c.data.data(), c.data.size(), c.mode);
        ASSERT_TRUE(f) << c.what;
        ByteBuffer part;
        InitBuffer(part);
        Bytes joined;
        size_t start = 0, total = 0;
        int parts = 0;
        while (start < c.data.size()) {
            size_t end = 0;
            ASSERT_EQ(CutPart(*f, start, c.room, part, &end), 1) << c.what;
            ASSERT_GT(end, start) << c.what;
            EXPECT_LE(part.size, c.room) << c.what << ", part " << parts;
            if (end < c.data.size()) {
                EXPECT_GE(part.size + 64, c.room) << c.what << ", part " << parts;
            }
            Bytes bytes(part.data, part.data + part.size);
            Bytes plain = c.data.size() == 100000 ? bytes : DecodeAll(bytes, end - start);
            EXPECT_TRUE(std::equal(plain.begin(), plain.end(), c.data.begin() + start)) << c.what << ", part " << parts;
            joined.insert(joined.end(), plain.begin(), plain.end());
            total += part.size;
            start = end;
            parts++;
        }
        EXPECT_EQ(joined, c.data) << c.what;
        EXPECT_LE(total, whole.size() + parts * 2500) << c.what << ": " << parts << " parts";
        EXPECT_GE(parts, static_cast<int>(whole.size() / c.room)) << c.what;
        FreeBuffer(part);
        FreePackedFile(f);
    }
}

// A file packed as it is read, through a window of about half a megabyte,
// gives the member the whole file in memory gives: the same stream in both
// modes across many slides of the window, the same stored member when
// packing does not pay (the packed bytes overwritten and cut off), and a
// file above 4 GB - 1 bytes refused before anything is read or written.
TEST(KitWriter, FilesPackedAsTheyAreReadMatchTheWholeFile)
{
    Bytes mixed = Mixed(1700000);
    Bytes noise = Random(700000, 6, 256);
    Bytes text;
    while (text.size() < 1200000) {
        std::string line = "static int value_" + std::to_string(text.size() % 9973) + " = 0;\n";
        text.insert(text.end(), line.begin(), line.end());
    }
    struct Case {
        const char* what;
        const Bytes& data;
        PackMode mode;
        const char* method;
    } cases[] = {
        {"mixed, default", mixed, PackDefault, "-lh5-"},
        {"mixed, best", mixed, PackBest, "-lh5-"},
        {"text, best", text, PackBest, "-lh5-"},
        {"noise, stored after packing", noise, PackDefault, "-lh0-"},
        {"text, stored", text, PackStore, "-lh0-"},
    };
    char path[] = "/tmp/kit_stream_XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    const uint32_t when = DosDateTime(0);
    for (const Case& c : cases) {
        FILE* in = fopen(path, "wb");
        ASSERT_TRUE(in);
        fwrite(c.data.data(), 1, c.data.size(), in);
        fclose(in);
        FILE* out = tmpfile();
        ASSERT_TRUE(out);
        fputs("before", out);
        ASSERT_EQ(WriteFileMember(out, "DIR\\FILE.DAT", path, c.data.size(), when, c.mode), StreamOk) << c.what;
        Bytes streamed(static_cast<size_t>(ftello(out)));
        rewind(out);
        ASSERT_EQ(fread(streamed.data(), 1, streamed.size(), out), streamed.size());
        fclose(out);
        ByteBuffer member;
        InitBuffer(member);
        ASSERT_TRUE(BuildMember(member, "DIR\\FILE.DAT", c.data.data(), c.data.size(), when, MemberWhole, c.mode));
        Bytes whole = ToBytes("before");
        whole.insert(whole.end(), member.data, member.data + member.size);
        FreeBuffer(member);
        EXPECT_EQ(std::string(streamed.begin() + 8, streamed.begin() + 13), c.method) << c.what;
        EXPECT_TRUE(streamed == whole) << c.what << ": " << streamed.size() << " bytes against " << whole.size();
    }
    FILE* out = tmpfile();
    ASSERT_TRUE(out);
    EXPECT_EQ(WriteFileMember(out, "BIG", path, MaxMemberBytes + 1, when, PackDefault), StreamTooLarge);
    EXPECT_EQ(ftello(out), 0) << "nothing written for a file too large";
    fclose(out);
    EXPECT_EQ(WriteFileMember(out = tmpfile(), "GONE", "/nonexistent/file", 10, when, PackDefault), StreamReadFailed);
    fclose(out);
    // Shorter than its size said (cut while packed): a read failure in both modes.
    for (PackMode mode : {PackDefault, PackBest}) {
        EXPECT_EQ(WriteFileMember(out = tmpfile(), "SHORT", path, text.size() + 5000, when, mode), StreamReadFailed);
        fclose(out);
    }
    remove(path);
}
