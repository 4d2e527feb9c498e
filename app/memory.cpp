// The program's allocator: the C runtime's heap, without the C++ runtime's
// exception machinery (and its demangler), which would triple the size of a
// program that ships on a floppy. A failed allocation gives null; the
// compiler checks new-expressions for it (-fcheck-new).
#include <stdlib.h>

#include <new>

void* operator new(size_t size)
{
    return malloc(size ? size : 1);
}

void* operator new[](size_t size)
{
    return malloc(size ? size : 1);
}

void operator delete(void* p) noexcept
{
    free(p);
}

void operator delete[](void* p) noexcept
{
    free(p);
}

void operator delete(void* p, size_t) noexcept
{
    free(p);
}

void operator delete[](void* p, size_t) noexcept
{
    free(p);
}
