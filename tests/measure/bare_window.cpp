// The yardstick for start-up time: a bare Win32 window program, built with the program's own
// flags, that does nothing but show one window and wait. Built a second time with the program's
// manifest and its common controls, it tells what of the rest the visual styles take; a third
// time also with the main window's controls, as system controls at their places in the design,
// what the layout itself takes.

#include <windows.h>

#include <commctrl.h>

#if defined(BARE_WINDOW_CONTROLS)
#include "runtime/Twips.h"
#include "ui/main/frmMain.h"
#endif

namespace
{
LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY)
    {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}
} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
#if defined(BARE_WINDOW_VISUAL_STYLES)
    // With the program's manifest this loads the common controls of version 6, as the program does.
    InitCommonControls();
#endif
    WNDCLASSW wc{};
    wc.lpfnWndProc = &WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"BareWindow";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowW(L"BareWindow", L"Bare", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, 327, 152, nullptr, nullptr, instance, nullptr);
#if defined(BARE_WINDOW_CONTROLS)
    const FormDesign& design = frmMainDesign();
    const int dpi = ScreenDpi();
    HFONT font =
        CreateFontW(FontHeightForPoints(design.fontSizeHundredths, dpi), 0, 0, 0, design.fontWeight,
                    FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0, 0, design.fontFace);
    for (int row = 0; row < design.controlCount; ++row)
    {
        const ControlDesign& c = design.controls[row];
        const wchar_t* className = c.kind == ControlKind::CommandButton ? L"BUTTON"
                                   : c.kind == ControlKind::TextBox     ? L"EDIT"
                                                                        : L"STATIC";
        HWND control = CreateWindowExW(c.kind == ControlKind::TextBox ? WS_EX_CLIENTEDGE : 0,
                                       className, c.caption, WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                                       TwipsToPixels(c.left, dpi), TwipsToPixels(c.top, dpi),
                                       TwipsToPixels(c.width, dpi), TwipsToPixels(c.height, dpi),
                                       hwnd, nullptr, instance, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
#endif
    ShowWindow(hwnd, show);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
