#include "ui/ProductTexts.h"
#include "ui/main/frmMain.h"

namespace
{
using K = ControlKind;

// Left, top, width and height in twips; TabIndex; options; the name for assistive technology. Rows
// in the designer's stored order.
constexpr ControlDesign kControls[] = {
    {K::CommandButton, L"cmdApply", -1, L"Apply", 2640, 960, 975, 375, 6, kDisabled},
    {K::CommandButton, L"cmdRemove", -1, L"Remove", 3720, 960, 975, 375, 5, kDisabled},
    {K::CommandButton, L"cmdIcon", -1, L"...", 4200, 480, 495, 300, 4, kNone, L"Choose icon"},
    {K::CommandButton, L"cmdFolder", -1, L"...", 4200, 120, 495, 300, 3, kNone, L"Choose folder"},
    {K::TextBox, L"txtFolder", -1, L"", 1680, 120, 2415, 300, 2, kNone},
    {K::TextBox, L"txtIcon", -1, L"", 1680, 480, 2415, 300, 1, kNone},
    {K::PictureBox, L"picIcon", -1, L"", 120, 120, 720, 720, 0, kNone, L"Preview"},
    {K::Label, L"lblMain", 1, L"Icon :", 840, 480, 735, 255, 9, kAlignRight},
    {K::Label, L"lblMain", 0, L"Folder :", 840, 120, 735, 255, 8, kAlignRight},
    {K::LinkLabel, L"lblCopyright", -1, kNoticeLine, 120, 1560, 4095, 255, 7,
     kUnderlined | kHandCursor},
};
static_assert(sizeof kControls / sizeof kControls[0] == frmMain::kControlCount,
              "one design row per control");

constexpr FormDesign kDesign = {
    L"TessalineMain", L"Tessaline", 4815, 1845,      BorderKind::FixedDialog, true,
    L"Tahoma",        825,          400,  kControls, frmMain::kControlCount,
};
} // namespace

const FormDesign& frmMainDesign()
{
    return kDesign;
}
