// TrimNull, ReadIni and FreeMemory, with real INI files under Wine.
#include <gtest/gtest.h>

#include <windows.h>

#include "engine/FolderIcon.h"
#include "engine/modFunction.h"
#include "support/TempFolder.h"

TEST(TrimNullTest, CutsAtTheFirstNul)
{
    struct Case
    {
        std::wstring text, expected;
    };
    const Case cases[] = {
        {L"C:\\Photos", L"C:\\Photos"},
        {std::wstring(L"\0C:\\Photos", 10), L""},
        {std::wstring(L"C:\\Ph\0os\0  ", 11), L"C:\\Ph"},
        {L"", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TrimNull(c.text), c.expected) << ::testing::PrintToString(c.text);
}

class ReadIniTest : public ::testing::Test
{
  protected:
    TempFolder m_temp;
};

TEST_F(ReadIniTest, MissingFileSectionOrKeyGivesEmpty)
{
    const std::wstring file =
        m_temp.WriteFile(L"desktop.ini", "[.ShellClassInfo]\r\nIconFile=C:\\a.ico\r\nEmpty=\r\n");

    EXPECT_EQ(ReadIni(L".ShellClassInfo", L"IconFile", file), L"C:\\a.ico");
    EXPECT_EQ(ReadIni(L".ShellClassInfo", L"IconFile", m_temp / L"missing.ini"), L"");
    EXPECT_EQ(ReadIni(L"Other", L"IconFile", file), L"");
    EXPECT_EQ(ReadIni(L".ShellClassInfo", L"IconResource", file), L"");
    EXPECT_EQ(ReadIni(L".ShellClassInfo", L"Empty", file), L"");
}

TEST_F(ReadIniTest, LongValueIsCutTo254Characters)
{
    std::string value;
    for (int i = 0; i < 300; ++i)
        value += static_cast<char>('a' + i % 26);
    const std::wstring file = m_temp.WriteFile(L"long.ini", "[s]\r\nk=" + value + "\r\n");

    const std::wstring read = ReadIni(L"s", L"k", file);

    EXPECT_EQ(read, std::wstring(value.begin(), value.begin() + 254));
}

TEST_F(ReadIniTest, IconResourceOfAnAppliedFileKeepsItsIndex)
{
    const std::wstring folder = m_temp.MakeFolder(L"Photos");
    ASSERT_EQ(ApplyFolderIcon(FolderText::Typed(folder), L"D:\\Icons\\star.ico").status,
              IconStatus::Ok);

    EXPECT_EQ(ReadIni(L".ShellClassInfo", L"IconResource", folder + L"\\desktop.ini"),
              L"D:\\Icons\\star.ico,0");
}

TEST_F(ReadIniTest, ReadsUtf16FileWithBomThroughAnyPath)
{
    const std::wstring text = L"[.ShellClassInfo]\r\nIconResource=C:\\\u0F00\u4E2D.ico,0\r\n";
    std::string bytes = "\xFF\xFE";
    for (wchar_t unit : text)
        bytes += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    m_temp.MakeFolder(L"\u0F00");
    const std::wstring file = m_temp.WriteFile(L"\u0F00\\desktop.ini", bytes);

    EXPECT_EQ(ReadIni(L".ShellClassInfo", L"IconResource", file), L"C:\\\u0F00\u4E2D.ico,0");
}

TEST(FreeMemoryTest, ClosesTheProcessHandleItOpens)
{
    // A new handle takes a free slot of the handle table: one that FreeMemory left open would
    // keep its slot, and the next handle would get another value. (Wine counts no handles.)
    const HANDLE probe = OpenProcess(SYNCHRONIZE, FALSE, GetCurrentProcessId());
    ASSERT_NE(probe, nullptr);
    CloseHandle(probe);
    for (int i = 0; i < 20; ++i)
        FreeMemory();
    const HANDLE again = OpenProcess(SYNCHRONIZE, FALSE, GetCurrentProcessId());
    CloseHandle(again);
    EXPECT_EQ(again, probe);
}
