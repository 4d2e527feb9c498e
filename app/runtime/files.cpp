// Buffered file input and output over Win32 file handles, under the C
// library's names. Each open file is a record with its own buffer, kept in a
// list so that exit can flush and close them all. The buffer holds either
// bytes read ahead or bytes not yet written, never both: changing direction
// gives back the read-ahead (the handle is moved back over it) or writes the
// pending bytes out.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/runtime/runtime.h"

namespace {

constexpr DWORD BufferSize = 4096;

enum FileFlag : unsigned {
    CanRead = 1,
    CanWrite = 2,
    AppendMode = 4,   // every write goes to the end of the file
    Unbuffered = 8,   // reads and writes go straight to the handle
    StandardFile = 16,  // the handle belongs to the process, not to us
    AtEnd = 32,
    Failed = 64,
};

enum Direction { Idle, Reading, Writing };

struct RuntimeFile {
    HANDLE handle;
    RuntimeFile* next;  // the list of open files
    unsigned flags;
    Direction direction;
    char* buffer;
    DWORD start;  // reading: the next byte in the buffer
    DWORD end;    // reading: bytes in the buffer; writing: bytes pending
};

RuntimeFile* OpenFiles;
RuntimeFile StandardFiles[3];  // stdin, stdout, stderr

inline RuntimeFile* Record(FILE* f)
{
    return reinterpret_cast<RuntimeFile*>(f);
}

inline FILE* Stream(RuntimeFile* f)
{
    return reinterpret_cast<FILE*>(f);
}

// Writes n bytes to the handle; 0 and the error flag when any is not written.
int WriteOut(RuntimeFile* f, const char* data, DWORD n)
{
    if ((f->flags & AppendMode) && SetFilePointer(f->handle, 0, nullptr, FILE_END) == 0xFFFFFFFF &&
        GetLastError() != NO_ERROR) {
        f->flags |= Failed;
        return 0;
    }
    while (n > 0) {
        DWORD written = 0;
        if (!WriteFile(f->handle, data, n, &written, nullptr) || written == 0) {
            f->flags |= Failed;
            return 0;
        }
        data += written;
        n -= written;
    }
    return 1;
}

int FlushPending(RuntimeFile* f)
{
    if (f->direction != Writing)
        return 1;
    DWORD n = f->end;
    f->end = 0;
    f->direction = Idle;
    return n == 0 || WriteOut(f, f->buffer, n);
}

// Moves the handle back over the bytes read ahead, so that its position is
// the caller's.
int GiveBackReadAhead(RuntimeFile* f)
{
    if (f->direction != Reading)
        return 1;
    LONG ahead = static_cast<LONG>(f->end - f->start);
    f->start = f->end = 0;
    f->direction = Idle;
    if (ahead == 0)
        return 1;
    return SetFilePointer(f->handle, -ahead, nullptr, FILE_CURRENT) != 0xFFFFFFFF ||
           GetLastError() == NO_ERROR;
}

// Reads up to n bytes from the handle; sets the end or error flag when it
// gets none.
DWORD ReadIn(RuntimeFile* f, char* to, DWORD n)
{
    DWORD got = 0;
    if (!ReadFile(f->handle, to, n, &got, nullptr)) {
        // A pipe whose writer has gone ends like a file.
        if (GetLastError() == ERROR_BROKEN_PIPE)
            f->flags |= AtEnd;
        else
            f->flags |= Failed;
        return 0;
    }
    if (got == 0)
        f->flags |= AtEnd;
    return got;
}

RuntimeFile* OpenStandardFile(unsigned index)
{
    if (index > 2)
        return nullptr;
    RuntimeFile* f = &StandardFiles[index];
    if (!f->flags) {
        static const DWORD Ids[3] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
        f->handle = GetStdHandle(Ids[index]);
        f->flags = StandardFile | Unbuffered | (index == 0 ? CanRead : CanWrite);
        if (!f->handle || f->handle == INVALID_HANDLE_VALUE)
            f->flags |= Failed;
    }
    return f;
}

}  // namespace

