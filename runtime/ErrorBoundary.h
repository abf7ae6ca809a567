#pragma once
// The untrapped-error boundary: an error that leaves an event handler is shown with its number
// and description, and then the program ends.

#include <windows.h>

#include <string>

class Host;

std::wstring UntrappedErrorText(long number, const std::wstring& description);

// Reports the error that the current catch block holds, then ends the program through host.
// Call only from inside a catch block.
void ReportCurrentException(Host& host, HWND owner) noexcept;
