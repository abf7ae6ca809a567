// A mutation fuzzer of Apply and Remove on the real engine and real files: desktop.ini files as
// Windows, other programs and Tessaline leave them (tests/fuzz/seeds, and Tessaline's own output
// made at the start), changed at the level of lines and bytes, in several encodings, with the
// marks of the file and the folder varied, and checked against what Windows' profile reader sees,
// modelled apart from the merge's own parser. The properties:
// (a) Apply x, Apply y, Remove gives the same folder, bytes and marks, as removing at once
//     what Tessaline's lines hold (for a file without them: the file as it was);
// (b) Remove twice is Remove once; a refusal changes nothing;
// (c) every file Tessaline writes is one it accepts again, and shows the icon applied;
// (d) after someone edits the applied file between two runs, neither Apply nor Remove ever brings
//     back an icon Tessaline wrote.
// TESSALINE_FUZZ_COUNT and TESSALINE_FUZZ_SEED set the run (scripts/fuzz makes it long);
// TESSALINE_FUZZ_KEEP names a folder that receives each failing input as a new seed.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cwctype>
#include <map>
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

// Where Wine 8's reader is known to read otherwise than the model, which follows Windows: a
// header without its ']', a NUL, a UTF-8 byte-order mark (Wine reads the file as UTF-8).
bool Wine8Differs(const std::string& bytes)
{
    const std::wstring text = Decoded(bytes);
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 || text.find(L'\0') != std::wstring::npos)
        return true;
    for (size_t start = 0, end = 0; start < text.size(); start = end + 1)
    {
        end = std::min(text.find_first_of(L"\r\n", start), text.size());
        const std::wstring line = text.substr(start, end - start);
        const size_t first = line.find_first_not_of(L" \t");
        if (first != std::wstring::npos && line[first] == L'[' &&
            line.find(L']') == std::wstring::npos)
            return true;
    }
    return false;
}

// Whether a line of Tessaline's is left whole: its first or last line or a note.
bool Traced(const std::string& bytes)
{
    const std::wstring text = Decoded(bytes);
    bool traced = false;
    for (size_t start = 0, end = 0; start < text.size(); start = end + 1)
    {
        end = std::min(text.find_first_of(L"\r\n", start), text.size());
        std::wstring line;
        for (wchar_t c : text.substr(start, end - start))
            if (c != L' ' && c != L'\t')
                line += static_cast<wchar_t>(towlower(c));
        for (const wchar_t* trace : {L";tesl(tessaline)", L";teslf", L";teslset"})
            traced |= line.compare(0, wcslen(trace), trace) == 0;
        traced |= line == L";forwindows7/8/8.1";
    }
    return traced;
}

// Whether the shell would show one of the icons that the fuzzer applied, while a line of
// Tessaline's is left whole to tell that it was (an edit that took every one away leaves keys
// that are no one's but the file's).
bool ShowsApplied(const std::string& bytes)
{
    if (!Traced(bytes))
        return false;
    const std::map<std::wstring, std::wstring> keys = ShellKeys(bytes);
    for (const wchar_t* key : {L"iconresource", L"iconfile"})
    {
        std::wstring lower = keys.count(key) ? keys.at(key) : L"";
        CharLowerBuffW(&lower[0], static_cast<DWORD>(lower.size()));
        if (lower.find(L"\\fuzz\\") != std::wstring::npos)
            return true;
    }
    return false;
}

// Whether any line is a setting or a comment: anything but blanks and section headers.
bool HoldsText(const std::string& bytes)
{
    const std::wstring text = Decoded(bytes);
    for (size_t start = 0, end = 0; start < text.size(); start = end + 1)
    {
        end = std::min(text.find_first_of(L"\r\n", start), text.size());
        const size_t first = text.find_first_not_of(L" \t", start);
        if (first < end && text[first] != L'[')
            return true;
    }
    return false;
}

