// decode(encode(x)) = x for the kit's -lh5- encoder. The first input byte
// picks how many times the rest is repeated (bits 0-4: 1 to 32, each copy
// with one byte changed), so that long matches, several blocks and the
// window's wrap are reached from small inputs; bit 5 the best mode; bit 6
// packing once and cutting into parts as the builder does, each of which
// must decode on its own (rooms from the input size, so that parts fall
// inside heads and blocks alike); bit 7 packing as a file is read, through
// the window that slides over it, which must give the stream of packing it
// whole.
#include <stdlib.h>
#include <string.h>

#include "kit/kit.h"
#include "archive/extractor.h"

// Decodes a whole stream of n bytes and compares it with `plain`.
static void CheckStream(const ByteBuffer& packed, const uint8_t* plain, size_t n)
{
    // Any fatal report on our own stream is a finding.
    FatalErrorHook = nullptr;
    OpenArchiveMemory(packed.data, packed.size);
    Extractor.header.packedRemaining = static_cast<uint32_t>(packed.size);
    StartDecoder();
    for (size_t done = 0; done < n;) {
        unsigned chunk = n - done < 8192 ? static_cast<unsigned>(n - done) : 8192;
        DecodeChunk(chunk, Extractor.decoder.window);
        if (memcmp(Extractor.decoder.window, plain + done, chunk) != 0)
            abort();
        done += chunk;
    }
    // Every packed byte is used, none is left over.
    if (Extractor.header.packedRemaining != 0 || BitsOverrun())
        abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    size_t copies = (data[0] & 31) + 1;
    PackMode mode = data[0] & 32 ? PackBest : PackDefault;
    size_t n = (size - 1) * copies;
    uint8_t* plain = static_cast<uint8_t*>(malloc(n + 1));
    for (size_t c = 0; c < copies; c++) {
        memcpy(plain + c * (size - 1), data + 1, size - 1);
        if (size > 1)
            plain[c * (size - 1) + (c * 7) % (size - 1)] ^= static_cast<uint8_t>(c);
    }
    ByteBuffer packed;
    InitBuffer(packed);
    if (data[0] & 128) {
        if (!EncodeLh5(plain, n, packed, mode))
            abort();
        FILE* in = fmemopen(plain, n + 1, "rb");
        char* streamed = nullptr;
        size_t streamedSize = 0;
        FILE* out = open_memstream(&streamed, &streamedSize);
        uint16_t crc = 0;
        uint64_t written = 0;
        if (!in || !out || EncodeLh5File(in, n, out, mode, &crc, &written) != StreamOk)
            abort();
        fclose(in);
        fclose(out);
        if (written != packed.size || streamedSize != packed.size || memcmp(streamed, packed.data, packed.size) != 0 ||
            crc != UpdateCrc16(0, plain, n))
            abort();
        free(streamed);
        CheckStream(packed, plain, n);
    } else if (!(data[0] & 64)) {
        if (!EncodeLh5(plain, n, packed, mode))
            abort();
        CheckStream(packed, plain, n);
    } else {
        PackedFile* f = PackFile(plain, n, mode);
        if (!f)
            abort();
        uint64_t room = 16 + (size * 131) % 4096 + n / 8;
        size_t start = 0;
        while (start < n) {
            size_t end = start;
            if (!CutPart(*f, start, room, packed, &end) || end <= start || packed.size > room)
                abort();
            // A part whose data is not smaller than its bytes is stored by
            // the writer, which then takes its bytes instead.
            if (packed.size < end - start)
                CheckStream(packed, plain + start, end - start);
            start = end;
        }
        FreePackedFile(f);
    }
    FreeBuffer(packed);
    free(plain);
    return 0;
}
