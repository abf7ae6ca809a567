#include "e2e/Driver.h"

#include "runtime/Form.h"
#include "ui/main/frmMain.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace
{
std::wstring BesideThisProgram(const wchar_t* name)
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    dir.resize(dir.find_last_of(L'\\') + 1);
    return dir + name;
}

std::wstring ClassOf(HWND hwnd)
{
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}
} // namespace

Driver::Driver(const std::wstring& arguments, const std::wstring& directory)
{
    Start(arguments, directory, 0, nullptr);
    WaitForInputIdle(m_process.hProcess, 10000);
    for (int i = 0; i < 200 && m_main == nullptr; ++i)
    {
        for (HWND hwnd : TopLevelWindows())
            if (ClassOf(hwnd) == L"TessalineMain" && IsWindowVisible(hwnd))
                m_main = hwnd;
        if (m_main == nullptr)
            Sleep(25);
    }
    if (m_main == nullptr)
        throw std::runtime_error("tessaline.exe showed no main window");
}

Driver::Driver(Batch batch, const std::wstring& arguments, const std::wstring& directory)
{
    HANDLE write = nullptr;
    if (batch == Batch::Output)
    {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        CreatePipe(&m_output, &write, &inherit, 1 << 16);
        SetHandleInformation(m_output, HANDLE_FLAG_INHERIT, 0);
    }
    Start(arguments, directory, batch == Batch::Output ? 0 : DETACHED_PROCESS, write);
    if (write != nullptr)
        CloseHandle(write);
}

void Driver::Start(const std::wstring& arguments, const std::wstring& directory, DWORD flags,
                   HANDLE output)
{
    std::wstring path = BesideThisProgram(L"tessaline.exe");
    std::wstring commandLine = L"\"" + path + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    // Standard handles of its own: none, or the pipe, never this driver's.
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = output;
    // Under load Wine now and then fails a start that succeeds a moment later: a few tries, and
    // the error of the last in the message.
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < 5; ++attempt)
    {
        if (attempt > 0)
            Sleep(200);
        if (CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, output != nullptr,
                           flags, nullptr, directory.empty() ? nullptr : directory.c_str(),
                           &startup, &m_process))
            return;
        error = GetLastError();
        std::fprintf(stderr, "starting tessaline.exe failed with error %lu\n",
                     static_cast<unsigned long>(error));
    }
    throw std::runtime_error("cannot start tessaline.exe: error " + std::to_string(error));
}

Driver::~Driver()
{
    if (m_output != nullptr)
        CloseHandle(m_output);
    if (Running())
    {
        TerminateProcess(m_process.hProcess, 99);
        WaitForSingleObject(m_process.hProcess, 5000);
    }
    CloseHandle(m_process.hThread);
    CloseHandle(m_process.hProcess);
}

std::vector<HWND> Driver::TopLevelWindows() const
{
    struct Search
    {
        DWORD pid;
        std::vector<HWND> found;
    } search{m_process.dwProcessId, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            if (pid == s->pid)
                s->found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Driver::Control(int row) const
{
    return GetDlgItem(m_main, Form::kFirstControlId + row);
}

std::wstring Driver::Text(HWND hwnd) const
{
    DWORD_PTR length = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]),
                        SMTO_ABORTIFHUNG, 5000, &copied);
    text.resize(copied);
    return text;
}

void Driver::Type(int row, const std::wstring& text)
{
    HWND control = Control(row);
    DWORD_PTR ignored = 0;
    for (wchar_t ch : text)
        SendMessageTimeoutW(control, WM_CHAR, ch, 1, SMTO_ABORTIFHUNG, 5000, &ignored);
}

void Driver::SetText(int row, const std::wstring& text)
{
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(Control(row), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_ABORTIFHUNG, 5000, &ignored);
}

