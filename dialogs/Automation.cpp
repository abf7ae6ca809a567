#include "dialogs/Automation.h"

#include "runtime/Error.h"

#include <string>

namespace
{
void FreeStrings(EXCEPINFO& exception) noexcept
{
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
}

// The classic runtime reports an automation failure under the HRESULT itself, with the
// object's own description when it gives one.
Error AutomationError(HRESULT hr, EXCEPINFO& exception)
{
    std::wstring description = L"Automation error";
    if (exception.bstrDescription)
        description = exception.bstrDescription;
    const HRESULT code = hr == DISP_E_EXCEPTION && FAILED(exception.scode) ? exception.scode : hr;
    FreeStrings(exception);
    return Error(static_cast<long>(code), description);
}

HRESULT Put(IDispatch& object, DISPID id, VARIANT& value, EXCEPINFO& exception) noexcept
{
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{&value, &named, 1, 1};
    return object.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &parameters,
                         nullptr, &exception, nullptr);
}
} // namespace

void GetProperty(IDispatch& object, DISPID id, VARTYPE type, Variant& value)
{
    DISPPARAMS none{};
    EXCEPINFO exception{};
    HRESULT hr = object.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                               value.get(), &exception, nullptr);
    if (SUCCEEDED(hr))
        hr = ::VariantChangeType(value.get(), value.get(), 0, type);
    if (FAILED(hr))
        throw AutomationError(hr, exception);
}

void PutProperty(IDispatch& object, DISPID id, VARIANT value)
{
    EXCEPINFO exception{};
    const HRESULT hr = Put(object, id, value, exception);
    if (FAILED(hr))
        throw AutomationError(hr, exception);
}

void TryPutProperty(IDispatch& object, const wchar_t* name, short value) noexcept
{
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (FAILED(object.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)))
        return;
    VARIANT number{};
    number.vt = VT_I2;
    number.iVal = value;
    EXCEPINFO exception{};
    Put(object, id, number, exception);
    FreeStrings(exception);
}
