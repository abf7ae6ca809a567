#pragma once
// Giving a folder a custom shell icon and taking it away: the file and attribute work behind
// "Apply" and "Remove". Touches no window; the caller turns the result into a message.

#include <windows.h>

#include <string>
#include <vector>

#include "engine/FolderPath.h"
#include "engine/IniText.h"

enum class IconStatus
{
    Ok,
    MissingInput,     // the folder text or the icon text is empty: nothing touched
    ControlCharacter, // a text holds a character below U+0020: nothing touched
    EmptyFolder,      // removal with an empty folder text: declined, nothing touched
    DriveRoot,        // the folder text names a drive's or a share's root: nothing touched
    RelativeFolder,   // the folder text is not a full path, or names a server alone: nothing
                      // touched
    WriteFailed,      // the file could not be read or written: the folder is as it was
    NotSettingsFile,  // the desktop.ini is no settings file to change: nothing touched
    IconRefused,      // the icon text names no icon that can be written: nothing touched
    IniTooLarge,      // with Tessaline's lines the desktop.ini would be larger than a settings
                      // file may be: nothing touched
    NotTessalines,    // a removal of Tessaline's icon only, and the icon is someone else's:
                      // nothing touched
    MadeFileTaken,    // the folder holds a file of a made icon file's name (a colour's, a
                      // picture's) that Tessaline didn't write (path): nothing touched
    DotOrSpaceAtEnd,  // a name in the folder text (path) ends in a dot or a space, which the system
                      // drops: nothing touched
    DeviceName,       // the folder text (path) names a device: nothing touched
};

// Why an icon text that names an icon by its index is refused.
enum class IconProblem
{
    None,
    IndexMissing,      // "path," with nothing after the comma
    IndexTooLarge,     // an index that does not fit in 32 bits
    FileMissing,       // no such file
    NotAnIconFile,     // neither an icon file, a program or icon library, nor a picture
    NoIcons,           // a program or library without icons
    IndexPastEnd,      // an index at or past the file's number of icons
    NoSuchResource,    // a negative index: no icon resource with that id
    NoFolderIcon,      // a colour: the system's folder icon can't be read or made into a file
    PictureUnreadable, // a picture's file (by its extension) that no codec of the system reads
    PictureNoPixels,   // a picture without pixels, or with none that isn't transparent
    PictureTooLarge,   // a picture of more pixels or bytes than Tessaline takes
};

struct IconResult
{
    IconStatus status = IconStatus::Ok;
    DWORD error = ERROR_SUCCESS;             // the Windows error number of a WriteFailed
    std::wstring path;                       // a WriteFailed's or NotSettingsFile's path; the
                                             // icon text of an IconRefused; the folder text of
                                             // a DotOrSpaceAtEnd or a DeviceName
    IniFault fault = IniFault::None;         // why a NotSettingsFile is none
    IconProblem problem = IconProblem::None; // why an IconRefused is refused
    int iconCount = 0;                       // the icons that the file holds, for an IndexPastEnd
    std::vector<std::wstring> leftFiles{};   // after an Ok: made icon files of Tessaline's that
                                             // should have gone but another program holds open;
                                             // a later apply or removal deletes them
};

// Gives the folder the icon: Tessaline's lines go into its "desktop.ini", every other line of an
// existing one kept as it was. Marks the file read-only, hidden and system, and adds read-only to
// the folder's attributes. On failure the folder is left as it was: the previous file intact, the
// attributes of the file and the folder restored, no staged file left behind. The folder is
// refused by its kind (a root, relative, a control character) and by what it leads to (a link to
// a root); its files are named from its Path(), its marks are those of what it leads to, the
// shell is told by its Full(). An icon that Tessaline makes (a colour "#RRGGBB", a picture) is
// written into the folder as a hidden, system file (see MadeIconFile.h) that the desktop.ini
// names relative to the folder. A made file that Tessaline's lines named before is deleted once
// the new icon is in place.
IconResult ApplyFolderIcon(const FolderText& folder, const std::wstring& iconText);

// What a removal may take away.
enum class RemoveScope
{
    AnyIcon,        // the person sees the icon in the preview and asks for the folder's own
    TessalinesOnly, // batch mode: a folder whose icon Tessaline didn't set is left alone
};

// Takes Tessaline's lines out of the folder's "desktop.ini" and brings back the icon keys they
// set aside; without them, takes away the icon that the file names (AnyIcon) or nothing
// (TessalinesOnly, NotTessalines). A file left without keys or comments is deleted and the folder
// loses its read-only mark; otherwise the rest is written back as safely as an apply writes, the
// file keeps its marks and the folder gets back the marks it had before the apply. The made
// file that Tessaline's lines named goes too. Without a desktop.ini nothing is touched.
IconResult RemoveFolderIcon(const FolderText& folder, RemoveScope scope = RemoveScope::AnyIcon);

// The icon that a folder's desktop.ini names, for a list of the folders that have one.
struct FolderIconShown
{
    IconResult result;       // Ok; a WriteFailed or NotSettingsFile where the file can't be read
    bool tessalines = false; // Tessaline's lines name it
    std::wstring shows;      // as the file names it, "file,index"; empty for none. For an icon that
                             // Tessaline made, what it was made from ("#RRGGBB")
};
FolderIconShown ReadFolderIcon(const FolderText& folder);
