#pragma once
// A host that records what the windows ask of it instead of showing a message box or ending
// the process.

#include "runtime/Host.h"

#include <string>
#include <utility>
#include <vector>

struct ShownMessage
{
    HWND owner;
    std::wstring text;
    std::wstring title;
    UINT style;
};

class FakeHost : public Host
{
  public:
    void ShowMessage(HWND owner, const std::wstring& text, const std::wstring& title,
                     UINT style) override
    {
        messages.push_back({owner, text, title, style});
    }
    void EndProgram(UINT exitCode) override { endedWith.push_back(exitCode); }
    void OpenLink(HWND owner, const std::wstring& address) override
    {
        links.push_back({owner, address});
    }

    std::vector<ShownMessage> messages;
    std::vector<UINT> endedWith;
    std::vector<std::pair<HWND, std::wstring>> links;
};
