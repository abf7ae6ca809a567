#pragma once
// Small helpers for tests that drive real windows.

#include "runtime/Form.h"
#include "runtime/Twips.h"

#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

// Dispatches what is waiting in this thread's queue (paint, posted clicks).
inline void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// A control's rectangle in its parent's client coordinates.
inline RECT ChildRect(HWND child)
{
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

inline std::wstring WindowText(HWND hwnd)
{
    wchar_t buffer[512] = {};
    GetWindowTextW(hwnd, buffer, 512);
    return buffer;
}

// Types one character as the keyboard would deliver it to the control.
inline void TypeChar(HWND control, wchar_t ch)
{
    SendMessageW(control, WM_CHAR, ch, 1);
}

// What the screen shows at a point of a window's client area.
inline COLORREF ScreenPixel(HWND hwnd, int x, int y)
{
    HDC dc = GetDC(hwnd);
    COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return color;
}

// The slot that the next icon handle takes. Wine reports no object counts, but it hands out
// the lowest free slot of its handle table: a leak of icons pushes the next slot up. The table
// is shared by every process of the Wine session, so other tests running beside this one move
// it too, by tens: compare against a margin far below the leak being looked for.
inline unsigned NextIconSlot()
{
    const BYTE andMask[4] = {0xFF}, xorMask[4] = {0};
    HICON probe = CreateIcon(GetModuleHandleW(nullptr), 1, 1, 1, 1, andMask, xorMask);
    unsigned slot = static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(probe) & 0xFFFF);
    DestroyIcon(probe);
    return slot;
}

// The file names of the DLLs that a process has loaded, lower case.
inline std::set<std::wstring> LoadedModules(DWORD pid)
{
    std::set<std::wstring> names;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    if (snapshot == INVALID_HANDLE_VALUE)
        return names;
    MODULEENTRY32W module{};
    module.dwSize = sizeof module;
    for (BOOL more = Module32FirstW(snapshot, &module); more;
         more = Module32NextW(snapshot, &module))
    {
        std::wstring name = module.szModule;
        CharLowerW(&name[0]);
        names.insert(name);
    }
    CloseHandle(snapshot);
    return names;
}

// Every control of form where its design row puts it, at dpi.
inline void ExpectControlsWhereDesigned(const Form& form, const FormDesign& design, int dpi)
{
    for (int row = 0; row < design.controlCount; ++row)
    {
        const ControlDesign& c = design.controls[row];
        RECT rect = ChildRect(form.ControlHwnd(row));
        EXPECT_EQ(rect.left, TwipsToPixels(c.left, dpi)) << c.name << c.index;
        EXPECT_EQ(rect.top, TwipsToPixels(c.top, dpi)) << c.name << c.index;
        EXPECT_EQ(rect.right - rect.left, TwipsToPixels(c.width, dpi)) << c.name << c.index;
        EXPECT_EQ(rect.bottom - rect.top, TwipsToPixels(c.height, dpi)) << c.name << c.index;
    }
}

// The width of an icon's or a cursor's image.
inline int IconWidth(HICON icon)
{
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return 0;
    BITMAP mask{};
    GetObjectW(info.hbmMask, sizeof mask, &mask);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    return mask.bmWidth;
}

inline int FontHeightOf(HWND control)
{
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font,
               &font);
    return font.lfHeight;
}

// What the system does when the window moves to a monitor of dpi: WM_DPICHANGED (8.1 and later;
// not in the headers for XP) with the rectangle it suggests there.
inline void MoveToDpi(const Form& form, int dpi, RECT suggested)
{
    SendMessageW(form.Hwnd(), 0x02E0, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

// A form at 96 DPI moved to 144 DPI and back: at 144 every control is where its design row puts
// it (1.5 times its 96-DPI rectangle, within the rounding of twips to pixels) with the font, the
// icons and the link cursor at that scale, the window at the suggested place; back at 96 every
// rectangle is exactly what it was.
inline void ExpectDpiRoundTrip(const Form& form, const FormDesign& design)
{
    ASSERT_EQ(ScreenDpi(), 96) << "the system metrics are those of 96 DPI";
    ASSERT_EQ(form.Dpi(), 96);
    std::vector<RECT> before;
    for (int row = 0; row < design.controlCount; ++row)
        before.push_back(ChildRect(form.ControlHwnd(row)));
    RECT window{};
    GetWindowRect(form.Hwnd(), &window);
    RECT larger = window;
    larger.right += (window.right - window.left) / 2;
    larger.bottom += (window.bottom - window.top) / 2;
    const auto scaled = [&](int index) { return MulDiv(GetSystemMetrics(index), 3, 2); };
    int link = 0;
    while (link < design.controlCount && !(design.controls[link].options & kHandCursor))
        ++link;

    MoveToDpi(form, 144, larger);
    EXPECT_EQ(form.Dpi(), 144);
    ExpectControlsWhereDesigned(form, design, 144);
    for (int row = 0; row < design.controlCount; ++row)
    {
        RECT now = ChildRect(form.ControlHwnd(row));
        const RECT& was = before[row];
        EXPECT_NEAR(now.left, was.left * 1.5, 1.5) << design.controls[row].name;
        EXPECT_NEAR(now.top, was.top * 1.5, 1.5) << design.controls[row].name;
        EXPECT_NEAR(now.right - now.left, (was.right - was.left) * 1.5, 1.5);
        EXPECT_NEAR(now.bottom - now.top, (was.bottom - was.top) * 1.5, 1.5);
        if (design.controls[row].kind != ControlKind::PictureBox) // takes no font
        {
            EXPECT_EQ(FontHeightOf(form.ControlHwnd(row)),
                      FontHeightForPoints(design.fontSizeHundredths, 144));
        }
    }
    RECT moved{};
    GetWindowRect(form.Hwnd(), &moved);
    EXPECT_TRUE(EqualRect(&moved, &larger));
    const auto icon = [&](WPARAM kind) {
        return IconWidth(reinterpret_cast<HICON>(SendMessageW(form.Hwnd(), WM_GETICON, kind, 0)));
    };
    EXPECT_EQ(icon(ICON_BIG), scaled(SM_CXICON));
    EXPECT_EQ(icon(ICON_SMALL), scaled(SM_CXSMICON));
    ASSERT_LT(link, design.controlCount) << "a control with the link cursor";
    SendMessageW(form.Hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(form.ControlHwnd(link)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(IconWidth(GetCursor()), scaled(SM_CXCURSOR));

    MoveToDpi(form, 96, window);
    EXPECT_EQ(form.Dpi(), 96);
    for (int row = 0; row < design.controlCount; ++row)
    {
        RECT now = ChildRect(form.ControlHwnd(row));
        EXPECT_TRUE(EqualRect(&now, &before[row])) << design.controls[row].name;
        if (design.controls[row].kind != ControlKind::PictureBox)
        {
            EXPECT_EQ(FontHeightOf(form.ControlHwnd(row)),
                      FontHeightForPoints(design.fontSizeHundredths, 96));
        }
    }
    GetWindowRect(form.Hwnd(), &moved);
    EXPECT_TRUE(EqualRect(&moved, &window));
    EXPECT_EQ(icon(ICON_BIG), GetSystemMetrics(SM_CXICON));
}
