// Reading an IconResource value as the shell does.

#include "engine/IconLocation.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace
{
std::wstring SystemRoot()
{
    wchar_t buffer[MAX_PATH] = {};
    GetEnvironmentVariableW(L"SystemRoot", buffer, MAX_PATH);
    return buffer;
}

TEST(IconLocation, SplitsTheIndexAfterTheLastCommaOnlyWhenItIsAnInteger)
{
    struct Case
    {
        const wchar_t* value;
        std::wstring path;
        int index;
    } cases[] = {
        {L"D:\\Icons\\star.ico,0", L"D:\\Icons\\star.ico", 0},
        {L"D:\\Art,0ld\\star.ico,0", L"D:\\Art,0ld\\star.ico", 0},
        {L"D:\\Art,0ld\\star.ico", L"D:\\Art,0ld\\star.ico", 0},
        {L"D:\\Icons\\many.icl,3", L"D:\\Icons\\many.icl", 3},
        {L"C:\\Tools\\app.dll,-101", L"C:\\Tools\\app.dll", -101},
        {L"D:\\Icons\\star.ico, 2", L"D:\\Icons\\star.ico", 2},
        {L"D:\\a,b\\star.ico", L"D:\\a,b\\star.ico", 0},
        {L"D:\\Icons\\star.ico,", L"D:\\Icons\\star.ico,", 0},
        {L"D:\\Icons\\star.ico,99999999999", L"D:\\Icons\\star.ico,99999999999", 0},
        {L"C:\\Tools\\app.dll,-2147483648", L"C:\\Tools\\app.dll", -2147483647 - 1},
        {L"C:\\Tools\\app.dll,2147483648", L"C:\\Tools\\app.dll,2147483648", 0},
        {L"", L"", 0},
    };
    for (const Case& c : cases)
    {
        IconLocation location = ParseIconLocation(c.value, L"C:\\Folder");
        EXPECT_EQ(location.path, c.path) << c.value;
        EXPECT_EQ(location.index, c.index) << c.value;
    }
}

TEST(IconLocation, ExpandsEnvironmentVariables)
{
    ASSERT_FALSE(SystemRoot().empty());
    IconLocation location =
        ParseIconLocation(L"%SystemRoot%\\system32\\shell32.dll,4", L"C:\\Folder");
    EXPECT_EQ(location.path, SystemRoot() + L"\\system32\\shell32.dll");
    EXPECT_EQ(location.index, 4);
}

TEST(IconLocation, TakesARelativePathRelativeToTheFolder)
{
    EXPECT_EQ(ParseIconLocation(L"icons\\star.ico,0", L"C:\\Folder").path,
              L"C:\\Folder\\icons\\star.ico");
    EXPECT_EQ(ParseIconLocation(L"star.ico", L"C:\\Folder").path, L"C:\\Folder\\star.ico");
    EXPECT_EQ(ParseIconLocation(L"\\\\server\\share\\star.ico", L"C:\\Folder").path,
              L"\\\\server\\share\\star.ico");
}
} // namespace
