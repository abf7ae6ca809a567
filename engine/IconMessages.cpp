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

IconMessage ApplyMessage(const IconResult& result, const std::wstring& errorDescription)
{
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
    case IconStatus::WriteFailed:
        return {L"Could not write " + result.path + L"\n\nError " + std::to_wstring(result.error) +
                    L": " + errorDescription,
                L"Error", kErrorStyle};
    case IconStatus::MissingInput:
    case IconStatus::EmptyFolder:
        break;
    }
    return {L"Please choose folder and icon", L"Error", kErrorStyle};
}

std::optional<IconMessage> RemoveMessage(const IconResult& result)
{
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
        break;
    }
    return std::nullopt;
}
