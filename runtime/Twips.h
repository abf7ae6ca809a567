#pragma once
// Window designs are kept in twips (1/1440 inch) and laid out at the screen's real DPI:
// 15 twips make one pixel at 96 DPI, 10 at 144 DPI.

#include <windows.h>

constexpr int kTwipsPerInch = 1440;

inline int TwipsToPixels(int twips, int dpi)
{
    return MulDiv(twips, dpi, kTwipsPerInch);
}

// The height to ask CreateFont for, for a size in points (8.25 pt is 825 hundredths).
inline int FontHeightForPoints(int hundredthsOfPoint, int dpi)
{
    return -MulDiv(hundredthsOfPoint, dpi, 72 * 100);
}

// The DPI that the system lays windows out at (LOGPIXELSY of the screen).
int ScreenDpi();

// A size from GetSystemMetrics (SM_CXICON...) at dpi: the system gives it at its own DPI.
inline int SystemMetricAt(int index, int dpi)
{
    return MulDiv(GetSystemMetrics(index), dpi, ScreenDpi());
}
