// The -lh5- encoder's pieces, shared by its files: the match finders
// (lh5match.cpp, lh5tree.cpp), the parses (lh5parse.cpp), the block writer (lh5block.cpp)
// and the drivers that encode a file whole or in parts (lh5encode.cpp).
#pragma once

#include <string.h>

#include "kit/kit.h"

constexpr int WindowBytes = 8192;
constexpr int MaxOffset = WindowBytes - 1;  // bytes back; the decoder allows 8192
constexpr int MinMatch = 3;
constexpr int MaxMatch = 256;
constexpr int SymbolAlphabet = 510;

// Length of the common run of a and b, at most limit bytes, the first n of
// which are known to be equal already; eight bytes are compared at a time.
inline int CommonLength(const uint8_t* a, const uint8_t* b, int n, int limit)
{
    while (n + 8 <= limit) {
        uint64_t x, y;
        memcpy(&x, a + n, 8);
        memcpy(&y, b + n, 8);
        uint64_t diff = x ^ y;
        if (diff)
            return n + (__builtin_ctzll(diff) >> 3);
        n += 8;
    }
    while (n < limit && a[n] == b[n])
        n++;
    return n;
}
constexpr int DistanceAlphabet = 14;
constexpr int LengthAlphabet = 19;
constexpr int MaxCodeLength = 16;
constexpr int BlockSymbols = 16384;     // symbols per block of the default mode
constexpr int MaxBlockSymbols = 65535;  // what the block's count field holds
constexpr size_t SegmentBytes = 1 << 19;  // input parsed at once by the best mode

// One output symbol: a literal byte (0..255) or a match length + 253 with
// the match's distance (bytes back minus 1).
struct Token {
    uint16_t symbol;
    uint16_t distance;
};

inline size_t TokenBytes(Token t)
{
    return t.symbol < 256 ? 1 : static_cast<size_t>(t.symbol - 253);
}

// Distance code j of a distance value: 0 for 0, else its bit length; j - 1
// more bits follow the code when j > 1.
inline int DistanceCode(unsigned d)
{
    return d == 0 ? 0 : 32 - __builtin_clz(d);
}

// A parse: tokens, and the token index at which each block begins (the
// first is 0; a block runs to the next one or to the end).
struct Parse {
    Token* tokens;
    size_t count;
    size_t capacity;
    size_t* blocks;
    size_t blockCount;
    size_t blockCapacity;
    int failed;
};

void InitParse(Parse& p);
void FreeParse(Parse& p);
void AddToken(Parse& p, Token t);
void StartBlock(Parse& p);
// A block begins at token index `token`, after the last one's start.
void StartBlockAt(Parse& p, size_t token);

// ---- Match finders (lh5match.cpp, lh5tree.cpp) ---------------------------------------------

// Hash chains (the default mode): a hash of the next three bytes leads to the latest position
// with that hash, and a chain links each position to the one before it with
// the same hash, as far back as the window reaches. Positions before `from`
// are never inserted, so no match reaches before it.
struct ChainMatcher {
    const uint8_t* data;
    size_t from;
    size_t end;                // matches never read at or past it
    int32_t head[1 << 15];     // latest position of each hash, -1: none
    int32_t prev[WindowBytes]; // previous position with the same hash
};

struct Match {
    uint16_t length;
    uint16_t offset;           // bytes back
};

// 0 when memory ran out.
ChainMatcher* NewChainMatcher(const uint8_t* data, size_t from, size_t end);
void Insert(ChainMatcher& m, size_t pos);
// Longest match for pos longer than `atLeast` among `chain` positions tried
// (pos itself not yet inserted); its length (0 when none) and offset.
int FindLongest(const ChainMatcher& m, size_t pos, int atLeast, int chain, int* offset);

// Binary trees (the best mode): the positions sharing a hash of their next
// three bytes in a tree ordered by the bytes that follow, searched and
// updated in one walk of at most TreeDepth nodes. Every position must be
// passed to TreeFindAll once, in order, from the first to be matched against.
constexpr int TreeHashBits = 16;
constexpr int TreeDepth = 64;
// A walk ends at a match this long, still measured to its full length; the
// node's subtrees are then the new root's, though they may share more than
// that with it, so the order below is only nearly kept. A heuristic: on the
// bench corpus, ending at 128 rather than at the longest match (256) packed
// 510 bytes larger (0.01 %) and took 5 to 15 % less CPU (noisy, shared machine).
constexpr int TreeNice = 128;
struct TreeMatcher {
    const uint8_t* data;
    size_t end;                       // matches never read at or past it
    int32_t head[1 << TreeHashBits];  // root of each hash's tree, -1: none
    int32_t child[2 * WindowBytes];   // smaller and larger subtree of each position
};

// 0 when memory ran out.
TreeMatcher* NewTreeMatcher(const uint8_t* data, size_t end);
// Inserts pos and gives (into `out`, when not null: room for TreeDepth)
// every match for it that is longer than all nearer ones, so lengths and
// offsets both rise; their number.
int TreeFindAll(TreeMatcher& m, size_t pos, Match* out);

// Moves every position of the finders down by `delta` (a multiple of
// WindowBytes), as the bytes under them moved; positions below it are lost.
void RebaseChains(ChainMatcher& m, size_t delta);
void RebaseTrees(TreeMatcher& m, size_t delta);

