#include "ui/ProductTexts.h"
#include "ui/about/frmAbout.h"

namespace
{
using K = ControlKind;

// Left, top, width and height in twips; TabIndex; options. Rows in the designer's stored order.
constexpr ControlDesign kControls[] = {
    {K::Label, L"lblAbout", 0, L"TESL (Tessaline)", 720, 120, 2895, 255, 0, kNone},
    {K::Label, L"lblAbout", 1, L"for Windows XP/7/8/8.1", 720, 360, 2895, 255, 1, kNone},
    {K::Label, L"lblAbout", 2, L"Version :", 720, 600, 735, 255, 2, kNone},
    {K::Label, L"lblVer", -1, L"-", 1440, 600, 2175, 255, 3, kNone},
    {K::PictureBox, L"picIcon", -1, L"", 120, 120, 495, 495, 4, kNoBorder | kFaceBackground},
    {K::Label, L"lblAbout", 3, kAuthorLine, 120, 960, 1455, 255, 5, kNone},
    {K::Label, L"lblAbout", 4, kMailLine, 120, 1200, 2895, 255, 6, kNone},
    {K::Label, L"lblAbout", 5, kSecondMail, 720, 1440, 1935, 255, 7, kNone},
    {K::LinkLabel, L"lblLink", 0, kProfileAddress, 120, 1800, 2895, 255, 8, kHandCursor},
    {K::LinkLabel, L"lblLink", 1, kSecondProfileAddress, 120, 2160, 2655, 255, 9, kHandCursor},
    {K::LinkLabel, L"lblLink", 2, kBlogAddress, 120, 2520, 2415, 255, 10, kHandCursor},
};
static_assert(sizeof kControls / sizeof kControls[0] == frmAbout::kControlCount,
              "one design row per control");

constexpr FormDesign kDesign = {
    L"TessalineAbout", L"About", 3750, 2910,      BorderKind::FixedDialog, false,
    L"Tahoma",         825,      400,  kControls, frmAbout::kControlCount,
};
} // namespace

const FormDesign& frmAboutDesign()
{
    return kDesign;
}
