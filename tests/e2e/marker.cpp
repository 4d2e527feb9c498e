// A program for "Exec" scenarios: writes marker.txt into its current
// directory with that directory and its command line, then ends.
#include <windows.h>
#include <stdio.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    char directory[MAX_PATH];
    GetCurrentDirectoryA(sizeof directory, directory);
    FILE* f = fopen("marker.txt", "w");
    if (!f)
        return 1;
    fprintf(f, "dir=%s\nargs=%s\n", directory, commandLine);
    fclose(f);
    return 0;
}
