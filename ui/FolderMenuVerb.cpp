#include "ui/FolderMenuVerb.h"

#include "cli/MenuGathering.h"
#include "engine/PathCheck.h"
#include "runtime/AsciiText.h"
#include "runtime/UniqueAny.h"

#include <algorithm>
#include <vector>

namespace
{
const std::wstring kCommandKey = std::wstring(kFolderMenuVerbKey) + L"\\command";

// A key, or one of the values of the key before it; below HKEY_CURRENT_USER.
struct RegEntry
{
    std::wstring path;
    bool key;
    std::wstring name; // the value's; "" for the default value
    DWORD type;
    std::string data;
};

// Each key followed by its values, then by its subkeys.
using RegTree = std::vector<RegEntry>;

// Where a step failed.
struct Failure
{
    DWORD error;
    std::wstring where;
};

std::wstring Named(const std::wstring& path)
{
    return L"HKEY_CURRENT_USER\\" + path;
}

// The same key, or the same value of the same key. Registry names ignore case; Tessaline's are
// ASCII.
const RegEntry* Find(const RegTree& tree, const RegEntry& like)
{
    for (const RegEntry& entry : tree)
        if (entry.key == like.key && SameAsciiText(entry.path, like.path) &&
            SameAsciiText(entry.name, like.name))
            return &entry;
    return nullptr;
}

void AddKey(RegTree& tree, const std::wstring& path)
{
    tree.push_back({path, true, L"", REG_NONE, ""});
}

// A text value of the last key added.
void AddText(RegTree& tree, const wchar_t* name, const std::wstring& text)
{
    const char* bytes = reinterpret_cast<const char*>(text.c_str());
    tree.push_back({tree.back().path, false, name, REG_SZ,
                    std::string(bytes, (text.size() + 1) * sizeof(wchar_t))});
}

// A verb with its text, how many folders it takes and exe's icon, and its command, which runs exe
// with the arguments and the folder.
void AddVerb(RegTree& tree, const std::wstring& path, const wchar_t* textName, const wchar_t* text,
             const wchar_t* model, const std::wstring& exe, const std::wstring& arguments)
{
    AddKey(tree, path);
    AddText(tree, textName, text);
    AddText(tree, L"MultiSelectModel", model);
    AddText(tree, L"Icon", exe + L",0");
    AddKey(tree, path + L"\\command");
    AddText(tree, L"", L"\"" + exe + L"\" " + arguments + L"\"%1\"");
}

// The items of the "Folder colour" submenu, in the order of their keys' names.
struct ColourItem
{
    const wchar_t* key;
    const wchar_t* text;
    const wchar_t* arguments;
};
constexpr ColourItem kColourItems[] = {
    {L"0 Red", L"Red", L"/apply #D9433B "},       {L"1 Orange", L"Orange", L"/apply #EE8A2A "},
    {L"2 Yellow", L"Yellow", L"/apply #E8C21F "}, {L"3 Green", L"Green", L"/apply #43A047 "},
    {L"4 Teal", L"Teal", L"/apply #1E9E98 "},     {L"5 Blue", L"Blue", L"/apply #3A7BD5 "},
    {L"6 Purple", L"Purple", L"/apply #8E4EC6 "}, {L"7 Pink", L"Pink", L"/apply #D9508F "},
    {L"8 Grey", L"Grey", L"/apply #8A8F98 "},     {L"9 Other", L"Other colour...", L"/colour "},
    {L"z Default", L"Default", L"/remove "},
};

// Without a MultiSelectModel Windows takes a verb for "Document" and hides it above 15 folders;
// "Player" offers it for many, each started with its own copy, which the menu switch gathers into
// one run. The window takes one folder: "Single".
RegTree VerbsFor(const std::wstring& exe, bool submenus)
{
    const std::wstring menu = std::wstring(kMenuSwitch) + L" ";
    const std::wstring colour = kFolderColourVerbKey;
    RegTree tree;
    AddVerb(tree, kFolderMenuVerbKey, L"", L"Change folder icon...", L"Single", exe, L"");
    // XP shows no submenu of a registered verb: the colour dialog is its one way in there.
    if (!submenus)
    {
        AddVerb(tree, colour, L"", L"Folder colour...", L"Player", exe, menu + L"/colour ");
        return tree;
    }
    AddKey(tree, colour);
    AddText(tree, L"MUIVerb", L"Folder colour");
    AddText(tree, L"SubCommands", L"");
    AddText(tree, L"MultiSelectModel", L"Player");
    AddText(tree, L"Icon", exe + L",0");
    AddKey(tree, colour + L"\\shell");
    for (const ColourItem& item : kColourItems)
        AddVerb(tree, colour + L"\\shell\\" + item.key, L"MUIVerb", item.text, L"Player", exe,
                menu + item.arguments);
    return tree;
}

// The first key or value that no copy of Tessaline writes, as a person would name it; "" when
// every one is Tessaline's (the texts may be another copy's).
std::wstring OthersName(const RegTree& found)
{
    const RegTree ours[] = {VerbsFor(L"", true), VerbsFor(L"", false)};
    for (const RegEntry& entry : found)
        if (Find(ours[0], entry) == nullptr && Find(ours[1], entry) == nullptr)
            return entry.key ? Named(entry.path)
                             : Named(entry.path) + L", value \"" + entry.name + L"\"";
    return L"";
}

// Adds the key at path, its values and every key below it to tree.
Failure ReadTree(const std::wstring& path, RegTree& tree)
{
    HKEY opened = nullptr;
    LONG error = RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &opened);
    if (error == ERROR_FILE_NOT_FOUND)
        return {ERROR_SUCCESS, L""};
    UniqueHkey key(opened);
    DWORD longestName = 0, longestData = 0;
    if (error == ERROR_SUCCESS)
        error = RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, &longestName, &longestData, nullptr, nullptr);
    AddKey(tree, path);
    // A key name has at most 255 characters.
    std::wstring name(std::max<DWORD>(longestName, 255) + 1, L'\0');
    for (DWORD i = 0; error == ERROR_SUCCESS; ++i)
    {
        RegEntry value{path, false, L"", REG_NONE, std::string(longestData, '\0')};
        DWORD length = static_cast<DWORD>(name.size()), bytes = longestData;
        error = RegEnumValueW(key.get(), i, &name[0], &length, nullptr, &value.type,
                              reinterpret_cast<BYTE*>(&value.data[0]), &bytes);
        value.name.assign(name, 0, length);
        value.data.resize(bytes);
        if (error == ERROR_SUCCESS)
            tree.push_back(std::move(value));
    }
    for (DWORD i = 0; error == ERROR_NO_MORE_ITEMS; ++i)
    {
        DWORD length = static_cast<DWORD>(name.size());
        const LONG listed =
            RegEnumKeyExW(key.get(), i, &name[0], &length, nullptr, nullptr, nullptr, nullptr);
        if (listed != ERROR_SUCCESS)
            return {listed == ERROR_NO_MORE_ITEMS ? ERROR_SUCCESS : static_cast<DWORD>(listed),
                    path};
        Failure failed = ReadTree(path + L"\\" + name.substr(0, length), tree);
        if (failed.error != ERROR_SUCCESS)
            return failed;
    }
    return {static_cast<DWORD>(error), path};
}

