// Text in the users' code page: authors write UTF-8 on the host, setup reads
// its script and companion files as bytes of the Windows ANSI code page. A
// file that is valid UTF-8 and holds characters above 127 is converted; one
// that is not valid UTF-8 is taken as already written in the code page.
#include <errno.h>
#include <iconv.h>
#include <string.h>

#include "kit/kit.h"

namespace {

// Length of the UTF-8 sequence at p (at most n bytes), 0 when it is not one:
// no overlong forms, no surrogates, nothing above U+10FFFF.
size_t SequenceLength(const unsigned char* p, size_t n)
{
    unsigned char c = p[0];
    size_t length;
    unsigned long low;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF)
        length = 2, low = 0x80;
    else if (c >= 0xE0 && c <= 0xEF)
        length = 3, low = 0x800;
    else if (c >= 0xF0 && c <= 0xF4)
        length = 4, low = 0x10000;
    else
        return 0;
    if (length > n)
        return 0;
    unsigned long code = c & (0x7F >> length);
    for (size_t i = 1; i < length; i++) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    if (code < low || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

}  // namespace

bool IsUtf8(const char* text, size_t n)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    for (size_t i = 0; i < n;) {
        size_t length = SequenceLength(p + i, n - i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

int FirstHighByteLine(const char* text, size_t n)
{
    int line = 1;
    for (size_t i = 0; i < n; i++) {
        if (static_cast<unsigned char>(text[i]) >= 0x80)
            return line;
        line += text[i] == '\n';
    }
    return 0;
}

int TextToCodePage(int codePage, const char* text, size_t n, ByteBuffer& out, TextFault& fault)
{
    out.size = 0;
    fault.line = 0;
    fault.character[0] = 0;
    char name[16];
    FormatText(name, sizeof name, "CP%d", codePage);
    iconv_t cd = iconv_open(name, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return 0;
    char* in = const_cast<char*>(text);
    size_t inLeft = n;
    int status = 1;
    while (inLeft > 0 && status) {
        char chunk[4096];
        char* to = chunk;
        size_t toLeft = sizeof chunk;
        size_t done = iconv(cd, &in, &inLeft, &to, &toLeft);
        AppendBytes(out, chunk, sizeof chunk - toLeft);
        if (done == static_cast<size_t>(-1) && errno != E2BIG) {
            // The character at `in` has no form in the code page.
            size_t at = static_cast<size_t>(in - text);
            fault.line = 1;
            for (size_t i = 0; i < at; i++)
                fault.line += text[i] == '\n';
            size_t length = SequenceLength(reinterpret_cast<const unsigned char*>(in), inLeft);
            FormatText(fault.character, sizeof fault.character, "%.*s", static_cast<int>(length ? length : 1), in);
            status = 0;
        }
    }
    iconv_close(cd);
    return status && !out.failed;
}
