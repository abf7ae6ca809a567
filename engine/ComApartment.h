#pragma once
// A COM apartment for the length of one call into COM objects (the folder picker, the shell's link
// object, the imaging codecs), on whichever thread makes it.

#include <objbase.h>

// Joins the single-threaded apartment the thread has, or opens one for the scope. A thread already
// in another kind of apartment keeps it: COM works there too, and the scope then undoes nothing.
class ApartmentScope
{
  public:
    ApartmentScope() : m_joined(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ApartmentScope()
    {
        if (m_joined)
            CoUninitialize();
    }
    ApartmentScope(const ApartmentScope&) = delete;
    ApartmentScope& operator=(const ApartmentScope&) = delete;

  private:
    bool m_joined;
};
