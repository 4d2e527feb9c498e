// Expected title placement for the presentation scenarios. Reads a setup
// script, opens a window shaped and placed like the main window (overlapped
// style, moved over the whole desktop) on the same display, builds each
// title's font and measures its text there, and writes to OUTFILE:
//   client X Y W H     client area: screen position and size
//   dpi N              vertical pixels per inch
//   title T none       title T has an empty text
//   title T H L T R B  title T: pixel height, text rectangle in client pixels
// Usage: title_probe.exe SCRIPT OUTFILE
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "script/keys.h"
#include "ui/layout.h"

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    ConfigFile script(ScriptCapacity, argv[1]);
    FILE* out = fopen(argv[2], "w");
    if (!out)
        return 2;

    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TitleProbe";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "Title probe", WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    MoveWindow(window, desktop.left, desktop.top, desktop.right, desktop.bottom, FALSE);
    RECT client;
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    fprintf(out, "client %ld %ld %ld %ld\n", origin.x, origin.y, client.right, client.bottom);

    HDC dc = GetDC(window);
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    fprintf(out, "dpi %d\n", dpi);
    LayoutRect area{client.left, client.top, client.right, client.bottom};
    const TextKey* textKeys[2] = {&KeyTitle1, &KeyTitle2};
    const IntKey* sizeKeys[2] = {&KeyTitle1Size, &KeyTitle2Size};
    int32_t y = 0;
    for (int t = 0; t < 2; t++) {
        const char* text = GetKey(script, *textKeys[t]);
        if (!text || !text[0]) {
            fprintf(out, "title %d none\n", t);
            continue;
        }
        int32_t height = TitlePixelHeight(GetKey(script, *sizeKeys[t]), dpi);
        LOGFONTA font = {};
        font.lfHeight = -height;
        snprintf(font.lfFaceName, sizeof font.lfFaceName, "%s",
                 ChooseFaceName(GetKey(script, KeyTitleFont), KeyTitleFont.def));
        HFONT titleFont = CreateFontIndirectA(&font);
        HGDIOBJ previous = SelectObject(dc, titleFont);
        SIZE extent = {};
        GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &extent);
        SelectObject(dc, previous);
        DeleteObject(titleFont);
        bool atBottom = t == 1 && IsBottomPosition(GetKey(script, KeyTitle2Pos));
        LayoutRect r = PlaceTitle(area, &y, height, static_cast<uint16_t>(extent.cx),
                                  static_cast<uint16_t>(extent.cy), atBottom);
        fprintf(out, "title %d %d %d %d %d %d\n", t, height, r.left, r.top, r.right, r.bottom);
    }
    ReleaseDC(window, dc);
    DestroyWindow(window);
    fclose(out);
    return 0;
}
