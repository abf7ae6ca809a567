#include "runtime/ErrorBoundary.h"

#include "runtime/DecimalText.h"
#include "runtime/Error.h"
#include "runtime/Host.h"

#include <new>
#include <stdexcept>

namespace
{
constexpr long kErrOutOfMemory = 7;
constexpr long kErrInternal = 51;

std::wstring Widen(const char* text)
{
    std::wstring wide;
    for (; text != nullptr && *text != '\0'; ++text)
        wide.push_back(static_cast<unsigned char>(*text));
    return wide;
}
} // namespace

std::wstring UntrappedErrorText(long number, const std::wstring& description)
{
    return L"Run-time error '" + DecimalText(number) + L"':\n\n" + description;
}

void ReportCurrentException(Host& host, HWND owner) noexcept
{
    long number = kErrInternal;
    std::wstring description = L"Internal error";
    try
    {
        throw;
    }
    catch (const Error& error)
    {
        number = error.Number();
        description = error.Description();
    }
    catch (const std::bad_alloc&)
    {
        number = kErrOutOfMemory;
        description = L"Out of memory";
    }
    catch (const std::exception& error)
    {
        description += L": " + Widen(error.what());
    }
    catch (...)
    {
    }
    try
    {
        host.ShowMessage(owner, UntrappedErrorText(number, description), L"Tessaline",
                         MB_OK | MB_ICONERROR);
    }
    catch (...)
    {
    }
    host.EndProgram(static_cast<UINT>(number));
}
