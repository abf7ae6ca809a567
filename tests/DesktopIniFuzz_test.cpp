// A mutation fuzzer of Apply and Remove on the real engine and real files: desktop.ini files as
// Windows, other programs and Tessaline leave them (tests/fuzz/seeds, and Tessaline's own output),
// changed by lines and bytes, in several encodings, with the marks of the file and the folder
// varied, against a model of Windows' profile reader (itself checked against the system's). (a)
// Apply x, Apply y, Remove is removing Tessaline's lines at once; (b) Remove twice is Remove once,
// a refusal changes nothing; (c) Tessaline accepts every file it writes, which shows the icon
// applied; (d) after someone edits the applied file, no Apply or Remove brings back an icon
// Tessaline wrote. TESSALINE_FUZZ_COUNT and _SEED set the run; _KEEP names a folder for the
// failing inputs, as new seeds (scripts/fuzz).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <random>

#include "engine/FolderIcon.h"
#include "engine/IniText.h"
#include "support/ProfileModel.h"
#include "support/TempFolder.h"

namespace
{
constexpr DWORD kFileMarks =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
// Wine keeps no read-only mark on a folder.
constexpr DWORD kFolderMarks = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

std::string Environment(const char* name, const char* otherwise)
{
    const char* value = std::getenv(name);
    return value && *value ? value : otherwise;
}

// The lines of a text with their endings.
std::vector<std::wstring> SplitLines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    for (size_t start = 0, end = 0; start < text.size(); start = end)
    {
        end = std::min(text.find_first_of(L"\r\n", start), text.size());
        end += end < text.size() && text[end] == L'\r';
        end += end < text.size() && text[end] == L'\n';
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

// Each line without blanks, in lower case: as Tessaline knows its comments.
std::vector<std::wstring> SqueezedLines(const std::string& bytes)
{
    std::vector<std::wstring> lines;
    for (const std::wstring& line : SplitLines(Decoded(bytes)))
    {
        lines.emplace_back();
        for (wchar_t c : line)
            if (c != 0x1A && !(c < 0x80 && iswspace(c))) // the reader's blanks
                lines.back() += static_cast<wchar_t>(towlower(c));
    }
    return lines;
}

// Where Wine 8's reader is known to read otherwise than the model, which follows Windows: a
// header without its ']', a NUL, a UTF-8 byte-order mark (Wine reads the file as UTF-8).
bool Wine8Differs(const std::string& bytes)
{
    const std::vector<std::wstring> lines = SqueezedLines(bytes);
    return bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ||
           Decoded(bytes).find(L'\0') != std::wstring::npos ||
           std::any_of(lines.begin(), lines.end(), [](const std::wstring& line) {
               return !line.empty() && line[0] == L'[' && line.find(L']') == std::wstring::npos;
           });
}

// Whether the shell would show one of the icons that the fuzzer applied, while a line of
// Tessaline's is left whole to tell that it was (an edit that took every one away leaves keys
// that are no one's but the file's).
bool ShowsApplied(const std::string& bytes)
{
    const std::vector<std::wstring> lines = SqueezedLines(bytes);
    const bool traced = std::any_of(lines.begin(), lines.end(), [](const std::wstring& line) {
        return line == L";forwindows7/8/8.1" || line.rfind(L";tesl(tessaline)", 0) == 0 ||
               line.rfind(L";teslf", 0) == 0 || line.rfind(L";teslset", 0) == 0;
    });
    std::map<std::wstring, std::wstring> keys = ShellKeys(bytes);
    const auto applied = [&](const wchar_t* key) {
        std::wstring value = keys[key];
        CharLowerBuffW(&value[0], static_cast<DWORD>(value.size()));
        return value.find(L"\\fuzz\\") != std::wstring::npos;
    };
    return traced && (applied(L"iconresource") || applied(L"iconfile"));
}

// Whether a key naming an icon that the fuzzer applied is still inside Tessaline's lines: an
// edit that moved every one of them below the lines leaves keys that are anyone's.
bool AppliedInBlock(const std::string& bytes)
{
    bool inside = false;
    for (const std::wstring& line : SqueezedLines(bytes))
    {
        inside = (inside || line == L";forwindows7/8/8.1") && line.rfind(L";tesl(tessaline)", 0);
        if (inside && line.find(L"\\fuzz\\") != std::wstring::npos)
            return true;
    }
    return false;
}

// Whether any line is a setting or a comment: anything but blanks and section headers.
bool HoldsText(const std::string& bytes)
{
    const std::vector<std::wstring> lines = SqueezedLines(bytes);
    return std::any_of(lines.begin(), lines.end(),
                       [](const std::wstring& line) { return !line.empty() && line[0] != L'['; });
}

// One input: the file's bytes and the marks of the file and the folder.
struct Input
{
    std::string bytes;
    DWORD fileMarks = kFileMarks;
    DWORD folderMarks = 0;
};

// clang-format off
const char* const kPool[] = {
    ";for Windows 7/8/8.1", "; for windows 7/8/8.1", ";for Windows XP", "; TESL (Tessaline) 1.2.14",
    "; TESL (Tessaline) ", ";TESL file was ANSI", ";TESL folder was not read-only",
    ";TESL file was not hidden", ";TESL set aside none", ";TESL set aside 1234ABCD",
    ";TESL:IconFile=C:\\bob.ico", ";TESL: ask Bob", "IconResource=C:\\other.ico,2",
    "IconFile=C:\\other.ico", "IconIndex=1", " iconresource = C:\\x.ico,0", "[.ShellClassInfo]",
    "[ViewState]", "Mode=4", "InfoTip=hi", "", " ", "; note", "\vIconIndex=2",
    "\xA0[.ShellClassInfo]", "IconFile=Tessaline-colour-3A7BD5.ico",
    "IconResource=Tessaline-colour-FF0000.ico,0", "InfoTip=\xE3\x81\xAE", "InfoTip=\x82",
    "InfoTip=\xC0\xE1\xE2"};
// clang-format on

class Mutator
{
  public:
    Mutator(std::mt19937& random, const std::vector<std::string>& seeds)
        : m_random(random), m_seeds(seeds)
    {
    }

    Input Mutated(Input input)
    {
        for (int count = 1 + Next(3); count > 0; --count)
            Mutate(input);
        return input;
    }

  private:
    size_t Next(size_t bound) { return bound ? m_random() % bound : 0; }

    // The file as units to change: UTF-16 code units after a byte-order mark, otherwise one unit
    // a byte, so that bytes that are no text in the code page stay as they are.
    static std::wstring Units(const std::string& bytes)
    {
        const auto* at = reinterpret_cast<const unsigned char*>(bytes.data());
        return bytes.compare(0, 2, "\xFF\xFE") == 0 ? Decoded(bytes)
                                                    : std::wstring(at, at + bytes.size());
    }

    std::wstring Pooled()
    {
        const char* const endings[] = {"\r\n", "\n", "\r", ""};
        return Units(std::string(kPool[Next(std::size(kPool))]) + endings[Next(4)]);
    }

    void Mutate(Input& input)
    {
        const bool utf16 = input.bytes.compare(0, 2, "\xFF\xFE") == 0;
        std::vector<std::wstring> lines = SplitLines(Units(input.bytes));
        const size_t at = Next(lines.size() + 1), from = Next(lines.size()),
                     to = Next(lines.size());
        switch (Next(12))
        {
        case 0: // insert, delete, duplicate, move, swap lines
            lines.insert(lines.begin() + at, Pooled());
            break;
        case 1:
            if (!lines.empty())
                lines.erase(lines.begin() + from);
            break;
        case 2:
            if (!lines.empty())
                lines.insert(lines.begin() + to, lines[from]);
            break;
        case 3:
            if (!lines.empty())
            {
                const std::wstring line = lines[from];
                lines.erase(lines.begin() + from);
                lines.insert(lines.begin() + std::min(to, lines.size()), line);
            }
            break;
        case 4:
            if (!lines.empty())
                std::swap(lines[from], lines[to]);
            break;
        case 5: // a comment of Tessaline's edited: a space, a case, a character gone
            if (!lines.empty() && lines[from].size() > 3 && lines[from][0] == L';')
            {
                std::wstring& line = lines[from];
                const size_t where = 1 + Next(line.size() - 3);
                if (Next(3) == 0)
                    line.insert(where, 1, L' ');
                else if (Next(2) == 0)
                    line[where] = static_cast<wchar_t>(towupper(line[where]));
                else
                    line.erase(where, 1);
            }
            break;
        case 6: // a ";TESL:" line anywhere
            lines.insert(lines.begin() + at, L";TESL:" + Pooled());
            break;
        case 7: // a line's ending
            if (!lines.empty())
            {
                std::wstring& line = lines[from];
                const wchar_t* const endings[] = {L"\r\n", L"\n", L"\r", L""};
                line.erase(line.find_last_not_of(L"\r\n") + 1);
                line += endings[Next(4)];
            }
            break;
        case 8: // splice: the start of this file, the end of another
        {
            const std::vector<std::wstring> theirs =
                SplitLines(Units(m_seeds[Next(m_seeds.size())]));
            lines.resize(std::min(at, lines.size()));
            lines.insert(lines.end(), theirs.begin() + Next(theirs.size() + 1), theirs.end());
            break;
        }
        case 9: // another encoding: UTF-16 with or without its mark, UTF-8's mark, ANSI
        {
            const std::wstring text = Decoded(input.bytes);
            std::string ansi;
            const size_t choice = Next(4);
            input.bytes = choice == 0                 ? "\xFF\xFE" + ToUtf16Le(text)
                          : choice == 1               ? ToUtf16Le(text)
                          : choice == 2               ? "\xEF\xBB\xBF" + input.bytes
                          : ToAnsiExactly(text, ansi) ? ansi
                                                      : input.bytes;
            return;
        }
        case 10: // a byte flipped
            if (!input.bytes.empty())
                input.bytes[Next(input.bytes.size())] ^= static_cast<char>(1 << Next(8));
            return;
        default: // the marks
            input.fileMarks = static_cast<DWORD>(Next(8));
            input.folderMarks = static_cast<DWORD>(Next(4)) << 1;
            return;
        }
        std::wstring units;
        for (const std::wstring& line : lines)
            units += line;
        input.bytes =
            utf16 ? "\xFF\xFE" + ToUtf16Le(units) : std::string(units.begin(), units.end());
    }

    std::mt19937& m_random;
    const std::vector<std::string>& m_seeds;
};

void WriteBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

class FuzzFolder
{
  public:
    explicit FuzzFolder(const TempFolder& temp) : m_folder(temp.MakeFolder(L"Fuzz")) {}

    FolderText Text() const { return FolderText::Typed(m_folder); }
    std::string Ini() const { return ReadFileBytes(m_folder + L"\\desktop.ini"); }

    // The folder holding the input alone, and a file of someone's named like Tessaline's.
    void Put(const Input& input) const
    {
        RemoveTree(m_folder);
        CreateDirectoryW(m_folder.c_str(), nullptr);
        WriteBytes(m_folder + L"\\desktop.ini", input.bytes);
        WriteBytes(m_folder + L"\\Tessaline-colour-FF0000.ico", "someone's");
        SetFileAttributesW((m_folder + L"\\desktop.ini").c_str(),
                           input.fileMarks ? input.fileMarks : FILE_ATTRIBUTE_NORMAL);
        SetFileAttributesW(m_folder.c_str(),
                           input.folderMarks ? input.folderMarks : FILE_ATTRIBUTE_NORMAL);
    }

    // Every entry of the folder, the folder too: the marks that Wine keeps, and the bytes.
    std::string State(bool withIni = true) const
    {
        std::string state =
            "folder marks " + std::to_string(GetFileAttributesW(m_folder.c_str()) & kFolderMarks);
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((m_folder + L"\\*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return state;
        do
        {
            const std::wstring name = data.cFileName;
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                (withIni || name != L"desktop.ini"))
                state += "\n" + std::string(name.begin(), name.end()) + " marks " +
                         std::to_string(data.dwFileAttributes & kFileMarks) + ": " +
                         ::testing::PrintToString(ReadFileBytes(m_folder + L"\\" + name));
        } while (FindNextFileW(find, &data));
        FindClose(find);
        return state;
    }

  private:
    std::wstring m_folder;
};

std::vector<std::string> ReadSeeds()
{
    std::string unix = TESSALINE_FUZZ_SEEDS;
    std::replace(unix.begin(), unix.end(), '/', '\\');
    const std::wstring folder = L"Z:" + std::wstring(unix.begin(), unix.end());
    std::vector<std::string> seeds;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*.ini").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return seeds;
    do
        seeds.push_back(ReadFileBytes(folder + L"\\" + data.cFileName));
    while (FindNextFileW(find, &data));
    FindClose(find);
    return seeds;
}

void Keep(const Input& input, const std::string& name)
{
    const std::string folder = Environment("TESSALINE_FUZZ_KEEP", "");
    if (!folder.empty())
        WriteBytes(std::wstring(folder.begin(), folder.end()) + L"\\found-" +
                       std::wstring(name.begin(), name.end()) + L".ini",
                   input.bytes);
}

TEST(DesktopIniFuzz, ApplyAndRemoveKeepWhatIsNotTessalines)
{
    const std::string codePage = Environment("TESSALINE_EXPECT_CODEPAGE", "");
    ASSERT_TRUE(codePage.empty() || std::stoul(codePage) == GetACP())
        << "the locale gives code page " << GetACP() << ", not " << codePage;
    const int count = std::stoi(Environment("TESSALINE_FUZZ_COUNT", "400"));
    const unsigned seed =
        static_cast<unsigned>(std::stoul(Environment("TESSALINE_FUZZ_SEED", "25")));
    TempFolder temp;
    const FuzzFolder folder(temp);
    std::vector<std::string> seeds = ReadSeeds();
    ASSERT_GE(seeds.size(), 20u) << "the seeds in " TESSALINE_FUZZ_SEEDS;
    // Tessaline's own output: each seed that takes an icon, with a plain icon, a library's, one
    // inside the folder and a colour.
    const wchar_t* const own[] = {L"D:\\Tessaline\\wrote.ico",
                                  L"%SystemRoot%\\system32\\shell32.dll,4", L"inside.ico",
                                  L"#3A7BD5"};
    for (size_t i = 0, found = seeds.size(); i < found; ++i)
    {
        folder.Put(Input{seeds[i]});
        if (ApplyFolderIcon(folder.Text(), own[i % std::size(own)]).status == IconStatus::Ok)
            seeds.push_back(folder.Ini());
    }
    std::mt19937 random(seed);
    Mutator mutator(random, seeds);
    // The last is outside every ANSI code page, so that the file has to become UTF-16.
    const std::wstring icons[] = {L"D:\\Fuzz\\x.ico", L"D:\\Fuzz\\y.ico",
                                  L"D:\\Fuzz\\\u0F00\u4E2D.ico"};
    int applied = 0, number = 0;
    Input input, edited; // the last, kept as seeds when they fail
    const DWORD start = GetTickCount();
    for (; number < count && !HasFailure(); ++number)
    {
        input = mutator.Mutated(Input{seeds[random() % seeds.size()]});
        edited = Input{};
        const std::wstring x = icons[random() % 3], y = icons[random() % 3];
        SCOPED_TRACE(::testing::PrintToString(input.bytes) + " marks " +
                     std::to_string(input.fileMarks) + "/" + std::to_string(input.folderMarks));

        // What removing Tessaline's lines at once leaves.
        folder.Put(input);
        const std::string before = folder.State();
        const IconStatus removal =
            RemoveFolderIcon(folder.Text(), RemoveScope::TessalinesOnly).status;
        const std::string removed = folder.State();
        const std::string removedWithoutIni = folder.State(false);
        if (removal != IconStatus::Ok)
        {
            EXPECT_EQ(removed, before) << "a refused removal changed nothing";
        }
        RemoveFolderIcon(folder.Text(), RemoveScope::TessalinesOnly);
        EXPECT_EQ(folder.State(), removed) << "Remove twice";

        folder.Put(input);
        if (ApplyFolderIcon(folder.Text(), x).status != IconStatus::Ok)
        {
            EXPECT_EQ(folder.State(), before) << "a refused Apply changed nothing";
            continue;
        }
        ++applied;
        EXPECT_EQ(CheckIniBytes(folder.Ini()), IniFault::None);
        EXPECT_EQ(ShellKeys(folder.Ini())[L"iconresource"], x + L",0");
        const IconResult second = ApplyFolderIcon(folder.Text(), y);
        // A line that wouldn't come back from UTF-16, or a file that it would make too large,
        // refuses an icon that needs it.
        if (second.fault == IniFault::NotExact || second.status == IconStatus::IniTooLarge)
            continue;
        EXPECT_EQ(second.status, IconStatus::Ok);
        EXPECT_EQ(ShellKeys(folder.Ini())[L"iconfile"], y);
        EXPECT_EQ(RemoveFolderIcon(folder.Text()).status, IconStatus::Ok);
        EXPECT_TRUE(removal == IconStatus::Ok || removal == IconStatus::NotTessalines)
            << "Remove refused what Apply took";
        // A file of neither settings nor comments goes, as Tessaline's own would.
        EXPECT_EQ(folder.State(), HoldsText(input.bytes) ? removed : removedWithoutIni)
            << "Apply x, Apply y, Remove is Remove";

        // Someone edits the applied file between two runs.
        folder.Put(input);
        ApplyFolderIcon(folder.Text(), x);
        edited = mutator.Mutated(Input{folder.Ini(), kFileMarks, input.folderMarks});
        SCOPED_TRACE("edited: " + ::testing::PrintToString(edited.bytes));
        folder.Put(edited);
        const std::string editedState = folder.State();
        wchar_t read[MAX_PATH] = {};
        GetPrivateProfileStringW(L".ShellClassInfo", L"IconResource", L"", read, MAX_PATH,
                                 (temp.Path() + L"\\Fuzz\\desktop.ini").c_str());
        if (!Wine8Differs(edited.bytes))
        {
            EXPECT_EQ(ShellKeys(edited.bytes)[L"iconresource"].substr(0, MAX_PATH - 1), read)
                << "the model reads what the system reads";
        }
        const bool traced = AppliedInBlock(edited.bytes);
        if (RemoveFolderIcon(folder.Text()).status == IconStatus::Ok)
        {
            EXPECT_FALSE(traced && ShowsApplied(folder.Ini())) << "an applied icon came back";
            // (Batch mode's removal: the window's takes a foreign icon away too.)
            const std::string once = folder.State();
            RemoveFolderIcon(folder.Text(), RemoveScope::TessalinesOnly);
            EXPECT_EQ(folder.State(), once) << "Remove twice";
        }
        folder.Put(edited);
        if (ApplyFolderIcon(folder.Text(), y).status != IconStatus::Ok)
        {
            EXPECT_EQ(folder.State(), editedState) << "a refused Apply changed nothing";
        }
        else if (RemoveFolderIcon(folder.Text()).status == IconStatus::Ok)
        {
            EXPECT_FALSE(traced && ShowsApplied(folder.Ini())) << "an applied icon came back";
        }
    }
    if (HasFailure())
    {
        Keep(input, std::to_string(seed) + "-" + std::to_string(number));
        Keep(edited, std::to_string(seed) + "-" + std::to_string(number) + "-edited");
    }
    const DWORD elapsed = std::max<DWORD>(GetTickCount() - start, 1);
    std::printf("fuzz: code page %u, seed %u: %d inputs (%d applied) in %lu ms, %.1f inputs/s\n",
                GetACP(), seed, count, applied, elapsed, count * 1000.0 / elapsed);
    EXPECT_GT(applied, count / 4) << "most inputs must reach Apply";
}
} // namespace
