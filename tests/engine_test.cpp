// The folder icon engine against real files and attributes under Wine: the bytes of
// "desktop.ini", the attributes, the refusals, and a folder left as it was after a failed write.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <regex>

#include "engine/DesktopIni.h"
#include "engine/DesktopIniMerge.h"
#include "engine/FinalPath.h"
#include "engine/FolderIcon.h"
#include "engine/IconEntry.h"
#include "engine/IconMessages.h"
#include "engine/IniText.h"
#include "engine/PathCheck.h"
#include "engine/ShellNotify.h"
#include "engine/StagedFile.h"
#include "engine/modFunction.h"
#include "runtime/UniqueAny.h"
#include "runtime/Version.h"
#include "support/IconFile.h"
#include "support/IconLibrary.h"
#include "support/ProfileModel.h"
#include "support/TempFolder.h"
#include "support/UnixSide.h"

#include <optional>

namespace
{
constexpr DWORD kMarks = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
constexpr DWORD kHiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
const std::wstring kIcon = L"D:\\Icons\\star.ico";
constexpr IconStatus kIconRefused = IconStatus::IconRefused;

bool RunningOnWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

DWORD Attributes(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str());
}

// The nine lines as the file format defines them.
std::wstring ExpectedText(const std::wstring& icon, const std::wstring& index = L"0")
{
    const std::wstring version = std::to_wstring(kAppVersion.Major) + L"." +
                                 std::to_wstring(kAppVersion.Minor) + L"." +
                                 std::to_wstring(kAppVersion.Revision);
    return L"[.ShellClassInfo]\r\n;for Windows 7/8/8.1\r\nIconResource=" + icon + L"," + index +
           L"\r\n\r\n;for Windows XP\r\nIconFile=" + icon + L"\r\nIconIndex=" + index +
           L"\r\n\r\n; TESL (Tessaline) " + version + L"\r\n";
}

// In code page 1252 the characters up to U+00FF used here are one byte of the same value.
std::string ExpectedAnsi(const std::wstring& icon, const std::wstring& index = L"0")
{
    std::string bytes;
    for (wchar_t unit : ExpectedText(icon, index))
        bytes += static_cast<char>(unit);
    return bytes;
}

// The values a plain icon path outside any folder is written with.
IconEntry Plain(const std::wstring& icon)
{
    return MakeIconEntry(FolderText::Typed(L"D:\\Photos"), icon);
}

std::string ExpectedUtf16(const std::wstring& icon)
{
    std::string bytes = "\xFF\xFE";
    for (wchar_t unit : ExpectedText(icon))
        bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    return bytes;
}

// Every entry under a folder, the folder included: attributes and, for files, their bytes.
struct Entry
{
    DWORD attributes;
    std::string bytes;
    bool operator==(const Entry& other) const
    {
        return attributes == other.attributes && bytes == other.bytes;
    }
};
using Snapshot = std::map<std::wstring, Entry>;

void PrintTo(const Entry& entry, std::ostream* out)
{
    *out << "attributes 0x" << std::hex << entry.attributes << std::dec << ", "
         << entry.bytes.size() << " bytes";
}

void AddEntries(const std::wstring& path, Snapshot& snapshot)
{
    const DWORD attributes = Attributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    snapshot[path] = {attributes, folder ? std::string() : ReadFileBytes(path)};
    WIN32_FIND_DATAW data;
    HANDLE find = folder ? FindFirstFileW((path + L"\\*").c_str(), &data) : INVALID_HANDLE_VALUE;
    if (find == INVALID_HANDLE_VALUE)
        return;
    do
    {
        const std::wstring child = data.cFileName;
        if (child != L"." && child != L"..")
            AddEntries(path + L"\\" + child, snapshot);
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

Snapshot TakeSnapshot(const std::wstring& folder)
{
    Snapshot snapshot;
    AddEntries(folder, snapshot);
    return snapshot;
}

// A folder that carries a desktop.ini of these bytes: file read-only, hidden and system, folder
// hidden and system.
std::wstring FolderWithIni(const TempFolder& temp, const std::string& bytes)
{
    const std::wstring folder = temp.MakeFolder(L"Photos");
    const std::wstring ini = temp.WriteFile(L"Photos\\desktop.ini", bytes);
    SetFileAttributesW(ini.c_str(), kMarks);
    SetFileAttributesW(folder.c_str(), kHiddenSystem);
    return folder;
}

std::wstring MarkedFolderWithIni(const TempFolder& temp)
{
    return FolderWithIni(temp, "[.ShellClassInfo]\r\nIconResource=C:\\old.ico,3\r\n"
                               "InfoTip=Holiday\r\n[ViewState]\r\nMode=4\r\n");
}

// A folder whose desktop.ini is a symbolic link to another folder's; empty where none can be
// made.
std::wstring FolderWithLinkedIni(const TempFolder& temp)
{
    const std::wstring link = MarkedFolderWithIni(temp) + L"\\desktop.ini";
    MoveFileW(link.c_str(), (temp.MakeFolder(L"Other") + L"\\x").c_str());
    return RunUnix("/bin/ln -s ../Other/x \"" + UnixPath(link) + "\"", link, true)
               ? temp / L"Photos"
               : std::wstring();
}

// ASCII text as the bytes of an ANSI file, or of a UTF-16 LE one with its byte-order mark.
std::string Encoded(const std::string& text, bool utf16)
{
    if (!utf16)
        return text;
    std::string bytes = "\xFF\xFE";
    for (char c : text)
        bytes += {c, '\0'};
    return bytes;
}

// A case's text with its places filled: {lib} the tests' icon library, {temp} the temporary
// folder, {folder} the folder being changed, {FOLDER} its path in capitals and {short} its
// short (8.3) path.
std::wstring Fill(std::wstring text, const TempFolder& temp, const std::wstring& folder)
{
    wchar_t shortPath[MAX_PATH] = {};
    GetShortPathNameW(folder.c_str(), shortPath, MAX_PATH);
    std::wstring upper = folder;
    CharUpperBuffW(&upper[0], static_cast<DWORD>(upper.size()));
    const std::pair<std::wstring, std::wstring> places[] = {
        {L"{lib}", IconLibraryPath()}, {L"{temp}", temp.Path()}, {L"{folder}", folder},
        {L"{FOLDER}", upper},          {L"{short}", shortPath},
    };
    for (const auto& place : places)
        for (size_t at = text.find(place.first); at != std::wstring::npos;
             at = text.find(place.first, at + place.second.size()))
            text.replace(at, place.first.size(), place.second);
    return text;
}

// Wine starts the tests in Z:, the machine's own root; C: lies inside the private prefix.
class CurrentDirectoryScope
{
  public:
    explicit CurrentDirectoryScope(const std::wstring& path)
    {
        wchar_t saved[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, saved);
        m_saved = saved;
        SetCurrentDirectoryW(path.c_str());
    }
    ~CurrentDirectoryScope() { SetCurrentDirectoryW(m_saved.c_str()); }
    CurrentDirectoryScope(const CurrentDirectoryScope&) = delete;
    CurrentDirectoryScope& operator=(const CurrentDirectoryScope&) = delete;

  private:
    std::wstring m_saved;
};
} // namespace

TEST(DesktopIniTest, PathsAppendABackslashAlways)
{
    EXPECT_EQ(IniPath(L"D:\\Photos"), L"D:\\Photos\\desktop.ini");
    EXPECT_EQ(IniPath(L"C:\\x\\"), L"C:\\x\\\\desktop.ini");
    EXPECT_EQ(FolderAttributePath(L"C:\\x\\"), L"C:\\x\\\\");
}

TEST(DesktopIniTest, TextsThatAnsiHoldsAreWrittenInAnsiWithoutBom)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "needs the Western code page 1252; this system uses " << GetACP();
    for (const std::wstring& icon : {kIcon, std::wstring(L"C:\\Ic\u00F4nes\\caf\u00E9 1,2.ico")})
        EXPECT_EQ(DesktopIniBytes(Plain(icon)), ExpectedAnsi(icon));
}

