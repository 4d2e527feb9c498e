// The program's own runtime, linked as SETUP.EXE links it (no C runtime DLL),
// put through the file, formatting, memory and drive calls the program makes.
// Usage: runtime_probe WORKDIR. Prints one line per failed check and a
// summary on standard output, writes a line to standard error, leaves
// WORKDIR\pending.txt open with unwritten bytes and ends through exit(), whose
// flush the scenario checks. Exit status: 0, or 1 when a check failed.
// Usage: runtime_probe oom: asks for more memory than there is.
#include <windows.h>

#include <direct.h>
#include <inttypes.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int Checks;
static int Failures;

static void Check(bool ok, const char* what)
{
    Checks++;
    if (!ok) {
        Failures++;
        fprintf(stdout, "FAIL: %s\n", what);
    }
}

static char Dir[MAX_PATH];

static const char* PathOf(const char* name)
{
    static char path[MAX_PATH + 32];
    snprintf(path, sizeof path, "%s\\%s", Dir, name);
    return path;
}

// Content of the file, up to capacity - 1 bytes, terminated; its length.
static long ReadAll(const char* name, char* out, size_t capacity)
{
    FILE* f = fopen(PathOf(name), "rb");
    if (!f)
        return -1;
    size_t n = fread(out, 1, capacity - 1, f);
    out[n] = 0;
    fclose(f);
    return static_cast<long>(n);
}

// Writing: bytes, blocks larger than the buffer, append, close results.
static void CheckWriting()
{
    static char big[10000];
    for (size_t i = 0; i < sizeof big; i++)
        big[i] = static_cast<char>('a' + i % 26);
    FILE* f = fopen(PathOf("out.bin"), "wb");
    Check(f != nullptr, "wb opens");
    if (!f)
        return;
    Check(fputc('<', f) == '<', "fputc gives the byte");
    Check(fwrite(big, 1, 100, f) == 100, "small block written");
    Check(fwrite(big, 1, sizeof big, f) == sizeof big, "block beyond the buffer written");
    Check(fputs(">", f) >= 0, "fputs");
    Check(ftell(f) == 1 + 100 + 10000 + 1, "ftell counts bytes not yet written");
    Check(fclose(f) == 0, "fclose after writing");

    f = fopen(PathOf("out.bin"), "ab");
    Check(f != nullptr && fwrite("END", 1, 3, f) == 3 && fclose(f) == 0, "ab appends");

    static char back[10200];
    long n = ReadAll("out.bin", back, sizeof back);
    Check(n == 10105, "file length after append");
    Check(back[0] == '<' && memcmp(back + 1, big, 100) == 0 &&
              memcmp(back + 101, big, sizeof big) == 0 && memcmp(back + 10101, ">END", 4) == 0,
          "file content after append");

    f = fopen(PathOf("out.bin"), "wb");
    Check(f != nullptr && fclose(f) == 0, "wb again");
    Check(ReadAll("out.bin", back, sizeof back) == 0, "wb truncates");
}

// Reading: bytes, blocks, seeks, end of file, a missing file, a write refused.
static void CheckReading()
{
    FILE* f = fopen(PathOf("digits.txt"), "wb");
    for (int i = 0; i < 1000; i++)
        fputc('0' + i % 10, f);
    fclose(f);

    f = fopen(PathOf("digits.txt"), "rb");
    Check(f != nullptr, "rb opens");
    if (!f)
        return;
    Check(fgetc(f) == '0' && fgetc(f) == '1', "fgetc reads bytes in order");
    char block[20];
    Check(fread(block, 1, 10, f) == 10 && memcmp(block, "2345678901", 10) == 0, "fread after fgetc");
    Check(ftell(f) == 12, "ftell while reading ahead");
    Check(fseek(f, 995, SEEK_SET) == 0 && fgetc(f) == '5', "SEEK_SET");
    Check(fseek(f, -3, SEEK_CUR) == 0 && fgetc(f) == '3', "SEEK_CUR over read-ahead bytes");
    Check(fseek(f, 0, SEEK_END) == 0 && ftell(f) == 1000, "SEEK_END gives the length");
    Check(fgetc(f) == EOF && feof(f) && !ferror(f), "end of file");
    Check(fseek(f, 998, SEEK_SET) == 0 && !feof(f), "a seek clears the end");
    Check(fread(block, 1, 20, f) == 2 && memcmp(block, "89", 2) == 0, "short read at the end");
    Check(fseek(f, -1, SEEK_SET) != 0, "a seek before the start fails");
    Check(fwrite("x", 1, 1, f) == 0 && ferror(f), "writing a file opened for reading fails");
    clearerr(f);
    Check(!ferror(f) && !feof(f), "clearerr");
    fclose(f);

    Check(fopen(PathOf("missing.txt"), "rb") == nullptr, "rb on a missing file gives null");
    Check(fopen(PathOf("no\\such\\dir.txt"), "wb") == nullptr, "wb in a missing directory gives null");

    // Reading and writing in one file: the write lands where the reading stood.
    f = fopen(PathOf("digits.txt"), "r+b");
    Check(f != nullptr && fgetc(f) == '0' && fputc('X', f) == 'X' && fgetc(f) == '2' &&
              fclose(f) == 0,
          "r+b turns from reading to writing");
    char text[8];
    f = fopen(PathOf("digits.txt"), "rb");
    Check(f && fread(text, 1, 4, f) == 4 && memcmp(text, "0X23", 4) == 0, "r+b wrote in place");
    if (f)
        fclose(f);

    // A line reader over the same calls.
    f = fopen(PathOf("lines.txt"), "wb");
    fputs("first\r\nsecond", f);
    fclose(f);
    f = fopen(PathOf("lines.txt"), "rb");
    char line[16];
    Check(fgets(line, sizeof line, f) && strcmp(line, "first\r\n") == 0, "fgets keeps the line end");
    Check(fgets(line, 4, f) && strcmp(line, "sec") == 0, "fgets stops at its capacity");
    Check(fgets(line, sizeof line, f) && strcmp(line, "ond") == 0, "fgets at the end");
    Check(fgets(line, sizeof line, f) == nullptr, "fgets after the end");
    fclose(f);
}

