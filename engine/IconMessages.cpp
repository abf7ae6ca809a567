#include "engine/IconMessages.h"

#include "engine/FolderPicture.h"
#include "engine/imaging/PictureDecode.h"
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
    case IconStatus::IniTooLarge:
        return IconMessage{L"With Tessaline's lines, " + result.path +
                               L" would be larger than the 64 KB that a settings file may hold. "
                               L"Nothing was changed.",
                           L"Error", kErrorStyle};
    case IconStatus::MadeFileTaken:
        return IconMessage{result.path +
                               L" was not written by Tessaline, which never replaces it. Nothing "
                               L"was changed.",
                           L"Error", kErrorStyle};
    default:
        return std::nullopt;
    }
}

// The lines of the files a change left, each after a blank line: the person may wonder why a
// file is still there, and should know that it goes later.
std::wstring LeftFilesText(const IconResult& result)
{
    std::wstring text;
    for (const std::wstring& path : result.leftFiles)
        text += L"\n\n" + LeftFileLine(path);
    return text;
}

IconMessage DriveRootMessage()
{
    return {L"Please choose folder to change icon", L"Error", kErrorStyle};
}

// A folder text that names no folder Tessaline can change, though it looks like one.
std::optional<IconMessage> NotAFolderMessage(const IconResult& result)
{
    switch (result.status)
    {
    case IconStatus::DotOrSpaceAtEnd:
        return IconMessage{L"A name in \"" + result.path +
                               L"\" ends in a dot or a space, which Windows leaves out of a path: "
                               L"the icon would go to another folder. Nothing was changed.",
                           L"Error", kErrorStyle};
    case IconStatus::DeviceName:
        return IconMessage{result.path + L" is the name of a device, such as CON or COM1, not a "
                                         L"folder. Nothing was changed.",
                           L"Error", kErrorStyle};
    default:
        return std::nullopt;
    }
}

IconMessage RelativeFolderMessage()
{
    return {L"Please give the folder's full path, such as C:\\Photos. Nothing was changed.",
            L"Error", kErrorStyle};
}

// Why an icon text naming an icon by its index was refused.
IconMessage IconRefusalMessage(const IconResult& result)
{
    const std::wstring quoted = L"\"" + result.path + L"\"";
    std::wstring text;
    switch (result.problem)
    {
    case IconProblem::IndexMissing:
        text = quoted + L" ends in a comma with no icon number after it.";
        break;
    case IconProblem::IndexTooLarge:
        text = L"The icon number in " + quoted + L" is too large.";
        break;
    case IconProblem::FileMissing:
        text = L"The file named in " + quoted + L" can't be found.";
        break;
    case IconProblem::NotAnIconFile:
        text = L"The file named in " + quoted +
               L" is neither an icon (an icon file, a program or an icon library) nor a picture "
               L"that Windows can read.";
        break;
    case IconProblem::NoIcons:
        text = L"The file named in " + quoted + L" holds no icons.";
        break;
    case IconProblem::IndexPastEnd:
        text = L"The file named in " + quoted + L" holds " + DecimalText(result.iconCount) +
               (result.iconCount == 1
                    ? L" icon, number 0."
                    : L" icons, numbered 0 to " + DecimalText(result.iconCount - 1) + L".");
        break;
    case IconProblem::NoFolderIcon:
        text =
            L"Tessaline could not read the system's folder icon to make it " + result.path + L".";
        break;
    case IconProblem::PictureUnreadable:
        text = L"The picture " + quoted +
               L" can't be read: Windows reads no pictures of its kind, or the file is damaged.";
        break;
    case IconProblem::PictureNoPixels:
        text = L"The picture " + quoted + L" has no pixels to make an icon of.";
        break;
    case IconProblem::PictureTooLarge:
        text = L"The picture " + quoted + L" is larger than Tessaline takes: up to " +
               DecimalText(static_cast<unsigned>(kLargestPicture / 1000000)) +
               L" million pixels and " +
               DecimalText(static_cast<unsigned>(kLargestPictureFile >> 20)) + L" MB.";
        break;
    case IconProblem::NoSuchResource:
    case IconProblem::None:
        text = L"The file named in " + quoted + L" has no icon resource with that number.";
        break;
    }
    return {text + L" Nothing was changed.", L"Error", kErrorStyle};
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
    case IniFault::EditedLines:
        return L"it holds lines in the shape of Tessaline's that can't be proven Tessaline's (its "
               L"first line \";for Windows 7/8/8.1\" or its last line \"; TESL (Tessaline) ...\" "
               L"was changed, deleted or repeated)";
    case IniFault::BrokenLine:
        return L"a line in it ends in bytes that are no text in the system's code page, which "
               L"Windows reads together with the next line";
    case IniFault::NotExact:
        return L"the icon's path needs the file in UTF-16, and a line in it would not come back "
               L"exactly as it is";
    case IniFault::Link:
        return L"it is a link to another file, which a new file in its place would break";
    case IniFault::HardLinks:
        return L"it has more than one name (hard links), which a new file would part";
    case IniFault::None:
        break;
    }
    return std::wstring();
}

std::wstring LeftFileLine(const std::wstring& path)
{
    return path + L": could not be deleted yet, another program has it open; the next Apply or "
                  L"Remove in its folder deletes it";
}

IconMessage ApplyMessage(const IconResult& result, const std::wstring& errorDescription)
{
    if (std::optional<IconMessage> message = FileMessage(result, errorDescription))
        return *message;
    if (std::optional<IconMessage> message = NotAFolderMessage(result))
        return *message;
    switch (result.status)
    {
    case IconStatus::Ok:
        return {L"Success change icon" + LeftFilesText(result), L"Tessaline", kInformationStyle};
    case IconStatus::ControlCharacter:
        return ControlCharacterMessage();
    case IconStatus::DriveRoot:
        return DriveRootMessage();
    case IconStatus::RelativeFolder:
        return RelativeFolderMessage();
    case IconStatus::IconRefused:
        return IconRefusalMessage(result);
    case IconStatus::MissingInput:
    case IconStatus::EmptyFolder:
    case IconStatus::WriteFailed:
    case IconStatus::NotSettingsFile:
    case IconStatus::IniTooLarge:
    case IconStatus::NotTessalines:
    case IconStatus::MadeFileTaken:
    case IconStatus::DotOrSpaceAtEnd:
    case IconStatus::DeviceName:
        break;
    }
    return {L"Please choose folder and icon", L"Error", kErrorStyle};
}

std::optional<IconMessage> RemoveMessage(const IconResult& result,
                                         const std::wstring& errorDescription)
{
    if (std::optional<IconMessage> message = FileMessage(result, errorDescription))
        return message;
    if (std::optional<IconMessage> message = NotAFolderMessage(result))
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
        if (!result.leftFiles.empty())
            return IconMessage{LeftFilesText(result).substr(2), L"Tessaline", kInformationStyle};
        break;
    case IconStatus::MissingInput:
    case IconStatus::WriteFailed:
    case IconStatus::NotSettingsFile:
    case IconStatus::IconRefused:
    case IconStatus::IniTooLarge:
    case IconStatus::NotTessalines:
    case IconStatus::MadeFileTaken:
    case IconStatus::DotOrSpaceAtEnd:
    case IconStatus::DeviceName:
        break;
    }
    return std::nullopt;
}
