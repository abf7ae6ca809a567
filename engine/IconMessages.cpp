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
} // namespace

IconMessage ApplyMessage(const IconResult& result, const std::wstring& errorDescription)
{
    switch (result.status)
    {
    case IconStatus::Ok:
        return {L"Success change icon", L"Tessaline", kInformationStyle};
    case IconStatus::ControlCharacter:
        return ControlCharacterMessage();
    case IconStatus::WriteFailed:
        return {L"Could not write " + result.path + L"\n\nError " + DecimalText(result.error) +
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
        return IconMessage{L"Please choose folder to change icon", L"Error", kErrorStyle};
    case IconStatus::ControlCharacter:
        return ControlCharacterMessage();
    case IconStatus::Ok:
    case IconStatus::MissingInput:
    case IconStatus::WriteFailed:
        break;
    }
    return std::nullopt;
}
