// Title painting: up to two centred title lines in the script's typeface, each
// drawn twice, first in the shadow colour and then 3 pixels up and left in its
// own colour. The text rectangles are kept so dialogs can avoid the titles.
#include <stdio.h>
#include <string.h>

#include "app/setup.h"
#include "script/keys.h"
#include "ui/layout.h"
#include "ui/ui.h"

RECT TitleRects[2];

void PaintTitles(HDC dc, const RECT* client, const RECT* update)
{
    const TextKey* textKeys[2] = {&KeyTitle1, &KeyTitle2};
    const IntKey* sizeKeys[2] = {&KeyTitle1Size, &KeyTitle2Size};
    LayoutRect area{client->left, client->top, client->right, client->bottom};
    LayoutRect dirty{update->left, update->top, update->right, update->bottom};
    int32_t y = 0;

    for (int t = 0; t < 2; t++) {
        const char* text = GetKey(*Script, *textKeys[t]);
        int32_t points = GetKey(*Script, *sizeKeys[t]);
        if (!text || !text[0])
            continue;
        int length = static_cast<int>(strlen(text));

        int32_t height = TitlePixelHeight(points, GetDeviceCaps(dc, LOGPIXELSY));
        LOGFONTA font = {};
        font.lfHeight = -height;
        const char* face = ChooseFaceName(GetKey(*Script, KeyTitleFont), KeyTitleFont.def);
        snprintf(font.lfFaceName, sizeof font.lfFaceName, "%s", face);
        HFONT titleFont = CreateFontIndirectA(&font);
        HGDIOBJ previous = SelectObject(dc, titleFont);

        SIZE extent = {};
        GetTextExtentPoint32A(dc, text, length, &extent);
        bool atBottom = t == 1 && IsBottomPosition(GetKey(*Script, KeyTitle2Pos));
        LayoutRect r = PlaceTitle(area, &y, height, static_cast<uint16_t>(extent.cx),
                                  static_cast<uint16_t>(extent.cy), atBottom);
        TitleRects[t] = RECT{r.left, r.top, r.right, r.bottom};

        if (RectsMeet(r, dirty)) {
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, TitleColors[2]);
            TextOutA(dc, r.left, r.top, text, length);
            SetTextColor(dc, TitleColors[t]);
            TextOutA(dc, r.left - TitleShadowOffset, r.top - TitleShadowOffset, text, length);
        }
        SelectObject(dc, previous);
        DeleteObject(titleFont);
    }
}