// ---- A file packed through a window (lh5encode.cpp) ---------------------------------------

struct BitWriter;

// The bytes of a file from `base` on, `size` of them in buf, as far as a
// parse needs them: it slides the window on when fewer bytes are left ahead
// than its next step may read (StreamLookahead for the lazy parse, a segment
// and StreamLookahead for the best mode), keeping the window's reach behind.
// The stream written so far (`out`) is drained into `sink` at every slide.
constexpr size_t StreamLookahead = 4 * MaxMatch;
struct InputWindow {
    FILE* file;
    uint8_t* buf;
    size_t size;
    size_t capacity;
    uint64_t base;         // file position of buf[0]
    uint64_t total;        // bytes of the file to pack
    uint16_t crc;          // of the bytes read so far
    int failed;            // reading fell short (StreamReadFailed) or writing failed
    ByteBuffer* out;
    FILE* sink;
    uint64_t written;      // bytes drained into sink
};

// Keeps the window's reach before buffer position `at` (and every byte
// after it), reads on as far as the buffer holds and drains the output.
// Returns how far the bytes moved down.
size_t SlideWindow(InputWindow& s, size_t at);

// ---- Parses (lh5parse.cpp) ---------------------------------------------------------------

// Each appends the tokens of data[from, to) to p with its block starts; the
// matches reach no byte before `from` and none at or past `to`. Given a
// writer, the lazy parse writes each block as it is done and leaves p empty.
// Given a window (`data` its buffer, `from` 0 and `to` the bytes of the file
// left from its base on), the parses slide it on as they go.
int ParseLazy(const uint8_t* data, size_t from, size_t to, Parse& p, BitWriter* w, InputWindow* s = nullptr);
int ParseNearOptimal(const uint8_t* data, size_t from, size_t to, Parse& p, BitWriter* w = nullptr,
                     InputWindow* s = nullptr);
// Whether the tokens from `begins` to the end of p (`bits` as a block of
// their own) join the last block begun before them: when one block of both
// is smaller and its symbols still fit the block's count field.
bool JoinsBlockBefore(const Parse& p, size_t begins, uint64_t bits);

// ---- Block writer (lh5block.cpp) -------------------------------------------------------

struct BlockNotes;

struct BitWriter {
    ByteBuffer* out;  // null: only count
    uint64_t bits;    // pending bits, right-aligned
    int count;
    uint64_t total;   // bits put so far
    BlockNotes* notes;  // when not null, every block written is noted there
};

// The blocks of a stream noted as they are written, for cutting parts from
// it later (lh5spool.cpp): each block's tokens go on in `tokens`, and where
// it begins into the arrays; entry `count` is the end of the stream.
struct BlockNotes {
    FILE* tokens;
    uint64_t* position;    // input byte where each block begins
    uint64_t* token;       // index of its first token
    uint64_t* bit;         // stream bit where it begins
    size_t count;
    size_t capacity;
    int failed;
};
// Notes a block of n tokens that begins at stream bit `bit`.
void NoteBlock(BlockNotes& notes, const Token* t, size_t n, uint64_t bit);

// EncodeLh5File, noting the blocks when `notes` is not null.
int EncodeLh5Stream(FILE* in, uint64_t total, FILE* out, PackMode mode, BlockNotes* notes, uint16_t* crc,
                    uint64_t* written);

void PutBits(BitWriter& w, int n, unsigned value);
// Pads the last byte with zero bits.
void FlushBits(BitWriter& w);
// Puts bits [first, last) of a stream written MSB first at `bytes`.
void CopyBits(BitWriter& w, const uint8_t* bytes, uint64_t first, uint64_t last);

// The codes a block is written with, from its tokens' frequencies.
struct BlockCodes {
    uint32_t symbolFreq[SymbolAlphabet];
    uint32_t distanceFreq[DistanceAlphabet];
    uint8_t symbolLen[SymbolAlphabet];
    uint8_t distanceLen[DistanceAlphabet];
    int symbolsUsed;
    int distancesUsed;
};

void CountTokens(const Token* t, size_t n, BlockCodes& c);
// Makes the code lengths from the frequencies already counted.
void MakeBlockCodes(BlockCodes& c);
// Bits the block of these frequencies takes, tables and symbols.
uint64_t BlockBits(BlockCodes& c);
uint64_t TokenBlockBits(const Token* t, size_t n);
// How many of the count tokens at t fit as one block in the bits left after
// used, found by halving (a block's bits grow with its tokens): 0 when not
// even one does.
inline size_t TokensThatFit(const Token* t, size_t count, uint64_t used, uint64_t roomBits)
{
    size_t lo = 0, hi = count;
    while (hi - lo > 1) {
        size_t mid = (lo + hi) / 2;
        (used + TokenBlockBits(t, mid) <= roomBits ? lo : hi) = mid;
    }
    return lo;
}
// 0, with the output failed, for a count the block cannot hold (0 or above
// MaxBlockSymbols).
int WriteBlock(BitWriter& w, const Token* t, size_t n);
// Writes every block of a parse; when `starts` is given, the bit position at
// which each block begins (p.blockCount of them) and the end.
void WriteParse(BitWriter& w, const Parse& p, uint64_t* starts);
