#pragma once
// A window's design as data: one row per control, in twips, as a form designer would store it.

#include <windows.h>

enum class ControlKind
{
    CommandButton,
    TextBox,
    Label,
    LinkLabel, // a label in the form's font underlined, with a click event; it takes the focus
    PictureBox,
};

// Options of a row; combine with |.
enum ControlOption : unsigned
{
    kNone = 0,
    kDisabled = 1u << 0,       // created disabled
    kAlignRight = 1u << 1,     // label text right-aligned
    kUnderlined = 1u << 2,     // the form's font, underlined
    kHandCursor = 1u << 3,     // the program's hand-shaped link cursor
    kNoBorder = 1u << 4,       // a picture box without the sunken edge
    kFaceBackground = 1u << 5, // a picture box in the button-face colour, not the window colour
};

struct ControlDesign
{
    ControlKind kind;
    const wchar_t* name;
    int index; // member index in an indexed group, -1 for a control that stands alone
    const wchar_t* caption;
    int left, top, width, height; // twips
    int tabIndex;
    unsigned options;
    // What assistive technology calls the control where its caption says nothing ("...", a
    // picture); the caption stays what the eye sees. nullptr: the system's own name.
    const wchar_t* accessibleName = nullptr;
};

enum class BorderKind
{
    FixedDialog, // no resizing, no maximise button
};

struct FormDesign
{
    const wchar_t* className;
    const wchar_t* caption;
    int clientWidth, clientHeight; // twips
    BorderKind border;
    bool minButton;
    const wchar_t* fontFace;
    int fontSizeHundredths; // 825 for 8.25 pt
    int fontWeight;
    const ControlDesign* controls;
    int controlCount;
};
