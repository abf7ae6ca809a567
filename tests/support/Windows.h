#pragma once
// Small helpers for tests that drive real windows.

#include "runtime/Form.h"
#include "runtime/Twips.h"

#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
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
inline int IconWidth(HANDLE icon)
{
    ICONINFO info{};
    BITMAP mask{};
    GetIconInfo(static_cast<HICON>(icon), &info);
    GetObjectW(info.hbmMask, sizeof mask, &mask);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    return mask.bmWidth;
}

// The box around every pixel of a picture that is not the background colour: what is drawn.
inline RECT DrawnBox(HWND picture, COLORREF background)
{
    UpdateWindow(picture);
    RECT box{1000, 1000, -1, -1}, client{};
    GetClientRect(picture, &client);
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x)
            if (ScreenPixel(picture, x, y) != background)
                box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                       std::max<LONG>(box.right, x), std::max<LONG>(box.bottom, y)};
    return box;
}

// What the system does when the window moves to a monitor of dpi: WM_DPICHANGED (8.1 and later;
// not in the headers for XP) with the rectangle it suggests there.
inline void MoveToDpi(const Form& form, int dpi, RECT suggested)
{
    SendMessageW(form.Hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

// Every control's rectangle and font height, and the window's rectangle.
inline std::vector<LONG> LayoutOf(const Form& form, const FormDesign& design)
{
    std::vector<LONG> layout;
    RECT rect{};
    for (int row = -1; row < design.controlCount; ++row)
    {
        HWND window = row < 0 ? form.Hwnd() : form.ControlHwnd(row);
        GetWindowRect(window, &rect);
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font,
                   &font);
        layout.insert(layout.end(), {rect.left, rect.top, rect.right, rect.bottom, font.lfHeight});
    }
    return layout;
}

// A form at 96 DPI moved to 144 DPI and back: at 144 every control is where its design row puts
// it, with the font, the icons and the link cursor at that scale and the window where the system
// suggested; back at 96 everything is exactly where it was.
inline void ExpectDpiRoundTrip(const Form& form, const FormDesign& design)
{
    ASSERT_EQ(ScreenDpi(), 96) << "the system's metrics are those of 96 DPI";
    const std::vector<LONG> before = LayoutOf(form, design);
    RECT window{};
    GetWindowRect(form.Hwnd(), &window);
    // Not as the system sends it (no rectangle to go to, or no DPI): nothing changes.
    SendMessageW(form.Hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), 0);
    MoveToDpi(form, 0, window);
    EXPECT_EQ(form.Dpi(), 96);
    EXPECT_EQ(LayoutOf(form, design), before);
    RECT larger{window.left, window.top, window.right + 100, window.bottom + 50};
    MoveToDpi(form, 144, larger);
    EXPECT_EQ(form.Dpi(), 144);
    ExpectControlsWhereDesigned(form, design, 144);
    int link = 0;
    while (!(design.controls[link].options & kHandCursor))
        ++link;
    HWND linkWindow = form.ControlHwnd(link);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(linkWindow, WM_GETFONT, 0, 0)), sizeof font,
               &font);
    EXPECT_EQ(font.lfHeight, FontHeightForPoints(design.fontSizeHundredths, 144));
    SendMessageW(form.Hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(linkWindow),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(IconWidth(GetCursor()), GetSystemMetrics(SM_CXCURSOR) * 3 / 2);
    for (WPARAM big : {ICON_SMALL, ICON_BIG})
        EXPECT_EQ(
            IconWidth(reinterpret_cast<HANDLE>(SendMessageW(form.Hwnd(), WM_GETICON, big, 0))),
            GetSystemMetrics(big ? SM_CXICON : SM_CXSMICON) * 3 / 2);
    RECT moved{};
    GetWindowRect(form.Hwnd(), &moved);
    EXPECT_TRUE(EqualRect(&moved, &larger));
    MoveToDpi(form, 96, window);
    EXPECT_EQ(LayoutOf(form, design), before);
    // The mouse still over the link: the cursor on screen is the new one, not the one destroyed.
    EXPECT_EQ(IconWidth(GetCursor()), GetSystemMetrics(SM_CXCURSOR));
}
