#pragma once
// A picture box that keeps what is drawn on it: drawing goes to a bitmap of the box's size,
// and painting copies that bitmap, so the picture survives being covered, minimised and
// restored.

#include "runtime/UniqueAny.h"

#include <windows.h>

class PictureBox
{
  public:
    static const wchar_t* ClassName();

    explicit PictureBox(int backgroundSysColor = COLOR_WINDOW) : m_background(backgroundSysColor) {}
    PictureBox(const PictureBox&) = delete;
    PictureBox& operator=(const PictureBox&) = delete;

    // An empty picture: the box repaints in its background colour.
    void Clear();
    // The drawing surface, in pixels of the box's drawing area. Call Refresh() after drawing.
    HDC Hdc() const { return m_dc.get(); }
    void Refresh();
    HWND Hwnd() const { return m_hwnd; }

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Create(HWND hwnd);
    // A bitmap of the box's new size, keeping what was drawn.
    void Resize();
    void ReleaseDrawing();
    void Destroy();
    void Paint();

    HWND m_hwnd = nullptr;
    UniqueHdc m_dc;
    UniqueHbitmap m_bitmap;
    HGDIOBJ m_oldBitmap = nullptr;
    SIZE m_size{};
    int m_background;
};
