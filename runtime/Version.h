#pragma once
// The application's version numbers, as the rest of the program shows them: major.minor.revision.

#include <string>

#include "../resources/version.h"
#include "runtime/DecimalText.h"

struct AppVersion
{
    int Major;
    int Minor;
    int Revision;
};

constexpr AppVersion kAppVersion{TESSALINE_VERSION_MAJOR, TESSALINE_VERSION_MINOR,
                                 TESSALINE_VERSION_REVISION};

// "1.2.14": plain decimal digits joined by dots, nothing before or after.
inline std::wstring VersionText()
{
    return DecimalText(kAppVersion.Major) + L"." + DecimalText(kAppVersion.Minor) + L"." +
           DecimalText(kAppVersion.Revision);
}
