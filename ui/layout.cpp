// Pure arithmetic of the presentation (see layout.h).
#include "ui/layout.h"

#include <string.h>

// Reads one decimal number at *p as "%d" would; returns 0 when none starts
// there. The value wraps modulo 2^32, which keeps its low 8 bits exact.
static int ReadNumber(const char** p, int32_t* out)
{
    const char* s = *p;
    while (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\r' || *s == '\v' || *s == '\f')
        s++;
    bool negative = false;
    if (*s == '+' || *s == '-')
        negative = *s++ == '-';
    if (*s < '0' || *s > '9')
        return 0;
    uint32_t value = 0;
    while (*s >= '0' && *s <= '9')
        value = value * 10u + static_cast<uint32_t>(*s++ - '0');
    if (negative)
        value = 0u - value;
    *out = static_cast<int32_t>(value);
    *p = s;
    return 1;
}

ScriptColor ParseColor(const char* text)
{
    int32_t parts[3] = {0, 0, 0};
    const char* p = text ? text : "";
    for (int i = 0; i < 3 && ReadNumber(&p, &parts[i]); i++) {
    }
    return ScriptColor{parts[0], parts[1], parts[2]};
}

PaletteColor ToPaletteColor(ScriptColor c)
{
    return PaletteColor{static_cast<uint8_t>(c.red & 0xFF), static_cast<uint8_t>(c.green & 0xFF),
                        static_cast<uint8_t>(c.blue & 0xFF)};
}

uint32_t PaletteRgb(PaletteColor c)
{
    return 0x02000000u | c.red | (static_cast<uint32_t>(c.green) << 8) |
           (static_cast<uint32_t>(c.blue) << 16);
}

int32_t ClampGradientSteps(int32_t steps)
{
    if (steps > MaxGradientSteps)
        steps = MaxGradientSteps;
    if (steps < 1)
        steps = 1;
    return steps;
}

// The product is formed in 64 bits: script components are not range-checked,
// and a 32-bit product of large ones would overflow. C++ division truncates
// toward zero, so a descending ramp steps like an ascending one.
static uint8_t BandComponent(int32_t top, int32_t bottom, int32_t i, int32_t steps)
{
    int64_t value = top + (static_cast<int64_t>(i) * (static_cast<int64_t>(bottom) - top)) / steps;
    return static_cast<uint8_t>(value & 0xFF);
}

PaletteColor BandColor(ScriptColor top, ScriptColor bottom, int32_t i, int32_t steps)
{
    return PaletteColor{BandComponent(top.red, bottom.red, i, steps),
                        BandComponent(top.green, bottom.green, i, steps),
                        BandComponent(top.blue, bottom.blue, i, steps)};
}

LayoutRect BandRect(const LayoutRect& client, int32_t i, int32_t steps)
{
    int64_t height = static_cast<int64_t>(client.bottom) - client.top;
    LayoutRect band = client;
    band.top = static_cast<int32_t>(client.top + (i * height) / steps);
    band.bottom = static_cast<int32_t>(client.top + ((i + 1) * height) / steps);
    return band;
}

bool RectsMeet(const LayoutRect& a, const LayoutRect& b)
{
    if (a.left >= a.right || a.top >= a.bottom || b.left >= b.right || b.top >= b.bottom)
        return false;
    int32_t left = a.left > b.left ? a.left : b.left;
    int32_t right = a.right < b.right ? a.right : b.right;
    int32_t top = a.top > b.top ? a.top : b.top;
    int32_t bottom = a.bottom < b.bottom ? a.bottom : b.bottom;
    return left < right && top < bottom;
}

int32_t MulDivRound(int32_t a, int32_t b, int32_t c)
{
    if (c == 0)
        return -1;
    int64_t product = static_cast<int64_t>(a) * b;
    int64_t divisor = c;
    if (divisor < 0) {
        product = -product;
        divisor = -divisor;
    }
    int64_t half = divisor / 2;
    int64_t result = product >= 0 ? (product + half) / divisor : (product - half) / divisor;
    if (result > INT32_MAX || result < -INT32_MAX)
        return -1;
    return static_cast<int32_t>(result);
}

int32_t TitlePixelHeight(int32_t points, int32_t pixelsPerInch)
{
    return MulDivRound(points, pixelsPerInch, 72);
}

const char* ChooseFaceName(const char* value, const char* fallback)
{
    if (!value || strlen(value) >= static_cast<size_t>(FaceNameCapacity))
        return fallback;
    return value;
}

LayoutRect PlaceTitle(const LayoutRect& client, int32_t* y, int32_t pixelHeight, uint16_t width,
                      uint16_t height, bool atBottom)
{
    int32_t x = (client.right - client.left - width) / 2;
    *y += pixelHeight / 2;
    if (atBottom)
        *y = client.bottom - (3 * pixelHeight) / 2;
    LayoutRect text{x, *y, x + width, *y + height};
    *y += pixelHeight;
    return text;
}

bool IsBottomPosition(const char* title2Pos)
{
    return title2Pos && strcmp(title2Pos, "Bottom") == 0;
}

int32_t ClampProgress(int32_t v, int32_t minimum, int32_t maximum)
{
    if (v > maximum)
        return maximum;
    if (v < minimum)
        return minimum;
    return v;
}

int32_t ProgressSplit(const LayoutRect& inner, int32_t v, int32_t minimum, int32_t maximum)
{
    int64_t width = static_cast<int64_t>(inner.right) - inner.left;
    int64_t filled = ((static_cast<int64_t>(v) - minimum) * width) / (static_cast<int64_t>(maximum) - minimum);
    return static_cast<int32_t>(inner.left + filled);
}

LayoutPoint ProgressTextOrigin(const LayoutRect& inner, uint16_t textWidth, uint16_t textHeight)
{
    int32_t width = inner.right - inner.left;
    return LayoutPoint{inner.left + (width - textWidth) / 2,
                       (inner.top + inner.bottom - textHeight) / 2};
}
