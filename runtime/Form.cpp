#include "runtime/Form.h"

#include "resources/resource_ids.h"
#include "runtime/ErrorBoundary.h"
#include "runtime/Host.h"
#include "runtime/LinkLabel.h"
#include "runtime/Twips.h"

#include <algorithm>

namespace
{
// Every form that has a window, for the relay of system-wide changes. At namespace scope, not
// in a function: a function's static brings the library's thread-safe guard.
std::vector<Form*> g_liveForms;

std::vector<Form*>& LiveForms()
{
    return g_liveForms;
}

HCURSOR HandCursor()
{
    // A resource cursor loaded with LoadCursor is shared: it must not be destroyed.
    HCURSOR cursor = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_HANDLINK));
    return cursor != nullptr ? cursor : LoadCursorW(nullptr, IDC_ARROW);
}

HICON AppIcon(int size)
{
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP),
                                         IMAGE_ICON, size, size, LR_SHARED));
}

UniqueHfont MakeFont(const FormDesign& design, int dpi, bool underlined)
{
    return UniqueHfont(CreateFontW(FontHeightForPoints(design.fontSizeHundredths, dpi), 0, 0, 0,
                                   design.fontWeight, FALSE, underlined ? TRUE : FALSE, FALSE,
                                   ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                   DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, design.fontFace));
}
} // namespace

Form::Form(const FormDesign& design, Host& host) : m_design(design), m_host(host)
{
    LiveForms().push_back(this);
}

Form::~Form()
{
    Unload();
    auto& forms = LiveForms();
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
}

const wchar_t* Form::RegisterClass() const
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(GetModuleHandleW(nullptr), m_design.className, &wc))
        return m_design.className;
    wc.lpfnWndProc = &Form::WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = AppIcon(GetSystemMetrics(SM_CXICON));
    wc.hIconSm = AppIcon(GetSystemMetrics(SM_CXSMICON));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = m_design.className;
    RegisterClassExW(&wc);
    return m_design.className;
}

void Form::Load(HWND owner, int dpi)
{
    if (IsLoaded())
        return;
    if (!m_initialized)
    {
        m_initialized = true;
        OnInitialize();
    }
    m_dpi = dpi > 0 ? dpi : ScreenDpi();
    m_font = MakeFont(m_design, m_dpi, false);
    m_underlinedFont = MakeFont(m_design, m_dpi, true);

    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    if (m_design.minButton)
        style |= WS_MINIMIZEBOX;
    DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    RECT frame{0, 0, TwipsToPixels(m_design.clientWidth, m_dpi),
               TwipsToPixels(m_design.clientHeight, m_dpi)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;

    CreateWindowExW(exStyle, RegisterClass(), m_design.caption, style, x, y, width, height, owner,
                    nullptr, GetModuleHandleW(nullptr), this);
    if (m_hwnd == nullptr)
        return;
    // The caption bar and the task bar take the icon at their own sizes.
    SendMessageW(m_hwnd, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(AppIcon(GetSystemMetrics(SM_CXICON))));
    SendMessageW(m_hwnd, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(AppIcon(GetSystemMetrics(SM_CXSMICON))));
    CreateControls();
    OnLoad();
}

void Form::CreateControls()
{
    m_controls.assign(m_design.controlCount, nullptr);
    m_pictures.clear();
    m_pictures.resize(m_design.controlCount);
    // Created in tab order: the dialog manager moves the focus in creation (z) order. A screen
    // reader names a box by the label just before it in the window order, so a label on a box's
    // line, left of it, sorts right before that box; labels take no focus, so the tab stops keep
    // their order. Twice the tab index leaves room for it. An insertion sort: a form has a few
    // controls, and the library's stable sort costs kilobytes.
    const ControlDesign* controls = m_design.controls;
    const int count = m_design.controlCount;
    std::vector<int> key(count), order(count);
    for (int row = 0; row < count; ++row)
        key[row] = 2 * controls[row].tabIndex;
    for (int box = 0; box < count; ++box)
    {
        if (controls[box].kind != ControlKind::TextBox)
            continue;
        int label = -1;
        for (int row = 0; row < count; ++row)
            if (controls[row].kind == ControlKind::Label && controls[row].top == controls[box].top &&
                controls[row].left + controls[row].width <= controls[box].left &&
                (label < 0 || controls[row].tabIndex < controls[label].tabIndex))
                label = row;
        if (label >= 0)
            key[label] = key[box] - 1;
    }
    for (int row = 0; row < count; ++row)
    {
        int at = row;
        for (; at > 0 && key[order[at - 1]] > key[row]; --at)
            order[at] = order[at - 1];
        order[at] = row;
    }
    for (int row : order)
        m_controls[row] = CreateControl(row);
}

HWND Form::CreateControl(int row)
{
    const ControlDesign& c = m_design.controls[row];
    const wchar_t* className = L"STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD exStyle = 0;
    void* createParam = nullptr;
    switch (c.kind)
    {
    case ControlKind::CommandButton:
        className = L"BUTTON";
        style |= BS_PUSHBUTTON | WS_TABSTOP;
        break;
    case ControlKind::TextBox:
        className = L"EDIT";
        style |= ES_AUTOHSCROLL | ES_LEFT | WS_TABSTOP;
        exStyle |= WS_EX_CLIENTEDGE;
        break;
    case ControlKind::Label:
        style |= SS_NOTIFY | SS_NOPREFIX | ((c.options & kAlignRight) ? SS_RIGHT : SS_LEFT);
        break;
    case ControlKind::LinkLabel:
        className = LinkLabel::ClassName();
        style |= WS_TABSTOP;
        break;
    case ControlKind::PictureBox:
        m_pictures[row] = std::make_unique<PictureBox>(
            (c.options & kFaceBackground) ? COLOR_BTNFACE : COLOR_WINDOW);
        className = PictureBox::ClassName();
        if (!(c.options & kNoBorder))
            exStyle |= WS_EX_CLIENTEDGE;
        createParam = m_pictures[row].get();
        break;
    }
    if (c.options & kDisabled)
        style |= WS_DISABLED;
    HWND control = CreateWindowExW(
        exStyle, className, c.caption, style, TwipsToPixels(c.left, m_dpi),
        TwipsToPixels(c.top, m_dpi), TwipsToPixels(c.width, m_dpi), TwipsToPixels(c.height, m_dpi),
        m_hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + row)),
        GetModuleHandleW(nullptr), createParam);
    bool underlined = (c.options & kUnderlined) || c.kind == ControlKind::LinkLabel;
    SendMessageW(control, WM_SETFONT,
                 reinterpret_cast<WPARAM>(underlined ? m_underlinedFont.get() : m_font.get()),
                 FALSE);
    if (c.kind == ControlKind::TextBox)
        SendMessageW(control, EM_LIMITTEXT, 0, 0); // no limit but the system's
    return control;
}

