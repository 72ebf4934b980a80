#include "presets/PresetNames.h"

#include "platform/IniFile.h"

#include <cstdio>

namespace corvane {

namespace {

constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80"; // U+3000

// Length of the blank at the start (or end) of `s`, 0 when none.
std::size_t BlankAtStart(std::string_view s) {
    if (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        return 1;
    return s.substr(0, kIdeographicSpace.size()) == kIdeographicSpace ? kIdeographicSpace.size() : 0;
}

std::size_t BlankAtEnd(std::string_view s) {
    if (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        return 1;
    return s.size() >= kIdeographicSpace.size() &&
                   s.substr(s.size() - kIdeographicSpace.size()) == kIdeographicSpace
               ? kIdeographicSpace.size()
               : 0;
}

std::string Numbered(const char* prefix, int slot) {
    char text[32];
    std::snprintf(text, sizeof text, "%s %d", prefix, slot + 1);
    return text;
}

// Decodes the code point at `i` of valid UTF-8 and moves past it.
char32_t NextCodePoint(std::string_view s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    int length = b0 < 0x80 ? 1 : (b0 & 0xE0) == 0xC0 ? 2 : (b0 & 0xF0) == 0xE0 ? 3 : 4;
    char32_t cp = length == 1 ? b0 : length == 2 ? (b0 & 0x1F) : length == 3 ? (b0 & 0x0F) : (b0 & 0x07);
    for (int k = 1; k < length && i + static_cast<std::size_t>(k) < s.size(); ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) & 0x3F);
    i += static_cast<std::size_t>(length);
    return cp;
}

bool Unsafe(char32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp < 0xA0) ||       // control characters
           (cp >= 0x200B && cp <= 0x200F) ||               // zero-width and direction marks
           (cp >= 0x2028 && cp <= 0x202E) ||               // line breaks and embeddings
           (cp >= 0x2060 && cp <= 0x206F) ||               // invisible operators, isolates
           cp == 0xFEFF || (cp >= 0xFFF9 && cp <= 0xFFFB); // byte-order mark, annotations
}

} // namespace

std::optional<std::string> RenamedPresetName(std::string_view typed) {
    while (const std::size_t n = BlankAtStart(typed))
        typed.remove_prefix(n);
    while (const std::size_t n = BlankAtEnd(typed))
        typed.remove_suffix(n);
    if (typed.empty())
        return std::nullopt;
    return std::string(typed);
}

std::string PresetNameForLanguage(const std::string& name, int slot, const std::string& language) {
    const std::string english = Numbered("Preset", slot);
    const std::string chinese = Numbered("预设", slot);
    if (language == "English" && name == chinese)
        return english;
    if (language == "Chinese" && name == english)
        return chinese;
    return name;
}

std::string DisplayablePresetName(std::string_view name, std::size_t maxChars) {
    const std::string valid = SanitizeUtf8(name);
    std::string out;
    std::size_t chars = 0;
    for (std::size_t i = 0; i < valid.size();) {
        const std::size_t start = i;
        const char32_t cp = NextCodePoint(valid, i);
        if (chars == maxChars) {
            out += "...";
            break;
        }
        if (Unsafe(cp))
            out += '?';
        else
            out.append(valid, start, i - start);
        ++chars;
    }
    return out;
}

} // namespace corvane
