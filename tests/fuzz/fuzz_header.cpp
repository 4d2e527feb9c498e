// The input is a whole archive: every member header is read and each member
// is decoded and checked as "lzhx t" does (nothing is written). Members
// claiming more than 1 MiB are cut to that, which then fails the CRC.
#include "tests/fuzz/fuzz_hook.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FatalErrorHook = FuzzFatal;
    SetExtractOutput(OutputDiscard, nullptr);
    OpenArchiveMemory(data, size);
    if (setjmp(FuzzEscape) != 0)
        return 0;
    while (ReadMemberHeader()) {
        LookupMethod(Extractor.header.buffer);
        if (Extractor.header.unpackedRemaining > (1u << 20))
            Extractor.header.unpackedRemaining = 1u << 20;
        ExtractMember();
    }
    return 0;
}
