// Pure arithmetic of the presentation: colour values, gradient bands, title
// placement and the progress bar's split. No window calls, so the native unit
// tests link it; the painters convert between LayoutRect and RECT.
#pragma once

#include <stdint.h>

struct LayoutRect {
    int32_t left, top, right, bottom;
};

// A colour as written in the script, components not yet cut to 8 bits.
struct ScriptColor {
    int32_t red, green, blue;
};

// A colour as the palette holds it.
struct PaletteColor {
    uint8_t red, green, blue;
};

constexpr int32_t MaxGradientSteps = 200;
constexpr int TitleShadowOffset = 3;
// A face name holds at most 31 characters and a terminator.
constexpr int FaceNameCapacity = 32;

// Reads "red green blue" the way the pattern "%d %d %d" does: blanks before
// each number, an optional sign, decimal digits. Reading stops at the first
// component that does not start with a number; that component and the ones
// after it are 0. Numbers too long for 32 bits keep their low 32 bits.
ScriptColor ParseColor(const char* text);

// The low 8 bits of each component.
PaletteColor ToPaletteColor(ScriptColor c);

// Palette-relative colour reference of the three bytes (0x02bbggrr).
uint32_t PaletteRgb(PaletteColor c);

// The band count: above 200 becomes 200, then below 1 becomes 1.
int32_t ClampGradientSteps(int32_t steps);

// Band i of a ramp of steps bands: top + i * (bottom - top) / steps per
// component, truncated toward zero, low 8 bits kept. The bottom colour itself
// is never reached.
PaletteColor BandColor(ScriptColor top, ScriptColor bottom, int32_t i, int32_t steps);

// Band i of the client rectangle: full width, from top + i*H/steps to
// top + (i+1)*H/steps, H being the client height.
LayoutRect BandRect(const LayoutRect& client, int32_t i, int32_t steps);

// True when the two rectangles share at least one pixel (a rectangle of zero
// width or height meets nothing), as IntersectRect reports it.
bool RectsMeet(const LayoutRect& a, const LayoutRect& b);

// a * b / c with a 64-bit product, rounded to nearest (halves away from
// zero); -1 when c is 0 or the result does not fit in 32 bits.
int32_t MulDivRound(int32_t a, int32_t b, int32_t c);

// A title's pixel height H for its size in points at pixelsPerInch.
int32_t TitlePixelHeight(int32_t points, int32_t pixelsPerInch);

// The face name given to the font: the script's value when it fits in the
// face-name field, otherwise the fallback (a cut name would ask for another
// typeface than the one the script names).
const char* ChooseFaceName(const char* value, const char* fallback);

// Places one title. y is the running vertical position (0 before the first
// title); it is advanced past the title. width and height are the measured text
// extent (16-bit values); atBottom puts the title 3*H/2 above the client bottom.
LayoutRect PlaceTitle(const LayoutRect& client, int32_t* y, int32_t pixelHeight,
                      uint16_t width, uint16_t height, bool atBottom);

// True when the second title is asked for at the bottom: exactly "Bottom".
bool IsBottomPosition(const char* title2Pos);

// The progress value limited to minimum..maximum.
int32_t ClampProgress(int32_t v, int32_t minimum, int32_t maximum);

// The x where the fill ends: inner.left + (v - minimum) * W / (maximum - minimum).
int32_t ProgressSplit(const LayoutRect& inner, int32_t v, int32_t minimum, int32_t maximum);

struct LayoutPoint {
    int32_t x, y;
};

// Where the percentage text starts: centred in inner for a text extent of
// textWidth by textHeight (16-bit values).
LayoutPoint ProgressTextOrigin(const LayoutRect& inner, uint16_t textWidth, uint16_t textHeight);
