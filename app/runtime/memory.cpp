// The program's allocator: the process heap. A failed allocation gives null;
// the compiler checks new-expressions for it (-fcheck-new), so nothing needs
// the C++ runtime's exception machinery.
#include <windows.h>

#include <stdint.h>

extern "C" {

void* malloc(size_t size)
{
    return HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
}

void* calloc(size_t count, size_t size)
{
    if (size && count > SIZE_MAX / size)
        return nullptr;
    size_t total = count * size;
    return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, total ? total : 1);
}

void free(void* p)
{
    if (p)
        HeapFree(GetProcessHeap(), 0, p);
}

// On failure the old block stays valid and null is returned.
void* realloc(void* p, size_t size)
{
    if (!p)
        return malloc(size);
    return HeapReAlloc(GetProcessHeap(), 0, p, size ? size : 1);
}

}  // extern "C"

void* operator new(size_t size)
{
    return malloc(size);
}

void* operator new[](size_t size)
{
    return malloc(size);
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
