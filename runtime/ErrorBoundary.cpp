#include "runtime/ErrorBoundary.h"

#include "runtime/DecimalText.h"
#include "runtime/Error.h"
#include "runtime/Host.h"

#include <new>
#include <stdexcept>

namespace
{
constexpr long kErrOutOfMemory = 7;
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
        description = Error::Internal(error.what()).Description();
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
