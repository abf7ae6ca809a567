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

// flags 0: a handle of the caller's own, at exactly this size (a shared one comes at the size
// it was first loaded at).
HANDLE AppImage(int id, UINT type, int size, UINT flags = 0)
{
    return LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), type, size, size, flags);
}

// Windows scales a monitor from 100% to 500%. Any process may post WM_DPICHANGED with any DPI:
// 65535 would ask for icons of 21,845 pixels.
constexpr int kLeastDpi = 96;
constexpr int kMostDpi = 480;

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
    wc.hIcon =
        static_cast<HICON>(AppImage(IDI_APP, IMAGE_ICON, GetSystemMetrics(SM_CXICON), LR_SHARED));
    wc.hIconSm =
        static_cast<HICON>(AppImage(IDI_APP, IMAGE_ICON, GetSystemMetrics(SM_CXSMICON), LR_SHARED));
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
    CreateControls();
    LayOut();
    OnLoad();
}

void Form::LayOut()
{
    // Always from the design, never from the current rectangles: going to another DPI and back
    // ends exactly where it began. The old fonts and icons go once nothing uses them.
    HFONT fonts[2];
    for (int underlined = 0; underlined < 2; ++underlined)
        fonts[underlined] = CreateFontW(
            FontHeightForPoints(m_design.fontSizeHundredths, m_dpi), 0, 0, 0, m_design.fontWeight,
            FALSE, underlined, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
            DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, m_design.fontFace);
    for (size_t row = 0; row < m_controls.size(); ++row)
    {
        const ControlDesign& c = m_design.controls[row];
        MoveWindow(m_controls[row], TwipsToPixels(c.left, m_dpi), TwipsToPixels(c.top, m_dpi),
                   TwipsToPixels(c.width, m_dpi), TwipsToPixels(c.height, m_dpi), TRUE);
        bool underlined = (c.options & kUnderlined) || c.kind == ControlKind::LinkLabel;
        SendMessageW(m_controls[row], WM_SETFONT, reinterpret_cast<WPARAM>(fonts[underlined]),
                     TRUE);
    }
    // The caption bar and the task bar take the icon at their own sizes. The system's metrics
    // are those of the system's DPI.
    const auto metric = [&](int index) { return SystemMetricAt(index, m_dpi); };
    static_assert(ICON_SMALL == 0 && ICON_BIG == 1, "the icons' slots");
    for (int i = 0; i < 2; ++i)
    {
        m_fonts[i].reset(fonts[i]);
        HANDLE icon =
            AppImage(IDI_APP, IMAGE_ICON, metric(i == ICON_BIG ? SM_CXICON : SM_CXSMICON));
        SendMessageW(m_hwnd, WM_SETICON, i, reinterpret_cast<LPARAM>(icon));
        m_icons[i].reset(static_cast<HICON>(icon));
    }
    SetLinkCursor(static_cast<HCURSOR>(AppImage(IDC_HANDLINK, IMAGE_CURSOR, metric(SM_CXCURSOR))));
}

void Form::SetLinkCursor(HCURSOR cursor)
{
    // With the mouse over a link the old cursor is the one on screen: the screen gets the new one
    // (or the arrow) before the old is destroyed.
    if (m_linkCursor && GetCursor() == m_linkCursor.get())
        SetCursor(cursor != nullptr ? cursor : LoadCursorW(nullptr, IDC_ARROW));
    m_linkCursor.reset(cursor);
}

void Form::NameForScreenReader()
{
    BOOL screenReader = FALSE;
    if (SystemParametersInfoW(SPI_GETSCREENREADER, 0, &screenReader, 0) && screenReader)
        SetAccessibleNames(true);
}

void Form::SetAccessibleNames(bool given)
{
    // Not before the controls exist, and each way once.
    if (given == m_named || m_controls.empty())
        return;
    m_named = given;
    for (size_t row = 0; row < m_controls.size(); ++row)
        if (const wchar_t* name = m_design.controls[row].accessibleName)
            m_host.SetAccessibleName(m_controls[row], given ? name : nullptr);
}

void Form::CreateControls()
{
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
    std::vector<HWND> created(count);
    for (int row = 0; row < count; ++row)
        key[row] = 2 * controls[row].tabIndex;
    for (int box = 0; box < count; ++box)
    {
        if (controls[box].kind != ControlKind::TextBox)
            continue;
        int label = -1;
        for (int row = 0; row < count; ++row)
            if (controls[row].kind == ControlKind::Label &&
                controls[row].top == controls[box].top &&
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
        created[row] = CreateControl(row);
    m_controls = std::move(created);
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
    // Placed and given its font by LayOut.
    HWND control =
        CreateWindowExW(exStyle, className, c.caption, style, 0, 0, 0, 0, m_hwnd,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + row)),
                        GetModuleHandleW(nullptr), createParam);
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
    // A running screen reader gets the names from the start; without one they cost nothing
    // until assistive technology asks (WM_GETOBJECT) or a screen reader starts.
    NameForScreenReader();
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
        // Windows 10 1607 scales the caption and frame of a per-monitor window only when asked;
        // later versions do it by themselves, earlier ones lack the function.
        using EnableScaling = BOOL(WINAPI*)(HWND);
        if (auto enable = reinterpret_cast<EnableScaling>(reinterpret_cast<void (*)()>(
                GetProcAddress(GetModuleHandleW(L"user32.dll"), "EnableNonClientDpiScaling"))))
            enable(hwnd);
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
            SetCursor(m_linkCursor ? m_linkCursor.get() : LoadCursorW(nullptr, IDC_ARROW));
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
    case WM_DPICHANGED: {
        // Moved to a monitor of another DPI (8.1 and later): the new DPI, and the place the system
        // suggests there, which keeps the window from bouncing between two monitors. Without
        // either (not from the system) the window stays as it is: laid out at one DPI and sized
        // for another, it would cut its controls off. A DPI beyond the scales Windows offers is
        // taken as the nearest of them.
        const auto* place = reinterpret_cast<const RECT*>(lParam);
        if (place == nullptr || HIWORD(wParam) == 0)
            return 0;
        m_dpi = std::clamp<int>(HIWORD(wParam), kLeastDpi, kMostDpi);
        LayOut();
        MoveWindow(m_hwnd, place->left, place->top, place->right - place->left,
                   place->bottom - place->top, TRUE);
        // The form draws its pictures again at the new scale.
        RaiseMessage(message, wParam, lParam);
        return 0;
    }
    case WM_SYSCOLORCHANGE:
        // A new theme, high contrast too: the common controls hear of it only from their window,
        // and the form paints its pictures again in the new colours.
        for (HWND control : m_controls)
            SendMessageW(control, message, wParam, lParam);
        RaiseMessage(message, wParam, lParam);
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
        for (int i = 0; i < 2; ++i)
        {
            m_fonts[i].reset();
            m_icons[i].reset();
        }
        SetLinkCursor(nullptr);
        return 0;
    case WM_SETTINGCHANGE:
        // A screen reader that starts while the window is open says so to every window.
        if (wParam == SPI_SETSCREENREADER)
            NameForScreenReader();
        break;
    case WM_GETOBJECT:
    case WM_DESTROY:
        // Assistive technology looking at the window finds the names before it reaches the
        // controls; at WM_DESTROY the controls still exist, and their names go before they do.
        SetAccessibleNames(message == WM_GETOBJECT);
        [[fallthrough]];
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
