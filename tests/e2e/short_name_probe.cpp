// Prints the short (8.3) name that the system gives each existing path, one
// per line, as GetShortPathNameA reports it; exit status 1 when one has none.
//   short_name_probe PATH...
#include <windows.h>
#include <stdio.h>

int main(int argc, char** argv)
{
    int status = 0;
    for (int i = 1; i < argc; i++) {
        char shortName[MAX_PATH];
        DWORD n = GetShortPathNameA(argv[i], shortName, sizeof shortName);
        if (n == 0 || n >= sizeof shortName) {
            printf("%s: no short name\n", argv[i]);
            status = 1;
        } else {
            printf("%s\n", shortName);
        }
    }
    return status;
}
