// The program's allocator: the process heap. malloc and realloc give null on
// failure, for the code that handles it (the script store drops the entry).
// A new-expression never gives null: the stores that start-up creates are
// used without checks, so a failed one ends the program with a message
// instead of a crash. No C++ exception machinery is needed either way.
#include <windows.h>

#include <stdint.h>
#include <stdlib.h>

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

[[noreturn]] static void OutOfMemory()
{
    MessageBoxA(nullptr, "Not enough memory to run Setup.", "Error", MB_OK | MB_ICONSTOP | MB_TASKMODAL);
    exit(1);
}

static void* Allocate(size_t size)
{
    void* p = malloc(size);
    if (!p)
        OutOfMemory();
    return p;
}

void* operator new(size_t size)
{
    return Allocate(size);
}

void* operator new[](size_t size)
{
    return Allocate(size);
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