TEST(DesktopIniTest, TextsThatAnsiCannotHoldAreWrittenInUtf16WithBom)
{
    if (GetACP() == CP_UTF8)
        GTEST_SKIP() << "the ANSI code page is UTF-8 here: every character converts";
    // U+0101 has a best-fit "a" in the Western code pages: that would name another file.
    for (const wchar_t* character : {L"\u0101", L"\u0F00", L"\u4E2D"})
    {
        BOOL usedDefault = FALSE;
        char ansi[8];
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, character, 1, ansi, 8, nullptr,
                            &usedDefault);
        if (!usedDefault)
            continue; // this code page holds it
        const std::wstring icon = L"C:\\" + std::wstring(character) + L".ico";
        EXPECT_EQ(DesktopIniBytes(Plain(icon)), ExpectedUtf16(icon));
    }
}

class ApplyTest : public ::testing::Test
{
  protected:
    TempFolder m_temp;
};

TEST_F(ApplyTest, WritesTheFileAndMarksFileAndFolder)
{
    const std::wstring folder = m_temp.MakeFolder(L"Photos");
    SetFileAttributesW(folder.c_str(), kHiddenSystem);

    ASSERT_EQ(ApplyFolderIcon(FolderText::Typed(folder), kIcon).status, IconStatus::Ok);

    EXPECT_EQ(ReadIni(L".ShellClassInfo", L"IconFile", folder + L"\\desktop.ini"), kIcon);
    EXPECT_EQ(Attributes(folder + L"\\desktop.ini") & kMarks, kMarks);
    EXPECT_EQ(Attributes(folder) & kHiddenSystem, kHiddenSystem) << "the user's marks stay";
    EXPECT_EQ(TakeSnapshot(folder).size(), 2u) << "no staged file is left";
    if (RunningOnWine())
        GTEST_SKIP() << "Wine keeps no read-only attribute on a directory";
    EXPECT_EQ(Attributes(folder) & kMarks, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

TEST_F(ApplyTest, TrailingBackslashWritesIntoTheFolder)
{
    const std::wstring folder = m_temp.MakeFolder(L"Photos");

    ASSERT_EQ(ApplyFolderIcon(FolderText::Typed(folder + L"\\"), kIcon).status, IconStatus::Ok);

    EXPECT_EQ(ReadFileBytes(folder + L"\\desktop.ini"), ExpectedAnsi(kIcon));
    EXPECT_EQ(Attributes(folder + L"\\desktop.ini") & kMarks, kMarks);
}

TEST_F(ApplyTest, KeepsTheMarksOfAForeignFileAndItsFolder)
{
    const std::wstring folder = MarkedFolderWithIni(m_temp);

    ASSERT_EQ(ApplyFolderIcon(FolderText::Typed(folder), kIcon).status, IconStatus::Ok);

    EXPECT_EQ(Attributes(folder + L"\\desktop.ini") & kMarks, kMarks);
    EXPECT_EQ(Attributes(folder) & kHiddenSystem, kHiddenSystem);
}

TEST_F(ApplyTest, ApplyingTwiceGivesTheSameBytes)
{
    const std::wstring folder = m_temp.MakeFolder(L"Photos");
    ASSERT_EQ(ApplyFolderIcon(FolderText::Typed(folder), kIcon).status, IconStatus::Ok);
    const Snapshot first = TakeSnapshot(folder);

    ASSERT_EQ(ApplyFolderIcon(FolderText::Typed(folder), kIcon).status, IconStatus::Ok);

    EXPECT_EQ(TakeSnapshot(folder), first);
}

TEST_F(ApplyTest, PathsOutsideTheCodePageAreWrittenInUtf16AndReadBack)
{
    if (GetACP() == CP_UTF8)
        GTEST_SKIP() << "the ANSI code page is UTF-8 here: every character converts";
    const std::wstring folder = m_temp.MakeFolder(L"\u0F00\u4E2D");
    const std::wstring icon = folder + L"\\\u0F00.ico";

    ASSERT_EQ(ApplyFolderIcon(FolderText::Typed(folder), icon).status, IconStatus::Ok);

    const std::wstring ini = folder + L"\\desktop.ini";
    EXPECT_EQ(ReadFileBytes(ini), ExpectedUtf16(icon));
    EXPECT_EQ(ReadIni(L".ShellClassInfo", L"IconResource", ini), icon + L",0");
    EXPECT_EQ(ReadIni(L".ShellClassInfo", L"IconFile", ini), icon);
}

// The values written for an icon text: the file as written (relative inside the folder,
// environment variables as typed) and the index, in both forms.
struct WrittenCase
{
    const char* name;
    std::wstring folder; // the folder text
    std::wstring icon;   // the icon text
    std::wstring file;   // IconFile, and IconResource before its comma
    std::wstring index;
};

void PrintTo(const WrittenCase& c, std::ostream* out)
{
    *out << c.name;
}

class ApplyWritesTest : public ::testing::TestWithParam<WrittenCase>
{
};

TEST_P(ApplyWritesTest, TheIconAsTheShellWillFindIt)
{
    TempFolder temp;
    const std::wstring folder = temp.MakeFolder(L"Holiday Photos");
    temp.MakeFolder(L"Holiday Photos\\icons");
    for (const wchar_t* icon :
         {L"Holiday Photos\\star.ico", L"Holiday Photos\\icons\\star.ico", L"odd.ico,2"})
        temp.WriteFile(icon, SolidIconFile(RGB(255, 0, 0)));
    const WrittenCase& c = GetParam();

    ASSERT_EQ(
        ApplyFolderIcon(FolderText::Typed(Fill(c.folder, temp, folder)), Fill(c.icon, temp, folder))
            .status,
        IconStatus::Ok);

    EXPECT_EQ(ReadFileBytes(folder + L"\\desktop.ini"),
              ExpectedAnsi(Fill(c.file, temp, folder), c.index));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ApplyWritesTest,
    ::testing::Values(
        WrittenCase{"PlainIcoOutsideUnchanged", L"{folder}", kIcon, kIcon, L"0"},
        WrittenCase{"LibraryIndex", L"{folder}", L"{lib},3", L"{lib}", L"3"},
        WrittenCase{"NegativeIndexIsAResourceId", L"{folder}", L"{lib},-103", L"{lib}", L"-103"},
        WrittenCase{"IndexWithBlanksAndSign", L"{folder}", L"{lib}, +2 ", L"{lib}", L"2"},
        WrittenCase{"EnvironmentVariablesAsTyped", L"{folder}",
                    L"%SystemRoot%\\system32\\shell32.dll,4",
                    L"%SystemRoot%\\system32\\shell32.dll", L"4"},
        WrittenCase{"IconInsideTheFolder", L"{folder}", L"{folder}\\star.ico", L"star.ico", L"0"},
        WrittenCase{"IconBelowTheFolder", L"{folder}", L"{folder}\\icons\\star.ico,0",
                    L"icons\\star.ico", L"0"},
        WrittenCase{"InsideAsWindowsComparesPaths", L"{short}\\", L"{FOLDER}\\icons\\star.ico",
                    L"icons\\star.ico", L"0"},
        WrittenCase{"RelativeTextStaysRelative", L"{folder}", L"icons\\star.ico",
                    L"icons\\star.ico", L"0"},
        WrittenCase{"MissingIconInsideAsGiven", L"{folder}", L"{folder}\\gone.ico",
                    L"{folder}\\gone.ico", L"0"},
        WrittenCase{"AFileNamedByTheWholeTextWins", L"{folder}", L"{temp}\\odd.ico,2",
                    L"{temp}\\odd.ico,2", L"0"}),
    [](const ::testing::TestParamInfo<WrittenCase>& info) { return info.param.name; });

// desktop.ini files as Windows and other programs leave them, each as Apply leaves it: "{B}"
// stands for Tessaline's block (lines 2 to 9 of the nine), "{H}" for the header and the block,
// ";TESL:" for a foreign icon key set aside. The file as found is that text without them. The
// texts are ASCII.
struct SharedCase
{
    const char* name;
    bool utf16;
    std::string applied;
    bool ours = false; // found instead: the nine lines for another icon, which Remove deletes
};

void PrintTo(const SharedCase& c, std::ostream* out)
{
    *out << c.name;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The file's text with the digests in Tessaline's notes as "#", and whether it is UTF-16.
std::wstring Masked(const std::string& bytes)
{
    const bool utf16 = bytes.compare(0, 2, "\xFF\xFE") == 0;
    std::wstring text = utf16 ? L"UTF-16:" : L"ANSI:";
    for (size_t i = utf16 ? 2 : 0; i < bytes.size(); i += utf16 ? 2 : 1)
        text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                     (utf16 ? static_cast<unsigned char>(bytes[i + 1]) << 8 : 0));
    return std::regex_replace(text, std::wregex(L"[0-9A-F]{8}"), L"#");
}

class SharedFileTest : public ::testing::TestWithParam<SharedCase>
{
};

TEST_P(SharedFileTest, ApplyKeepsWhatIsNotOursAndRemoveGivesItBack)
{
    const SharedCase& c = GetParam();
    // In a file that was there, the block remembers that the folder had no read-only mark.
    // and lists a digest (masked here as #) for each line it set aside.
    const std::string nine = ExpectedAnsi(kIcon);
    const size_t product = nine.find("; TESL (");
    std::string list = ";TESL set aside";
    for (size_t at = c.applied.find(";TESL:"); at != std::string::npos;
         at = c.applied.find(";TESL:", at + 1))
        list += " #";
    const std::string block = nine.substr(std::strlen("[.ShellClassInfo]\r\n"), product - 19) +
                              (c.ours ? ""
                                      : ";TESL folder was not read-only #\r\n" +
                                            (list.size() > 15 ? list : list + " none") + "\r\n") +
                              nine.substr(product);
    const std::string applied = Encoded(
        Replaced(Replaced(c.applied, "{H}", "[.ShellClassInfo]\r\n{B}"), "{B}", block), c.utf16);
    const std::string found = Encoded(
        c.ours ? ExpectedAnsi(L"C:\\old.ico")
               : Replaced(Replaced(Replaced(c.applied, "{H}", ""), "{B}", ""), ";TESL:", ""),
        c.utf16);
    TempFolder temp;
    const std::wstring folder = FolderWithIni(temp, found);
    const std::wstring ini = folder + L"\\desktop.ini";

    ASSERT_EQ(ApplyFolderIcon(FolderText::Typed(folder), kIcon).status, IconStatus::Ok);
    EXPECT_EQ(Masked(ReadFileBytes(ini)), Masked(applied));
    EXPECT_EQ(ReadIni(L".ShellClassInfo", L"IconResource", ini), kIcon + L",0");
    EXPECT_EQ(ReadIni(L".ShellClassInfo", L"IconFile", ini), kIcon);
    EXPECT_EQ(ReadIni(L".ShellClassInfo", L"IconIndex", ini), L"0");
    ASSERT_EQ(ApplyFolderIcon(FolderText::Typed(folder), kIcon).status, IconStatus::Ok);
    EXPECT_EQ(Masked(ReadFileBytes(ini)), Masked(applied)) << "applied twice";
    ASSERT_EQ(RemoveFolderIcon(FolderText::Typed(folder)).status, IconStatus::Ok);

    EXPECT_EQ(Attributes(folder) & kHiddenSystem, kHiddenSystem);
    if (c.ours)
    {
        EXPECT_EQ(Attributes(ini), INVALID_FILE_ATTRIBUTES) << "no key was left: Remove deletes it";
        return;
    }
    EXPECT_EQ(ReadFileBytes(ini), found);
    EXPECT_EQ(Attributes(ini) & kMarks, kMarks);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SharedFileTest,
    ::testing::Values(
        SharedCase{
            "Windows7Documents", true,
            "\r\n[.ShellClassInfo]\r\n{B}"
            "LocalizedResourceName=@%SystemRoot%\\system32\\shell32.dll,-21770\r\n"
            ";TESL:IconResource=%SystemRoot%\\system32\\imageres.dll,-112\r\n"
            ";TESL:IconFile=%SystemRoot%\\system32\\shell32.dll\r\n;TESL:IconIndex=-235\r\n"},
        SharedCase{"Windows7Downloads", true,
                   "\r\n[.ShellClassInfo]\r\n{B}"
                   "LocalizedResourceName=@%SystemRoot%\\system32\\shell32.dll,-21798\r\n"
                   ";TESL:IconResource=%SystemRoot%\\system32\\imageres.dll,-184\r\n"},
        SharedCase{
            "XpMyMusic", false,
            "[.ShellClassInfo]\r\n{B}LocalizedResourceName=@shell32.dll,-12689\r\n"
            "InfoTip=@shell32.dll,-12690\r\n"
            ";TESL:IconFile=%SystemRoot%\\system32\\SHELL32.dll\r\n;TESL:IconIndex=-237\r\n"
            "[DeleteOnCopy]\r\nOwner=Jane\r\nPersonalized=14\r\nPersonalizedName=My Music\r\n"},
        SharedCase{"ViewStateOnly", false,
                   "\r\n{H}[ViewState]\r\nMode=\r\nVid=\r\nFolderType=Pictures\r\n"},
        SharedCase{"ViewStateThenInfoTip", false,
                   "[ViewState]\r\nMode=4\r\n[.ShellClassInfo]\r\n{B}InfoTip=hello\r\n"},
        SharedCase{"LfOnly", false,
                   "[.ShellClassInfo]\n{B};TESL:IconResource=C:\\old.ico,3\nInfoTip=Holiday\n"
                   "[ViewState]\n"},
        SharedCase{"CrOnlyWithoutLastEnding", false,
                   "[.ShellClassInfo]\r{B}InfoTip=hello\r;TESL:IconFile=C:\\old.ico"},
        SharedCase{"BlanksAndOddCase", false,
                   "[ .shellclassinfo ]\r\n{B};TESL:  iconresource  =  C:\\old.ico,1\r\n"
                   ";TESL:\tICONFILE\t= C:\\old.ico\r\nConfirmFileOp = 0\r\n"},
        SharedCase{"TwoShellClassInfoHeaders", false,
                   "[.ShellClassInfo]\r\n{B}InfoTip=first\r\n[ViewState]\r\nMode=4\r\n"
                   "[.ShellClassInfo]\r\nIconResource=C:\\second.ico,0\r\n"},
        // Wine's profile reader trims ASCII spaces alone: a header after a no-break space
        // (0xA0 in code page 1252) is no header to it, and the section below is the shell's.
        SharedCase{"NoBreakSpaceBeforeAHeader", false,
                   "\xA0[.ShellClassInfo]\r\nInfoTip=hi\r\n[.ShellClassInfo]\r\n{B}"
                   ";TESL:IconResource=C:\\theirs.ico,0\r\n"},
        SharedCase{"WrittenByTessaline", false, "{H}", true}),
    [](const ::testing::TestParamInfo<SharedCase>& info) { return info.param.name; });

// Files in which Tessaline's lines were edited, or someone's lines look like them: Remove
// gives what it proves (refusing what it can't), and Apply then Remove gives the same, so that an
// icon Tessaline wrote ("wrote.ico") never comes back. "{B}" stands for a block of its own, "{K}"
// for the same without its first line.
struct ProvenCase
{
    const char* name;
    std::string found;
    IniFault fault;      // of both Apply and Remove
    std::string removed; // the file after Remove, as text ("" for none)
    bool utf16 = false;  // found (and removed, unless ANSI) in UTF-16
    bool removedAnsi = false;
};

void PrintTo(const ProvenCase& c, std::ostream* out)
{
    *out << c.name;
}

class ProvenLinesTest : public ::testing::TestWithParam<ProvenCase>
{
};

TEST_P(ProvenLinesTest, RemoveTakesWhatIsProvenAndApplyNeverBringsItBack)
{
    const ProvenCase& c = GetParam();
    const std::string keys = "IconResource=D:\\wrote.ico,0\r\n\r\n;for Windows XP\r\n"
                             "IconFile=D:\\wrote.ico\r\nIconIndex=0\r\n\r\n";
    const std::string found = Encoded(
        Replaced(Replaced(c.found, "{B}", ";for Windows 7/8/8.1\r\n{K}"), "{K}", keys), c.utf16);
    const RemovedIni removed = RemovedDesktopIni(found);
    const AppliedIni applied = AppliedDesktopIni(found, Plain(kIcon), {});
    ASSERT_EQ(removed.fault, c.fault);
    ASSERT_EQ(applied.fault, c.fault);
    if (c.fault != IniFault::None)
        return;
    const std::optional<std::string> expected =
        c.removed.empty()
            ? std::nullopt
            : std::optional<std::string>(Encoded(c.removed, c.utf16 && !c.removedAnsi));
    EXPECT_EQ(removed.bytes, expected);
    EXPECT_EQ(RemovedDesktopIni(applied.bytes).bytes, expected) << "Apply, then Remove";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProvenLinesTest,
    ::testing::Values(
        ProvenCase{"LookalikeAboveTheBlock",
                   "[.ShellClassInfo]\r\n;for Windows 7/8/8.1\r\nIconResource=C:\\theirs.ico,0\r\n"
                   ";for Windows XP\r\n{B}; TESL (Tessaline) 1.2.14\r\n",
                   IniFault::EditedLines, ""},
        ProvenCase{"FirstLineSpaced",
                   "[.ShellClassInfo]\r\n; for Windows 7/8/8.1\r\n{K}; TESL (Tessaline) "
                   "1.2.14\r\nInfoTip=x\r\n",
                   IniFault::None, "[.ShellClassInfo]\r\nInfoTip=x\r\n"},
        ProvenCase{"FirstLineRecased",
                   "[.ShellClassInfo]\r\n;FOR WINDOWS 7/8/8.1\r\n{K}; tesl (TESSALINE) 1.2.14\r\n"
                   "InfoTip=x\r\n",
                   IniFault::None, "[.ShellClassInfo]\r\nInfoTip=x\r\n"},
        ProvenCase{
            "FirstLineDeleted",
            "[.ShellClassInfo]\r\nIconResource=D:\\wrote.ico,0\r\n; TESL (Tessaline) 1.2.14\r\n",
            IniFault::EditedLines, ""},
        ProvenCase{"LastLineDeleted", "[.ShellClassInfo]\r\n{B}InfoTip=x\r\n",
                   IniFault::EditedLines, ""},
        ProvenCase{"LastLineRewritten", "[.ShellClassInfo]\r\n{B}; the end\r\n",
                   IniFault::EditedLines, ""},
        ProvenCase{"FirstLineRepeatedInside",
                   "[.ShellClassInfo]\r\n{B};for Windows 7/8/8.1\r\n; TESL (Tessaline) 1.2.14\r\n",
                   IniFault::EditedLines, ""},
        ProvenCase{"NoteOutsideTheBlock",
                   "[.ShellClassInfo]\r\n{B}; TESL (Tessaline) 1.2.14\r\n;TESL file was ANSI\r\n",
                   IniFault::EditedLines, ""},
        ProvenCase{"CommentsAddedAfterAnApply",
                   "[.ShellClassInfo]\r\n{B};TESL set aside none\r\n; TESL (Tessaline) 1.2.14\r\n"
                   ";TESL: ask Bob\r\n;TESL:IconFile=C:\\bob.ico\r\n",
                   IniFault::None,
                   "[.ShellClassInfo]\r\n;TESL: ask Bob\r\n;TESL:IconFile=C:\\bob.ico\r\n"},
        // The digests of "IconResource=C:\old.ico,1" and "IconFile=C:\old.ico".
        ProvenCase{"SetAsideAboveAndInASecondSection",
                   "[.ShellClassInfo]\r\n;TESL:IconResource=C:\\old.ico,1\r\n{B}"
                   ";TESL set aside A659C02B 6D086772\r\n; TESL (Tessaline) 1.2.14\r\n"
                   "[.ShellClassInfo]\r\n;TESL:IconFile=C:\\old.ico\r\n",
                   IniFault::None,
                   "[.ShellClassInfo]\r\nIconResource=C:\\old.ico,1\r\n[.ShellClassInfo]\r\n"
                   "IconFile=C:\\old.ico\r\n"},
        ProvenCase{"WrittenBeforeTheListBringsBackIconKeysBelowIt",
                   "[.ShellClassInfo]\r\n{B}; TESL (Tessaline) 1.2.14\r\n;TESL: ask Bob\r\n"
                   ";TESL:IconFile=C:\\old.ico\r\n",
                   IniFault::None,
                   "[.ShellClassInfo]\r\n;TESL: ask Bob\r\nIconFile=C:\\old.ico\r\n"},
        // A folder travels between systems: a line set aside in ANSI under code page 1252 (0xE9,
        // e acute) and one set aside under 1251 (0xCF 0xF0, U+041F U+0440), each with its digest.
        ProvenCase{
            "SetAsideUnderCodePage1252",
            "[.ShellClassInfo]\r\n{B};TESL set aside 68E216A0\r\n; TESL (Tessaline) 1.2.14\r\n"
            ";TESL:IconFile=C:\\Caf\xE9\\old.ico\r\n",
            IniFault::None, "[.ShellClassInfo]\r\nIconFile=C:\\Caf\xE9\\old.ico\r\n"},
        ProvenCase{
            "SetAsideUnderCodePage1251",
            "[.ShellClassInfo]\r\n{B};TESL set aside B0A30236\r\n; TESL (Tessaline) 1.2.14\r\n"
            ";TESL:IconFile=C:\\\xCF\xF0\\old.ico\r\n",
            IniFault::None, "[.ShellClassInfo]\r\nIconFile=C:\\\xCF\xF0\\old.ico\r\n"},
        // "IconResource = C:\old.ico,3" set aside, then the file rewritten by a profile writer
        // (Wine's WritePrivateProfileStringW writes every line back as name=value).
        ProvenCase{
            "SetAsideLineRespacedByAProfileWriter",
            "[.ShellClassInfo]\r\n{B};TESL set aside A859C351\r\n; TESL (Tessaline) 1.2.14\r\n"
            ";TESL:IconResource=C:\\old.ico,3\r\nInfoTip=hi\r\n",
            IniFault::None, "[.ShellClassInfo]\r\nIconResource=C:\\old.ico,3\r\nInfoTip=hi\r\n"},
        ProvenCase{"NoteWithTwoSpaces",
                   "[.ShellClassInfo]\r\n{B};TESL  file  was ANSI\r\n; TESL (Tessaline) 1.2.14\r\n"
                   "InfoTip=x\r\n",
                   IniFault::None, "[.ShellClassInfo]\r\nInfoTip=x\r\n", true, true}),
    [](const ::testing::TestParamInfo<ProvenCase>& info) { return info.param.name; });

// The note that the folder had no read-only mark goes with a digest of the others' lines: when
// they changed since (Windows' Customize tab wrote settings), the folder keeps the mark.
TEST(ProvenLinesTest, TheFolderKeepsReadOnlyWhenOthersWroteSinceTheApply)
{
    PriorMarks before;
    before.folderReadOnly = false;
    const std::string applied =
        AppliedDesktopIni("[.ShellClassInfo]\r\nInfoTip=x\r\n", Plain(kIcon), before).bytes;
    EXPECT_FALSE(RemovedDesktopIni(applied).folderReadOnly);
    EXPECT_TRUE(
        RemovedDesktopIni(applied + "[ViewState]\r\nFolderType=Pictures\r\n").folderReadOnly);
    const char nul[] = "[.ShellClassInfo]\r\nInfoTip=a\0b\r\n";
    EXPECT_EQ(CheckIniBytes(Encoded(std::string(nul, sizeof nul - 1), true)), IniFault::NulByte)
        << "U+0000 in UTF-16";
}

// Through the engine, with files near the most a settings file may hold (ANSI, UTF-16, and ANSI
// that the icon makes UTF-16): Apply either writes a file that Tessaline reads again or refuses
// and changes nothing; Remove gives back the file and the marks of the file and the folder.
TEST(SharedFileGenerated, NoApplyWritesAFileTessalineWouldRefuse)
{
    std::mt19937 random(7);
    const std::wstring wideIcon = L"C:\\\u0F00\u4E2D.ico";
    TempFolder temp;
    int refused = 0, written = 0;
    for (int file = 0; file < 36; ++file)
    {
        const bool utf16 = file % 3 == 0, wide = file % 3 == 1 && GetACP() != CP_UTF8;
        const size_t size = (wide ? kMaxIniBytes / 2 : kMaxIniBytes) - random() % 900;
        const std::string head = "[.ShellClassInfo]\r\nIconResource=C:\\old.ico,1\r\n;\r\n";
        const std::string text = head.substr(0, head.size() - 2) +
                                 std::string(size / (utf16 ? 2 : 1) - head.size() - 1, 'p') +
                                 "\r\n";
        const std::wstring folder = temp.MakeFolder(L"F" + std::to_wstring(file));
        const std::wstring ini = folder + L"\\desktop.ini";
        temp.WriteFile(L"F" + std::to_wstring(file) + L"\\desktop.ini", Encoded(text, utf16));
        SetFileAttributesW(ini.c_str(), kMarks);
        SetFileAttributesW(folder.c_str(), random() % 2 ? kHiddenSystem : FILE_ATTRIBUTE_SYSTEM);
        const Snapshot before = TakeSnapshot(folder);

        const IconResult result =
            ApplyFolderIcon(FolderText::Typed(folder), wide ? wideIcon : kIcon);
        if (result.status == IconStatus::IniTooLarge)
        {
            ++refused;
            EXPECT_EQ(result.path, ini);
            EXPECT_EQ(TakeSnapshot(folder), before);
            continue;
        }
        ASSERT_EQ(result.status, IconStatus::Ok);
        ++written;
        EXPECT_EQ(CheckIniBytes(ReadFileBytes(ini)), IniFault::None);
        ASSERT_EQ(RemoveFolderIcon(FolderText::Typed(folder)).status, IconStatus::Ok);
        EXPECT_EQ(TakeSnapshot(folder), before);
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(written, 0);
    // At the limit exactly, and one byte past it (the folder without its read-only mark, as
    // Wine keeps every folder, gets the note that says so: 41 bytes more).
    const auto sized = [&](size_t size) {
        PriorMarks before;
        before.folderReadOnly = false;
        const size_t base =
            AppliedDesktopIni("[.ShellClassInfo]\r\n;\r\n", Plain(kIcon), before).bytes.size();
        return "[.ShellClassInfo]\r\n;" + std::string(size - base, 'p') + "\r\n";
    };
    for (const size_t size : {kMaxIniBytes, kMaxIniBytes + 1})
    {
        const std::wstring folder = FolderWithIni(temp, sized(size));
        EXPECT_EQ(ApplyFolderIcon(FolderText::Typed(folder), kIcon).status,
                  size > kMaxIniBytes ? IconStatus::IniTooLarge : IconStatus::Ok)
            << size << " bytes";
        RemoveTree(folder);
    }
}

// An apply or a removal that fails, or that finds no settings file to change, leaves the folder
// exactly as it was: same entries, bytes and attributes.
struct FailureCase
{
    const char* name;
    std::function<std::wstring(const TempFolder&)> prepare; // returns the folder text
    bool lockIni;   // another program holds the desktop.ini open without sharing it
    IniFault fault; // why the desktop.ini is no settings file, or a write that fails
    IconStatus removal;
    const char* unshown = ""; // why prepare may make no folder here (it returns "")
};

void PrintTo(const FailureCase& c, std::ostream* out)
{
    *out << c.name;
}

class FailureTest : public ::testing::TestWithParam<FailureCase>
{
};

TEST_P(FailureTest, LeavesTheFolderAsItWas)
{
    TempFolder temp;
    const std::wstring folderText = GetParam().prepare(temp);
    if (folderText.empty())
        GTEST_SKIP() << GetParam().unshown;
    const Snapshot before = TakeSnapshot(temp.Path());
    UniqueFile lock;
    if (GetParam().lockIni)
        lock.reset(CreateFileW((folderText + L"\\desktop.ini").c_str(), GENERIC_READ, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr));

    SetLastError(0xdeadbeef);
    const IconResult result = ApplyFolderIcon(FolderText::Typed(folderText), kIcon);
    const IconResult removal = RemoveFolderIcon(FolderText::Typed(folderText));
    lock.reset();

    EXPECT_EQ(TakeSnapshot(temp.Path()), before);
    EXPECT_EQ(result.path, folderText + L"\\desktop.ini");
    EXPECT_EQ(removal.status, GetParam().removal);
    EXPECT_EQ(removal.fault, GetParam().fault);
    if (GetParam().fault != IniFault::None)
    {
        EXPECT_EQ(result.status, IconStatus::NotSettingsFile);
        EXPECT_EQ(result.fault, GetParam().fault);
        return;
    }
    EXPECT_EQ(result.status, IconStatus::WriteFailed);
    EXPECT_NE(result.error, static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_NE(result.error, 0xdeadbeef);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailureTest,
    ::testing::Values(
        FailureCase{"FolderMissing", [](const TempFolder& temp) { return temp / L"Missing"; },
                    false, IniFault::None, IconStatus::Ok},
        FailureCase{"FolderTextNamesAFile",
                    [](const TempFolder& temp) { return temp.WriteFile(L"notes.txt", "keep"); },
                    false, IniFault::None, IconStatus::Ok},
        FailureCase{"DesktopIniIsAFolder",
                    [](const TempFolder& temp) {
                        const std::wstring folder = temp.MakeFolder(L"Photos");
                        const std::wstring ini = temp.MakeFolder(L"Photos\\desktop.ini");
                        temp.WriteFile(L"Photos\\desktop.ini\\inside.txt", "inside");
                        SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_HIDDEN);
                        SetFileAttributesW(folder.c_str(), kHiddenSystem);
                        return folder;
                    },
                    false, IniFault::Directory, IconStatus::NotSettingsFile},
        FailureCase{"DesktopIniLocked", MarkedFolderWithIni, true, IniFault::None,
                    IconStatus::WriteFailed},
        FailureCase{"DesktopIniLockedTrailingBackslash",
                    [](const TempFolder& temp) { return MarkedFolderWithIni(temp) + L"\\"; }, true,
                    IniFault::None, IconStatus::WriteFailed},
        FailureCase{"LargerThan64KB",
                    [](const TempFolder& temp) {
                        return FolderWithIni(temp, "[.ShellClassInfo]\r\nInfoTip=" +
                                                       std::string(kMaxIniBytes + 1 - 29, 'x') +
                                                       "\r\n");
                    },
                    false, IniFault::TooLarge, IconStatus::NotSettingsFile},
        FailureCase{"NulInAnsi",
                    [](const TempFolder& temp) {
                        return FolderWithIni(temp, std::string("[ViewState]\r\nMode=4\0\r\n", 20));
                    },
                    false, IniFault::NulByte, IconStatus::NotSettingsFile},
        FailureCase{"OddUtf16",
                    [](const TempFolder& temp) {
                        return FolderWithIni(temp,
                                             Encoded("[ViewState]\r\nMode=4\r\n", true) + "x");
                    },
                    false, IniFault::OddLength, IconStatus::NotSettingsFile},
        // A replace would part the file from its other name, or make the link a plain file.
        FailureCase{"DesktopIniHasASecondName",
                    [](const TempFolder& temp) {
                        const std::wstring folder = MarkedFolderWithIni(temp);
                        CreateHardLinkW((temp / L"second.ini").c_str(),
                                        (folder + L"\\desktop.ini").c_str(), nullptr);
                        return folder;
                    },
                    false, IniFault::HardLinks, IconStatus::NotSettingsFile},
        FailureCase{"DesktopIniIsALink", FolderWithLinkedIni, false, IniFault::Link,
                    IconStatus::NotSettingsFile, "no symbolic link can be made here"}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST(StagedFileTest, StagedPathIsNoLongerThanTheFilesOwn)
{
    // Windows keeps folder paths short enough for "\desktop.ini", not for a longer name.
    TempFolder temp;
    const std::wstring folder = temp.MakeFolder(L"Photos");
    StagedFile staged;
    ASSERT_EQ(staged.Write(folder, "x"), static_cast<DWORD>(ERROR_SUCCESS));
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*.tmp").c_str(), &data);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    FindClose(find);
    EXPECT_LE((folder + L"\\" + data.cFileName).size(), IniPath(folder).size()) << data.cFileName;
}

TEST(StagedFileTest, ABusyDesktopIniIsReplacedOnceItIsFree)
{
    // A scanner holds the file for a moment without delete sharing, as happens after writes. The
    // folder keeps its marks meanwhile: without them the shell would stop reading the file.
    TempFolder temp;
    struct Busy
    {
        std::wstring folder;
        UniqueFile file;
        DWORD folderWhileBusy = 0;
    } busy{MarkedFolderWithIni(temp), UniqueFile(), 0};
    busy.file.reset(CreateFileW((busy.folder + L"\\desktop.ini").c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr));
    ASSERT_TRUE(busy.file);
    HANDLE release = CreateThread(
        nullptr, 0,
        [](void* parameter) -> DWORD {
            Busy& busy = *static_cast<Busy*>(parameter);
            Sleep(300);
            busy.folderWhileBusy = Attributes(busy.folder);
            busy.file.reset();
            return 0;
        },
        &busy, 0, nullptr);

    EXPECT_EQ(ApplyFolderIcon(FolderText::Typed(busy.folder), kIcon).status, IconStatus::Ok);
    WaitForSingleObject(release, INFINITE);
    CloseHandle(release);
    EXPECT_EQ(ReadIni(L".ShellClassInfo", L"IconResource", busy.folder + L"\\desktop.ini"),
              kIcon + L",0");
    EXPECT_EQ(busy.folderWhileBusy & kHiddenSystem, kHiddenSystem);
}

// Texts that are refused before anything is touched.
struct RefusalCase
{
    const char* name;
    bool folderEmpty;
    std::wstring folderSuffix; // appended to a real folder's path
    std::wstring icon;
    IconStatus expected;
    const wchar_t* folderLiteral = nullptr;  // the whole folder text, instead of a real folder
    IconProblem problem = IconProblem::None; // why an IconRefused is refused
    bool linkToRoot = false;                 // the folder text is a link to the drive's root
};

void PrintTo(const RefusalCase& c, std::ostream* out)
{
    *out << c.name;
}

class ApplyRefusalTest : public ::testing::TestWithParam<RefusalCase>
{
};

TEST_P(ApplyRefusalTest, ChangesNothing)
{
    TempFolder temp;
    CurrentDirectoryScope directory(temp.Path());
    const std::wstring folder = MarkedFolderWithIni(temp);
    const RefusalCase& c = GetParam();
    const std::wstring folderText = c.folderLiteral ? c.folderLiteral
                                    : c.folderEmpty ? L""
                                                    : folder + c.folderSuffix;
    // Outside the folder that is compared: the snapshot would follow the link.
    TempFolder links;
    std::optional<UnixMade> link;
    if (c.linkToRoot)
    {
        link.emplace(UnixMade::Link(temp.Path().substr(0, 3), links / L"root"));
        if (!*link)
            GTEST_SKIP() << "a link to a folder is made on the Unix side of Wine";
    }
    const Snapshot before = TakeSnapshot(temp.Path());
    const DWORD rootIni = Attributes(L"\\desktop.ini");

    const IconResult result = ApplyFolderIcon(
        FolderText::Typed(c.linkToRoot ? links / L"root" : folderText), Fill(c.icon, temp, folder));
    EXPECT_EQ(result.status, c.expected);
    EXPECT_EQ(result.problem, c.problem);

    EXPECT_EQ(TakeSnapshot(temp.Path()), before);
    EXPECT_EQ(Attributes(L"\\desktop.ini"), rootIni) << "the current drive's root is untouched";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ApplyRefusalTest,
    ::testing::Values(
        RefusalCase{"FolderEmpty", true, L"", kIcon, IconStatus::MissingInput},
        RefusalCase{"IconEmpty", false, L"", L"", IconStatus::MissingInput},
        RefusalCase{"BothEmpty", true, L"", L"", IconStatus::MissingInput},
        RefusalCase{"CrLfInIcon", false, L"", kIcon + L"\r\nIconIndex=5",
                    IconStatus::ControlCharacter},
        RefusalCase{"LfInIcon", false, L"", kIcon + L"\nX", IconStatus::ControlCharacter},
        RefusalCase{"NulInIcon", false, L"", kIcon + std::wstring(1, L'\0'),
                    IconStatus::ControlCharacter},
        RefusalCase{"TabInFolder", false, L"\t", kIcon, IconStatus::ControlCharacter},
        RefusalCase{"U001FInFolder", false, L"\x1F", kIcon, IconStatus::ControlCharacter},
        RefusalCase{"NothingAfterTheComma", false, L"", kIcon + L",", kIconRefused, nullptr,
                    IconProblem::IndexMissing},
        RefusalCase{"IndexBeyond32Bits", false, L"", L"{lib},2147483648", kIconRefused, nullptr,
                    IconProblem::IndexTooLarge},
        RefusalCase{"IndexedFileMissing", false, L"", L"{folder}\\missing.dll,1", kIconRefused,
                    nullptr, IconProblem::FileMissing},
        RefusalCase{"NotAnIconFile", false, L"", L"desktop.ini,0", kIconRefused, nullptr,
                    IconProblem::NotAnIconFile},
        RefusalCase{"LibraryWithoutIcons", false, L"", L"%SystemRoot%\\system32\\kernel32.dll,0",
                    kIconRefused, nullptr, IconProblem::NoIcons},
        RefusalCase{"IndexPastTheLastIcon", false, L"", L"{lib},4", kIconRefused, nullptr,
                    IconProblem::IndexPastEnd},
        RefusalCase{"NoSuchResourceId", false, L"", L"{lib},-100", kIconRefused, nullptr,
                    IconProblem::NoSuchResource},
        RefusalCase{"DriveRoot", false, L"", kIcon, IconStatus::DriveRoot, L"C:\\"},
        RefusalCase{"DriveLetterAlone", false, L"", kIcon, IconStatus::DriveRoot, L"c:"},
        RefusalCase{"UpToTheRoot", false, L"", kIcon, IconStatus::DriveRoot, L"C:\\x\\.."},
        RefusalCase{"ShareRoot", false, L"", kIcon, IconStatus::DriveRoot, L"\\\\srv\\share\\"},
        RefusalCase{"ShareRootNoBackslash", false, L"", kIcon, IconStatus::DriveRoot,
                    L"\\\\srv\\share"},
        RefusalCase{"LongUncShareRoot", false, L"", kIcon, IconStatus::DriveRoot,
                    L"\\\\?\\UNC\\srv\\share"},
        RefusalCase{"LongDriveRoot", false, L"", kIcon, IconStatus::DriveRoot, L"\\\\?\\C:\\"},
        RefusalCase{"DeviceDriveRoot", false, L"", kIcon, IconStatus::DriveRoot, L"\\\\.\\C:\\"},
        RefusalCase{"LinkToTheDrivesRoot", false, L"", kIcon, IconStatus::DriveRoot, nullptr,
                    IconProblem::None, true},
        RefusalCase{"NameEndsInASpace", false, L" ", kIcon, IconStatus::DotOrSpaceAtEnd},
        RefusalCase{"NameEndsInADot", false, L".", kIcon, IconStatus::DotOrSpaceAtEnd},
        RefusalCase{"DeviceName", false, L"", kIcon, IconStatus::DeviceName, L"C:\\x\\aux"},
        RefusalCase{"ServerAlone", false, L"", kIcon, IconStatus::RelativeFolder, L"\\\\srv"},
        RefusalCase{"Relative", false, L"", kIcon, IconStatus::RelativeFolder, L"Photos"},
        RefusalCase{"DriveRelative", false, L"", kIcon, IconStatus::RelativeFolder, L"C:Photos"},
        RefusalCase{"RootRelative", false, L"", kIcon, IconStatus::RelativeFolder, L"\\Photos"}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

class RemoveTest : public ::testing::Test
{
  protected:
    TempFolder m_temp;
};

TEST_F(RemoveTest, TakesAwayAnAppliedIconAndNothingElse)
{
    const std::wstring folder = m_temp.MakeFolder(L"Photos");
    const std::wstring photo = m_temp.WriteFile(L"Photos\\photo.jpg", "jpeg");
    SetFileAttributesW(folder.c_str(), kHiddenSystem);
    ASSERT_EQ(ApplyFolderIcon(FolderText::Typed(folder), kIcon).status, IconStatus::Ok);

    EXPECT_EQ(RemoveFolderIcon(FolderText::Typed(folder)).status, IconStatus::Ok);

    EXPECT_EQ(Attributes(folder + L"\\desktop.ini"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Attributes(folder) & kMarks, kHiddenSystem) << "read-only alone is cleared";
    EXPECT_EQ(ReadFileBytes(photo), "jpeg");
}

TEST_F(RemoveTest, MissingFileKeepsTheFoldersOwnMarks)
{
    // Nothing to take away: the folder's attributes aren't even set again (its change time tells;
    // Wine keeps no read-only mark on a folder to look at instead).
    const std::wstring folder = m_temp.MakeFolder(L"Photos");
    SetFileAttributesW(folder.c_str(), kHiddenSystem);
    const auto changeTime = [&] {
        // GetFileInformationByHandleEx(FileBasicInfo): Vista and later, beyond this build's XP
        // headers.
        struct
        {
            LARGE_INTEGER creation, access, write, change;
            DWORD attributes;
        } info = {};
        using Query = BOOL(WINAPI*)(HANDLE, int, void*, DWORD);
        const auto query = reinterpret_cast<Query>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetFileInformationByHandleEx")));
        UniqueFile handle(CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        query(handle.get(), 0, &info, sizeof info);
        return info.change.QuadPart;
    };
    const LONGLONG before = changeTime();
    Sleep(20);

    EXPECT_EQ(RemoveFolderIcon(FolderText::Typed(folder)).status, IconStatus::Ok);

    EXPECT_EQ(Attributes(folder) & kMarks, kHiddenSystem);
    EXPECT_NE(before, 0);
    EXPECT_EQ(changeTime(), before);
}

TEST_F(RemoveTest, TakesAForeignIconAwayThroughATrailingBackslash)
{
    const std::wstring folder = MarkedFolderWithIni(m_temp);
    const std::wstring iconOnly = m_temp.MakeFolder(L"IconOnly");
    m_temp.WriteFile(L"IconOnly\\desktop.ini", "[.ShellClassInfo]\r\nIconFile=C:\\old.ico\r\n");

    EXPECT_EQ(RemoveFolderIcon(FolderText::Typed(folder + L"\\")).status, IconStatus::Ok);
    EXPECT_EQ(RemoveFolderIcon(FolderText::Typed(iconOnly)).status, IconStatus::Ok);

    EXPECT_EQ(ReadFileBytes(folder + L"\\desktop.ini"),
              "[.ShellClassInfo]\r\nInfoTip=Holiday\r\n[ViewState]\r\nMode=4\r\n");
    EXPECT_EQ(Attributes(folder + L"\\desktop.ini") & kMarks, kMarks);
    EXPECT_EQ(Attributes(folder) & kMarks, kHiddenSystem) << "the other settings need the marks";
    EXPECT_EQ(Attributes(iconOnly + L"\\desktop.ini"), INVALID_FILE_ATTRIBUTES) << "no key left";
}

TEST_F(RemoveTest, ControlCharacterRootOrRelativeTouchesNothing)
{
    CurrentDirectoryScope directory(m_temp.Path());
    const std::wstring folder = MarkedFolderWithIni(m_temp);
    const Snapshot before = TakeSnapshot(m_temp.Path());
    const DWORD rootIni = Attributes(L"\\desktop.ini");

    EXPECT_EQ(RemoveFolderIcon(FolderText::Typed(folder + L"\r\n")).status,
              IconStatus::ControlCharacter);
    EXPECT_EQ(RemoveFolderIcon(FolderText::Typed(L"C:\\")).status, IconStatus::DriveRoot);
    EXPECT_EQ(RemoveFolderIcon(FolderText::Typed(L"Photos")).status, IconStatus::RelativeFolder);
    EXPECT_EQ(RemoveMessage({IconStatus::DriveRoot, 0, L""}, L"")->text,
              L"Please choose folder to change icon");
    EXPECT_EQ(Attributes(L"\\desktop.ini"), rootIni);

    EXPECT_EQ(TakeSnapshot(m_temp.Path()), before);
}

TEST_F(RemoveTest, EmptyFolderTextLeavesTheDrivesRootFileAlone)
{
    CurrentDirectoryScope directory(m_temp.Path());
    wchar_t full[MAX_PATH] = {};
    GetFullPathNameW(L"\\desktop.ini", MAX_PATH, full, nullptr);
    const std::wstring rootIni = full;
    if (!RunningOnWine() || rootIni != L"C:\\desktop.ini")
        GTEST_SKIP() << "puts a desktop.ini at the drive's root: only on C: of a Wine prefix";
    if (Attributes(rootIni) != INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "the drive's root already holds a desktop.ini";
    const std::string marker = "[.ShellClassInfo]\r\nIconResource=C:\\marker.ico,0\r\n";
    const std::wstring written = m_temp.WriteFile(L"marker.ini", marker);
    ASSERT_TRUE(MoveFileW(written.c_str(), rootIni.c_str()));
    SetFileAttributesW(rootIni.c_str(), kMarks);

    const IconResult result = RemoveFolderIcon(FolderText::Typed(L""));

    const DWORD attributes = Attributes(rootIni);
    const std::string bytes = ReadFileBytes(rootIni);
    RemoveTree(rootIni);
    EXPECT_EQ(result.status, IconStatus::EmptyFolder);
    EXPECT_EQ(attributes & kMarks, kMarks);
    EXPECT_EQ(bytes, marker);
}

TEST(ShellNotifyTest, FolderAndParentForTheShell)
{
    struct Case
    {
        std::wstring text, folder, parent;
    };
    const Case cases[] = {
        {L"C:\\a\\b\\", L"C:\\a\\b", L"C:\\a"},
        {L"C:\\a\\\\b", L"C:\\a\\\\b", L"C:\\a"},
        {L"C:\\a", L"C:\\a", L"C:\\"},
        {L"C:\\", L"C:\\", L""},
        {L"\\\\server\\share\\x", L"\\\\server\\share\\x", L"\\\\server\\share"},
        {L"Photos", L"Photos", L""},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(ShellFolderPath(c.text), c.folder) << ::testing::PrintToString(c.text);
        EXPECT_EQ(ParentFolder(c.folder), c.parent) << ::testing::PrintToString(c.text);
    }
}

TEST(IconMessagesTest, EachOutcomeHasItsMessage)
{
    const auto message = [](IconStatus status) {
        return ApplyMessage(IconResult{status, ERROR_SUCCESS, L""}, L"");
    };
    EXPECT_EQ(message(IconStatus::MissingInput).text, L"Please choose folder and icon");
    EXPECT_EQ(message(IconStatus::MissingInput).title, L"Error");
    EXPECT_EQ(message(IconStatus::MissingInput).style, static_cast<UINT>(MB_ICONERROR));
    EXPECT_EQ(message(IconStatus::Ok).text, L"Success change icon");
    EXPECT_EQ(message(IconStatus::Ok).title, L"Tessaline");
    EXPECT_EQ(message(IconStatus::Ok).style, static_cast<UINT>(MB_ICONINFORMATION));

    const IconResult failed{IconStatus::WriteFailed, ERROR_ACCESS_DENIED, L"D:\\P\\desktop.ini"};
    const std::wstring text = ApplyMessage(failed, L"Access is denied.").text;
    EXPECT_NE(text.find(L"D:\\P\\desktop.ini"), std::wstring::npos) << text;
    EXPECT_NE(text.find(L"Error 5: Access is denied."), std::wstring::npos) << text;

    EXPECT_EQ(RemoveMessage(failed, L"Access is denied.")->text, text) << "as for an apply";
    const IconResult bad{IconStatus::NotSettingsFile, ERROR_SUCCESS, L"D:\\P\\desktop.ini",
                         IniFault::OddLength};
    EXPECT_EQ(ApplyMessage(bad, L"").text,
              L"D:\\P\\desktop.ini is not a settings file that Tessaline can change: it is "
              L"UTF-16 text with an odd number of bytes. Nothing was changed.");
    EXPECT_EQ(RemoveMessage(bad, L"")->title, L"Error");

    const IconResult pastEnd{kIconRefused,
                             ERROR_SUCCESS,
                             L"D:\\lib.dll,7",
                             IniFault::None,
                             IconProblem::IndexPastEnd,
                             4};
    EXPECT_EQ(ApplyMessage(pastEnd, L"").text,
              L"The file named in \"D:\\lib.dll,7\" holds 4 icons, numbered 0 to 3. Nothing was "
              L"changed.");
    for (IconProblem problem :
         {IconProblem::IndexMissing, IconProblem::IndexTooLarge, IconProblem::FileMissing,
          IconProblem::NotAnIconFile, IconProblem::NoIcons, IconProblem::NoSuchResource})
    {
        const IconResult refused{kIconRefused, ERROR_SUCCESS, L"x,9", IniFault::None, problem};
        const IconMessage shown = ApplyMessage(refused, L"");
        EXPECT_NE(shown.text.find(L"\"x,9\""), std::wstring::npos) << shown.text;
        EXPECT_EQ(shown.title, L"Error");
        EXPECT_EQ(shown.style, static_cast<UINT>(MB_ICONERROR));
    }

    EXPECT_EQ(
        ApplyMessage(IconResult{IconStatus::DotOrSpaceAtEnd, 0, L"C:\\t\\sp "}, L"").text,
        L"A name in \"C:\\t\\sp \" ends in a dot or a space, which Windows leaves out of a path: "
        L"the icon would go to another folder. Nothing was changed.");
    EXPECT_EQ(RemoveMessage(IconResult{IconStatus::DeviceName, 0, L"C:\\x\\aux"}, L"")->text,
              L"C:\\x\\aux is the name of a device, such as CON or COM1, not a folder. Nothing was "
              L"changed.");

    EXPECT_FALSE(RemoveMessage(IconResult{}, L"").has_value());
    EXPECT_TRUE(RemoveMessage(IconResult{IconStatus::EmptyFolder, ERROR_SUCCESS, L""}, L""));
}

TEST(PathCheckTest, WhatAFolderTextNamesAndWhatIsThere)
{
    TempFolder folder;
    const std::wstring file = folder.WriteFile(L"star.ico", "x");
    const std::wstring longest =
        folder.Path() + L"\\" + std::wstring(kMaxPathLength - folder.Path().size() - 1, L'a');
    CreateDirectoryW(longest.c_str(), nullptr);
    CurrentDirectoryScope directory(folder.Path());
    const std::wstring parent = folder.Path().substr(0, folder.Path().find_last_of(L'\\'));
    const std::wstring drive = folder.Path().substr(0, 2); // the current drive, "C:" under Wine
    using K = FolderKind;
    // typed: as the folder box reads it; outside: a drop, an argument or batch mode; full: the
    // full path of both; there: what CheckPath finds for the text from outside.
    struct Case
    {
        std::wstring text;
        FolderKind typed, outside;
        std::wstring full;
        PathKind there;
    };
    const Case cases[] = {
        {folder.Path(), K::Folder, K::Folder, folder.Path(), PathKind::Folder},
        {folder.Path() + L"\\", K::Folder, K::Folder, folder.Path(), PathKind::Folder},
        {file, K::Folder, K::Folder, file, PathKind::File},
        {folder / L"gone", K::Folder, K::Folder, folder / L"gone", PathKind::Missing},
        {L"C:\\", K::DriveRoot, K::DriveRoot, L"C:\\", PathKind::DriveRoot},
        {L"c:", K::DriveRoot, K::DriveRoot, L"c:\\", PathKind::DriveRoot},
        {L"Q:", K::DriveRoot, K::DriveRoot, L"Q:\\", PathKind::DriveRoot},
        {L"C:\\x\\..", K::DriveRoot, K::DriveRoot, L"C:\\", PathKind::DriveRoot},
        {L"C:\\.", K::DriveRoot, K::DriveRoot, L"C:\\", PathKind::DriveRoot},
        {L"\\\\?\\C:\\", K::DriveRoot, K::DriveRoot, L"\\\\?\\C:\\", PathKind::DriveRoot},
        {L"\\\\.\\C:\\", K::DriveRoot, K::DriveRoot, L"\\\\.\\C:\\", PathKind::DriveRoot},
        {L"\\\\?\\Volume{0}\\", K::DriveRoot, K::DriveRoot, L"\\\\?\\Volume{0}",
         PathKind::DriveRoot},
        {L"\\\\?\\" + folder.Path(), K::Folder, K::Folder, L"\\\\?\\" + folder.Path(),
         PathKind::Folder},
        {L"\\\\srv", K::ServerOnly, K::ServerOnly, L"\\\\srv", PathKind::ServerOnly},
        {L"\\\\srv\\", K::ServerOnly, K::ServerOnly, L"\\\\srv", PathKind::ServerOnly},
        {L"\\\\srv\\share", K::ShareRoot, K::ShareRoot, L"\\\\srv\\share", PathKind::DriveRoot},
        {L"//srv/share/", K::ShareRoot, K::ShareRoot, L"\\\\srv\\share", PathKind::DriveRoot},
        {L"\\\\srv\\share\\x\\..", K::ShareRoot, K::ShareRoot, L"\\\\srv\\share",
         PathKind::DriveRoot},
        {L"\\\\?\\UNC\\srv\\share", K::ShareRoot, K::ShareRoot, L"\\\\?\\UNC\\srv\\share",
         PathKind::DriveRoot},
        {L"\\\\?\\unc\\srv", K::ServerOnly, K::ServerOnly, L"\\\\?\\unc\\srv",
         PathKind::ServerOnly},
        {L"\\\\srv\\share\\x", K::Folder, K::Folder, L"\\\\srv\\share\\x", PathKind::Missing},
        {L"Photos\\", K::Relative, K::Folder, folder / L"Photos", PathKind::Missing},
        {L"..\\", K::Relative, K::Folder, parent, PathKind::Folder},
        {drive + L"Photos", K::Relative, K::Folder, folder / L"Photos", PathKind::Missing},
        {L"\\Photos", K::Relative, K::Folder, drive + L"\\Photos", PathKind::Missing},
        {longest, K::Folder, K::Folder, longest, PathKind::Folder},
        {longest + L"b", K::Folder, K::TooLong, longest + L"b", PathKind::TooLong},
        {drive + L".", K::DriveRoot, K::DriveRoot, drive + L"\\", PathKind::DriveRoot},
        {drive + L" ", K::DriveRoot, K::DriveRoot, drive + L"\\", PathKind::DriveRoot},
        {L"...", K::Relative, K::Relative, folder.Path(), PathKind::Missing},
        {L". ", K::Relative, K::Relative, folder.Path(), PathKind::Missing},
        {L"", K::Empty, K::Empty, L"", PathKind::Missing},
        {folder / L"sp ", K::DotOrSpaceAtEnd, K::DotOrSpaceAtEnd, folder / L"sp ",
         PathKind::DotOrSpaceAtEnd},
        {folder / L"a.\\b", K::DotOrSpaceAtEnd, K::DotOrSpaceAtEnd, folder / L"a.\\b",
         PathKind::DotOrSpaceAtEnd},
        {folder / L"sp \\.\\..\\b\\", K::Folder, K::Folder, folder / L"b", PathKind::Missing},
        {L"CON", K::DeviceName, K::DeviceName, L"\\\\.\\CON", PathKind::DeviceName},
        {L"x\\aux", K::DeviceName, K::DeviceName, L"\\\\.\\aux", PathKind::DeviceName},
        {L"C:\\x\\COM1.txt", K::DeviceName, K::DeviceName, L"\\\\.\\COM1", PathKind::DeviceName},
        {folder.Path() + L"\t", K::ControlCharacter, K::ControlCharacter, folder.Path() + L"\t",
         PathKind::Missing},
    };
    for (const Case& c : cases)
    {
        const FolderText typed = FolderText::Typed(c.text);
        const FolderText outside = FolderText::FromOutside(c.text);
        const std::string name = ::testing::PrintToString(c.text);
        EXPECT_EQ(typed.Kind(), c.typed) << name;
        EXPECT_EQ(outside.Kind(), c.outside) << name;
        EXPECT_EQ(typed.Full(), c.full) << name;
        EXPECT_EQ(outside.Full(), c.full) << name;
        EXPECT_EQ(typed.Path(), c.text) << name << ": the box's text is used as typed";
        EXPECT_EQ(outside.Path(), c.full) << name;
        EXPECT_EQ(outside.Text(), c.text) << name;
        EXPECT_EQ(CheckPath(outside).kind, c.there) << name;
    }
    EXPECT_EQ(CheckPath(FolderText::FromOutside(folder / L"gone")).error,
              static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    // What a link finally names: a drive's root is a root; a folder's marks are the folder's.
    TempFolder links;
    const UnixMade toRoot = UnixMade::Link(drive + L"\\", links / L"root");
    const UnixMade toFolder = UnixMade::Link(longest, links / L"folder");
    if (!toRoot || !toFolder)
        GTEST_SKIP() << "a link to a folder is made on the Unix side of Wine";
    EXPECT_EQ(CheckPath(FolderText::FromOutside(links / L"root")).kind, PathKind::DriveRoot);
    EXPECT_EQ(FindFinalPlace(links / L"folder").path, L"\\\\?\\" + longest);
    EXPECT_FALSE(FindFinalPlace(links / L"folder").root);
}
