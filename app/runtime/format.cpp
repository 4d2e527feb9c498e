// The formatter behind the program's printf family. Pure code: no system
// calls, no C library calls, so the native build tests it against the host's
// snprintf.
#include <limits.h>
#include <stdint.h>

#include "app/runtime/runtime.h"

namespace {

// The output: characters past the capacity are counted, not stored; the
// last byte of the capacity is kept for the terminator.
struct Sink {
    char* out;
    size_t capacity;
    size_t length;
};

void Put(Sink* s, char c)
{
    if (s->length + 1 < s->capacity)
        s->out[s->length] = c;
    s->length++;
}

void PutRepeated(Sink* s, char c, int count)
{
    for (; count > 0; count--)
        Put(s, c);
}

void PutText(Sink* s, const char* text, int length)
{
    for (int i = 0; i < length; i++)
        Put(s, text[i]);
}

// One conversion directive: "%" flags width .precision length conversion.
struct Directive {
    bool left;       // "-"
    bool zero;       // "0"
    bool plus;       // "+"
    bool space;      // " "
    bool alternate;  // "#"
    int width;       // 0 when absent
    int precision;   // -1 when absent
    int size;        // bytes of the argument: 1, 2, 4 or 8 (0: int)
};

int ReadNumber(const char** p)
{
    int n = 0;
    while (**p >= '0' && **p <= '9') {
        if (n < 100000)
            n = n * 10 + (**p - '0');
        (*p)++;
    }
    return n;
}

// Reads flags, width, precision and length; leaves *p at the conversion.
void ReadDirective(const char** p, Directive* d, va_list* args)
{
    *d = Directive{false, false, false, false, false, 0, -1, 0};
    for (;; (*p)++) {
        char c = **p;
        if (c == '-')
            d->left = true;
        else if (c == '0')
            d->zero = true;
        else if (c == '+')
            d->plus = true;
        else if (c == ' ')
            d->space = true;
        else if (c == '#')
            d->alternate = true;
        else
            break;
    }
    if (**p == '*') {
        (*p)++;
        d->width = va_arg(*args, int);
        if (d->width < 0) {
            d->left = true;
            d->width = d->width == INT_MIN ? INT_MAX : -d->width;
        }
    } else {
        d->width = ReadNumber(p);
    }
    if (**p == '.') {
        (*p)++;
        if (**p == '*') {
            (*p)++;
            d->precision = va_arg(*args, int);
            if (d->precision < 0)
                d->precision = -1;  // a negative precision counts as absent
        } else {
            d->precision = ReadNumber(p);
        }
    }
    const char* q = *p;
    if (q[0] == 'h' && q[1] == 'h') {
        d->size = 1;
        q += 2;
    } else if (q[0] == 'h') {
        d->size = 2;
        q++;
    } else if (q[0] == 'l' && q[1] == 'l') {
        d->size = 8;
        q += 2;
    } else if (q[0] == 'l') {
        d->size = sizeof(long);
        q++;
    } else if (q[0] == 'j') {
        d->size = sizeof(intmax_t);
        q++;
    } else if (q[0] == 'z' || q[0] == 't') {
        d->size = sizeof(size_t);
        q++;
    } else if (q[0] == 'I' && q[1] == '6' && q[2] == '4') {
        d->size = 8;
        q += 3;
    } else if (q[0] == 'I' && q[1] == '3' && q[2] == '2') {
        d->size = 4;
        q += 3;
    } else if (q[0] == 'I') {
        d->size = sizeof(size_t);
        q++;
    }
    *p = q;
}

uint64_t ReadUnsigned(const Directive& d, va_list* args)
{
    switch (d.size) {
    case 1: return static_cast<unsigned char>(va_arg(*args, unsigned));
    case 2: return static_cast<unsigned short>(va_arg(*args, unsigned));
    case 8: return va_arg(*args, uint64_t);
    default: return va_arg(*args, unsigned);
    }
}

int64_t ReadSigned(const Directive& d, va_list* args)
{
    switch (d.size) {
    case 1: return static_cast<signed char>(va_arg(*args, int));
    case 2: return static_cast<short>(va_arg(*args, int));
    case 8: return va_arg(*args, int64_t);
    default: return va_arg(*args, int);
    }
}

// Digits of value in base, least significant first; returns their count.
int Digits(uint64_t value, unsigned base, bool upper, char* out)
{
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    int n = 0;
    do {
        out[n++] = digits[value % base];
        value /= base;
    } while (value);
    return n;
}

// An integer conversion: sign or prefix, zeros for precision or the "0"
// flag, the digits, padded to the width.
void PutInteger(Sink* s, const Directive& d, uint64_t magnitude, bool negative, char conversion)
{
    unsigned base = conversion == 'o' ? 8 : (conversion == 'x' || conversion == 'X' ||
                                             conversion == 'p') ? 16 : 10;
    char digits[24];
    int count = 0;
    if (!(magnitude == 0 && d.precision == 0))
        count = Digits(magnitude, base, conversion == 'X', digits);

    char prefix[2];
    int prefixLength = 0;
    bool isSigned = conversion == 'd' || conversion == 'i';
    if (negative)
        prefix[prefixLength++] = '-';
    else if (isSigned && d.plus)
        prefix[prefixLength++] = '+';
    else if (isSigned && d.space)
        prefix[prefixLength++] = ' ';
    if (d.alternate && magnitude != 0 && (conversion == 'x' || conversion == 'X')) {
        prefix[prefixLength++] = '0';
        prefix[prefixLength++] = conversion;
    }
    int zeros = d.precision > count ? d.precision - count : 0;
    if (d.alternate && conversion == 'o' && zeros == 0 && (count == 0 || digits[count - 1] != '0'))
        zeros = 1;
    int body = prefixLength + zeros + count;
    int pad = d.width > body ? d.width - body : 0;
    if (d.zero && !d.left && d.precision < 0) {
        zeros += pad;
        pad = 0;
    }
    if (!d.left)
        PutRepeated(s, ' ', pad);
    PutText(s, prefix, prefixLength);
    PutRepeated(s, '0', zeros);
    while (count > 0)
        Put(s, digits[--count]);
    if (d.left)
        PutRepeated(s, ' ', pad);
}

void PutPadded(Sink* s, const Directive& d, const char* text, int length)
{
    int pad = d.width > length ? d.width - length : 0;
    if (!d.left)
        PutRepeated(s, ' ', pad);
    PutText(s, text, length);
    if (d.left)
        PutRepeated(s, ' ', pad);
}

}  // namespace

