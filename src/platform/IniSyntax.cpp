// The line syntax of initialisation files: trimming, comparing names, telling section lines
// from key lines, stepping through lines, and reading a file's bytes.

#include "platform/IniSyntax.h"

#include "platform/Files.h"

namespace corvane::ini {

namespace {

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

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

std::string_view UpToNul(std::string_view s) {
    const std::size_t nul = s.find('\0');
    return nul == std::string_view::npos ? s : s.substr(0, nul);
}

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

} // namespace corvane::ini
