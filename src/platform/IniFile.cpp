#include "platform/IniFile.h"

#include "platform/AtomicFile.h"
#include "platform/Files.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>

namespace corvane {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr char32_t kReplacement = 0xFFFD;

std::atomic<IniSaveHook> g_saveHook{nullptr};

// ---- UTF-8 / UTF-16 ----------------------------------------------------------------------

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one sequence at `i`. With `allowSurrogates` the three-byte forms of U+D800..U+DFFF
// are accepted (WTF-8, used for the lines of UTF-16 files). Returns false for a malformed
// sequence.
bool DecodeUtf8(std::string_view s, std::size_t& i, char32_t& cp, bool allowSurrogates) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        cp = b0;
        ++i;
        return true;
    }
    int length;
    char32_t min;
    if ((b0 & 0xE0) == 0xC0) {
        length = 2;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        ++i;
        return false;
    }
    if (s.size() - i < static_cast<std::size_t>(length)) {
        ++i;
        return false;
    }
    for (int k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return false;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    // A well-formed sequence with a value that is not allowed (too long a form, a surrogate,
    // beyond U+10FFFF) is consumed whole: it stands for one character.
    i += static_cast<std::size_t>(length);
    const bool surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    return cp >= min && cp <= 0x10FFFF && (!surrogate || allowSurrogates);
}

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size());
    const std::size_t units = bytes.size() / 2;
    auto unitAt = [&](std::size_t u) -> char32_t {
        const auto a = static_cast<unsigned char>(bytes[2 * u]);
        const auto b = static_cast<unsigned char>(bytes[2 * u + 1]);
        return bigEndian ? static_cast<char32_t>((a << 8) | b) : static_cast<char32_t>((b << 8) | a);
    };
    for (std::size_t u = 0; u < units; ++u) {
        char32_t cp = unitAt(u);
        if (cp >= 0xD800 && cp <= 0xDBFF && u + 1 < units) {
            const char32_t low = unitAt(u + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++u;
            }
        }
        AppendUtf8(out, cp); // an unpaired surrogate is kept as its three-byte form
    }
    return out;
}

void AppendUtf16Unit(std::string& out, char32_t unit, bool bigEndian) {
    const auto hi = static_cast<char>((unit >> 8) & 0xFF);
    const auto lo = static_cast<char>(unit & 0xFF);
    if (bigEndian) {
        out += hi;
        out += lo;
    } else {
        out += lo;
        out += hi;
    }
}

void AppendUtf16(std::string& out, std::string_view wtf8, bool bigEndian) {
    std::size_t i = 0;
    while (i < wtf8.size()) {
        char32_t cp;
        if (!DecodeUtf8(wtf8, i, cp, true))
            cp = kReplacement;
        if (cp >= 0x10000) {
            AppendUtf16Unit(out, 0xD800 + ((cp - 0x10000) >> 10), bigEndian);
            AppendUtf16Unit(out, 0xDC00 + ((cp - 0x10000) & 0x3FF), bigEndian);
        } else {
            AppendUtf16Unit(out, cp, bigEndian);
        }
    }
}

// ---- Names and lines ---------------------------------------------------------------------

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string LowerAscii(std::string_view s) {
    std::string lower(s);
    for (char& c : lower)
        c = AsciiLower(c);
    return lower;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

// A text handed in by a caller, as the system functions see a C string: up to its first NUL.
std::string_view UpToNul(std::string_view s) {
    const std::size_t nul = s.find('\0');
    return nul == std::string_view::npos ? s : s.substr(0, nul);
}

enum class LineKind { Blank, Section, Key, Other };

struct LineInfo {
    LineKind kind = LineKind::Other;
    std::string_view name;      // section or key name, trimmed
    std::string_view value;     // trimmed value of a key line
    std::size_t valueStart = 0; // offset of a key line's value (after "=" and blanks)
};

LineInfo Classify(std::string_view text) {
    LineInfo info;
    const std::string_view t = Trim(text);
    if (t.empty()) {
        info.kind = LineKind::Blank;
        return info;
    }
    if (t.front() == '[') {
        const std::size_t close = t.rfind(']');
        if (close != std::string_view::npos && close > 0) {
            info.kind = LineKind::Section;
            info.name = Trim(t.substr(1, close - 1));
        }
        return info;
    }
    if (t.front() == ';')
        return info;
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos)
        return info;
    const std::string_view name = Trim(text.substr(0, eq));
    if (name.empty())
        return info;
    info.kind = LineKind::Key;
    info.name = name;
    info.valueStart = eq + 1;
    while (info.valueStart < text.size() && IsBlank(text[info.valueStart]))
        ++info.valueStart;
    info.value = Trim(text.substr(eq + 1));
    return info;
}

std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

// ---- Files -------------------------------------------------------------------------------

bool CallHook(IniSaveStage stage) {
    const IniSaveHook hook = g_saveHook.load();
    return hook == nullptr || hook(stage);
}

