#include "engine/DesktopIniMerge.h"

#include <algorithm>
#include <iterator>

#include "engine/DesktopIni.h"
#include "engine/IniText.h"

namespace
{
// Sets a foreign icon key aside: the shell no longer reads it, and a removal knows it as one to
// bring back.
constexpr std::wstring_view kSetAside = L";TESL:";
constexpr std::wstring_view kIconKeys[] = {L"IconResource", L"IconFile", L"IconIndex"};

using Lines = std::vector<IniLine>;

bool StartsWith(const std::wstring& text, std::wstring_view prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool IsSection(const IniLine& line)
{
    return KindOf(line.text) == IniLineKind::Section;
}

bool IsShellSection(const IniLine& line)
{
    return IsSection(line) && SameName(NameOf(line.text), kShellSection);
}

bool IsIconKey(const IniLine& line)
{
    if (KindOf(line.text) != IniLineKind::Key)
        return false;
    const std::wstring name = NameOf(line.text);
    return std::any_of(std::begin(kIconKeys), std::end(kIconKeys),
                       [&](std::wstring_view key) { return SameName(name, key); });
}

// The first [.ShellClassInfo] header, the one the shell reads, or lines.size().
size_t ShellSection(const Lines& lines)
{
    return std::find_if(lines.begin(), lines.end(), IsShellSection) - lines.begin();
}

// The end of the section whose header is at header: the next header, or the end of the file.
size_t SectionEnd(const Lines& lines, size_t header)
{
    return std::find_if(lines.begin() + header + 1, lines.end(), IsSection) - lines.begin();
}

// A line of the block as any version of Tessaline wrote it, for any icon: the comments and blank
// lines as they are, the keys by their names, the version after the product's comment.
bool IsBlockLine(const std::wstring& text, const std::wstring& ours)
{
    if (StartsWith(ours, kProductComment))
        return StartsWith(text, kProductComment);
    const size_t nameEnd = ours.find(L'=');
    if (nameEnd == std::wstring::npos)
        return text == ours;
    return text.compare(0, nameEnd + 1, ours, 0, nameEnd + 1) == 0;
}

size_t BlockSize()
{
    return IconBlock(IconEntry()).size();
}

bool IsBlockAt(const Lines& lines, size_t at)
{
    const std::vector<std::wstring> block = IconBlock(IconEntry());
    if (lines.size() - at < block.size())
        return false;
    return std::equal(
        block.begin(), block.end(), lines.begin() + at,
        [](const std::wstring& ours, const IniLine& line) { return IsBlockLine(line.text, ours); });
}

// Takes Tessaline's block out of the first [.ShellClassInfo] section, and the header with it
// when the block was all that the section held: Tessaline wrote that header too. Returns whether
// the block was there.
bool TakeOutBlock(Lines& lines)
{
    const size_t header = ShellSection(lines);
    if (header == lines.size() || !IsBlockAt(lines, header + 1))
        return false;
    const auto blockEnd = lines.begin() + header + 1 + BlockSize();
    // A block at the very end without an ending took over the ending of the line before it.
    const bool tookEnding = blockEnd == lines.end() && lines.back().ending.empty();
    lines.erase(lines.begin() + header + 1, blockEnd);
    if (SectionEnd(lines, header) != header + 1)
        return true;
    lines.erase(lines.begin() + header);
    if (tookEnding && header > 0)
        lines[header - 1].ending.clear();
    return true;
}

bool HoldsOnlyTessalinesLines(const Lines& lines)
{
    return std::all_of(lines.begin(), lines.end(), [](const IniLine& line) {
        return KindOf(line.text) == IniLineKind::Blank || IsShellSection(line);
    });
}
} // namespace

std::string AppliedDesktopIni(const std::string& existing, const IconEntry& icon)
{
    IniText ini(existing);
    Lines& lines = ini.Lines();
    TakeOutBlock(lines);
    if (HoldsOnlyTessalinesLines(lines))
        return DesktopIniBytes(icon);

    const std::vector<std::wstring> texts = IconBlock(icon);
    if (!std::all_of(texts.begin(), texts.end(),
                     [&](const std::wstring& text) { return ini.CanHold(text); }))
        ini.ToUtf16();
    Lines block;
    for (const std::wstring& text : texts)
        block.push_back(ini.NewLine(text));

    const size_t header = ShellSection(lines);
    const size_t end = header < lines.size() ? SectionEnd(lines, header) : header;
    if (end > header + 1)
    {
        const std::string setAside = ini.Encode(std::wstring(kSetAside));
        for (size_t i = header + 1; i < end; ++i)
        {
            if (!IsIconKey(lines[i]))
                continue;
            lines[i].text.insert(0, kSetAside);
            lines[i].bytes.insert(0, setAside);
        }
        lines.insert(lines.begin() + header + 1, block.begin(), block.end());
        return ini.Bytes();
    }

    // No section of that name with anything in it: a new one goes ahead of the first section, so
    // that lines above every section stay above it and an empty one tells nothing. In a file
    // without sections it goes last; a last line without an ending gets one, and the block's last
    // line goes without, so that a removal can give that line back as it was.
    block.insert(block.begin(), ini.NewLine(L"[" + std::wstring(kShellSection) + L"]"));
    const auto firstSection = std::find_if(lines.begin(), lines.end(), IsSection);
    if (firstSection == lines.end() && !lines.empty() && lines.back().ending.empty())
    {
        lines.back().ending = L"\r\n";
        block.back().ending.clear();
    }
    lines.insert(firstSection, block.begin(), block.end());
    return ini.Bytes();
}

std::optional<std::string> RemovedDesktopIni(const std::string& existing)
{
    IniText ini(existing);
    Lines& lines = ini.Lines();
    const bool hadBlock = TakeOutBlock(lines);
    const size_t header = ShellSection(lines);
    if (header < lines.size())
    {
        const size_t setAsideSize = ini.Encode(std::wstring(kSetAside)).size();
        size_t end = SectionEnd(lines, header);
        for (size_t i = header + 1; i < end;)
        {
            // Without Tessaline's block the icon is someone else's, and the user asked for none.
            if (!hadBlock && IsIconKey(lines[i]))
            {
                lines.erase(lines.begin() + i);
                --end;
                continue;
            }
            if (StartsWith(lines[i].text, kSetAside))
            {
                lines[i].text.erase(0, kSetAside.size());
                lines[i].bytes.erase(0, setAsideSize);
            }
            ++i;
        }
    }
    // A comment is someone's text too: only a file with neither keys nor comments goes.
    if (std::none_of(lines.begin(), lines.end(), [](const IniLine& line) {
            const IniLineKind kind = KindOf(line.text);
            return kind == IniLineKind::Key || kind == IniLineKind::Comment;
        }))
        return std::nullopt;
    return ini.Bytes();
}
