#pragma once
// Explorer starts one copy of the program for each folder selected when a folder-menu item is
// chosen. The menu's commands carry a switch of their own: the first copy of a command gathers
// the folders of the copies started after it, so that one run does them all and shows at most
// one message box. A command typed at a console doesn't carry it, and doesn't gather.

#include <string>
#include <vector>

// Leads the arguments of every folder-menu command that takes many folders.
constexpr const wchar_t* kMenuSwitch = L"/menu";

// Whether the arguments come from the folder menu; takes the switch off them.
bool TakeMenuSwitch(std::vector<std::wstring>& arguments);

// For a command whose last argument is the folder: hands that folder to the copy that gathers for
// the same command and returns false; or, where none is gathering, gathers: waits until no folder
// has come for a moment, adds those that came to arguments and returns true.
bool GatherMenuFolders(std::vector<std::wstring>& arguments);
