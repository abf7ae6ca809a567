// Figures to compare between runs, one a line with its unit. Not a test: nothing here fails on
// a slow machine. Run by scripts/measure under Wine.

#include "engine/ComApartment.h"
#include "engine/DesktopIniMerge.h"
#include "engine/FolderIcon.h"
#include "engine/IconEntry.h"
#include "engine/IniText.h"
#include "engine/imaging/PictureIcon.h"
#include "runtime/Twips.h"
#include "support/FakeHost.h"
#include "support/IconFile.h"
#include "support/IconLibrary.h"
#include "support/PictureFile.h"
#include "support/TempFolder.h"
#include "support/Windows.h"
#include "ui/main/Preview.h"
#include "ui/main/frmMain.h"

#include <windows.h>

#include <psapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace
{
double Now()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::wstring Beside(const wchar_t* name)
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path);
    return dir.substr(0, dir.find_last_of(L'\\') + 1) + name;
}

HWND VisibleWindowOf(DWORD pid)
{
    struct Search
    {
        DWORD pid;
        HWND found;
    } search{pid, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == s->pid && IsWindowVisible(hwnd) && GetWindow(hwnd, GW_OWNER) == nullptr)
            {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct StartUp
{
    double ms = -1;
    std::set<std::wstring> modules; // the DLLs loaded when the window showed, lower case
};

// Milliseconds from process start to its main window shown and the program idle.
StartUp StartUpOf(const std::wstring& exe)
{
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    StartUp result;
    double start = Now();
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return result;
    WaitForInputIdle(process.hProcess, 10000);
    HWND window = nullptr;
    while ((window = VisibleWindowOf(process.dwProcessId)) == nullptr && Now() - start < 10000)
        Sleep(1);
    result.ms = Now() - start;
    result.modules = LoadedModules(process.dwProcessId);
    PostMessageW(window, WM_CLOSE, 0, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Milliseconds from the start of a command line, without a window, to the end of its process.
double RunToEndMs(std::wstring commandLine, const std::wstring& directory)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    double start = Now();
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                        nullptr, directory.c_str(), &startup, &process))
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    double elapsed = Now() - start;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return elapsed;
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// The DLLs of one start that another start did not load, or "none".
std::string ModulesBeyond(const std::set<std::wstring>& these, const std::set<std::wstring>& those)
{
    std::string list;
    for (const std::wstring& name : these)
        if (those.count(name) == 0 && name.find(L".exe") == std::wstring::npos)
            list += (list.empty() ? "" : " ") + Narrow(name);
    return list.empty() ? "none" : list;
}

void StartUpFigures()
{
    const int runs = 21;
    struct Program
    {
        const wchar_t* exe;
        const char* what;
        std::vector<double> ms;
        std::set<std::wstring> modules;
    } programs[] = {
        {L"start-up\\tessaline.exe", "64-bit build under Wine, stripped", {}, {}},
        {L"start-up\\bare_window.exe", "bare Win32 window", {}, {}},
        {L"start-up\\bare_window_manifest.exe",
         "bare Win32 window with the manifest and common controls",
         {},
         {}},
        {L"start-up\\bare_window_controls.exe",
         "the same with the main window's controls as system controls",
         {},
         {}},
    };
    // The stripped copies that scripts/measure puts in start-up\ beside this program.
    for (Program& program : programs) // the first start warms the file cache
        program.modules = StartUpOf(Beside(program.exe)).modules;
    for (int i = 0; i < runs; ++i)
        for (Program& program : programs)
            program.ms.push_back(StartUpOf(Beside(program.exe)).ms);
    for (const Program& program : programs)
        std::printf("start-up, %s, median of %d: %.1f ms\n", program.what, runs,
                    Median(program.ms));
    const double tessaline = Median(programs[0].ms), bare = Median(programs[1].ms),
                 manifest = Median(programs[2].ms);
    std::printf("start-up ratio, program / bare window: %.2f\n", tessaline / bare);
    std::printf("start-up ratio, with manifest and common controls / bare window: %.2f\n",
                manifest / bare);
    std::printf("start-up ratio, program / bare window with manifest and common controls: %.2f\n",
                tessaline / manifest);
    std::printf("start-up ratio, program / bare window with manifest and the main window's "
                "controls: %.2f\n",
                tessaline / Median(programs[3].ms));
    std::printf("DLLs loaded at start-up, program: %zu; bare window: %zu; with manifest and common "
                "controls: %zu\n",
                programs[0].modules.size(), programs[1].modules.size(), programs[2].modules.size());
    std::printf("DLLs the program loads at start-up beyond the bare window with manifest and "
                "common controls: %s\n",
                ModulesBeyond(programs[0].modules, programs[2].modules).c_str());
}

// Mean milliseconds of one apply over count fresh folders named prefix0, prefix1...; iconText
// gives each folder's icon text.
double MeanApplyMs(const TempFolder& root, const std::wstring& prefix, int count,
                   std::wstring (*iconText)(const TempFolder&, const std::wstring&), int* failed)
{
    std::vector<std::wstring> folders, icons;
    for (int i = 0; i < count; ++i)
    {
        folders.push_back(root.MakeFolder(prefix + std::to_wstring(i)));
        icons.push_back(iconText(root, folders.back()));
    }
    double start = Now();
    for (int i = 0; i < count; ++i)
        if (ApplyFolderIcon(FolderText::Typed(folders[i]), icons[i]).status != IconStatus::Ok)
            ++*failed;
    return (Now() - start) / count;
}

void ApplyFigures()
{
    const int count = 1000;
    // Each attrib is a process of its own: under Wine the interpreter takes about half a second
    // a folder, so it does the first hundred unless TESSALINE_SHELL_FOLDERS asks for more.
    const char* shellSetting = std::getenv("TESSALINE_SHELL_FOLDERS");
    const int shellCount = shellSetting ? std::clamp(std::atoi(shellSetting), 1, count) : 100;
    TempFolder root;
    std::wstring icon = root.WriteFile(L"star.ico", SolidIconFile(RGB(255, 0, 0)));
    std::wstring batchArguments = L" /apply star.ico", colourArguments = L" /apply #3A7BD5";
    std::wstring pictureArguments = L" /apply photo.bmp";
    // A photo's size and shading, 640 × 480: its icon file is as large as a photo's.
    std::string photo = SolidBmpFile(0).substr(0, 54);
    for (int at : {2, 18, 22, 34})
    {
        const unsigned value = at == 18 ? 640 : at == 22 ? 480 : at == 2 ? 54 + 640 * 480 * 3 : 0;
        for (int i = 0; i < 4; ++i)
            photo[at + i] = static_cast<char>(value >> (8 * i));
    }
    for (unsigned i = 0; i < 640 * 480; ++i)
        photo += {char(i % 640 ^ i / 640), char(i * 2654435761u >> 27), char(i / 1200)};
    root.WriteFile(L"photo.bmp", photo);
    for (int i = 0; i < count; ++i)
    {
        root.MakeFolder(L"b" + std::to_wstring(i));
        root.MakeFolder(L"x" + std::to_wstring(i));
        root.MakeFolder(L"c" + std::to_wstring(i));
        root.MakeFolder(L"p" + std::to_wstring(i));
        batchArguments += L" x" + std::to_wstring(i);
        colourArguments += L" c" + std::to_wstring(i);
        pictureArguments += L" p" + std::to_wstring(i);
    }
    int failed = 0;
    double engine = MeanApplyMs(
        root, L"e", count,
        [](const TempFolder& temp, const std::wstring&) { return temp / L"star.ico"; }, &failed);
    // An indexed text has its file examined; a resource id is the dearest, one icon extracted.
    int libraryFailed = 0;
    double library = MeanApplyMs(
        root, L"l", count,
        [](const TempFolder&, const std::wstring&) { return IconLibraryPath() + L",-103"; },
        &libraryFailed);
    // An icon inside the folder has both paths made full and long, and compared.
    int insideFailed = 0;
    double inside = MeanApplyMs(
        root, L"i", count,
        [](const TempFolder& temp, const std::wstring& folder) {
            return temp.WriteFile(folder.substr(temp.Path().size() + 1) + L"\\star.ico",
                                  SolidIconFile(RGB(255, 0, 0)));
        },
        &insideFailed);

    // The same nine lines and attributes with the system's own command interpreter.
    std::string iconA = Narrow(icon), rootA = Narrow(root.Path());
    std::string batch = "@echo off\r\nfor /L %%i in (0,1," + std::to_string(shellCount - 1) +
                        ") do (\r\n"
                        "  > \"" +
                        rootA +
                        "\\b%%i\\desktop.ini\" (\r\n"
                        "    echo [.ShellClassInfo]\r\n"
                        "    echo ;for Windows 7/8/8.1\r\n"
                        "    echo IconResource=" +
                        iconA +
                        ",0\r\n"
                        "    echo.\r\n"
                        "    echo ;for Windows XP\r\n"
                        "    echo IconFile=" +
                        iconA +
                        "\r\n"
                        "    echo IconIndex=0\r\n"
                        "    echo.\r\n"
                        "    echo ; TESL ^(Tessaline^) 1.2.14\r\n"
                        "  )\r\n"
                        "  attrib +r +h +s \"" +
                        rootA +
                        "\\b%%i\\desktop.ini\"\r\n"
                        "  attrib +r \"" +
                        rootA +
                        "\\b%%i\"\r\n"
                        ")\r\n";
    std::wstring batchFile = root.WriteFile(L"apply.bat", batch);
    double shell = RunToEndMs(L"cmd.exe /c \"" + batchFile + L"\"", root.Path()) / shellCount;
    // The same batch by the program's own batch mode: one process, relative folder names.
    double program =
        RunToEndMs(L"\"" + Beside(L"tessaline.exe") + L"\"" + batchArguments, root.Path()) / count;
    // The same folders coloured: the icon is made once, then written into each folder.
    double coloured =
        RunToEndMs(L"\"" + Beside(L"tessaline.exe") + L"\"" + colourArguments, root.Path()) / count;
    // The same folders with a picture: its icon is made once, then written into each folder.
    double pictured =
        RunToEndMs(L"\"" + Beside(L"tessaline.exe") + L"\"" + pictureArguments, root.Path()) /
        count;
    int missing = 0, uncoloured = 0, unpictured = 0;
    for (int i = 0; i < count; ++i)
    {
        if (GetFileAttributesW((root / (L"x" + std::to_wstring(i)) + L"\\desktop.ini").c_str()) ==
            INVALID_FILE_ATTRIBUTES)
            ++missing;
        if (GetFileAttributesW(
                (root / (L"c" + std::to_wstring(i)) + L"\\Tessaline-colour2-3A7BD5.ico").c_str()) ==
            INVALID_FILE_ATTRIBUTES)
            ++uncoloured;
        WIN32_FIND_DATAW found{};
        const HANDLE search = FindFirstFileW(
            (root / (L"p" + std::to_wstring(i)) + L"\\Tessaline-picture-*.ico").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            ++unpictured;
        else
            FindClose(search);
    }
    std::printf("apply in the engine, mean over %d fresh folders: %.3f ms (%d failed)\n", count,
                engine, failed);
    std::printf("apply with cmd.exe echo and attrib, mean over %d fresh folders: %.3f ms\n",
                shellCount, shell);
    std::printf("apply ratio, engine / command interpreter: %.3f\n", engine / shell);
    std::printf("apply of a library icon by resource id, mean over %d fresh folders: %.3f ms "
                "(%d failed)\n",
                count, library, libraryFailed);
    std::printf("apply of an icon inside the folder, mean over %d fresh folders: %.3f ms "
                "(%d failed)\n",
                count, inside, insideFailed);
    std::printf("batch of %d folders, tessaline.exe /apply: %.0f ms (%d without desktop.ini)\n",
                count, program * count, missing);
    std::printf("batch of %d folders, cmd.exe loop of echo and attrib: %.0f ms (%d run, the rest "
                "at their mean)\n",
                count, shell * count, shellCount);
    std::printf("batch ratio, tessaline.exe / command interpreter: %.3f\n", program / shell);
    std::printf("batch of %d folders, tessaline.exe /apply #3A7BD5: %.0f ms (%d without their "
                "colour file)\n",
                count, coloured * count, uncoloured);
    std::printf("colour ratio, /apply #3A7BD5 / /apply star.ico: %.3f (aim: at most 1.5)\n",
                coloured / program);
    std::printf("batch of %d folders, tessaline.exe /apply photo.bmp (640 x 480): %.0f ms (%d "
                "without their picture's file)\n",
                count, pictured * count, unpictured);
    std::printf("picture ratio, /apply photo.bmp / /apply star.ico: %.3f (aim: at most 1.5)\n",
                pictured / program);
}

// The floor of a safe apply per folder: the nine lines staged beside the file, flushed and moved
// into place, the marks of the file and the folder, the shell told as Tessaline tells it.
double FloorApplyMs(const std::vector<std::wstring>& folders, const std::string& lines)
{
    const double start = Now();
    for (const std::wstring& folder : folders)
    {
        const std::wstring staged = folder + L"\\desktop.ini.new", ini = folder + L"\\desktop.ini";
        HANDLE file = CreateFileW(staged.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, nullptr);
        DWORD written = 0;
        WriteFile(file, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr);
        FlushFileBuffers(file);
        CloseHandle(file);
        MoveFileExW(staged.c_str(), ini.c_str(), MOVEFILE_WRITE_THROUGH);
        SetFileAttributesW(ini.c_str(),
                           FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_READONLY);
        for (LONG event : {SHCNE_ATTRIBUTES, SHCNE_UPDATEITEM})
            SHChangeNotify(event, SHCNF_PATHW | SHCNF_FLUSH, folder.c_str(), nullptr);
        const std::wstring parent = folder.substr(0, folder.find_last_of(L'\\'));
        SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHW | SHCNF_FLUSH, parent.c_str(), nullptr);
    }
    return (Now() - start) / static_cast<double>(folders.size());
}

// Milliseconds and the peak working set (MB) of a command line run to its end, its output into
// NUL, as a pipe or a file would take it.
std::pair<double, double> RunWithPeak(std::wstring commandLine, const std::wstring& directory)
{
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const HANDLE nul =
        CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherited, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION process{};
    const double start = Now();
    const BOOL started =
        CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                       directory.c_str(), &startup, &process);
    CloseHandle(nul);
    if (!started)
        return {-1, -1};
    WaitForSingleObject(process.hProcess, INFINITE);
    const double elapsed = Now() - start;
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return {elapsed, memory.PeakWorkingSetSize / 1048576.0};
}

// Whole trees: /apply /s against the floor of a safe apply over as many fresh folders, /list /s
// against a walk that reads the same desktop.ini files, and the peak memory as the tree grows.
void TreeFigures()
{
    // An optimised build where scripts/measure gives one: the debug twin's speed is not the
    // product's.
    const char* optimised = std::getenv("TESSALINE_MEASURE_EXE");
    const std::wstring exe =
        L"\"" +
        (optimised ? std::wstring(optimised, optimised + std::strlen(optimised))
                   : Beside(L"tessaline.exe")) +
        L"\"";
    TempFolder root;
    const std::wstring icon = root.WriteFile(L"star.ico", SolidIconFile(RGB(255, 0, 0)));
    const int count = 2000;
    std::vector<std::wstring> floor;
    root.MakeFolder(L"Tree");
    for (int i = 0; i < count; ++i)
    {
        floor.push_back(root.MakeFolder(L"f" + std::to_wstring(i)));
        root.MakeFolder(L"Tree\\t" + std::to_wstring(i));
    }
    const std::string lines =
        "[.ShellClassInfo]\r\n;for Windows 7/8/8.1\r\nIconResource=" + Narrow(icon) +
        ",0\r\n\r\n;for Windows XP\r\nIconFile=" + Narrow(icon) +
        "\r\nIconIndex=0\r\n\r\n; TESL (Tessaline) 1.2.14\r\n";
    const double floorMs = FloorApplyMs(floor, lines);
    const double treeMs =
        RunWithPeak(exe + L" /apply star.ico /s Tree", root.Path()).first / (count + 1);
    std::printf(
        "apply of a plain .ico, floor of a safe apply, mean over %d fresh folders: %.3f ms\n",
        count, floorMs);
    std::printf("apply of a plain .ico, tessaline.exe /apply /s, mean over %d fresh folders: "
                "%.3f ms\n",
                count + 1, treeMs);
    std::printf("tree apply ratio, /apply /s / floor: %.3f (aim: at most 1.25)\n",
                treeMs / floorMs);

    // 10,000 folders, ten to a folder, every tenth with someone's icon.
    for (int size : {10000, 50000})
        if (std::getenv("TESSALINE_MEASURE_APPLY_ONLY") == nullptr)
        {
            TempFolder big;
            std::vector<std::wstring> customised;
            for (int i = 0; i < size; ++i)
            {
                const std::wstring folder = big.MakeFolder(
                    i < 10 ? L"d" + std::to_wstring(i)
                           : L"d" + std::to_wstring(i % 10) + L"\\d" + std::to_wstring(i));
                if (i % 10 == 0)
                {
                    big.WriteFile(folder.substr(big.Path().size() + 1) + L"\\desktop.ini",
                                  "[.ShellClassInfo]\r\nIconResource=C:\\x.ico,0\r\n");
                    customised.push_back(folder + L"\\desktop.ini");
                }
            }
            const auto [listMs, listPeak] =
                RunWithPeak(exe + L" /list /s \"" + big.Path() + L"\"", big.Path());
            std::printf(
                "/list /s over %d folders, %zu customised: %.0f ms, peak working set %.1f MB\n",
                size, customised.size(), listMs, listPeak);
            if (size != 10000)
                continue;
            // The walk alone, reading the same files.
            const double start = Now();
            size_t read = 0;
            std::vector<std::wstring> stack{big.Path()};
            while (!stack.empty())
            {
                const std::wstring folder = stack.back();
                stack.pop_back();
                WIN32_FIND_DATAW data;
                HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &data);
                for (BOOL more = search != INVALID_HANDLE_VALUE; more;
                     more = FindNextFileW(search, &data))
                    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                        data.cFileName[0] != L'.')
                        stack.push_back(folder + L"\\" + data.cFileName);
                    else if (lstrcmpiW(data.cFileName, L"desktop.ini") == 0)
                        read += ReadFileBytes(folder + L"\\desktop.ini").size() != 0;
                FindClose(search);
            }
            const double walkMs = Now() - start;
            std::printf("a walk of the same %d folders reading %zu desktop.ini: %.0f ms\n", size,
                        read, walkMs);
            std::printf("list ratio, /list /s / walk: %.3f (aim: at most 1.5)\n", listMs / walkMs);
        }
}