// Makes the keys of current into target: target's keys and values written, each key before its
// values and subkeys, then what only current has deleted, each key after them. Stops at the first
// failure, or with goOn comes as near as it can; returns every failure.
std::vector<Failure> Reach(const RegTree& target, const RegTree& current, bool goOn)
{
    std::vector<Failure> failures;
    const auto failed = [&](LONG error, const std::wstring& where) {
        if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND)
            failures.push_back({static_cast<DWORD>(error), where});
        return !failures.empty() && !goOn;
    };
    UniqueHkey open; // the key of the values that follow it
    for (const RegEntry& entry : target)
    {
        HKEY key = nullptr;
        const LONG error = entry.key
                               ? RegCreateKeyExW(HKEY_CURRENT_USER, entry.path.c_str(), 0, nullptr,
                                                 0, KEY_SET_VALUE, nullptr, &key, nullptr)
                           : open ? RegSetValueExW(open.get(), entry.name.c_str(), 0, entry.type,
                                                   reinterpret_cast<const BYTE*>(entry.data.data()),
                                                   static_cast<DWORD>(entry.data.size()))
                                  : ERROR_SUCCESS;
        if (entry.key)
            open.reset(key);
        if (failed(error, entry.path))
            return failures;
    }
    open.reset();
    for (auto entry = current.rbegin(); entry != current.rend(); ++entry)
    {
        if (Find(target, *entry) != nullptr)
            continue;
        HKEY key = nullptr;
        LONG error = entry->key ? RegDeleteKeyW(HKEY_CURRENT_USER, entry->path.c_str())
                                : RegOpenKeyExW(HKEY_CURRENT_USER, entry->path.c_str(), 0,
                                                KEY_SET_VALUE, &key);
        if (!entry->key && error == ERROR_SUCCESS)
            error = RegDeleteValueW(UniqueHkey(key).get(), entry->name.c_str());
        if (failed(error, entry->path))
            return failures;
    }
    return failures;
}