extern "C" {

FILE* __acrt_iob_func(unsigned index)
{
    return Stream(OpenStandardFile(index));
}

// mode: "r", "w" or "a", then any of "b" (the only kind there is), "t" and
// "+" (reading and writing).
FILE* fopen(const char* path, const char* mode)
{
    unsigned flags;
    DWORD access;
    DWORD disposition;
    switch (mode[0]) {
    case 'r':
        flags = CanRead;
        access = GENERIC_READ;
        disposition = OPEN_EXISTING;
        break;
    case 'w':
        flags = CanWrite;
        access = GENERIC_WRITE;
        disposition = CREATE_ALWAYS;
        break;
    case 'a':
        flags = CanWrite | AppendMode;
        access = GENERIC_WRITE;
        disposition = OPEN_ALWAYS;
        break;
    default:
        return nullptr;
    }
    if (strchr(mode + 1, '+')) {
        flags |= CanRead | CanWrite;
        access = GENERIC_READ | GENERIC_WRITE;
    }
    RuntimeFile* f = static_cast<RuntimeFile*>(malloc(sizeof(RuntimeFile) + BufferSize));
    if (!f)
        return nullptr;
    f->handle = CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f->handle == INVALID_HANDLE_VALUE) {
        free(f);
        return nullptr;
    }
    f->flags = flags;
    f->direction = Idle;
    f->buffer = reinterpret_cast<char*>(f + 1);
    f->start = f->end = 0;
    f->next = OpenFiles;
    OpenFiles = f;
    return Stream(f);
}

int fflush(FILE* stream)
{
    if (!stream) {
        // Every file's pending output; files being read are left alone.
        int result = 0;
        for (RuntimeFile* f = OpenFiles; f; f = f->next) {
            if (!FlushPending(f))
                result = EOF;
        }
        return result;
    }
    RuntimeFile* f = Record(stream);
    if (!FlushPending(f) || !GiveBackReadAhead(f))
        return EOF;
    return 0;
}

int fclose(FILE* stream)
{
    RuntimeFile* f = Record(stream);
    // Bytes read ahead need no giving back: the handle is closed.
    int result = FlushPending(f) && !(f->flags & Failed) ? 0 : EOF;
    if (f->flags & StandardFile)
        return result;
    if (!CloseHandle(f->handle))
        result = EOF;
    for (RuntimeFile** link = &OpenFiles; *link; link = &(*link)->next) {
        if (*link == f) {
            *link = f->next;
            break;
        }
    }
    free(f);
    return result;
}

size_t fread(void* to, size_t size, size_t count, FILE* stream)
{
    RuntimeFile* f = Record(stream);
    if (size == 0 || count == 0)
        return 0;
    if (!(f->flags & CanRead) || count > MAXDWORD / size || !FlushPending(f)) {
        f->flags |= Failed;
        return 0;
    }
    f->direction = Reading;
    char* out = static_cast<char*>(to);
    DWORD wanted = static_cast<DWORD>(size * count);
    DWORD done = 0;
    while (done < wanted) {
        if (f->start < f->end) {
            DWORD n = f->end - f->start;
            if (n > wanted - done)
                n = wanted - done;
            memcpy(out + done, f->buffer + f->start, n);
            f->start += n;
            done += n;
            continue;
        }
        // Large requests skip the buffer.
        if ((f->flags & Unbuffered) || wanted - done >= BufferSize) {
            DWORD got = ReadIn(f, out + done, wanted - done);
            if (got == 0)
                break;
            done += got;
            continue;
        }
        f->start = 0;
        f->end = ReadIn(f, f->buffer, BufferSize);
        if (f->end == 0)
            break;
    }
    return done / size;
}

size_t fwrite(const void* from, size_t size, size_t count, FILE* stream)
{
    RuntimeFile* f = Record(stream);
    if (size == 0 || count == 0)
        return 0;
    if (!(f->flags & CanWrite) || count > MAXDWORD / size || !GiveBackReadAhead(f)) {
        f->flags |= Failed;
        return 0;
    }
    const char* data = static_cast<const char*>(from);
    DWORD n = static_cast<DWORD>(size * count);
    if ((f->flags & Unbuffered) || n >= BufferSize) {
        if (!FlushPending(f) || !WriteOut(f, data, n))
            return 0;
        return count;
    }
    if (f->direction == Writing && f->end + n > BufferSize && !FlushPending(f))
        return 0;
    f->direction = Writing;
    memcpy(f->buffer + f->end, data, n);
    f->end += n;
    return count;
}