// Every entry of the folder, the folder too: attributes (the marks that Wine keeps) and bytes.
using Snapshot = std::map<std::wstring, std::pair<DWORD, std::string>>;

Snapshot TakeSnapshot(const std::wstring& folder)
{
    Snapshot snapshot{{L".", {GetFileAttributesW(folder.c_str()) & kFolderMarks, ""}}};
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return snapshot;
    do
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            snapshot[data.cFileName] = {data.dwFileAttributes & kFileMarks,
                                        ReadFileBytes(folder + L"\\" + data.cFileName)};
    while (FindNextFileW(find, &data));
    FindClose(find);
    return snapshot;
}

std::string Describe(const Snapshot& snapshot)
{
    std::string text;
    for (const auto& [name, entry] : snapshot)
        text += std::string(name.begin(), name.end()) + " marks " + std::to_string(entry.first) +
                ": " + ::testing::PrintToString(entry.second) + "\n";
    return text;
}

// One input: the file's bytes and the marks of the file and the folder.
struct Input
{
    std::string bytes;
    DWORD fileMarks = kFileMarks;
    DWORD folderMarks = 0;
};

// The lines of a file with their endings, as text units of its encoding.
template <class Text> std::vector<Text> SplitLines(const Text& text)
{
    std::vector<Text> lines;
    for (size_t start = 0; start < text.size();)
    {
        size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        end += end < text.size() && text[end] == '\r';
        end += end < text.size() && text[end] == '\n';
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return lines;
}

const char* const kPool[] = {";for Windows 7/8/8.1",
                             "; for windows 7/8/8.1",
                             ";for Windows XP",
                             "; TESL (Tessaline) 1.2.14",
                             "; TESL (Tessaline) ",
                             ";TESL file was ANSI",
                             ";TESL folder was not read-only",
                             ";TESL file was not hidden",
                             ";TESL set aside none",
                             ";TESL set aside 1234ABCD",
                             ";TESL:IconFile=C:\\bob.ico",
                             ";TESL: ask Bob",
                             "IconResource=C:\\other.ico,2",
                             "IconFile=C:\\other.ico",
                             "IconIndex=1",
                             " iconresource = C:\\x.ico,0",
                             "[.ShellClassInfo]",
                             "[ViewState]",
                             "Mode=4",
                             "InfoTip=hi",
                             "",
                             " ",
                             "; note",
                             "IconFile=Tessaline-colour-3A7BD5.ico",
                             "IconResource=Tessaline-colour-FF0000.ico,0",
                             "InfoTip=\xE3\x81\xAE",
                             "InfoTip=\x82",
                             "InfoTip=\xC0\xE1\xE2"};

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

    template <class Text> Text Converted(const std::string& ascii)
    {
        return Text(ascii.begin(), ascii.end());
    }

    template <class Text> Text Ending()
    {
        const char* const endings[] = {"\r\n", "\n", "\r", ""};
        return Converted<Text>(endings[Next(4)]);
    }

    // A line-level change of text in the file's own units.
    template <class Text> void MutateLines(Text& text, unsigned operation)
    {
        std::vector<Text> lines = SplitLines(text);
        const size_t at = Next(lines.size() + 1);
        const Text pooled = Converted<Text>(kPool[Next(std::size(kPool))]) + Ending<Text>();
        switch (operation)
        {
        case 0: // insert
            lines.insert(lines.begin() + at, pooled);
            break;
        case 1: // delete, duplicate, move, swap
        case 2:
        case 3:
        case 4:
            if (lines.empty())
                return;
            {
                const size_t from = Next(lines.size()), to = Next(lines.size());
                const Text line = lines[from];
                if (operation == 1)
                    lines.erase(lines.begin() + from);
                else if (operation == 2)
                    lines.insert(lines.begin() + to, line);
                else if (operation == 3)
                {
                    lines.erase(lines.begin() + from);
                    lines.insert(lines.begin() + std::min(to, lines.size()), line);
                }
                else
                    std::swap(lines[from], lines[to]);
            }
            break;
        case 5: // edit one of Tessaline's comments: a space, a case, a character gone
            for (size_t tries = 0; tries < lines.size(); ++tries)
            {
                Text& line = lines[Next(lines.size())];
                if (line.empty() || line[0] != ';' || line.size() < 4)
                    continue;
                const size_t where = 1 + Next(line.size() - 3);
                if (Next(3) == 0)
                    line.insert(line.begin() + static_cast<ptrdiff_t>(where), ' ');
                else if (Next(2) == 0)
                    line[where] = static_cast<typename Text::value_type>(
                        line[where] >= 'a' && line[where] <= 'z' ? line[where] - 32 : line[where]);
                else
                    line.erase(where, 1);
                break;
            }
            break;
        case 6: // a ";TESL:" line anywhere
            lines.insert(lines.begin() + at, Converted<Text>(";TESL:") + pooled);
            break;
        case 7: // line endings
            if (!lines.empty())
            {
                Text& line = lines[Next(lines.size())];
                while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
                    line.pop_back();
                line += Ending<Text>();
            }
            break;
        default: // splice: the start of this file, the end of another
        {
            const Text other = Units<Text>(m_seeds[Next(m_seeds.size())]);
            std::vector<Text> theirs = SplitLines(other);
            lines.resize(std::min(at, lines.size()));
            lines.insert(lines.end(), theirs.begin() + Next(theirs.size() + 1), theirs.end());
        }
        }
        text.clear();
        for (const Text& line : lines)
            text += line;
    }

    // A seed's text in the units of Text: bytes, or UTF-16 code units after a byte-order mark.
    template <class Text> Text Units(const std::string& bytes)
    {
        if constexpr (sizeof(typename Text::value_type) == 1)
            return bytes;
        else
            return Decoded(bytes);
    }

    void Mutate(Input& input)
    {
        std::string& bytes = input.bytes;
        const bool utf16 = bytes.compare(0, 2, "\xFF\xFE") == 0;
        const unsigned operation = static_cast<unsigned>(Next(12));
        if (operation < 9)
        {
            if (!utf16)
                return MutateLines(bytes, operation);
            std::wstring text = Decoded(bytes);
            MutateLines(text, operation);
            bytes = "\xFF\xFE" + ToUtf16Le(text);
        }
        else if (operation == 9) // another encoding: UTF-16 with or without its mark, UTF-8's mark
        {
            const std::wstring text = Decoded(bytes);
            std::string ansi;
            const size_t choice = Next(4);
            if (choice == 0)
                bytes = "\xFF\xFE" + ToUtf16Le(text);
            else if (choice == 1)
                bytes = ToUtf16Le(text);
            else if (choice == 2)
                bytes = "\xEF\xBB\xBF" + bytes;
            else if (ToAnsiExactly(text, ansi))
                bytes = ansi;
        }
        else if (operation == 10 && !bytes.empty()) // a byte flipped
            bytes[Next(bytes.size())] ^= static_cast<char>(1 << Next(8));
        else // the marks
        {
            input.fileMarks = static_cast<DWORD>(Next(8));
            input.folderMarks = static_cast<DWORD>(Next(4)) << 1;
        }
    }

    std::mt19937& m_random;
    const std::vector<std::string>& m_seeds;
};