void PrintCounts(const char* when)
{
    DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    if (gdi == 0 && user == 0)
        std::printf("GDI and USER objects %s: not reported by this Wine (0)\n", when);
    else
        std::printf("GDI objects %s: %lu\nUSER objects %s: %lu\n", when, gdi, when, user);
    if (handles == 0)
        std::printf("kernel handles %s: not reported by this Wine (0)\n", when);
    else
        std::printf("kernel handles %s: %lu\n", when, handles);
    // Wine hands out the lowest free handle value: a leak of handles pushes the next one up.
    HANDLE probe = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::printf("next kernel handle value %s: %lu\n", when,
                static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(probe)));
    CloseHandle(probe);
    std::printf("next icon handle slot %s: %u\n", when, NextIconSlot());
}

void ResourceFigures()
{
    FakeHost host;
    frmMain form(host);
    form.Show();
    TempFolder root;
    std::wstring icon = root.WriteFile(L"star.ico", SolidIconFile(RGB(255, 0, 0)));
    std::wstring folder = root.MakeFolder(L"cycled");
    PictureBox& picture = form.Picture(frmMain::picIcon);
    DrawPreviewIcon(picture, ScreenDpi(), icon);
    ApplyFolderIcon(FolderText::Typed(folder), icon);
    RemoveFolderIcon(FolderText::Typed(folder));
    PrintCounts("before");
    for (int i = 0; i < 1000; ++i)
    {
        picture.Clear();
        DrawPreviewIcon(picture, ScreenDpi(), icon);
    }
    const std::wstring libraryIcon = IconLibraryPath() + L",-103";
    for (int i = 0; i < 1000; ++i)
    {
        ApplyFolderIcon(FolderText::Typed(folder), i % 2 == 0 ? icon : libraryIcon);
        RemoveFolderIcon(FolderText::Typed(folder));
    }
    PrintCounts("after 1,000 previews and 1,000 apply/remove cycles, half of them from a library");
}
} // namespace