int fgetc(FILE* stream)
{
    RuntimeFile* f = Record(stream);
    if (f->direction == Reading && f->start < f->end)
        return static_cast<unsigned char>(f->buffer[f->start++]);
    unsigned char c;
    return fread(&c, 1, 1, stream) == 1 ? c : EOF;
}

int fputc(int c, FILE* stream)
{
    unsigned char byte = static_cast<unsigned char>(c);
    return fwrite(&byte, 1, 1, stream) == 1 ? byte : EOF;
}

int fputs(const char* text, FILE* stream)
{
    size_t n = strlen(text);
    return n == 0 || fwrite(text, 1, n, stream) == n ? 0 : EOF;
}

// Reads a line (with its "\n") or up to capacity - 1 bytes; null at the end
// of the file before any byte, or on an error.
char* fgets(char* out, int capacity, FILE* stream)
{
    if (capacity <= 0)
        return nullptr;
    int n = 0;
    while (n < capacity - 1) {
        int c = fgetc(stream);
        if (c == EOF) {
            if (n == 0 || (Record(stream)->flags & Failed))
                return nullptr;
            break;
        }
        out[n++] = static_cast<char>(c);
        if (c == '\n')
            break;
    }
    out[n] = '\0';
    return out;
}

int fseek(FILE* stream, long offset, int origin)
{
    RuntimeFile* f = Record(stream);
    static const DWORD Methods[3] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
    if (origin < SEEK_SET || origin > SEEK_END || !FlushPending(f) || !GiveBackReadAhead(f))
        return -1;
    if (SetFilePointer(f->handle, offset, nullptr, Methods[origin]) == 0xFFFFFFFF &&
        GetLastError() != NO_ERROR)
        return -1;
    f->flags &= ~AtEnd;
    return 0;
}

long ftell(FILE* stream)
{
    RuntimeFile* f = Record(stream);
    if ((f->flags & AppendMode) && !FlushPending(f))
        return -1;
    DWORD at = SetFilePointer(f->handle, 0, nullptr, FILE_CURRENT);
    if (at == 0xFFFFFFFF && GetLastError() != NO_ERROR)
        return -1;
    if (f->direction == Reading)
        at -= f->end - f->start;
    else if (f->direction == Writing)
        at += f->end;
    return at > 0x7FFFFFFF ? -1 : static_cast<long>(at);
}

int feof(FILE* stream)
{
    return (Record(stream)->flags & AtEnd) != 0;
}

int ferror(FILE* stream)
{
    return (Record(stream)->flags & Failed) != 0;
}

void clearerr(FILE* stream)
{
    Record(stream)->flags &= ~(AtEnd | Failed);
}

// Only the choice between buffered and unbuffered is kept: the buffer is the
// file's own.
int setvbuf(FILE* stream, char*, int mode, size_t)
{
    RuntimeFile* f = Record(stream);
    if (!FlushPending(f) || !GiveBackReadAhead(f))
        return -1;
    if (mode == _IONBF)
        f->flags |= Unbuffered;
    else
        f->flags &= ~Unbuffered;
    return 0;
}

int vfprintf(FILE* stream, const char* format, va_list args)
{
    char text[512];
    va_list copy;
    va_copy(copy, args);
    int n = FormatText(text, sizeof text, format, copy);
    va_end(copy);
    if (n < 0)
        return -1;
    char* out = text;
    if (static_cast<size_t>(n) >= sizeof text) {
        out = static_cast<char*>(malloc(static_cast<size_t>(n) + 1));
        if (!out)
            return -1;
        FormatText(out, static_cast<size_t>(n) + 1, format, args);
    }
    size_t written = fwrite(out, 1, static_cast<size_t>(n), stream);
    if (out != text)
        free(out);
    return written == static_cast<size_t>(n) ? n : -1;
}

int fprintf(FILE* stream, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = vfprintf(stream, format, args);
    va_end(args);
    return n;
}

}  // extern "C"

void CloseAllFiles()
{
    while (OpenFiles)
        fclose(Stream(OpenFiles));
}
