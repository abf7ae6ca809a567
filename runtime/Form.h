#pragma once
// One window made from its design table, with its controls, fonts and events. A form object
// lives for the whole process; its window is loaded and unloaded as it is shown and closed.
// Event handlers run inside the window procedure; an error that escapes one reaches the
// untrapped-error boundary here and nowhere else.

#include "runtime/Design.h"
#include "runtime/PictureBox.h"
#include "runtime/UniqueAny.h"

#include <windows.h>

// Sent when a window moves to a monitor of another DPI (8.1 and later); the headers for XP lack it.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

#include <memory>
#include <string>
#include <vector>

class Host;

enum class FormEvent
{
    Click,
    Change,
};

class Form
{
  public:
    Form(const FormDesign& design, Host& host);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // Creates the window and its controls at dpi (0: the screen's), centred on the screen and
    // hidden. The initialise event runs before the first window of this object, the load
    // event after every creation. When the window moves to a monitor of another DPI, it is laid
    // out again from its design at that DPI.
    void Load(HWND owner = nullptr, int dpi = 0);
    // Loads when needed, shows the window and gives the focus to the first control in tab order.
    // The controls get the accessible names of their design rows when a screen reader is
    // running, or else when assistive technology first asks the window for its objects.
    void Show();
    // Shows the window owned by owner and returns when it is closed; the owner takes no input
    // meanwhile.
    void ShowModal(Form& owner);
    void Unload();
    bool IsLoaded() const { return m_hwnd != nullptr; }

    // Each control's id is this plus its design row, so that other programs can find it.
    static constexpr int kFirstControlId = 1000;

    HWND Hwnd() const { return m_hwnd; }
    HWND ControlHwnd(int row) const;
    int Dpi() const { return m_dpi; }
    Host& TheHost() const { return m_host; }

    std::wstring Text(int row) const;
    // Raises the control's change event before it returns, exactly as typing does.
    void SetText(int row, const std::wstring& text);
    bool Enabled(int row) const;
    void SetEnabled(int row, bool enabled);
    PictureBox& Picture(int row);

    // Keyboard navigation (Tab, arrows, Enter on buttons) for the form that owns msg.
    static bool PreTranslate(MSG& msg);
    // Runs the message loop until form is unloaded or the program is told to quit.
    static int RunUntilUnloaded(Form& form);

  protected:
    virtual void OnInitialize() {}
    virtual void OnLoad() {}
    virtual void OnEvent(int row, FormEvent event) = 0;
    // A message to the window itself that no control event covers (a drop, the system menu);
    // true when the form handled it, false to leave it to the system.
    virtual bool OnMessage(UINT, WPARAM, LPARAM) { return false; }
    const ControlDesign& Design(int row) const { return m_design.controls[row]; }

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    void RaiseEvent(int row, FormEvent event) noexcept;
    bool RaiseMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    // Runs a handler; an error that escapes it goes to the untrapped-error boundary.
    template <typename Handler> void Guarded(Handler handler) noexcept;
    void CreateControls();
    // Fonts, control rectangles, icons and the link cursor from the design at m_dpi.
    void LayOut();
    // Replaces the link cursor, never leaving a destroyed one on screen.
    void SetLinkCursor(HCURSOR cursor);
    // Gives the controls their design's accessible names, or takes them away.
    void SetAccessibleNames(bool given);
    // Gives them while a screen reader runs.
    void NameForScreenReader();
    void RestoreFocus();
    void ClickFocusedButton();
    HWND CreateControl(int row);
    int RowOfControl(HWND control) const;
    const wchar_t* RegisterClass() const;

    const FormDesign& m_design;
    Host& m_host;
    HWND m_hwnd = nullptr;
    HWND m_modalOwner = nullptr;
    HWND m_lastFocus = nullptr; // kept while another window is active
    int m_dpi = 96;
    bool m_initialized = false;
    bool m_named = false; // the controls carry their accessible names
    std::vector<HWND> m_controls;
    std::vector<std::unique_ptr<PictureBox>> m_pictures;
    UniqueHfont m_fonts[2]; // plain, underlined
    UniqueHicon m_icons[2]; // ICON_SMALL, ICON_BIG
    UniqueHcursor m_linkCursor;
};
