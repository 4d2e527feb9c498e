// The -lh5- encoder's blocks against the 16-bit symbol count each begins with.
#include <gtest/gtest.h>

#include <vector>

#include "kit/lh5.h"

// The best mode joins a segment's first block to the block before when one
// block of both is smaller, but never past the 65,535 symbols the count field
// holds; the block writer refuses a count of 0 or 65,536 outright, failing
// the stream rather than writing a count the decoder reads as another.
TEST(KitEncoder, BlocksStayWithinTheirCountField)
{
    const Token a = {'a', 0}, b = {'b', 0};
    struct Case {
        const char* what;
        size_t before, after;  // symbols of the last block and of the one that may join it
        Token second;          // the joining block's only symbol
        bool joins;
    } cases[] = {
        {"alike, 65,535 together", 40000, 25535, a, true},
        {"alike, 65,536 together", 40000, 25536, a, false},
        {"alike, 65,536 the other way round", 1, 65535, a, false},
        {"unlike: two single-symbol blocks are smaller", 1000, 1000, b, false},
    };
    for (const Case& c : cases) {
        Parse p;
        InitParse(p);
        StartBlock(p);
        for (size_t i = 0; i < c.before; i++)
            AddToken(p, a);
        size_t begins = p.count;
        for (size_t i = 0; i < c.after; i++)
            AddToken(p, c.second);
        ASSERT_FALSE(p.failed);
        uint64_t bits = TokenBlockBits(p.tokens + begins, c.after);
        EXPECT_EQ(JoinsBlockBefore(p, begins, bits), c.joins) << c.what;
        FreeParse(p);
    }

    std::vector<Token> tokens(65536, a);
    for (size_t i = 0; i < tokens.size(); i += 3)
        tokens[i] = b;
    struct Count {
        size_t n;
        int written;
    } counts[] = {{0, 0}, {1, 1}, {65535, 1}, {65536, 0}};
    for (const Count& c : counts) {
        ByteBuffer out;
        InitBuffer(out);
        BitWriter w = {&out, 0, 0, 0, nullptr};
        EXPECT_EQ(WriteBlock(w, tokens.data(), c.n), c.written) << c.n << " symbols";
        FlushBits(w);
        EXPECT_EQ(out.failed, !c.written) << c.n << " symbols";
        if (c.written) {
            ASSERT_GE(out.size, 2u);
            EXPECT_EQ(size_t(out.data[0]) << 8 | out.data[1], c.n) << "the count field";
        }
        FreeBuffer(out);
    }
}
