// Fatal archive errors end the process; under the fuzzer they jump back to
// the entry point instead, so that the next input can run.
#pragma once

#include <setjmp.h>

#include "archive/extractor.h"

static jmp_buf FuzzEscape;

[[noreturn]] static void FuzzFatal(const char*)
{
    longjmp(FuzzEscape, 1);
}