void Form::Show()
{
    Load();
    if (!IsLoaded())
        return;
    // As dialogs do: focus rectangles and access keys show once the keyboard is used.
    SendMessageW(m_hwnd, WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, 0), 0);
    ShowWindow(m_hwnd, SW_SHOW);
    UpdateWindow(m_hwnd);
    int first = -1;
    for (int row = 0; row < m_design.controlCount; ++row)
    {
        HWND control = m_controls[row];
        LONG style = GetWindowLongW(control, GWL_STYLE);
        if ((style & WS_TABSTOP) && IsWindowEnabled(control) &&
            (first < 0 || m_design.controls[row].tabIndex < m_design.controls[first].tabIndex))
            first = row;
    }
    if (first >= 0)
        SetFocus(m_controls[first]);
}

void Form::ShowModal(Form& owner)
{
    Load(owner.Hwnd());
    if (!IsLoaded())
        return;
    m_modalOwner = owner.Hwnd();
    EnableWindow(m_modalOwner, FALSE);
    Show();
    MSG msg;
    while (IsLoaded())
    {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0)
        {
            if (got == 0)
                PostQuitMessage(static_cast<int>(msg.wParam)); // let the outer loop end too
            Unload();
            break;
        }
        if (!PreTranslate(msg))
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (m_modalOwner != nullptr)
    {
        EnableWindow(m_modalOwner, TRUE);
        SetActiveWindow(m_modalOwner);
        m_modalOwner = nullptr;
    }
}

void Form::Unload()
{
    if (IsLoaded())
    {
        // The owner is enabled before this window goes, or Windows activates another program.
        if (m_modalOwner != nullptr)
            EnableWindow(m_modalOwner, TRUE);
        DestroyWindow(m_hwnd);
    }
}

HWND Form::ControlHwnd(int row) const
{
    return row >= 0 && row < static_cast<int>(m_controls.size()) ? m_controls[row] : nullptr;
}

