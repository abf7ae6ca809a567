#include "engine/IconMessages.h"

#include "runtime/DecimalText.h"

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

// The message of a result that touched nothing because of the file, if it is one.
std::optional<IconMessage> FileMessage(const IconResult& result,
                                       const std::wstring& errorDescription)
{
    switch (result.status)
    {
    case IconStatus::WriteFailed:
        return IconMessage{L"Could not write " + result.path + L"\n\nError " +
                               DecimalText(result.error) + L": " + errorDescription,
                           L"Error", kErrorStyle};
    case IconStatus::NotSettingsFile:
        return IconMessage{result.path + L" is not a settings file that Tessaline can change: " +
                               IniFaultText(result.fault) + L". Nothing was changed.",
                           L"Error", kErrorStyle};
    default:
        return std::nullopt;
    }
}

IconMessage DriveRootMessage()
{
    return {L"Please choose folder to change icon", L"Error", kErrorStyle};
}

IconMessage RelativeFolderMessage()
{
    return {L"Please give the folder's full path, such as C:\\Photos. Nothing was changed.",
            L"Error", kErrorStyle};
}
} // namespace

std::wstring IniFaultText(IniFault fault)
{
    switch (fault)
    {
    case IniFault::TooLarge:
        return L"it is larger than 64 KB";
    case IniFault::NulByte:
        return L"it holds NUL bytes";
    case IniFault::OddLength:
        return L"it is UTF-16 text with an odd number of bytes";
    case IniFault::Directory:
        return L"it is a folder";
    case IniFault::None:
        break;
    }
    return std::wstring();
}

IconMessage ApplyMessage(const IconResult& result, const std::wstring& errorDescription)
{
    if (std::optional<IconMessage> message = FileMessage(result, errorDescription))
        return *message;
    switch (result.status)
    {
    case IconStatus::Ok:
        return {L"Success change icon", L"Tessaline", kInformationStyle};
    case IconStatus::ControlCharacter:
        return ControlCharacterMessage();
    case IconStatus::DriveRoot:
        return DriveRootMessage();
    case IconStatus::RelativeFolder:
        return RelativeFolderMessage();
    case IconStatus::MissingInput:
    case IconStatus::EmptyFolder:
    case IconStatus::WriteFailed:
    case IconStatus::NotSettingsFile:
        break;
    }
    return {L"Please choose folder and icon", L"Error", kErrorStyle};
}

std::optional<IconMessage> RemoveMessage(const IconResult& result,
                                         const std::wstring& errorDescription)
{
    if (std::optional<IconMessage> message = FileMessage(result, errorDescription))
        return message;
    switch (result.status)
    {
    case IconStatus::EmptyFolder:
    case IconStatus::DriveRoot:
        return DriveRootMessage();
    case IconStatus::ControlCharacter:
        return ControlCharacterMessage();
    case IconStatus::RelativeFolder:
        return RelativeFolderMessage();
    case IconStatus::Ok:
    case IconStatus::MissingInput:
    case IconStatus::WriteFailed:
    case IconStatus::NotSettingsFile:
        break;
    }
    return std::nullopt;
}
