// The Windows program's own formatter against the host's snprintf: the same
// text, the same result, the same cut at every capacity, nothing written past it.
#include <inttypes.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "app/runtime/runtime.h"

namespace {

struct Formatted {
    std::string text;
    int result;
};

// Formats into a buffer of capacity bytes followed by canary bytes.
Formatted Ours(size_t capacity, const char* format, ...)
{
    char buffer[400];
    memset(buffer, '#', sizeof buffer);
    va_list args;
    va_start(args, format);
    int n = FormatText(capacity ? buffer : nullptr, capacity, format, args);
    va_end(args);
    for (size_t i = capacity; i < sizeof buffer; i++)
        EXPECT_EQ('#', buffer[i]) << "write past capacity " << capacity << " at " << i;
    return {capacity ? std::string(buffer) : std::string(), n};
}

Formatted Host(size_t capacity, const char* format, ...)
{
    char buffer[400];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(capacity ? buffer : nullptr, capacity, format, args);
    va_end(args);
    return {capacity ? std::string(buffer) : std::string(), n};
}

// Every capacity from 0 to beyond the text gives the host's text and result.
#define EXPECT_LIKE_HOST(...)                                                      \
    for (size_t capacity : {0, 1, 2, 5, 17, 64, 300}) {                            \
        Formatted ours = Ours(capacity, __VA_ARGS__);                              \
        Formatted host = Host(capacity, __VA_ARGS__);                              \
        EXPECT_EQ(host.text, ours.text) << #__VA_ARGS__ << " capacity " << capacity; \
        EXPECT_EQ(host.result, ours.result) << #__VA_ARGS__;                       \
    }

TEST(RuntimeFormat, ConversionsTheProgramUsesAsTheHostFormatsThem)
{
    EXPECT_LIKE_HOST("plain text, no conversion");
    EXPECT_LIKE_HOST("%s\\%s", "C:\\DEST", "install.cfg");
    EXPECT_LIKE_HOST("Add icons for %.68s to your desktop?",
                     "The Sample Program With A Name Much Longer Than Anyone Would Ever Want");
    EXPECT_LIKE_HOST("%.*s|%.3s|%.0s|", 4, "abcdefgh", "ab", "gone");
    EXPECT_LIKE_HOST("%2d%%|%2d%%|%3d%%", 5, 42, 100);
    EXPECT_LIKE_HOST("%d %d %d %d", 0, -1, INT32_MAX, INT32_MIN);
    EXPECT_LIKE_HOST("%ld %lu %u %i", -123456789L, 4000000000UL, 4000000000U, -7);
    EXPECT_LIKE_HOST("%" PRId32 " K, %" PRId64 " K, %" PRId64, INT32_MAX / 1024,
                     INT64_C(9223372036854775807) / 1024, INT64_MIN);
    EXPECT_LIKE_HOST("%" PRIu64 " %llx %llu", UINT64_MAX, 0x123456789abcdefULL, 10ULL);
    EXPECT_LIKE_HOST("Drive %c: has %s", 'C', "room");
    EXPECT_LIKE_HOST("Please insert disk %d", 2);
    EXPECT_LIKE_HOST("%zu %hd %hhu", static_cast<size_t>(123), static_cast<short>(-5),
                     static_cast<unsigned char>(200));
}

TEST(RuntimeFormat, FlagsWidthAndPrecisionAsTheHostFormatsThem)
{
    EXPECT_LIKE_HOST("[%5d][%-5d][%05d][%+d][% d][%+05d]", 42, 42, -42, 7, 7, -3);
    EXPECT_LIKE_HOST("[%.3d][%8.3d][%-8.3d][%08.3d][%.0d][%5.0d]", 5, -5, 5, 5, 0, 0);
    EXPECT_LIKE_HOST("[%x][%X][%#x][%#X][%08x][%#o][%o][%#o]", 255u, 255u, 255u, 0u, 48879u,
                     8u, 8u, 0u);
    EXPECT_LIKE_HOST("[%*d][%-*d][%*d][%.*d]", 6, 1, 6, 2, -6, 3, -1, 4);
    EXPECT_LIKE_HOST("[%10s][%-10s][%10.2s][%c][%-3c][%%]", "right", "left", "cut", 'x', 'y');
    EXPECT_LIKE_HOST("[%s]", "");
}

TEST(RuntimeFormat, WindowsLengthsAndTheUnknown)
{
    // The C runtime's own length modifiers, which the host lacks.
    EXPECT_EQ("-9223372036854775808 18446744073709551615",
              Ours(100, "%I64d %I64u", INT64_MIN, UINT64_MAX).text);
    EXPECT_EQ("-5 7", Ours(100, "%I32d %Iu", -5, static_cast<size_t>(7)).text);
    // An unknown conversion is copied as it stands and takes no argument;
    // a "%" at the very end is kept.
    Formatted f = Ours(100, "%y %d %", 12);
    EXPECT_EQ("%y 12 %", f.text);
    EXPECT_EQ(7, f.result);
    EXPECT_EQ("(null)", Ours(100, "%s", static_cast<const char*>(nullptr)).text);
}

}  // namespace
