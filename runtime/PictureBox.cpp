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
    RECT client{};
    GetClientRect(hwnd, &client);
    m_size = {client.right, client.bottom};
    HDC screen = GetDC(hwnd);
    m_dc.reset(CreateCompatibleDC(screen));
    m_bitmap.reset(CreateCompatibleBitmap(screen, m_size.cx > 0 ? m_size.cx : 1,
                                          m_size.cy > 0 ? m_size.cy : 1));
    ReleaseDC(hwnd, screen);
    m_oldBitmap = SelectObject(m_dc.get(), m_bitmap.get());
    SetTextColor(m_dc.get(), GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(m_dc.get(), GetSysColor(m_background));
    Clear();
}

void PictureBox::Destroy()
{
    if (m_dc)
        SelectObject(m_dc.get(), m_oldBitmap);
    m_dc.reset();
    m_bitmap.reset();
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
