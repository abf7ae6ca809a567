#include "dialogs/cCommonDialog.h"

#include "dialogs/Records.h"
#include "runtime/Error.h"

#include <cstddef>

namespace
{
// The record as Windows NT 4 defined it, up to lpTemplateName: every later Windows accepts it,
// and the class fills none of the fields added after it.
constexpr DWORD kRecordSize = static_cast<DWORD>(offsetof(OPENFILENAMEW, lpTemplateName) +
                                                 sizeof(OPENFILENAMEW::lpTemplateName));
#if !defined(_WIN64)
static_assert(kRecordSize == 76, "the 32-bit record up to lpTemplateName is 76 bytes");
#endif

// Both the file-name and the title buffer, whether or not several files may be chosen.
constexpr DWORD kBufferChars = MAX_PATH;

// Filters this long have always been refused with an overflow error (the conversion counted
// characters in 16 signed bits); callers may rely on it.
constexpr std::size_t kFilterCharsLimit = 32767;

// A hook or a template would need a procedure or a resource that the class never passes.
constexpr DWORD kRefusedFlags = OFN_ENABLEHOOK | OFN_ENABLETEMPLATE;

// "|" and ":" both end a description or a pattern; the list ends with two more NULs.
std::wstring ConvertFilter(const std::wstring& filter)
{
    std::wstring converted;
    converted.reserve(filter.size() + 2);
    for (wchar_t c : filter)
        converted += (c == L'|' || c == L':') ? L'\0' : c;
    converted.append(2, L'\0');
    return converted;
}

std::wstring TextBuffer(const std::wstring& text)
{
    std::wstring buffer = text;
    buffer.resize(kBufferChars, L'\0');
    return buffer;
}

// An empty text lets the dialog fall back on its own default.
const wchar_t* TextOrNull(const std::wstring& text)
{
    return text.empty() ? nullptr : text.c_str();
}
} // namespace

cCommonDialog::cCommonDialog(CommonDialogApi& api) noexcept : m_api(api) {}

bool cCommonDialog::VBGetOpenFileName(OpenFileNameArgs& args)
{
    DWORD optionFlags = 0;
    if (args.FileMustExist)
        optionFlags |= OFN_FILEMUSTEXIST;
    if (args.MultiSelect)
        optionFlags |= OFN_ALLOWMULTISELECT;
    if (args.ReadOnly)
        optionFlags |= OFN_READONLY;
    if (args.HideReadOnly)
        optionFlags |= OFN_HIDEREADONLY;

    if (!ShowFileDialog(args, optionFlags, &CommonDialogApi::GetOpenFileNameW, -1))
        return false;
    if (args.flags & OFN_READONLY)
        args.ReadOnly = true;
    return true;
}

bool cCommonDialog::VBGetSaveFileName(SaveFileNameArgs& args)
{
    DWORD optionFlags = OFN_HIDEREADONLY;
    if (args.OverWritePrompt)
        optionFlags |= OFN_OVERWRITEPROMPT;
    return ShowFileDialog(args, optionFlags, &CommonDialogApi::GetSaveFileNameW, 0);
}

std::wstring cCommonDialog::VBGetFileTitle(const std::wstring& sFile)
{
    std::wstring title(kBufferChars, L'\0');
    // Any nonzero result is an error or the size the title would need: no title was written.
    if (m_api.GetFileTitleW(sFile.c_str(), title.data(), static_cast<WORD>(kBufferChars)) != 0)
        return {};
    return CutAtNull(title);
}

std::wstring cCommonDialog::CutAtNull(const std::wstring& text)
{
    return text.substr(0, text.find(L'\0'));
}

// The n-th entry (1-based) of a converted filter: description, NUL, pattern. The walk moves
// forward on every round, so it ends for any n; an index past the end gives what lies between
// the closing NULs, at most one NUL.
std::wstring cCommonDialog::FilterEntry(const std::wstring& list, long n)
{
    if (n < 1)
        return {};
    std::size_t start = 0;
    for (;;)
    {
        const std::size_t first = list.find(L'\0', start);
        if (first == std::wstring::npos)
            return {};
        const std::size_t second = list.find(L'\0', first + 1);
        const bool last = second == std::wstring::npos;
        if (n == 1)
            return last ? list.substr(start) : list.substr(start, second - start);
        if (last)
            return {};
        --n;
        start = second + 1;
    }
}

template <typename Args>
bool cCommonDialog::ShowFileDialog(Args& args, DWORD optionFlags, FileDialogFunction show,
                                   long noFileIndex)
{
    m_apiReturn = 0;
    m_extendedError = 0;

    // Every argument is checked before anything else, so a refused call changes no argument.
    if (args.Filter.size() >= kFilterCharsLimit)
        throw Error::Overflow();
    if (args.FileName.size() > kBufferChars || args.FileTitle.size() > kBufferChars)
        throw Error::InvalidArgument();

    const std::wstring filter = ConvertFilter(args.Filter);
    std::wstring file = TextBuffer(args.FileName);
    std::wstring title = TextBuffer(args.FileTitle);

    OPENFILENAMEW record{};
    record.lStructSize = kRecordSize;
    record.hwndOwner = OwnerWindow(args.Owner);
    record.lpstrFilter = filter.c_str();
    record.nFilterIndex = static_cast<DWORD>(args.FilterIndex);
    record.lpstrFile = file.data();
    record.nMaxFile = kBufferChars;
    record.lpstrFileTitle = title.data();
    record.nMaxFileTitle = kBufferChars;
    record.lpstrInitialDir = TextOrNull(args.InitDir);
    record.lpstrTitle = TextOrNull(args.DlgTitle);
    record.Flags = (optionFlags | static_cast<DWORD>(args.flags)) & ~kRefusedFlags;
    record.lpstrDefExt = TextOrNull(args.DefaultExt);

    m_apiReturn = (m_api.*show)(record);
    if (m_apiReturn == 1)
    {
        args.FileName = CutAtNull(file);
        args.FileTitle = CutAtNull(title);
        args.flags = static_cast<long>(record.Flags);
        args.FilterIndex = static_cast<long>(record.nFilterIndex);
        args.Filter = FilterEntry(filter, args.FilterIndex);
        return true;
    }
    // A result of 0 is a cancel; the error code is asked for only when the result is neither.
    if (m_apiReturn != 0)
        m_extendedError = static_cast<long>(m_api.CommDlgExtendedError());
    args.FileName.clear();
    args.FileTitle.clear();
    args.flags = 0;
    args.FilterIndex = noFileIndex;
    args.Filter.clear();
    return false;
}
