#pragma once
// Property reads and writes on automation objects (the caller's font and printer objects) through
// their dispatch interface.

#include <oaidl.h>

// Owns one VARIANT and clears it, releasing a string or an object it holds.
class Variant
{
  public:
    Variant() noexcept { ::VariantInit(&m_value); }
    ~Variant() { ::VariantClear(&m_value); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    VARIANT* get() noexcept { return &m_value; }
    const VARIANT* operator->() const noexcept { return &m_value; }

  private:
    VARIANT m_value;
};

// The property's value converted to `type`; a refusal throws Error with the object's HRESULT.
void GetProperty(IDispatch& object, DISPID id, VARTYPE type, Variant& value);
// Sets the property; a refusal throws Error with the object's HRESULT.
void PutProperty(IDispatch& object, DISPID id, VARIANT value);
// Sets the property found by its name to a 16-bit integer when the object lets it; an object
// without that property, or one that refuses the value, is left as it was.
void TryPutProperty(IDispatch& object, const wchar_t* name, short value) noexcept;
