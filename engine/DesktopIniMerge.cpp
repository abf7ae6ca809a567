#include "engine/DesktopIniMerge.h"

#include <algorithm>
#include <iterator>

#include "engine/DesktopIni.h"
#include "engine/IniText.h"
#include "runtime/AsciiText.h"

namespace
{
// Sets a foreign icon key aside: the shell no longer reads it, and a removal knows it as one to
// bring back.
constexpr std::wstring_view kSetAside = L";TESL:";
constexpr std::wstring_view kIconKeys[] = {L"IconResource", L"IconFile", L"IconIndex"};
// What an apply changed beyond its block, written inside it only when it happened.
constexpr std::wstring_view kWasAnsi = L";TESL file was ANSI";
constexpr std::wstring_view kFolderNotReadOnly = L";TESL folder was not read-only";

using Lines = std::vector<IniLine>;

// What the blocks taken out of a file remembered.
struct Memory
{
    bool blocks = false;
    bool wasAnsi = false;
    bool folderNotReadOnly = false;
    std::vector<std::wstring> files; // what the blocks' IconFile and IconResource keys name
};

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

bool IsComment(const IniLine& line, std::wstring_view comment)
{
    return SameAsciiText(TrimBlanks(line.text), comment);
}

// The first [.ShellClassInfo] header, the one the shell reads, or lines.size().
size_t ShellSection(const Lines& lines)
{
    return std::find_if(lines.begin(), lines.end(), IsShellSection) - lines.begin();
}

// The next section header at or after from, or the end of the file.
size_t NextSection(const Lines& lines, size_t from)
{
    return std::find_if(lines.begin() + from, lines.end(), IsSection) - lines.begin();
}

// The comments inside a block but its last line, which carries a version.
constexpr std::wstring_view kBlockComments[] = {kWindows7Comment, kWindowsXpComment, kWasAnsi,
                                                kFolderNotReadOnly};

bool IsBlockStart(const IniLine& line)
{
    return IsComment(line, kWindows7Comment);
}

// The product's comment, of any version, or with its version lost.
bool IsBlockEnd(const IniLine& line)
{
    const std::wstring text = TrimBlanks(line.text);
    const std::wstring_view product = kProductComment.substr(0, kProductComment.size() - 1);
    return text.size() >= product.size() &&
           SameAsciiText(std::wstring_view(text).substr(0, product.size()), product);
}

// Inside a block: its comments, blank lines and icon keys are Tessaline's, whatever their shape.
bool IsTessalines(const IniLine& line)
{
    switch (KindOf(line.text))
    {
    case IniLineKind::Blank:
        return true;
    case IniLineKind::Key:
        return IsIconKey(line);
    case IniLineKind::Section:
        return false;
    case IniLineKind::Comment:
        break;
    }
    return IsBlockEnd(line) ||
           std::any_of(std::begin(kBlockComments), std::end(kBlockComments),
                       [&](std::wstring_view ours) { return IsComment(line, ours); });
}

// The lines [begin, end) of the first block at or after from, within one section; none when
// there is no such block.
bool FindBlock(const Lines& lines, size_t from, size_t& begin, size_t& end)
{
    for (begin = from; begin < lines.size(); ++begin)
    {
        if (!IsBlockStart(lines[begin]))
            continue;
        for (end = begin + 1; end < lines.size() && !IsSection(lines[end]); ++end)
            if (IsBlockEnd(lines[end]))
            {
                ++end;
                return true;
            }
        // No block ends in this section: none that starts later in it does either.
        begin = end - 1;
    }
    return false;
}

// Takes every block out, keeping the lines of others found inside, and a [.ShellClassInfo]
// header that only a block needed: Tessaline wrote it too. Returns, for each block, where it
// was: what a removal brings back lies between there and the end of that section.
std::vector<size_t> TakeOutBlocks(Lines& lines, Memory& memory)
{
    std::vector<size_t> places;
    size_t begin = 0, end = 0;
    while (FindBlock(lines, begin, begin, end))
    {
        memory.blocks = true;
        // A block at the very end without an ending took over the ending of the line before it.
        const bool tookEnding = end == lines.size() && lines.back().ending.empty();
        const auto first = lines.begin() + begin;
        memory.wasAnsi |= std::any_of(first, lines.begin() + end,
                                      [](const IniLine& l) { return IsComment(l, kWasAnsi); });
        memory.folderNotReadOnly |= std::any_of(first, lines.begin() + end, [](const IniLine& l) {
            return IsComment(l, kFolderNotReadOnly);
        });
        // Every icon key's value up to its last comma: IconFile's and IconResource's file (an
        // IconIndex gives a number, which names no file of Tessaline's).
        for (auto line = first; line != lines.begin() + end; ++line)
        {
            const size_t equals = line->text.find(L'=');
            if (IsIconKey(*line) && equals != std::wstring::npos)
                memory.files.push_back(TrimBlanks(
                    line->text.substr(equals + 1, line->text.rfind(L',') - equals - 1)));
        }
        const auto kept = std::remove_if(first, lines.begin() + end, IsTessalines);
        const size_t keptCount = kept - first;
        lines.erase(kept, lines.begin() + end);
        if (keptCount == 0 && begin > 0 && IsShellSection(lines[begin - 1]) &&
            NextSection(lines, begin) == begin)
        {
            lines.erase(lines.begin() + --begin);
            if (tookEnding && begin > 0)
                lines[begin - 1].ending.clear();
            // A block before this one in the section was where the header's section now ends.
            for (size_t& place : places)
                place -= place > begin ? 1 : 0;
        }
        places.push_back(begin);
        begin += keptCount;
    }
    return places;
}

bool HoldsOnlyTessalinesLines(const Lines& lines)
{
    return std::all_of(lines.begin(), lines.end(), [](const IniLine& line) {
        return KindOf(line.text) == IniLineKind::Blank || IsShellSection(line);
    });
}

} // namespace