FolderMenuChange ChangeVerbs(const RegTree& target)
{
    RegTree before;
    std::vector<Failure> failed{ReadTree(kFolderMenuVerbKey, before)};
    if (failed[0].error == ERROR_SUCCESS)
        failed[0] = ReadTree(kFolderColourVerbKey, before);
    const bool read = failed[0].error == ERROR_SUCCESS;
    if (read)
    {
        // Someone else's key below a verb would be deleted with it, or keep it in every folder's
        // menu without its command.
        const std::wstring others = OthersName(before);
        if (!others.empty())
            return {ERROR_DIR_NOT_EMPTY,
                    others + L": not Tessaline's, so the folder menu was left as it was."};
        failed = Reach(target, before, false);
    }
    if (failed.empty())
        return {};
    // Back as it was: what target holds beyond before is what the failed change can have left.
    const std::vector<Failure> unmended =
        read ? Reach(before, target, true) : std::vector<Failure>();
    FolderMenuChange change{failed[0].error,
                            FailureLine(Named(failed[0].where),
                                        read ? L"could not be changed" : L"could not be read",
                                        failed[0].error)};
    change.leftChanged = !unmended.empty();
    change.line += change.leftChanged ? L". The folder menu is left changed in part, where it "
                                        L"could not be put back:"
                                      : L". The folder menu was left as it was.";
    for (const Failure& left : unmended)
        change.line += L"\r\n" + FailureLine(Named(left.where), L"not as it was", left.error);
    return change;
}
} // namespace

bool SystemHasVerbSubmenus()
{
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof version;
    version.dwMajorVersion = 6;
    version.dwMinorVersion = 1;
    const ULONGLONG condition =
        VerSetConditionMask(VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL),
                            VER_MINORVERSION, VER_GREATER_EQUAL);
    return VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION, condition) != FALSE;
}

std::wstring FolderMenuCommand(const std::wstring& exe)
{
    return L"\"" + exe + L"\" \"%1\"";
}

bool FolderMenuVerbRuns(const std::wstring& exe)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kCommandKey.c_str(), 0, KEY_QUERY_VALUE, &opened) !=
        ERROR_SUCCESS)
        return false;
    UniqueHkey key(opened);
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    std::wstring command(bytes / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(&command[0]),
                         &bytes) != ERROR_SUCCESS)
        return false;
    command.resize(command.find(L'\0'));
    // Windows paths ignore case: the same copy may be named in another case.
    return lstrcmpiW(command.c_str(), FolderMenuCommand(exe).c_str()) == 0;
}

FolderMenuChange AddFolderMenuVerb(const std::wstring& exe, bool submenus)
{
    // A new copy's verbs replace an older copy's, whatever items those had.
    return ChangeVerbs(VerbsFor(exe, submenus));
}

FolderMenuChange RemoveFolderMenuVerb()
{
    return ChangeVerbs({});
}