static void CheckMemoryAndText()
{
    char* p = static_cast<char*>(malloc(16));
    memcpy(p, "0123456789abcdef", 16);
    p = static_cast<char*>(realloc(p, 100000));
    Check(p && memcmp(p, "0123456789abcdef", 16) == 0, "realloc keeps the content");
    free(p);
    int* zeros = static_cast<int*>(calloc(1000, sizeof(int)));
    bool allZero = zeros != nullptr;
    for (int i = 0; allZero && i < 1000; i++)
        allZero = zeros[i] == 0;
    Check(allZero, "calloc clears");
    free(zeros);
    volatile size_t huge = SIZE_MAX / 2;
    Check(calloc(huge, 4) == nullptr, "calloc refuses an overflowing size");
    int* numbers = new int[10];
    Check(numbers != nullptr, "new");
    delete[] numbers;

    char text[64];
    int64_t large = INT64_C(5000000000000);
    int n = snprintf(text, 8, "%" PRId64 " K", large / 1024);
    Check(n == 12 && strcmp(text, "4882812") == 0, "snprintf cuts a 64-bit figure, reports the whole");
    Check(_stricmp("C:\\Dest", "c:\\DEST") == 0 && _stricmp("a", "b") < 0, "_stricmp");
    char moved[] = "abcdef";
    memmove(moved + 1, moved, 4);
    Check(strcmp(moved, "aabcdf") == 0, "memmove over itself");
}

static void CheckDrive()
{
    char before[MAX_PATH];
    GetCurrentDirectoryA(sizeof before, before);
    int drive = _getdrive();
    Check(drive == before[0] - 'A' + 1 || drive == before[0] - 'a' + 1, "_getdrive");
    Check(_chdrive(3) == 0 && _getdrive() == 3, "_chdrive to C:");
    char cwd[MAX_PATH];
    Check(_getcwd(cwd, sizeof cwd) && (cwd[0] == 'C' || cwd[0] == 'c'), "_getcwd on C:");
    Check(_getcwd(cwd, 2) == nullptr, "_getcwd with too little room");
    Check(_chdrive(17) != 0 && _getdrive() == 3, "_chdrive to a missing drive fails");
    SetCurrentDirectoryA(before);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    // "oom": a new-expression that the heap cannot serve must end the program
    // with a message and status 1, never hand back null.
    if (strcmp(commandLine, "oom") == 0) {
        static char* volatile kept;
        volatile size_t huge = SIZE_MAX / 2;
        kept = new char[huge];
        kept[0] = 1;
        fputs(kept ? "the allocation returned\n" : "the allocation gave null\n", stdout);
        exit(2);
    }
    snprintf(Dir, sizeof Dir, "%s", commandLine);
    CheckWriting();
    CheckReading();
    CheckMemoryAndText();
    CheckDrive();
    fprintf(stdout, "runtime probe: %d checks, %d failed\n", Checks, Failures);
    fputs("standard error reached\n", stderr);
    FILE* pending = fopen(PathOf("pending.txt"), "wb");
    fputs("flushed by exit", pending);
    exit(Failures ? 1 : 0);
}
