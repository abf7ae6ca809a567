#include "engine/DesktopIniMerge.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "engine/DesktopIni.h"
#include "runtime/AsciiText.h"

namespace
{
// Sets a foreign line aside: the shell no longer reads it, and a removal knows it as one to
// bring back by its digest in the block.
constexpr std::wstring_view kSetAside = L";TESL:";
constexpr std::wstring_view kIconKeys[] = {L"IconResource", L"IconFile", L"IconIndex"};
// What an apply changed beyond its block, written inside it only when it happened. The folder's
// note carries a digest of the others' lines then, the list one per line set aside.
constexpr std::wstring_view kFolderNotReadOnly = L";TESL folder was not read-only";
constexpr std::wstring_view kWasAnsi = L";TESL file was ANSI";
constexpr std::wstring_view kFileWasNot = L";TESL file was not";
constexpr std::wstring_view kSetAsideList = L";TESL set aside";
constexpr std::wstring_view kNone = L"none";
constexpr DWORD kIniMarks = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
struct MarkName
{
    DWORD mark;
    std::wstring_view name;
};
constexpr MarkName kMarkNames[] = {{FILE_ATTRIBUTE_READONLY, L"read-only"},
                                   {FILE_ATTRIBUTE_HIDDEN, L"hidden"},
                                   {FILE_ATTRIBUTE_SYSTEM, L"system"}};

using Lines = std::vector<IniLine>;

// What the blocks taken out of a file remembered.
struct Memory
{
    bool blocks = false;
    bool damaged = false; // lines of Tessaline's that no block holds: nothing can be proven
    bool wasAnsi = false;
    bool folderNotReadOnly = false;
    std::optional<uint32_t> othersDigest; // the others' lines when the folder note was written
    DWORD fileMarksAdded = 0;
    std::vector<uint32_t> setAside;   // the digests of the lines that the blocks set aside
    std::vector<size_t> legacyPlaces; // blocks without a list: their lines lie below them
    std::vector<size_t> places;       // where each block was
    std::vector<std::wstring> files;  // what the blocks' IconFile and IconResource keys name
};

// Tessaline's own comments, by what they say.
enum class Mark
{
    None,
    Start,
    XpComment,
    End,
    FolderNotReadOnly,
    WasAnsi,
    FileWasNot,
    SetAsideList,
};

// The text as Tessaline's comments are known: without blanks, A to Z folded.
std::wstring Squeezed(const std::wstring& text)
{
    std::wstring squeezed;
    for (wchar_t c : text)
        if (!IsProfileBlank(c))
            squeezed += c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    return squeezed;
}

// FNV-1a over a line's bytes as the file holds them, its blanks and everything but ASCII left
// out: the same after another code page reads the file, after the file became UTF-16 or ANSI
// again, and after a profile writer wrote "name = value" back as "name=value".
uint32_t Digest(const std::string& bytes, bool utf16, uint32_t hash = 2166136261u)
{
    const size_t step = utf16 ? 2 : 1;
    for (size_t i = 0; i + step <= bytes.size(); i += step)
    {
        const unsigned unit = static_cast<unsigned char>(bytes[i]) |
                              (utf16 ? static_cast<unsigned char>(bytes[i + 1]) << 8 : 0);
        if (unit != ' ' && unit != '\t' && unit < 0x80)
            hash = (hash ^ unit) * 16777619u;
    }
    return hash;
}

std::wstring HexText(uint32_t value)
{
    std::wstring text;
    for (int shift = 28; shift >= 0; shift -= 4)
        text += L"0123456789ABCDEF"[(value >> shift) & 0xF];
    return text;
}

// Digests of eight hex digits each, or none for "none"; false for anything else.
bool ReadDigests(const std::wstring& squeezed, std::vector<uint32_t>& digests)
{
    if (squeezed == kNone)
        return true;
    if (squeezed.empty() || squeezed.size() % 8 != 0)
        return false;
    for (size_t at = 0; at < squeezed.size(); at += 8)
    {
        uint32_t value = 0;
        for (size_t i = at; i < at + 8; ++i)
        {
            const wchar_t c = squeezed[i];
            const bool digit = c >= L'0' && c <= L'9';
            if (!digit && !(c >= L'a' && c <= L'f'))
                return false;
            value = value << 4 | static_cast<uint32_t>(digit ? c - L'0' : c - L'a' + 10);
        }
        digests.push_back(value);
    }
    return true;
}

// Where the squeezed text goes on past the constant, squeezed too; npos where it doesn't start so.
size_t PastSqueezed(const std::wstring& text, std::wstring_view constant)
{
    size_t at = 0;
    for (wchar_t c : constant)
    {
        if (c == L' ' || c == L'\t')
            continue;
        const wchar_t folded = c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
        if (at == text.size() || text[at] != folded)
            return std::wstring::npos;
        ++at;
    }
    return at;
}

// Which of Tessaline's comments the line is; a note's digests or marks go into what it carries.
Mark MarkOf(const IniLine& line, std::vector<uint32_t>* digests = nullptr, DWORD* marks = nullptr)
{
    if (KindOf(line.text) != IniLineKind::Comment)
        return Mark::None;
    const std::wstring text = Squeezed(line.text);
    std::wstring after;
    const auto rest = [&](std::wstring_view prefix) {
        const size_t past = PastSqueezed(text, prefix);
        after = past == std::wstring::npos ? std::wstring() : text.substr(past);
        return past != std::wstring::npos;
    };
    const auto whole = [&](std::wstring_view constant) { return rest(constant) && after.empty(); };
    std::vector<uint32_t> read;
    if (whole(kWindows7Comment))
        return Mark::Start;
    if (whole(kWindowsXpComment))
        return Mark::XpComment;
    if (rest(kProductComment))
        return Mark::End;
    if (whole(kWasAnsi))
        return Mark::WasAnsi;
    if (rest(kFolderNotReadOnly) && (after.empty() || ReadDigests(after, read)) && read.size() <= 1)
    {
        if (digests)
            *digests = read;
        return Mark::FolderNotReadOnly;
    }
    if (rest(kSetAsideList) && ReadDigests(after, read))
    {
        if (digests)
            *digests = read;
        return Mark::SetAsideList;
    }
    if (rest(kFileWasNot) && !after.empty())
    {
        DWORD found = 0;
        for (size_t at = 0; at <= after.size();)
        {
            const size_t comma = std::min(after.find(L',', at), after.size());
            const std::wstring name = after.substr(at, comma - at);
            const auto known = std::find_if(std::begin(kMarkNames), std::end(kMarkNames),
                                            [&](const MarkName& m) { return m.name == name; });
            if (known == std::end(kMarkNames))
                return Mark::None;
            found |= known->mark;
            at = comma + 1;
        }
        if (marks)
            *marks |= found;
        return Mark::FileWasNot;
    }
    return Mark::None;
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

// The next section header at or after from, or the end of the file.
size_t NextSection(const Lines& lines, size_t from)
{
    return std::find_if(lines.begin() + from, lines.end(), IsSection) - lines.begin();
}

// Inside a block: its comments, blank lines and icon keys are Tessaline's, whatever their shape.
bool IsTessalines(const IniLine& line)
{
    const IniLineKind kind = KindOf(line.text);
    return kind == IniLineKind::Blank || IsIconKey(line) || MarkOf(line) != Mark::None;
}

// The lines [begin, end) of the first block at or after from: a last line and the nearest first
// line above it in its section. Someone's lines of the same shape above it stay theirs.
bool FindBlock(const Lines& lines, size_t from, size_t& begin, size_t& end)
{
    size_t start = lines.size();
    for (size_t i = from; i < lines.size(); ++i)
    {
        const Mark mark = IsSection(lines[i]) ? Mark::None : MarkOf(lines[i]);
        if (IsSection(lines[i]))
            start = lines.size();
        else if (mark == Mark::Start)
            start = i;
        else if (mark == Mark::End && start < lines.size())
        {
            begin = start;
            end = i + 1;
            return true;
        }
    }
    return false;
}

// Whether a first line of Tessaline's and an icon key that no block holds are both in the file:
// a block whose last line was edited away, or whose first line was repeated inside it, which
// can't be told from someone's lines of that shape.
bool HeadsUnprovenKeys(const Lines& lines)
{
    return std::any_of(lines.begin(), lines.end(), IsIconKey) &&
           std::any_of(lines.begin(), lines.end(),
                       [](const IniLine& line) { return MarkOf(line) == Mark::Start; });
}

// An icon key's value up to its last comma: IconFile's and IconResource's file.
std::wstring IconFileOf(const IniLine& line)
{
    const size_t equals = line.text.find(L'=');
    return equals == std::wstring::npos
               ? std::wstring()
               : TrimBlanks(line.text.substr(equals + 1, line.text.rfind(L',') - equals - 1));
}

bool NamesBlockFile(const IniLine& line, const std::vector<std::wstring>& files)
{
    return IsIconKey(line) &&
           std::any_of(files.begin(), files.end(), [&](const std::wstring& file) {
               return !file.empty() && SameAsciiText(file, IconFileOf(line));
           });
}

// Takes every block out, keeping the lines of others found inside, and a [.ShellClassInfo]
// header that only a block needed: Tessaline wrote it too.
void TakeOutBlocks(Lines& lines, Memory& memory)
{
    size_t begin = 0, end = 0;
    while (FindBlock(lines, begin, begin, end))
    {
        memory.blocks = true;
        // A block at the very end without an ending took over the ending of the line before it.
        const bool tookEnding = end == lines.size() && lines.back().ending.empty();
        const auto first = lines.begin() + begin;
        bool listed = false;
        for (auto line = first; line != lines.begin() + end; ++line)
        {
            std::vector<uint32_t> digests;
            switch (MarkOf(*line, &digests, &memory.fileMarksAdded))
            {
            case Mark::WasAnsi:
                memory.wasAnsi = true;
                break;
            case Mark::FolderNotReadOnly:
                memory.folderNotReadOnly = true;
                if (!digests.empty())
                    memory.othersDigest = digests[0];
                break;
            case Mark::SetAsideList:
                listed = true;
                memory.setAside.insert(memory.setAside.end(), digests.begin(), digests.end());
                break;
            default:
                break;
            }
            // What the keys name (an IconIndex gives a number, which names no file of Tessaline's).
            if (IsIconKey(*line) && line->text.find(L'=') != std::wstring::npos)
                memory.files.push_back(IconFileOf(*line));
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
            for (std::vector<size_t>* list : {&memory.legacyPlaces, &memory.places})
                for (size_t& place : *list)
                    place -= place > begin ? 1 : 0;
        }
        if (!listed)
            memory.legacyPlaces.push_back(begin);
        memory.places.push_back(begin);
        begin += keptCount;
    }
    // A last line or a note that no block holds: its block was edited past knowing.
    memory.damaged = std::any_of(lines.begin(), lines.end(), [](const IniLine& line) {
        const Mark mark = MarkOf(line);
        return mark != Mark::None && mark != Mark::Start && mark != Mark::XpComment;
    });
    memory.damaged |= HeadsUnprovenKeys(lines);
    // Beside a block, an icon key that names a file the block names is Tessaline's, moved out of
    // it; another below it is someone's (Windows' Properties adds a key below the section's last
    // line), one above it may be Tessaline's, moved: it can't be proven either way.
    const size_t header = std::min(ShellSection(lines) + 1, lines.size());
    const auto first = lines.begin() + header, last = lines.begin() + NextSection(lines, header);
    const auto ours = [&](const IniLine& line) {
        return !SameName(NameOf(line.text), L"IconIndex") && NamesBlockFile(line, memory.files);
    };
    if (memory.blocks && header < lines.size() && !memory.places.empty())
        memory.damaged |=
            std::any_of(first, std::min(lines.begin() + std::max(header, memory.places[0]), last),
                        [&](const IniLine& line) { return IsIconKey(line) && !ours(line); });
    lines.erase(std::remove_if(first, last, ours), last);
}

bool IsSetAside(const IniLine& line)
{
    return line.text.size() >= kSetAside.size() &&
           SameAsciiText(std::wstring_view(line.text).substr(0, kSetAside.size()), kSetAside);
}

// The digest of a line set aside, of what it was before.
uint32_t SetAsideDigest(const IniText& ini, size_t i)
{
    const size_t prefix = ini.Encode(std::wstring(kSetAside)).size();
    return Digest(ini.Lines()[i].bytes.substr(prefix), ini.IsUtf16());
}

// The lines that the blocks set aside, where they are now. A block written before the list was
// kept set aside only icon keys (and someone's ";TESL:" comment, as a second one), below it in
// its section.
std::vector<size_t> SetAsideLines(const IniText& ini, const Memory& memory)
{
    const Lines& lines = ini.Lines();
    std::vector<size_t> found;
    const auto setAside = [&](size_t i) {
        return IsSetAside(lines[i]) && std::find(found.begin(), found.end(), i) == found.end();
    };
    for (size_t place : memory.legacyPlaces)
        for (size_t i = place; i < NextSection(lines, place); ++i)
        {
            const IniLine rest{
                lines[i].text.substr(std::min(lines[i].text.size(), kSetAside.size())),
                std::wstring(), std::string()};
            if (setAside(i) && (IsIconKey(rest) || IsSetAside(rest)))
                found.push_back(i);
        }
    std::vector<uint32_t> digests = memory.setAside;
    for (size_t i = 0; i < lines.size(); ++i)
    {
        if (!setAside(i))
            continue;
        const auto digest = std::find(digests.begin(), digests.end(), SetAsideDigest(ini, i));
        if (digest == digests.end())
            continue;
        digests.erase(digest);
        found.push_back(i);
    }
    return found;
}

uint32_t DigestOf(const IniText& ini)
{
    uint32_t hash = Digest(std::string(), false);
    for (const IniLine& line : ini.Lines())
        hash = Digest(std::string(line.ending.begin(), line.ending.end()), false,
                      Digest(line.bytes, ini.IsUtf16(), hash));
    return hash;
}

bool HoldsOnlyTessalinesLines(const Lines& lines)
{
    return std::all_of(lines.begin(), lines.end(), [](const IniLine& line) {
        return KindOf(line.text) == IniLineKind::Blank || IsShellSection(line);
    });
}

std::wstring MarksNote(DWORD marks)
{
    std::wstring note(kFileWasNot);
    const wchar_t* separator = L" ";
    for (const MarkName& name : kMarkNames)
        if (marks & name.mark)
        {
            note += separator + std::wstring(name.name);
            separator = L", ";
        }
    return note;
}

} // namespace

AppliedIni AppliedDesktopIni(const std::string& existing, const IconEntry& icon,
                             const PriorMarks& before)
{
    IniText ini(existing);
    Lines& lines = ini.Lines();
    Memory memory;
    TakeOutBlocks(lines, memory);
    if (memory.damaged)
        return {std::string(), IniFault::EditedLines};
    if (HoldsOnlyTessalinesLines(lines))
    {
        // A UTF-16 file keeps its encoding, unless an apply made it so.
        if (ini.IsUtf16() && !memory.wasAnsi)
            return {"\xFF\xFE" + ToUtf16Le(DesktopIniText(icon))};
        return {DesktopIniBytes(icon)};
    }

    // A block found keeps what the applies before saw, and adds what this one changes: a mark
    // that someone took away since is this apply's to give back.
    if (!memory.folderNotReadOnly && !before.folderReadOnly)
    {
        memory.folderNotReadOnly = true;
        memory.othersDigest = DigestOf(ini);
    }
    memory.fileMarksAdded |= kIniMarks & ~before.fileMarks;
    // What the blocks set aside stays so, wherever it is now.
    const std::vector<size_t> carried = SetAsideLines(ini, memory);

    const std::vector<std::wstring> texts = IconBlock(icon);
    if (!std::all_of(texts.begin(), texts.end(),
                     [&](const std::wstring& text) { return ini.CanHold(text); }))
    {
        memory.wasAnsi |= !ini.IsUtf16();
        // A line that would not come back exactly from UTF-16 (bytes that aren't text in this
        // code page) is someone's, and not Tessaline's to change.
        if (!ini.ToUtf16())
            return {std::string(), IniFault::NotExact};
    }
    memory.wasAnsi &= ini.IsUtf16();
    std::vector<uint32_t> listed;
    for (size_t i : carried)
        listed.push_back(SetAsideDigest(ini, i));

    const size_t header = ShellSection(lines);
    const size_t end = header < lines.size() ? NextSection(lines, header + 1) : header;
    const bool inSection = end > header + 1;
    if (inSection)
    {
        const std::string setAside = ini.Encode(std::wstring(kSetAside));
        for (size_t i = header + 1; i < end; ++i)
        {
            if (!IsIconKey(lines[i]))
                continue;
            listed.push_back(Digest(lines[i].bytes, ini.IsUtf16()));
            lines[i].text.insert(0, kSetAside);
            lines[i].bytes.insert(0, setAside);
        }
    }

    Lines block;
    for (const std::wstring& text : texts)
        block.push_back(ini.NewLine(text));
    // Above the product's comment, which closes the block.
    const auto note = [&](const std::wstring& text) {
        block.insert(block.end() - 1, ini.NewLine(text));
    };
    if (memory.folderNotReadOnly)
        note(std::wstring(kFolderNotReadOnly) +
             (memory.othersDigest ? L" " + HexText(*memory.othersDigest) : std::wstring()));
    if (memory.wasAnsi)
        note(std::wstring(kWasAnsi));
    if (memory.fileMarksAdded)
        note(MarksNote(memory.fileMarksAdded));
    std::wstring list(kSetAsideList);
    for (uint32_t digest : listed)
        list += L" " + HexText(digest);
    note(listed.empty() ? list + L" " + std::wstring(kNone) : list);

    if (inSection)
    {
        lines.insert(lines.begin() + header + 1, block.begin(), block.end());
        return {ini.Bytes()};
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
    return {ini.Bytes()};
}

RemovedIni RemovedDesktopIni(const std::string& existing)
{
    RemovedIni removed;
    IniText ini(existing);
    Lines& lines = ini.Lines();
    Memory memory;
    TakeOutBlocks(lines, memory);
    if (memory.damaged)
    {
        removed.fault = IniFault::EditedLines;
        return removed;
    }
    removed.tessalines = memory.blocks;
    removed.blockFiles = std::move(memory.files);
    removed.fileMarksAdded = memory.fileMarksAdded;
    const size_t setAsideSize = ini.Encode(std::wstring(kSetAside)).size();
    // Only what a block set aside comes back, once: another ";TESL:" line is someone's comment.
    for (size_t i : SetAsideLines(ini, memory))
    {
        lines[i].text.erase(0, kSetAside.size());
        lines[i].bytes.erase(0, setAsideSize);
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
    // Read-only goes only where the apply added it and no one changed the others' lines since:
    // settings written meanwhile may need the shell to read the file.
    removed.folderReadOnly =
        !memory.folderNotReadOnly || (memory.othersDigest && *memory.othersDigest != DigestOf(ini));
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

ShownIcon ShownDesktopIcon(const std::string& existing)
{
    const IniText ini(existing);
    const Lines& lines = ini.Lines();
    ShownIcon shown;
    const size_t header = ShellSection(lines);
    if (header == lines.size())
        return shown;
    const size_t end = NextSection(lines, header + 1);
    size_t found[3] = {end, end, end}; // each of kIconKeys' first line
    for (size_t i = end; i-- > header + 1;)
        for (size_t key = 0; key < 3; ++key)
            if (KindOf(lines[i].text) == IniLineKind::Key &&
                SameName(NameOf(lines[i].text), kIconKeys[key]))
                found[key] = i;
    const auto value = [&](size_t line) {
        const std::wstring& text = lines[line].text;
        const size_t equals = text.find(L'=');
        return equals == std::wstring::npos ? std::wstring() : TrimBlanks(text.substr(equals + 1));
    };
    // An empty IconResource leaves the shell to IconFile.
    const size_t line = found[0] < end && !value(found[0]).empty() ? found[0] : found[1];
    if (line >= end || value(line).empty())
        return shown;
    shown.text = line == found[0]
                     ? value(line)
                     : value(line) + L"," +
                           (found[2] < end && !value(found[2]).empty() ? value(found[2])
                                                                       : std::wstring(L"0"));
    for (size_t begin = 0, blockEnd = header; FindBlock(lines, blockEnd, begin, blockEnd);)
        shown.tessalines = shown.tessalines || (begin < line && line < blockEnd);
    return shown;
}
