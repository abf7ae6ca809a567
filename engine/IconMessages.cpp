#include "engine/IconMessages.h"

namespace
{
constexpr UINT kErrorStyle = MB_OK | MB_ICONERROR;
constexpr UINT kInformationStyle = MB_OK | MB_ICONINFORMATION;

IconMessage ControlCharacterMessage()
{
    return {L"The folder and icon paths must not contain tabs, line breaks or other control "
            L"characters. Nothing was changed.",
            L"Error", kErrorStyle};
}

// Why the icon text was refused; empty for every other outcome.
std::wstring IconRefusal(const IconResult& result)
{
    const std::wstring quoted = L"\"" + result.path + L"\"";
    switch (result.status)
    {
    case IconStatus::IconIndexMissing:
        return quoted + L" ends in a comma with no icon number after it.";
    case IconStatus::IconIndexTooLarge:
        return L"The icon number in " + quoted + L" is too large.";
    case IconStatus::IconFileMissing:
        return L"The file named in " + quoted + L" can't be found.";
    case IconStatus::NotAnIconFile:
        return L"The file named in " + quoted +
               L" is not an icon file, a program or an icon library.";
    case IconStatus::NoIcons:
        return L"The file named in " + quoted + L" holds no icons.";
    case IconStatus::IconIndexPastEnd:
        return L"The file named in " + quoted + L" holds " + std::to_wstring(result.iconCount) +
               (result.iconCount == 1
                    ? L" icon, number 0."
                    : L" icons, numbered 0 to " + std::to_wstring(result.iconCount - 1) + L".");
    case IconStatus::NoSuchIconResource:
        return L"The file named in " + quoted + L" has no icon resource with that number.";
    default:
        return std::wstring();
    }
}
} // namespace

IconMessage ApplyMessage(const IconResult& result, const std::wstring& errorDescription)
{
    const std::wstring refusal = IconRefusal(result);
    if (!refusal.empty())
        return {refusal + L" Nothing was changed.", L"Error", kErrorStyle};
    switch (result.status)
    {
    case IconStatus::Ok:
        return {L"Success change icon", L"Tessaline", kInformationStyle};
    case IconStatus::ControlCharacter:
        return ControlCharacterMessage();
    case IconStatus::WriteFailed:
        return {L"Could not write " + result.path + L"\n\nError " + std::to_wstring(result.error) +
                    L": " + errorDescription,
                L"Error", kErrorStyle};
    default:
        break;
    }
    return {L"Please choose folder and icon", L"Error", kErrorStyle};
}

std::optional<IconMessage> RemoveMessage(const IconResult& result)
{
    switch (result.status)
    {
    case IconStatus::EmptyFolder:
        return IconMessage{L"Please choose folder to change icon", L"Error", kErrorStyle};
    case IconStatus::ControlCharacter:
        return ControlCharacterMessage();
    default:
        break;
    }
    return std::nullopt;
}