int FormatText(char* out, size_t capacity, const char* format, va_list args)
{
    if (capacity > INT_MAX)
        return -1;
    Sink s{out, capacity, 0};
    va_list ap;
    va_copy(ap, args);
    for (const char* p = format; *p; p++) {
        if (*p != '%') {
            Put(&s, *p);
            continue;
        }
        const char* start = p;
        p++;
        Directive d;
        ReadDirective(&p, &d, &ap);
        char c = *p;
        if (c == 'd' || c == 'i') {
            int64_t v = ReadSigned(d, &ap);
            uint64_t magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
            PutInteger(&s, d, magnitude, v < 0, c);
        } else if (c == 'u' || c == 'x' || c == 'X' || c == 'o') {
            PutInteger(&s, d, ReadUnsigned(d, &ap), false, c);
        } else if (c == 'p') {
            d.precision = 2 * static_cast<int>(sizeof(void*));
            PutInteger(&s, d, reinterpret_cast<uintptr_t>(va_arg(ap, void*)), false, 'X');
        } else if (c == 'c') {
            char ch = static_cast<char>(va_arg(ap, int));
            PutPadded(&s, d, &ch, 1);
        } else if (c == 's') {
            const char* text = va_arg(ap, const char*);
            if (!text)
                text = "(null)";
            // Never reads beyond the precision: the text need not be terminated.
            int length = 0;
            while ((d.precision < 0 || length < d.precision) && text[length])
                length++;
            PutPadded(&s, d, text, length);
        } else if (c == '%') {
            Put(&s, '%');
        } else {
            // Unknown: copied as it stands, the arguments left alone.
            if (!c)
                p--;
            for (const char* q = start; q <= p; q++)
                Put(&s, *q);
        }
    }
    va_end(ap);
    if (capacity > 0)
        out[s.length < capacity ? s.length : capacity - 1] = '\0';
    return s.length > INT_MAX ? -1 : static_cast<int>(s.length);
}