class FuzzFolder
{
  public:
    explicit FuzzFolder(const TempFolder& temp)
        : m_folder(temp.MakeFolder(L"Fuzz")), m_ini(m_folder + L"\\desktop.ini")
    {
    }

    const std::wstring& Path() const { return m_folder; }
    FolderText Text() const { return FolderText::Typed(m_folder); }
    std::string Ini() const { return ReadFileBytes(m_ini); }

    // The folder holding the input alone, and a file of someone's that is named like
    // Tessaline's colour files.
    void Put(const Input& input) const
    {
        RemoveTree(m_folder);
        CreateDirectoryW(m_folder.c_str(), nullptr);
        HANDLE file =
            CreateFileW(m_ini.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, input.bytes.data(), static_cast<DWORD>(input.bytes.size()), &written,
                  nullptr);
        CloseHandle(file);
        file = CreateFileW((m_folder + L"\\Tessaline-colour-FF0000.ico").c_str(), GENERIC_WRITE, 0,
                           nullptr, CREATE_ALWAYS, 0, nullptr);
        WriteFile(file, "someone's", 9, &written, nullptr);
        CloseHandle(file);
        SetFileAttributesW(m_ini.c_str(),
                           input.fileMarks ? input.fileMarks : FILE_ATTRIBUTE_NORMAL);
        SetFileAttributesW(m_folder.c_str(),
                           input.folderMarks ? input.folderMarks : FILE_ATTRIBUTE_NORMAL);
    }