void Driver::Click(int row)
{
    HWND control = Control(row);
    wchar_t name[64] = {};
    GetClassNameW(control, name, 64);
    if (std::wstring(name) == L"Button")
    {
        PostMessageW(control, BM_CLICK, 0, 0);
        return;
    }
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

void Driver::Settle() const
{
    // Sent messages overtake posted ones, but posted ones are taken in order: once a marker
    // posted now has been handled, so has every click or drop posted before it. The marker is
    // an edit box's "modified" flag, which the program never reads.
    WaitForInputIdle(m_process.hProcess, 5000);
    HWND marker = Control(frmMain::txtFolder);
    DWORD_PTR modified = 0;
    SendMessageTimeoutW(marker, EM_SETMODIFY, FALSE, 0, SMTO_ABORTIFHUNG, 5000, &modified);
    PostMessageW(marker, EM_SETMODIFY, TRUE, 0);
    for (DWORD start = GetTickCount(); GetTickCount() - start < 5000; Sleep(2))
        if (!SendMessageTimeoutW(marker, EM_GETMODIFY, 0, 0, SMTO_ABORTIFHUNG, 5000, &modified) ||
            modified != 0)
            break;
    SendMessageTimeoutW(marker, EM_SETMODIFY, FALSE, 0, SMTO_ABORTIFHUNG, 5000, &modified);
}

HWND Driver::WaitForDialog(DWORD timeoutMs, HWND except) const
{
    DWORD start = GetTickCount();
    do
    {
        for (HWND hwnd : TopLevelWindows())
            if (hwnd != except && ClassOf(hwnd) == L"#32770" && IsWindowVisible(hwnd))
                return hwnd;
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

MessageBoxSeen Driver::WaitForMessageBox(DWORD timeoutMs) const
{
    MessageBoxSeen seen;
    seen.hwnd = WaitForDialog(timeoutMs);
    if (seen.hwnd == nullptr)
        return seen;
    seen.title = Text(seen.hwnd);
    // Wine's message box: the text is the static 0xFFFF, the icon the static 0x440.
    seen.text = Text(GetDlgItem(seen.hwnd, 0xFFFF));
    HWND icon = GetDlgItem(seen.hwnd, 0x440);
    seen.hasIcon =
        icon != nullptr && IsWindowVisible(icon) && SendMessageW(icon, STM_GETICON, 0, 0) != 0;
    return seen;
}

void Driver::PressOk(HWND dialog) const
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    for (int i = 0; i < 250 && IsWindow(dialog); ++i)
        Sleep(20);
}

void* Driver::Remote(size_t bytes) const
{
    // Freed with the process when the driver ends it.
    return VirtualAllocEx(m_process.hProcess, nullptr, bytes, MEM_COMMIT | MEM_RESERVE,
                          PAGE_READWRITE);
}

std::wstring Driver::SelectedTreeText(HWND tree) const
{
    auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (item == nullptr)
        return L"";
    struct Block
    {
        TVITEMW info;
        wchar_t text[MAX_PATH];
    };
    auto* remote = static_cast<Block*>(Remote(sizeof(Block)));
    Block local{};
    local.info.mask = TVIF_TEXT;
    local.info.hItem = item;
    local.info.pszText = remote->text;
    local.info.cchTextMax = MAX_PATH;
    WriteProcessMemory(m_process.hProcess, remote, &local, sizeof local, nullptr);
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&remote->info));
    ReadProcessMemory(m_process.hProcess, remote, &local, sizeof local, nullptr);
    VirtualFreeEx(m_process.hProcess, remote, 0, MEM_RELEASE);
    local.text[MAX_PATH - 1] = L'\0';
    return local.text;
}

bool Driver::AnswerFolderPicker(const std::wstring& path) const
{
    HWND picker = WaitForDialog();
    if (picker == nullptr)
        return false;
    if (!path.empty())
    {
        size_t bytes = (path.size() + 1) * sizeof(wchar_t);
        void* remotePath = Remote(bytes);
        WriteProcessMemory(m_process.hProcess, remotePath, path.c_str(), bytes, nullptr);
        std::wstring leaf = path.substr(path.find_last_of(L'\\', path.size() - 2) + 1);
        if (!leaf.empty() && leaf.back() == L'\\')
            leaf.pop_back();
        HWND tree = GetDlgItem(picker, 0x3741);
        // The picker selects its own starting item once it has filled its tree; select again
        // until the selection is ours.
        for (int i = 0; i < 50; ++i)
        {
            SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remotePath));
            Sleep(100);
            std::wstring selected = SelectedTreeText(tree);
            if (!selected.empty() &&
                (selected == leaf || selected.find(leaf) != std::wstring::npos))
                break;
        }
    }
    int button = path.empty() ? IDCANCEL : IDOK;
    PostMessageW(picker, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(picker, button)));
    for (int i = 0; i < 250 && IsWindow(picker); ++i)
        Sleep(20);
    return true;
}

bool Driver::AnswerOpenDialog(const std::wstring& file) const
{
    HWND dialog = WaitForDialog();
    if (dialog == nullptr)
        return false;
    int button = file.empty() ? IDCANCEL : IDOK;
    if (!file.empty())
    {
        // The file name box is a ComboBoxEx (0x47C); its text is what OK takes.
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(GetDlgItem(dialog, 0x47C), WM_SETTEXT, 0,
                            reinterpret_cast<LPARAM>(file.c_str()), SMTO_ABORTIFHUNG, 5000,
                            &ignored);
    }
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
    for (int i = 0; i < 250 && IsWindow(dialog); ++i)
        Sleep(20);
    return true;
}

bool Driver::Running() const
{
    return WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD Driver::Close()
{
    PostMessageW(m_main, WM_CLOSE, 0, 0);
    return WaitForExit();
}

DWORD Driver::WaitForExit(std::string* output)
{
    WaitForSingleObject(m_process.hProcess, 10000);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(m_process.hProcess, &code);
    // What is in the pipe, without waiting for its end: Wine's helpers may hold it open.
    DWORD available = 0;
    if (output != nullptr && m_output != nullptr &&
        PeekNamedPipe(m_output, nullptr, 0, nullptr, &available, nullptr) && available > 0)
    {
        output->resize(available);
        ReadFile(m_output, &(*output)[0], available, &available, nullptr);
        output->resize(available);
    }
    return code;
}

void Driver::Drop(const std::vector<std::wstring>& paths) const
{
    // DROPFILES, then each path with its NUL, then one more NUL.
    std::vector<wchar_t> names;
    for (const std::wstring& path : paths)
        names.insert(names.end(), path.c_str(), path.c_str() + path.size() + 1);
    names.push_back(L'\0');
    DROPFILES header{};
    header.pFiles = sizeof header;
    header.fWide = TRUE;
    std::vector<char> block(sizeof header + names.size() * sizeof(wchar_t));
    memcpy(block.data(), &header, sizeof header);
    memcpy(block.data() + sizeof header, names.data(), names.size() * sizeof(wchar_t));
    void* remote = Remote(block.size());
    WriteProcessMemory(m_process.hProcess, remote, block.data(), block.size(), nullptr);
    PostMessageW(m_main, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
}