// The merge on files of the most a settings file may hold, shaped to make a careless search slow:
// lines that each open a block none closes, and one block followed by lines only.
void MergeFigures()
{
    const IconEntry icon = MakeIconEntry(FolderText::Typed(L"D:\\Photos"), L"D:\\Icons\\star.ico");
    const std::string block =
        AppliedDesktopIni("[.ShellClassInfo]\r\nInfoTip=x\r\n", icon, {}).bytes;
    const std::pair<const char*, std::string> files[] = {
        {"unclosed block starts", "[.ShellClassInfo]\r\n"}, {"one block, then lines", block}};
    for (auto [what, bytes] : files)
    {
        const char* const filler = bytes == block ? "k\r\n" : ";for Windows 7/8/8.1\r\n";
        while (bytes.size() + std::strlen(filler) <= kMaxIniBytes)
            bytes += filler;
        const double start = Now();
        const std::string applied = AppliedDesktopIni(bytes, icon, {}).bytes;
        RemovedDesktopIni(applied);
        std::printf("merge of a 64 KB desktop.ini, %s: apply and remove %.1f ms\n", what,
                    Now() - start);
    }
}

// A 12-megapixel photo (gradients and noise) made into an icon, against decoding it alone: its
// frame's pixels as the decoder gives them.
void PictureFigures()
{
    ApartmentScope apartment;
    Picture photo{4000, 3000, std::vector<std::uint32_t>(4000 * 3000)};
    for (std::size_t i = 0, noise = 1; i < photo.pixels.size(); ++i, noise = noise * 69069 + 1)
        photo.pixels[i] = 0xFF000000 | (i % 4000 * 255 / 4000) << 16 |
                          (i / 4000 * 255 / 3000) << 8 | (noise >> 24 & 0x3F);
    const std::string jpeg =
        EncodePicture(GUID_ContainerFormatJpeg, GUID_WICPixelFormat24bppBGR, {photo});
    std::vector<double> decode, icon;
    for (int i = 0; i < 3; ++i)
    {
        Com<IWICImagingFactory> factory;
        Com<IWICStream> stream;
        Com<IWICBitmapDecoder> decoder;
        Com<IWICBitmapFrameDecode> frame;
        double start = Now();
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                         IID_IWICImagingFactory, reinterpret_cast<void**>(&factory.p));
        factory.p->CreateStream(&stream.p);
        stream.p->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(jpeg.data())),
                                       DWORD(jpeg.size()));
        factory.p->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand,
                                           &decoder.p);
        decoder.p->GetFrame(0, &frame.p);
        frame.p->CopyPixels(nullptr, 4000 * 3, 4000 * 3000 * 3,
                            reinterpret_cast<BYTE*>(photo.pixels.data()));
        decode.push_back(Now() - start);
        start = Now();
        PictureIconFile(jpeg, "photo.jpg");
        icon.push_back(Now() - start);
    }
    std::printf("12-megapixel JPEG decoded alone: %.0f ms\n", Median(decode));
    std::printf("12-megapixel JPEG made into an icon: %.0f ms (%.2f times decoding it)\n",
                Median(icon), Median(icon) / Median(decode));
}

int main()
{
    // TESSALINE_MEASURE=tree (or another figure's name) prints that one alone.
    const char* only = std::getenv("TESSALINE_MEASURE");
    const std::pair<const char*, void (*)()> figures[] = {
        {"start", StartUpFigures}, {"apply", ApplyFigures},        {"tree", TreeFigures},
        {"merge", MergeFigures},   {"resources", ResourceFigures}, {"picture", PictureFigures}};
    for (const auto& [name, figure] : figures)
        if (only == nullptr || std::strcmp(only, name) == 0)
            figure();
    return 0;
}
