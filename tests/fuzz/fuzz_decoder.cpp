// The input is a compressed member: two bytes of unpacked size (little
// endian), then the packed bytes, decoded in chunks as the driver does.
#include "tests/fuzz/fuzz_hook.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FatalErrorHook = FuzzFatal;
    if (size < 2)
        return 0;
    // Up to 4 * 65535 bytes: several chunks, matches across them.
    uint32_t unpacked = 4u * (data[0] | (data[1] << 8));
    OpenArchiveMemory(data + 2, size - 2);
    Extractor.header.packedRemaining = static_cast<uint32_t>(size - 2);
    if (setjmp(FuzzEscape) != 0)
        return 0;
    StartDecoder();
    while (unpacked > 0) {
        unsigned n = unpacked < 8192 ? unpacked : 8192;
        DecodeChunk(n, Extractor.decoder.window);
        unpacked -= n;
    }
    return 0;
}
