// Memory and string functions. The compiler itself may call memcpy, memmove,
// memset and memcmp for copies and clears, so this file is built with loop
// pattern replacement off: a loop here must not become a call to itself.
#include <stddef.h>
#include <stdint.h>

extern "C" {

void* memcpy(void* to, const void* from, size_t n)
{
    unsigned char* d = static_cast<unsigned char*>(to);
    const unsigned char* s = static_cast<const unsigned char*>(from);
    // Whole words while both are aligned alike, then bytes.
    if (((reinterpret_cast<uintptr_t>(d) ^ reinterpret_cast<uintptr_t>(s)) & (sizeof(size_t) - 1)) == 0) {
        while (n && (reinterpret_cast<uintptr_t>(d) & (sizeof(size_t) - 1))) {
            *d++ = *s++;
            n--;
        }
        for (; n >= sizeof(size_t); n -= sizeof(size_t)) {
            *reinterpret_cast<size_t*>(d) = *reinterpret_cast<const size_t*>(s);
            d += sizeof(size_t);
            s += sizeof(size_t);
        }
    }
    while (n--)
        *d++ = *s++;
    return to;
}

void* memmove(void* to, const void* from, size_t n)
{
    unsigned char* d = static_cast<unsigned char*>(to);
    const unsigned char* s = static_cast<const unsigned char*>(from);
    if (d <= s || d >= s + n)
        return memcpy(to, from, n);
    while (n--)
        d[n] = s[n];
    return to;
}

void* memset(void* to, int value, size_t n)
{
    unsigned char* d = static_cast<unsigned char*>(to);
    while (n--)
        *d++ = static_cast<unsigned char>(value);
    return to;
}

int memcmp(const void* a, const void* b, size_t n)
{
    const unsigned char* p = static_cast<const unsigned char*>(a);
    const unsigned char* q = static_cast<const unsigned char*>(b);
    for (; n; n--, p++, q++) {
        if (*p != *q)
            return *p - *q;
    }
    return 0;
}

void* memchr(const void* from, int value, size_t n)
{
    const unsigned char* p = static_cast<const unsigned char*>(from);
    for (; n; n--, p++) {
        if (*p == static_cast<unsigned char>(value))
            return const_cast<unsigned char*>(p);
    }
    return nullptr;
}

size_t strlen(const char* s)
{
    const char* p = s;
    while (*p)
        p++;
    return static_cast<size_t>(p - s);
}

size_t strnlen(const char* s, size_t limit)
{
    size_t n = 0;
    while (n < limit && s[n])
        n++;
    return n;
}

char* strchr(const char* s, int c)
{
    for (;; s++) {
        if (*s == static_cast<char>(c))
            return const_cast<char*>(s);
        if (!*s)
            return nullptr;
    }
}

char* strrchr(const char* s, int c)
{
    const char* found = nullptr;
    for (;; s++) {
        if (*s == static_cast<char>(c))
            found = s;
        if (!*s)
            return const_cast<char*>(found);
    }
}

int strcmp(const char* a, const char* b)
{
    for (; *a && *a == *b; a++, b++) {
    }
    return static_cast<unsigned char>(*a) - static_cast<unsigned char>(*b);
}

int strncmp(const char* a, const char* b, size_t n)
{
    for (; n; n--, a++, b++) {
        if (*a != *b || !*a)
            return static_cast<unsigned char>(*a) - static_cast<unsigned char>(*b);
    }
    return 0;
}

char* strpbrk(const char* s, const char* set)
{
    for (; *s; s++) {
        if (strchr(set, *s))
            return const_cast<char*>(s);
    }
    return nullptr;
}

// Case is that of the C locale: only A to Z and a to z.
int toupper(int c)
{
    return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
}

int tolower(int c)
{
    return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

int _strnicmp(const char* a, const char* b, size_t n)
{
    for (; n; n--, a++, b++) {
        int x = tolower(static_cast<unsigned char>(*a));
        int y = tolower(static_cast<unsigned char>(*b));
        if (x != y || !x)
            return x - y;
    }
    return 0;
}

int _stricmp(const char* a, const char* b)
{
    return _strnicmp(a, b, SIZE_MAX);
}

}  // extern "C"
