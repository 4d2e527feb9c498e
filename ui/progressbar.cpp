// Progress bar painter (see progressbar.h).
#include "ui/progressbar.h"

#include <stdio.h>
#include <string.h>

#include "ui/layout.h"

// The item's window rectangle with its top-left corner in owner client
// coordinates, its size kept.
static RECT ItemFrame(HWND owner, int32_t itemId)
{
    RECT r = {};
    GetWindowRect(GetDlgItem(owner, itemId), &r);
    POINT corner = {r.left, r.top};
    ScreenToClient(owner, &corner);
    return RECT{corner.x, corner.y, corner.x + (r.right - r.left), corner.y + (r.bottom - r.top)};
}

ProgressBar::ProgressBar(HWND owner_, int32_t itemId_, const RECT& frame_, int32_t inset)
    : owner(owner_),
      frame(frame_),
      inner{frame_.left + inset, frame_.top + inset, frame_.right - inset, frame_.bottom - inset},
      format("%d%%"),
      itemId(itemId_),
      minimum(0),
      maximum(100),
      value(0),
      dirty(true),
      barColor(RGB(0, 0, 255))
{
}

ProgressBar::ProgressBar(HWND owner_, int32_t itemId_, int32_t inset)
    : ProgressBar(owner_, itemId_, ItemFrame(owner_, itemId_), inset)
{
}

void ProgressBar::SetValue(int32_t v)
{
    v = ClampProgress(v, minimum, maximum);
    if (v == value && !dirty)
        return;
    dirty = false;
    value = v;
    Paint();
}

void ProgressBar::Paint()
{
    HDC dc = GetDC(owner);
    if (!format || !format[0]) {
        ReleaseDC(owner, dc);
        return;
    }
    // At most 31 characters of text.
    char text[32];
    snprintf(text, sizeof text, format, value);
    int length = static_cast<int>(strnlen(text, sizeof text));

    // A fresh device context: the text is measured in the system font.
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text, length, &extent);
    LayoutRect area{inner.left, inner.top, inner.right, inner.bottom};
    LayoutPoint origin = ProgressTextOrigin(area, static_cast<uint16_t>(extent.cx),
                                            static_cast<uint16_t>(extent.cy));
    int32_t split = ProgressSplit(area, value, minimum, maximum);

    RECT filled = inner;
    filled.right = split;
    RECT empty = inner;
    empty.left = split;
    FillRect(dc, &empty, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HBRUSH brush = CreateSolidBrush(barColor);
    FillRect(dc, &filled, brush);
    DeleteObject(brush);

    // The same text twice, each clipped to one side of the split.
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    ExtTextOutA(dc, origin.x, origin.y, ETO_CLIPPED, &filled, text, static_cast<UINT>(length), nullptr);
    SetTextColor(dc, barColor);
    ExtTextOutA(dc, origin.x, origin.y, ETO_CLIPPED, &empty, text, static_cast<UINT>(length), nullptr);
    ReleaseDC(owner, dc);
}
