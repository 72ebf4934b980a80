// Reading initialisation files: an IniText from a file's bytes, its lookups and entries, and
// the lookups made straight on a file's bytes.

#include "platform/IniEncoding.h"
#include "platform/IniFile.h"
#include "platform/IniSyntax.h"

#include <unordered_map>

namespace corvane {

using namespace ini;

namespace {

// Calls onKey(info) for each key line of the first section named `section`, until onKey
// returns false. `nextLine(line)` hands out the lines in file order and returns false after
// the last one, so that the same walk serves a file's bytes and the lines of an IniText.
template <class NextLine, class OnKey>
void WalkSectionKeys(std::string_view section, NextLine nextLine, OnKey onKey) {
    if (section.empty())
        return; // an empty name asks for nothing, not even for the keys after a line "[]"
    bool inSection = false;
    std::string_view line;
    while (nextLine(line)) {
        const LineInfo info = Classify(line);
        if (info.kind == LineKind::Section) {
            if (inSection)
                return; // only the first section of that name counts
            inSection = SameName(info.name, section);
        } else if (inSection && info.kind == LineKind::Key) {
            if (!onKey(info))
                return;
        }
    }
}

// The same over the lines of a decoded text.
template <class OnKey>
void ForEachKeyOfSection(std::string_view text, std::string_view section, OnKey onKey) {
    std::size_t pos = 0;
    std::string_view eol;
    WalkSectionKeys(
        section, [&](std::string_view& line) { return NextLine(text, pos, line, eol); }, onKey);
}

// The value of the first key `key` that the walk meets, trimmed and unquoted, as valid UTF-8.
template <class Walk> std::optional<std::string> FirstValueOf(std::string_view key, Walk walk) {
    std::optional<std::string> found;
    if (key.empty())
        return found;
    walk([&](const LineInfo& info) {
        if (!SameName(info.name, key))
            return true;
        found = SanitizeUtf8(Unquote(info.value));
        return false;
    });
    return found;
}

} // namespace

// ---- IniText -----------------------------------------------------------------------------

IniText IniText::Parse(std::string_view bytes) {
    IniText ini;
    const Decoded decoded = Decode(bytes);
    ini.m_encoding = decoded.encoding;
    ini.m_oddTail = decoded.oddTail;
    std::size_t pos = 0;
    std::string_view line, eol;
    while (NextLine(decoded.text, pos, line, eol))
        ini.m_lines.push_back(Line{std::string(line), std::string(eol)});
    return ini;
}

IniLoad IniText::Load(const std::string& path, IniText& text) {
    std::string bytes;
    const IniLoad result = ReadFileBytes(path, bytes);
    if (result == IniLoad::Loaded)
        text = Parse(bytes);
    return result;
}

std::optional<std::string> IniText::Find(std::string_view section, std::string_view key) const {
    std::size_t next = 0;
    auto nextLine = [&](std::string_view& line) {
        if (next >= m_lines.size())
            return false;
        line = m_lines[next++].text;
        return true;
    };
    return FirstValueOf(Trim(UpToNul(key)),
                        [&](auto onKey) { WalkSectionKeys(Trim(UpToNul(section)), nextLine, onKey); });
}

std::vector<IniEntry> IniText::Entries() const {
    std::vector<IniEntry> entries;
    std::string section;
    bool inSection = false;
    for (const Line& line : m_lines) {
        const LineInfo info = Classify(line.text);
        if (info.kind == LineKind::Section) {
            section = SanitizeUtf8(info.name);
            inSection = true;
        } else if (inSection && info.kind == LineKind::Key) {
            entries.push_back(IniEntry{section, SanitizeUtf8(info.name), SanitizeUtf8(Unquote(info.value))});
        }
    }
    return entries;
}

// ---- Lookups in a file's bytes ----------------------------------------------------------
//
// Made on the text as it is, without building its lines: the language code asks for many
// texts, one at a time.

std::optional<std::string> FindIniValue(std::string_view fileBytes, std::string_view section,
                                        std::string_view key) {
    return FirstValueOf(Trim(UpToNul(key)), [&](auto onKey) {
        ForEachKeyOfSection(Decode(fileBytes).text, Trim(UpToNul(section)), onKey);
    });
}

std::vector<std::optional<std::string>> FindIniValues(std::string_view fileBytes, std::string_view section,
                                                      const std::vector<std::string>& keys) {
    std::vector<std::optional<std::string>> values(keys.size());
    // Wanted names in lower case -> their places in `keys`.
    std::unordered_map<std::string, std::vector<std::size_t>> wanted;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::string_view name = Trim(UpToNul(keys[i]));
        if (!name.empty())
            wanted[LowerAscii(name)].push_back(i);
    }
    if (wanted.empty())
        return values;
    ForEachKeyOfSection(Decode(fileBytes).text, Trim(UpToNul(section)), [&](const LineInfo& info) {
        const auto it = wanted.find(LowerAscii(info.name));
        if (it == wanted.end())
            return true;
        const std::string value = SanitizeUtf8(Unquote(info.value));
        for (std::size_t i : it->second)
            values[i] = value;
        wanted.erase(it); // the first key of a name counts
        return !wanted.empty();
    });
    return values;
}

} // namespace corvane