  private:
    std::wstring m_folder;
    std::wstring m_ini;
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

void Keep(const Input& input, unsigned seed, int number, const char* what)
{
    const std::string folder = Environment("TESSALINE_FUZZ_KEEP", "");
    if (folder.empty())
        return;
    const std::string path =
        folder + "\\found-" + std::to_string(seed) + "-" + std::to_string(number) + what + ".ini";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, input.bytes.data(), static_cast<DWORD>(input.bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// Tessaline's own output: each seed that takes an icon, applied with a plain icon, a library's,
// one inside the folder and a colour; the icons it wrote are kept as the file names them.
void AddOwnOutput(const FuzzFolder& folder, std::vector<std::string>& seeds)
{
    const wchar_t* const icons[] = {L"D:\\Tessaline\\wrote.ico",
                                    L"%SystemRoot%\\system32\\shell32.dll,4", L"inside.ico",
                                    L"#3A7BD5"};
    const size_t found = seeds.size();
    for (size_t i = 0; i < found; ++i)
    {
        folder.Put(Input{seeds[i]});
        if (ApplyFolderIcon(folder.Text(), icons[i % std::size(icons)]).status == IconStatus::Ok)
            seeds.push_back(folder.Ini());
    }
}

TEST(DesktopIniFuzz, ApplyAndRemoveKeepWhatIsNotTessalines)
{
    const int count = std::stoi(Environment("TESSALINE_FUZZ_COUNT", "400"));
    const unsigned seed =
        static_cast<unsigned>(std::stoul(Environment("TESSALINE_FUZZ_SEED", "25")));
    const std::string codePage = Environment("TESSALINE_EXPECT_CODEPAGE", "");
    ASSERT_TRUE(codePage.empty() || std::stoul(codePage) == GetACP())
        << "the locale gives code page " << GetACP() << ", not " << codePage;
    TempFolder temp;
    const FuzzFolder folder(temp);
    std::vector<std::string> seeds = ReadSeeds();
    ASSERT_GE(seeds.size(), 20u) << "the seeds in " TESSALINE_FUZZ_SEEDS;
    AddOwnOutput(folder, seeds);
    std::mt19937 random(seed);
    Mutator mutator(random, seeds);
    // Outside every ANSI code page, so that the file has to become UTF-16.
    const std::wstring icons[] = {L"D:\\Fuzz\\x.ico", L"D:\\Fuzz\\y.ico",
                                  L"D:\\Fuzz\\\u0F00\u4E2D.ico"};
    int applied = 0;
    const DWORD start = GetTickCount();
    for (int number = 0; number < count && !HasFailure(); ++number)
    {
        const Input input = mutator.Mutated(Input{seeds[random() % seeds.size()]});
        const std::wstring x = icons[random() % 3], y = icons[random() % 3];
        SCOPED_TRACE(::testing::PrintToString(input.bytes) + " marks " +
                     std::to_string(input.fileMarks) + "/" + std::to_string(input.folderMarks));

        // What removing Tessaline's lines at once leaves.
        folder.Put(input);
        const Snapshot before = TakeSnapshot(folder.Path());
        const IconStatus removal =
            RemoveFolderIcon(folder.Text(), RemoveScope::TessalinesOnly).status;
        const Snapshot removed = TakeSnapshot(folder.Path());
        if (removal != IconStatus::Ok)
        {
            EXPECT_EQ(Describe(removed), Describe(before)) << "a refused removal changed nothing";
        }
        RemoveFolderIcon(folder.Text(), RemoveScope::TessalinesOnly);
        EXPECT_EQ(Describe(TakeSnapshot(folder.Path())), Describe(removed)) << "Remove twice";

        folder.Put(input);
        if (ApplyFolderIcon(folder.Text(), x).status != IconStatus::Ok)
        {
            EXPECT_EQ(Describe(TakeSnapshot(folder.Path())), Describe(before)) << "refused Apply";
        }
        else
        {
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
            Snapshot expected = removed;
            if (!HoldsText(input.bytes))
                expected.erase(L"desktop.ini");
            EXPECT_EQ(Describe(TakeSnapshot(folder.Path())), Describe(expected))
                << "Apply x, Apply y, Remove is Remove";

            // Someone edits the applied file between two runs.
            folder.Put(input);
            ApplyFolderIcon(folder.Text(), x);
            const Input edited =
                mutator.Mutated(Input{folder.Ini(), kFileMarks, input.folderMarks});
            SCOPED_TRACE("edited: " + ::testing::PrintToString(edited.bytes));
            folder.Put(edited);
            const Snapshot editedSnapshot = TakeSnapshot(folder.Path());
            if (number % 8 == 0)
            {
                wchar_t read[MAX_PATH] = {};
                GetPrivateProfileStringW(L".ShellClassInfo", L"IconResource", L"", read, MAX_PATH,
                                         (folder.Path() + L"\\desktop.ini").c_str());
                const std::map<std::wstring, std::wstring> model = ShellKeys(edited.bytes);
                const std::wstring modelled =
                    model.count(L"iconresource") ? model.at(L"iconresource") : L"";
                if (!Wine8Differs(edited.bytes))
                {
                    EXPECT_EQ(modelled.substr(0, MAX_PATH - 1), read)
                        << "the model reads what the system reads";
                }
            }
            if (RemoveFolderIcon(folder.Text()).status == IconStatus::Ok)
            {
                EXPECT_FALSE(ShowsApplied(folder.Ini())) << "an applied icon came back";
                // (Batch mode's removal: the window's takes a foreign icon away too.)
                const Snapshot once = TakeSnapshot(folder.Path());
                RemoveFolderIcon(folder.Text(), RemoveScope::TessalinesOnly);
                EXPECT_EQ(Describe(TakeSnapshot(folder.Path())), Describe(once)) << "Remove twice";
            }
            if (HasFailure())
                Keep(edited, seed, number, "-edited");
            folder.Put(edited);
            if (ApplyFolderIcon(folder.Text(), y).status != IconStatus::Ok)
            {
                EXPECT_EQ(Describe(TakeSnapshot(folder.Path())), Describe(editedSnapshot));
            }
            else if (RemoveFolderIcon(folder.Text()).status == IconStatus::Ok)
            {
                EXPECT_FALSE(ShowsApplied(folder.Ini())) << "an applied icon came back";
            }
        }
        if (HasFailure())
            Keep(input, seed, number, "");
    }
    const DWORD elapsed = std::max<DWORD>(GetTickCount() - start, 1);
    std::printf("fuzz: code page %u, seed %u: %d inputs (%d applied) in %lu ms, %.1f inputs/s\n",
                GetACP(), seed, count, applied, elapsed, count * 1000.0 / elapsed);
    EXPECT_GT(applied, count / 4) << "most inputs must reach Apply";
}
} // namespace