// The text of a file without its byte-order mark, as UTF-8 (WTF-8 for UTF-16 files).
struct Decoded {
    IniEncoding encoding = IniEncoding::Utf8;
    std::string storage; // the converted text of a UTF-16 file
    std::string_view text;
    std::string_view oddTail;
};

Decoded Decode(std::string_view bytes) {
    Decoded d;
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 2 && byteAt(0) == 0xFF && byteAt(1) == 0xFE)
        d.encoding = IniEncoding::Utf16Le;
    else if (bytes.size() >= 2 && byteAt(0) == 0xFE && byteAt(1) == 0xFF)
        d.encoding = IniEncoding::Utf16Be;
    else if (bytes.substr(0, 3) == kUtf8Bom)
        d.encoding = IniEncoding::Utf8Bom;

    switch (d.encoding) {
    case IniEncoding::Utf8:
        d.text = bytes;
        break;
    case IniEncoding::Utf8Bom:
        d.text = bytes.substr(kUtf8Bom.size());
        break;
    case IniEncoding::Utf16Le:
    case IniEncoding::Utf16Be: {
        std::string_view body = bytes.substr(2);
        if (body.size() % 2 != 0) {
            d.oddTail = body.substr(body.size() - 1);
            body.remove_suffix(1);
        }
        d.storage = DecodeUtf16(body, d.encoding == IniEncoding::Utf16Be);
        d.text = d.storage;
        break;
    }
    }
    return d;
}

// Steps through the lines of `text`: a line ends at CR LF, LF or a lone CR.
bool NextLine(std::string_view text, std::size_t& pos, std::string_view& line, std::string_view& eol) {
    if (pos >= text.size())
        return false;
    std::size_t end = pos;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r')
        ++end;
    line = text.substr(pos, end - pos);
    if (end == text.size()) {
        eol = {};
        pos = end;
        return true;
    }
    const std::size_t eolLength =
        (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1;
    eol = text.substr(end, eolLength);
    pos = end + eolLength;
    return true;
}

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

IniLoad ReadFileBytes(const std::string& path, std::string& bytes) {
    switch (ReadWholeFile(path, kMaxIniFileBytes, bytes)) {
    case FileReadResult::Read:
        return IniLoad::Loaded;
    case FileReadResult::Missing:
        return IniLoad::Missing;
    case FileReadResult::Unreadable:
    case FileReadResult::TooLarge:
        break;
    }
    return IniLoad::Unreadable;
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

bool IniText::Set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string sectionName = SanitizeUtf8(Trim(UpToNul(section)));
    const std::string keyName = SanitizeUtf8(Trim(UpToNul(key)));
    if (sectionName.empty() || HasLineBreak(sectionName))
        return false;
    if (keyName.empty() || HasLineBreak(keyName) || keyName.find('=') != std::string::npos ||
        keyName[0] == '[' || keyName[0] == ';')
        return false;

    // Line breaks at the end leave empty lines after the key; inside, they become blanks.
    std::string_view raw = UpToNul(value);
    std::size_t trailingBreaks = 0;
    while (!raw.empty() && (raw.back() == '\n' || raw.back() == '\r')) {
        if (raw.back() == '\n' && raw.size() >= 2 && raw[raw.size() - 2] == '\r')
            raw.remove_suffix(1);
        raw.remove_suffix(1);
        ++trailingBreaks;
    }
    std::string cleanValue;
    cleanValue.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' || raw[i] == '\n') {
            if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')
                ++i;
            cleanValue += ' ';
        } else {
            cleanValue += raw[i];
        }
    }
    cleanValue = SanitizeUtf8(cleanValue);
    const std::string keyLine = keyName + "=" + cleanValue;

    auto blankLines = [&](std::size_t count) {
        std::vector<Line> lines(count);
        for (Line& l : lines)
            l.eol = kCrLf;
        return lines;
    };
    auto endLastLine = [&](std::size_t index) {
        if (m_lines[index].eol.empty())
            m_lines[index].eol = kCrLf;
    };

    // The first section of that name and where it ends (the next section line or the end).
    std::size_t sectionLine = m_lines.size();
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const LineInfo info = Classify(m_lines[i].text);
        if (info.kind == LineKind::Section && SameName(info.name, sectionName)) {
            sectionLine = i;
            break;
        }
    }
    if (sectionLine == m_lines.size()) {
        if (!m_lines.empty())
            endLastLine(m_lines.size() - 1);
        m_lines.push_back(Line{"[" + sectionName + "]", std::string(kCrLf)});
        m_lines.push_back(Line{keyLine, std::string(kCrLf)});
        const std::vector<Line> blanks = blankLines(trailingBreaks);
        m_lines.insert(m_lines.end(), blanks.begin(), blanks.end());
        return true;
    }
    std::size_t sectionEnd = sectionLine + 1;
    while (sectionEnd < m_lines.size() && Classify(m_lines[sectionEnd].text).kind != LineKind::Section)
        ++sectionEnd;

    for (std::size_t i = sectionLine + 1; i < sectionEnd; ++i) {
        const LineInfo info = Classify(m_lines[i].text);
        if (info.kind != LineKind::Key || !SameName(info.name, keyName))
            continue;
        // Keep the line up to its value (the key's spelling and spacing), replace the value.
        m_lines[i].text = m_lines[i].text.substr(0, info.valueStart) + cleanValue;
        std::size_t blanksAfter = 0;
        while (i + 1 + blanksAfter < sectionEnd &&
               Classify(m_lines[i + 1 + blanksAfter].text).kind == LineKind::Blank)
            ++blanksAfter;
        if (blanksAfter < trailingBreaks) {
            endLastLine(i + blanksAfter);
            const std::vector<Line> blanks = blankLines(trailingBreaks - blanksAfter);
            m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(i + 1 + blanksAfter), blanks.begin(),
                           blanks.end());
        }
        return true;
    }

    endLastLine(sectionEnd - 1);
    std::vector<Line> added{Line{keyLine, std::string(kCrLf)}};
    const std::vector<Line> blanks = blankLines(trailingBreaks);
    added.insert(added.end(), blanks.begin(), blanks.end());
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd), added.begin(), added.end());
    return true;
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

