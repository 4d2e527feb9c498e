// A test window for the progress bar painter. It holds bordered static items
// (like the unpack dialog's item 324), puts a ProgressBar over each with an
// inset of 2 and sets values, then writes bars.txt into its working directory:
//   bar NAME VALUE L T R B TW TH
// with the bar's inner rectangle in screen pixels and the extent of its text in
// the system font. When done it sets its caption to "Progress test ready" and
// waits to be closed.
//   value42  SetValue(42) on a 104-px item (inner width 100)
//   over     SetValue(150): a full bar showing 100%
//   under    SetValue(-5): an empty bar showing 0%
//   first0   the first SetValue(0) after construction
//   repeat   SetValue(42), the inner area then painted red by this program,
//            SetValue(42) again: the second call must not paint
//   frame    the explicit-rectangle constructor, SetValue(70)
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "ui/progressbar.h"

static const int ItemWidth = 104;
static const int ItemHeight = 24;
static const int Inset = 2;

static LRESULT CALLBACK TestProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static void Pump(DWORD milliseconds)
{
    DWORD end = GetTickCount() + milliseconds;
    while (GetTickCount() < end) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(20);
    }
}

static void Report(FILE* out, HWND window, const char* name, const ProgressBar& bar)
{
    POINT corner = {bar.inner.left, bar.inner.top};
    ClientToScreen(window, &corner);
    char text[32];
    snprintf(text, sizeof text, bar.format, bar.value);
    HDC dc = GetDC(window);
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &extent);
    ReleaseDC(window, dc);
    fprintf(out, "bar %s %d %ld %ld %ld %ld %ld %ld\n", name, bar.value, corner.x, corner.y,
            corner.x + (bar.inner.right - bar.inner.left),
            corner.y + (bar.inner.bottom - bar.inner.top), extent.cx, extent.cy);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = TestProc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = "ProgressTest";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "Progress test", WS_OVERLAPPED | WS_CAPTION,
                                  40, 40, 400, 300, nullptr, nullptr, instance, nullptr);
    const char* names[5] = {"value42", "over", "under", "first0", "repeat"};
    for (int i = 0; i < 5; i++)
        CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BLACKFRAME, 20, 20 + 36 * i,
                        ItemWidth, ItemHeight, window,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(324 + i)), instance, nullptr);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    // Let the display settle (exposures repaint the window and would erase
    // the bars, which their owner never redraws).
    Pump(700);

    ProgressBar* bars[5];
    for (int i = 0; i < 5; i++)
        bars[i] = new ProgressBar(window, 324 + i, Inset);
    bars[0]->SetValue(42);
    bars[1]->SetValue(150);
    bars[2]->SetValue(-5);
    bars[3]->SetValue(0);
    bars[4]->SetValue(42);
    HDC dc = GetDC(window);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &bars[4]->inner, red);
    DeleteObject(red);
    ReleaseDC(window, dc);
    bars[4]->SetValue(42);

    RECT frame = {200, 20, 200 + ItemWidth + 50, 20 + ItemHeight};
    ProgressBar explicitFrame(window, 0, frame, Inset);
    explicitFrame.SetValue(70);

    FILE* out = fopen("bars.txt", "w");
    if (!out)
        return 1;
    for (int i = 0; i < 5; i++)
        Report(out, window, names[i], *bars[i]);
    Report(out, window, "frame", explicitFrame);
    fclose(out);
    for (int i = 0; i < 5; i++)
        delete bars[i];
    SetWindowTextA(window, "Progress test ready");

    MSG msg = {};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