std::string AppliedDesktopIni(const std::string& existing, const IconEntry& icon,
                              bool folderReadOnly)
{
    IniText ini(existing);
    Lines& lines = ini.Lines();
    Memory memory;
    TakeOutBlocks(lines, memory);
    if (HoldsOnlyTessalinesLines(lines))
        return DesktopIniBytes(icon);

    // A block found keeps what the first apply saw; the marks are the user's from then.
    if (!memory.blocks)
        memory.folderNotReadOnly = !folderReadOnly;
    const std::vector<std::wstring> texts = IconBlock(icon);
    if (!std::all_of(texts.begin(), texts.end(),
                     [&](const std::wstring& text) { return ini.CanHold(text); }))
    {
        memory.wasAnsi |= !ini.IsUtf16();
        ini.ToUtf16();
    }
    memory.wasAnsi &= ini.IsUtf16();
    Lines block;
    for (const std::wstring& text : texts)
        block.push_back(ini.NewLine(text));
    // Above the product's comment, which closes the block.
    if (memory.folderNotReadOnly)
        block.insert(block.end() - 1, ini.NewLine(std::wstring(kFolderNotReadOnly)));
    if (memory.wasAnsi)
        block.insert(block.end() - 1, ini.NewLine(std::wstring(kWasAnsi)));

    const size_t header = ShellSection(lines);
    const size_t end = header < lines.size() ? NextSection(lines, header + 1) : header;
    if (end > header + 1)
    {
        // On a first apply a ";TESL:" comment there is someone else's: set aside too, a removal
        // gives it back as it was instead of turning it into a key.
        const std::string setAside = ini.Encode(std::wstring(kSetAside));
        for (size_t i = header + 1; i < end; ++i)
        {
            if (!IsIconKey(lines[i]) && (memory.blocks || !StartsWith(lines[i].text, kSetAside)))
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

RemovedIni RemovedDesktopIni(const std::string& existing)
{
    RemovedIni removed;
    IniText ini(existing);
    Lines& lines = ini.Lines();
    Memory memory;
    const std::vector<size_t> places = TakeOutBlocks(lines, memory);
    removed.tessalines = memory.blocks;
    removed.blockFiles = std::move(memory.files);
    removed.folderReadOnly = !memory.folderNotReadOnly;
    const size_t setAsideSize = ini.Encode(std::wstring(kSetAside)).size();
    // Only what a block set aside comes back, once: a ";TESL:" line elsewhere is someone's comment.
    size_t restored = 0;
    for (size_t place : places)
    {
        const size_t end = NextSection(lines, place);
        for (size_t i = std::max(place, restored); i < end; ++i)
            if (StartsWith(lines[i].text, kSetAside))
            {
                lines[i].text.erase(0, kSetAside.size());
                lines[i].bytes.erase(0, setAsideSize);
            }
        restored = end;
    }

    const size_t header = ShellSection(lines);
    if (!memory.blocks && header < lines.size())
    {
        // Without Tessaline's block the icon is someone else's, and the user asked for none.
        const auto first = lines.begin() + header + 1;
        const auto end = lines.begin() + NextSection(lines, header + 1);
        removed.foreignIcon = std::any_of(first, end, IsIconKey);
        lines.erase(std::remove_if(first, end, IsIconKey), end);
    }
    if (memory.wasAnsi)
        ini.ToAnsiWhereExact();
    // A comment is someone's text too: only a file with neither keys nor comments goes.
    if (std::any_of(lines.begin(), lines.end(), [](const IniLine& line) {
            const IniLineKind kind = KindOf(line.text);
            return kind == IniLineKind::Key || kind == IniLineKind::Comment;
        }))
        removed.bytes = ini.Bytes();
    return removed;
}

std::vector<std::wstring> BlockIconFiles(const std::string& existing)
{
    IniText ini(existing);
    Memory memory;
    TakeOutBlocks(ini.Lines(), memory);
    return memory.files;
}
