#include "cli/MenuGathering.h"

#include "runtime/AsciiText.h"
#include "runtime/UniqueAny.h"

#include <windows.h>

namespace
{
constexpr wchar_t kGathererClass[] = L"TessalineMenuGatherer";
// Marks a WM_COPYDATA that hands over a folder.
constexpr ULONG_PTR kHandOver = 0x54534C46;
// How long the gatherer waits after the last folder came: Explorer starts the copies one after
// another, each reaching the gatherer well within it.
constexpr UINT kQuietMs = 500;
// How long a copy waits for the session's lock or for the gatherer to take its folder.
constexpr DWORD kHandOverMs = 5000;
constexpr UINT_PTR kQuietTimer = 1;

// What the copies of one command share: the program and every argument but the folder, each
// ended by a NUL. A path too long for the buffer is cut alike in every copy.
std::wstring CommandKey(const std::vector<std::wstring>& arguments)
{
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring key = exe;
    key += L'\0';
    for (size_t i = 0; i + 1 < arguments.size(); ++i)
        key += arguments[i] + L'\0';
    return key;
}

// The key as a name for the session's lock and the gatherer's window: 64 bits of FNV-1a in hex.
// A hand-over is checked against the whole key.
std::wstring KeyName(const std::wstring& key)
{
    unsigned long long hash = 14695981039346656037ull;
    for (wchar_t c : key)
        hash = (hash ^ c) * 1099511628211ull;
    std::wstring name = L"Tessaline-menu-";
    for (int shift = 60; shift >= 0; shift -= 4)
        name += L"0123456789ABCDEF"[(hash >> shift) & 15];
    return name;
}

// A folder named relative to one copy's current folder would name another in the gatherer.
bool IsFullPath(const std::wstring& text)
{
    const bool slash = text.size() >= 3 && (text[2] == L'\\' || text[2] == L'/');
    return (slash && text[1] == L':') || text.compare(0, 2, L"\\\\") == 0;
}

struct Gathering
{
    std::wstring key;
    std::vector<std::wstring>& arguments; // the folders handed over join them
    bool closed; // the run has begun: a folder handed over now would not be done
};

LRESULT CALLBACK GathererProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    if (message != WM_COPYDATA)
        return DefWindowProcW(window, message, wParam, lParam);
    auto* gathering = reinterpret_cast<Gathering*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (gathering == nullptr || gathering->closed || data->dwData != kHandOver ||
        data->cbData == 0 || data->cbData % sizeof(wchar_t) != 0)
        return FALSE;
    const std::wstring text(static_cast<const wchar_t*>(data->lpData),
                            data->cbData / sizeof(wchar_t));
    const std::wstring& key = gathering->key;
    // The same command, then one folder.
    if (text.size() <= key.size() || text.compare(0, key.size(), key) != 0 ||
        text.find(L'\0', key.size()) != std::wstring::npos)
        return FALSE;
    gathering->arguments.push_back(text.substr(key.size()));
    SetTimer(window, kQuietTimer, kQuietMs, nullptr);
    return TRUE;
}

bool Lock(HANDLE mutex)
{
    const DWORD waited = WaitForSingleObject(mutex, kHandOverMs);
    return waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

// Takes the folders handed over until none has come for kQuietMs. The lock is held on entry.
void Gather(HANDLE mutex, const std::wstring& name, Gathering& gathering)
{
    HWND window = CreateWindowExW(0, kGathererClass, name.c_str(), 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    if (window != nullptr)
    {
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&gathering));
        SetTimer(window, kQuietTimer, kQuietMs, nullptr);
    }
    ReleaseMutex(mutex);
    if (window == nullptr)
        return;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0 &&
           !(message.message == WM_TIMER && message.hwnd == window))
        DispatchMessageW(&message);
    // Closed under the lock: a copy that looks for the gatherer from now on finds none and
    // gathers itself; one that found it already is refused and looks again.
    const bool locked = Lock(mutex);
    gathering.closed = true;
    DestroyWindow(window);
    if (locked)
        ReleaseMutex(mutex);
    // Answers now, not after the run, a hand-over sent while the lock was awaited.
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
}
} // namespace

bool TakeMenuSwitch(std::vector<std::wstring>& arguments)
{
    if (arguments.empty() || !SameAsciiText(arguments.front(), kMenuSwitch))
        return false;
    arguments.erase(arguments.begin());
    return true;
}

bool GatherMenuFolders(std::vector<std::wstring>& arguments)
{
    if (arguments.empty() || !IsFullPath(arguments.back()))
        return true;
    Gathering gathering{CommandKey(arguments), arguments, false};
    const std::wstring name = KeyName(gathering.key);
    // Local: the copies of one session, which are one user's.
    UniqueHandle mutex(CreateMutexW(nullptr, FALSE, (L"Local\\" + name).c_str()));
    if (!mutex)
        return true;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = GathererProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kGathererClass;
    RegisterClassExW(&windowClass);
    const std::wstring handed = gathering.key + arguments.back();
    COPYDATASTRUCT data{kHandOver, static_cast<DWORD>(handed.size() * sizeof(wchar_t)),
                        const_cast<wchar_t*>(handed.data())};
    // Refused only by a gatherer that is closing, which then is gone at the next look.
    for (int look = 0; look < 10; ++look)
    {
        if (!Lock(mutex.get()))
            return true;
        HWND gatherer = FindWindowExW(HWND_MESSAGE, nullptr, kGathererClass, name.c_str());
        if (gatherer == nullptr)
        {
            Gather(mutex.get(), name, gathering);
            return true;
        }
        ReleaseMutex(mutex.get());
        // A gatherer answers within milliseconds while it waits; one that doesn't within
        // kHandOverMs is taken for gone (should it take the folder later, it is done twice).
        DWORD_PTR taken = FALSE;
        if (SendMessageTimeoutW(gatherer, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                SMTO_ABORTIFHUNG, kHandOverMs, &taken) != 0 &&
            taken == TRUE)
            return false;
    }
    return true;
}