std::string IniText::Serialize() const {
    std::string out;
    switch (m_encoding) {
    case IniEncoding::Utf8:
    case IniEncoding::Utf8Bom: {
        std::size_t size = m_encoding == IniEncoding::Utf8Bom ? kUtf8Bom.size() : 0;
        for (const Line& line : m_lines)
            size += line.text.size() + line.eol.size();
        out.reserve(size);
        if (m_encoding == IniEncoding::Utf8Bom)
            out += kUtf8Bom;
        for (const Line& line : m_lines) {
            out += line.text;
            out += line.eol;
        }
        break;
    }
    case IniEncoding::Utf16Le:
    case IniEncoding::Utf16Be: {
        const bool bigEndian = m_encoding == IniEncoding::Utf16Be;
        AppendUtf16Unit(out, 0xFEFF, bigEndian);
        for (const Line& line : m_lines) {
            AppendUtf16(out, line.text, bigEndian);
            AppendUtf16(out, line.eol, bigEndian);
        }
        out += m_oddTail;
        break;
    }
    }
    return out;
}

bool IniText::Save(const std::string& path) const {
    ReplaceOptions options;
    options.stageHook = [](ReplaceStage stage) {
        switch (stage) {
        case ReplaceStage::HalfWritten:
            return CallHook(IniSaveStage::TempHalfWritten);
        case ReplaceStage::Complete:
            return CallHook(IniSaveStage::TempComplete);
        case ReplaceStage::Replaced:
            return CallHook(IniSaveStage::Replaced);
        }
        return true;
    };
    return ReplaceFileContents(path, Serialize(), options);
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

// ---- The profile functions -----------------------------------------------------------

std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, std::size_t roomChars,
                                    const std::string& path) {
    if (roomChars == 0)
        return {};
    std::optional<std::string> value;
    if (!Trim(UpToNul(section)).empty() && !Trim(UpToNul(key)).empty()) {
        std::string bytes;
        if (ReadFileBytes(path, bytes) == IniLoad::Loaded)
            value = FindIniValue(bytes, section, key);
    }
    return TruncateToChars(value ? *value : std::string_view(UpToNul(defaultValue)), roomChars - 1);
}

std::vector<std::optional<std::string>> GetPrivateProfileStrings(const std::string& section,
                                                                 const std::vector<std::string>& keys,
                                                                 const std::string& path) {
    std::string bytes;
    if (ReadFileBytes(path, bytes) != IniLoad::Loaded)
        return std::vector<std::optional<std::string>>(keys.size());
    return FindIniValues(bytes, section, keys);
}

bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& path) {
    IniText text;
    if (IniText::Load(path, text) == IniLoad::Unreadable)
        return false; // never replace a file that could not be read
    if (!text.Set(section, key, value))
        return false;
    return text.Save(path);
}

// ---- Text helpers ------------------------------------------------------------------------

std::string SanitizeUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t start = i;
        char32_t cp;
        if (DecodeUtf8(bytes, i, cp, false))
            out.append(bytes.substr(start, i - start));
        else
            AppendUtf8(out, kReplacement);
    }
    return out;
}

std::string TruncateToChars(std::string_view utf8, std::size_t maxChars) {
    std::string valid = SanitizeUtf8(utf8);
    std::size_t chars = 0;
    for (std::size_t i = 0; i < valid.size(); ++i) {
        if ((static_cast<unsigned char>(valid[i]) & 0xC0) == 0x80)
            continue; // continuation byte
        if (chars == maxChars) {
            valid.resize(i);
            break;
        }
        ++chars;
    }
    return valid;
}

void SetIniSaveHookForTesting(IniSaveHook hook) {
    g_saveHook.store(hook);
}

} // namespace corvane
