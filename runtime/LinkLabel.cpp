#include "runtime/LinkLabel.h"

#include "runtime/ControlClass.h"

namespace
{
constexpr int kFontSlot = 0; // window extra bytes: the font set with WM_SETFONT

HFONT FontOf(HWND hwnd)
{
    return reinterpret_cast<HFONT>(GetWindowLongPtrW(hwnd, kFontSlot));
}

void NotifyClick(HWND hwnd)
{
    SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), STN_CLICKED),
                 reinterpret_cast<LPARAM>(hwnd));
}

void Paint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client{};
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    wchar_t text[512] = {};
    int length = GetWindowTextW(hwnd, text, 512);
    HGDIOBJ oldFont = SelectObject(dc, FontOf(hwnd));
    SetBkMode(dc, TRANSPARENT);
    // The system's colour for links: a high-contrast theme sets it as it sets the others.
    SetTextColor(dc, GetSysColor(IsWindowEnabled(hwnd) ? COLOR_HOTLIGHT : COLOR_GRAYTEXT));
    DrawTextW(dc, text, length, &client, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
    // Like the system's controls, the focus is shown once the keyboard has been used.
    bool focusHidden = (SendMessageW(hwnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) != 0;
    if (GetFocus() == hwnd && !focusHidden)
    {
        RECT extent = client;
        DrawTextW(dc, text, length, &extent, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
        IntersectRect(&extent, &extent, &client);
        DrawFocusRect(dc, &extent);
    }
    SelectObject(dc, oldFont);
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_SETFONT:
        SetWindowLongPtrW(hwnd, kFontSlot, static_cast<LONG_PTR>(wParam));
        if (LOWORD(lParam))
            InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return static_cast<LRESULT>(GetWindowLongPtrW(hwnd, kFontSlot));
    case WM_SETTEXT: {
        LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return result;
    }
    case WM_PAINT:
        Paint(hwnd);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_UPDATEUISTATE: {
        LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return result;
    }
    case WM_GETDLGCODE: {
        // Enter would otherwise go to the dialog manager as the default button's key.
        auto* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg != nullptr && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN)
            return DLGC_WANTMESSAGE;
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || wParam == VK_SPACE)
        {
            NotifyClick(hwnd);
            return 0;
        }
        break;
    case WM_LBUTTONDOWN:
        SetCapture(hwnd);
        return 0;
    case WM_LBUTTONUP: {
        if (GetCapture() == hwnd)
            ReleaseCapture();
        RECT client{};
        GetClientRect(hwnd, &client);
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (PtInRect(&client, at))
            NotifyClick(hwnd);
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}
} // namespace

const wchar_t* LinkLabel::ClassName()
{
    return RegisterControlClass(L"TessalineLinkLabel", &WindowProc, sizeof(LONG_PTR));
}
