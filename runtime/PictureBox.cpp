#include "runtime/PictureBox.h"

#include "runtime/ControlClass.h"

const wchar_t* PictureBox::ClassName()
{
    return RegisterControlClass(L"TessalinePictureBox", &PictureBox::WindowProc);
}

LRESULT CALLBACK PictureBox::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<PictureBox*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (message)
    {
    case WM_NCCREATE: {
        self = static_cast<PictureBox*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        break;
    }
    case WM_CREATE:
        if (self != nullptr)
            self->Create(hwnd);
        return 0;
    case WM_SIZE:
        if (self != nullptr)
            self->Resize();
        return 0;
    case WM_ERASEBKGND:
        return 1; // the bitmap covers every pixel
    case WM_PAINT:
        if (self != nullptr)
        {
            self->Paint();
            return 0;
        }
        break;
    case WM_DESTROY:
        if (self != nullptr)
            self->Destroy();
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void PictureBox::Create(HWND hwnd)
{
    m_hwnd = hwnd;
    Resize();
}

void PictureBox::Resize()
{
    // A box of no size (as it is created) gets a bitmap of one pixel.
    RECT all{};
    GetClientRect(m_hwnd, &all);
    HDC screen = GetDC(m_hwnd);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, all.right, all.bottom);
    ReleaseDC(m_hwnd, screen);
    HGDIOBJ original = SelectObject(dc, bitmap);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(m_background));
    // What was drawn stays where it was (a new DPI gives the box a new size, not a new picture);
    // the rest is background.
    FillRect(dc, &all, GetSysColorBrush(m_background));
    BitBlt(dc, 0, 0, m_size.cx, m_size.cy, m_dc.get(), 0, 0, SRCCOPY);
    ReleaseDrawing();
    m_dc.reset(dc);
    m_bitmap.reset(bitmap);
    m_oldBitmap = original;
    m_size = {all.right, all.bottom};
    Refresh();
}

void PictureBox::ReleaseDrawing()
{
    if (m_dc)
        SelectObject(m_dc.get(), m_oldBitmap);
    m_dc.reset();
    m_bitmap.reset();
}

void PictureBox::Destroy()
{
    ReleaseDrawing();
    m_hwnd = nullptr;
}

void PictureBox::Clear()
{
    if (!m_dc)
        return;
    RECT all{0, 0, m_size.cx, m_size.cy};
    FillRect(m_dc.get(), &all, GetSysColorBrush(m_background));
    Refresh();
}

void PictureBox::Refresh()
{
    if (m_hwnd != nullptr)
        InvalidateRect(m_hwnd, nullptr, FALSE);
}

void PictureBox::Paint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hwnd, &ps);
    BitBlt(dc, 0, 0, m_size.cx, m_size.cy, m_dc.get(), 0, 0, SRCCOPY);
    EndPaint(m_hwnd, &ps);
}
