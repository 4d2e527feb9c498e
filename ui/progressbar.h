// A percentage bar painted straight onto a dialog's client area over one of its
// items: the filled part blue with the number in white, the empty part white
// with the number in blue, the text changing colour exactly at the fill edge.
#pragma once

#include <stdint.h>
#include <windows.h>

class ProgressBar {
public:
    // frame in owner client coordinates; inset shrinks it on every side.
    ProgressBar(HWND owner, int32_t itemId, const RECT& frame, int32_t inset);
    // Covers the dialog item itemId of owner.
    ProgressBar(HWND owner, int32_t itemId, int32_t inset);

    // Shows v, limited to minimum..maximum; paints only when the value changed
    // or nothing was painted since construction.
    void SetValue(int32_t v);
    void Paint();

    HWND owner;
    RECT frame;
    RECT inner;
    const char* format;
    int32_t itemId;
    int32_t minimum;
    int32_t maximum;
    int32_t value;
    bool dirty;
    COLORREF barColor;
};