std::wstring Form::Text(int row) const
{
    HWND control = ControlHwnd(row);
    int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    int copied = GetWindowTextW(control, &text[0], length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

void Form::SetText(int row, const std::wstring& text)
{
    SetWindowTextW(ControlHwnd(row), text.c_str());
}

bool Form::Enabled(int row) const
{
    return IsWindowEnabled(ControlHwnd(row)) != FALSE;
}

void Form::SetEnabled(int row, bool enabled)
{
    HWND control = ControlHwnd(row);
    // A disabled control loses the focus to nobody: hand it on as the Tab key would first.
    if (!enabled && control != nullptr && GetFocus() == control)
        SetFocus(GetNextDlgTabItem(m_hwnd, control, FALSE));
    EnableWindow(control, enabled ? TRUE : FALSE);
}

void Form::RestoreFocus()
{
    HWND focus = m_lastFocus;
    if (focus == nullptr || !IsChild(m_hwnd, focus))
        focus = GetNextDlgTabItem(m_hwnd, nullptr, FALSE);
    else if (!IsWindowEnabled(focus))
        focus = GetNextDlgTabItem(m_hwnd, focus, FALSE);
    if (focus != nullptr)
        SetFocus(focus);
}

void Form::ClickFocusedButton()
{
    HWND focus = GetFocus();
    int row = RowOfControl(focus);
    if (row >= 0 && m_design.controls[row].kind == ControlKind::CommandButton)
        SendMessageW(focus, BM_CLICK, 0, 0);
}

PictureBox& Form::Picture(int row)
{
    return *m_pictures.at(static_cast<size_t>(row));
}

int Form::RowOfControl(HWND control) const
{
    for (size_t row = 0; row < m_controls.size(); ++row)
        if (m_controls[row] == control && control != nullptr)
            return static_cast<int>(row);
    return -1;
}

bool Form::PreTranslate(MSG& msg)
{
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    if (root == nullptr)
        return false;
    for (Form* form : LiveForms())
        if (form->m_hwnd == root)
            return IsDialogMessageW(root, &msg) != FALSE;
    return false;
}

int Form::RunUntilUnloaded(Form& form)
{
    MSG msg;
    while (form.IsLoaded())
    {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0)
            return got == 0 ? static_cast<int>(msg.wParam) : 1;
        if (!PreTranslate(msg))
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return 0;
}

LRESULT CALLBACK Form::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE)
    {
        self = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->m_hwnd = hwnd;
    }
    if (self == nullptr)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    switch (message)
    {
    case WM_COMMAND: {
        // The dialog manager turns Enter into IDOK and Escape into IDCANCEL, with no control.
        if (lParam == 0 && LOWORD(wParam) == IDOK)
            ClickFocusedButton();
        else if (lParam == 0 && LOWORD(wParam) == IDCANCEL && m_modalOwner != nullptr)
            Unload();
        int row = RowOfControl(reinterpret_cast<HWND>(lParam));
        if (row < 0)
            return 0;
        WORD code = HIWORD(wParam);
        ControlKind kind = m_design.controls[row].kind;
        if (kind == ControlKind::TextBox && code == EN_CHANGE)
            RaiseEvent(row, FormEvent::Change);
        else if (kind == ControlKind::CommandButton && code == BN_CLICKED)
            RaiseEvent(row, FormEvent::Click);
        else if ((kind == ControlKind::Label || kind == ControlKind::LinkLabel) &&
                 code == STN_CLICKED)
            RaiseEvent(row, FormEvent::Click);
        return 0;
    }
    case WM_SETCURSOR: {
        int row = RowOfControl(reinterpret_cast<HWND>(wParam));
        if (row >= 0 && (m_design.controls[row].options & kHandCursor) &&
            LOWORD(lParam) == HTCLIENT)
        {
            SetCursor(HandCursor());
            return TRUE;
        }
        break;
    }
    case WM_ACTIVATE:
        // As dialogs do: the control that had the focus gets it back, not the window itself.
        if (LOWORD(wParam) == WA_INACTIVE)
        {
            HWND focus = GetFocus();
            if (IsChild(m_hwnd, focus))
                m_lastFocus = focus;
            return 0;
        }
        if (HIWORD(wParam) != 0) // minimised
            break;
        RestoreFocus();
        return 0;
    case WM_CLOSE:
        Unload();
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
        m_hwnd = nullptr;
        m_lastFocus = nullptr;
        m_controls.clear();
        m_pictures.clear();
        m_font.reset();
        m_underlinedFont.reset();
        return 0;
    default:
        if (RaiseMessage(message, wParam, lParam))
            return 0;
        break;
    }
    return DefWindowProcW(m_hwnd, message, wParam, lParam);
}

template <typename Handler> void Form::Guarded(Handler handler) noexcept
{
    try
    {
        handler();
    }
    catch (...)
    {
        ReportCurrentException(m_host, m_hwnd);
    }
}

void Form::RaiseEvent(int row, FormEvent event) noexcept
{
    Guarded([&] { OnEvent(row, event); });
}

bool Form::RaiseMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    bool handled = false;
    Guarded([&] { handled = OnMessage(message, wParam, lParam); });
    return handled;
}
