// Background gradient and palette: horizontal bands from the top colour
// towards the bottom colour, their colours and the three title colours held in
// one logical palette that the main window realises while it paints.
#include <stdlib.h>

#include "app/setup.h"
#include "script/keys.h"
#include "ui/layout.h"
#include "ui/ui.h"

HPALETTE BackgroundPalette;
int32_t GradientSteps = 1;
COLORREF TitleColors[3];

static void SetEntry(PALETTEENTRY* entry, PaletteColor c)
{
    entry->peRed = c.red;
    entry->peGreen = c.green;
    entry->peBlue = c.blue;
    entry->peFlags = 0;
}

void CreateBackgroundPalette()
{
    ScriptColor top = ParseColor(GetKey(*Script, KeyTopColor));
    ScriptColor bottom = ParseColor(GetKey(*Script, KeyBottomColor));
    GradientSteps = ClampGradientSteps(GetKey(*Script, KeyNumGradientSteps));

    // The record carries one entry of its own; room for the rest follows it.
    int32_t count = GradientSteps + 3;
    size_t size = sizeof(LOGPALETTE) + (count - 1) * sizeof(PALETTEENTRY);
    LOGPALETTE* record = static_cast<LOGPALETTE*>(calloc(1, size));
    if (!record)
        return;
    record->palVersion = 0x300;
    record->palNumEntries = static_cast<WORD>(count);
    for (int32_t i = 0; i < GradientSteps; i++)
        SetEntry(&record->palPalEntry[i], BandColor(top, bottom, i, GradientSteps));

    const TextKey* titleKeys[3] = {&KeyTitle1Color, &KeyTitle2Color, &KeyTitleShadeColor};
    for (int k = 0; k < 3; k++) {
        PaletteColor c = ToPaletteColor(ParseColor(GetKey(*Script, *titleKeys[k])));
        SetEntry(&record->palPalEntry[GradientSteps + k], c);
        TitleColors[k] = PaletteRgb(c);
    }
    BackgroundPalette = CreatePalette(record);
    free(record);
}

void PaintBackground(HDC dc, const RECT* client, const RECT* update)
{
    LayoutRect area{client->left, client->top, client->right, client->bottom};
    LayoutRect dirty{update->left, update->top, update->right, update->bottom};
    for (int32_t i = 0; i < GradientSteps; i++) {
        LayoutRect b = BandRect(area, i, GradientSteps);
        if (!RectsMeet(b, dirty))
            continue;
        // The whole band is filled, not only the part to repaint.
        RECT band{b.left, b.top, b.right, b.bottom};
        HBRUSH brush = CreateSolidBrush(PALETTEINDEX(i));
        HGDIOBJ previous = SelectObject(dc, brush);
        FillRect(dc, &band, brush);
        SelectObject(dc, previous);
        DeleteObject(brush);
    }
}
