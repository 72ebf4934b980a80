#pragma once

// Initialisation files ("Config.ini", the language files): section lines in square brackets
// and key=value lines, read and written the way operators know them from Windows, so that a
// file can move between machines in either direction.
//
// Reading: section and key names are compared without regard to (ASCII) case; blanks around
// names and values are ignored; a value enclosed in a matching pair of double or single
// quotes loses them; a missing file, section or key gives the default. Files are UTF-8 (with
// or without a byte-order mark) or UTF-16 with a byte-order mark; texts are handed out as
// UTF-8.
//
// Writing keeps every other line as it was (comments, unknown keys, order, line ends),
// replaces a key's value in place, appends a new key at the end of its section and a new
// section at the end of the file, ends new lines with CR LF, and keeps the file's encoding
// (a new file is UTF-8 without a byte-order mark). The file is written aside and then put
// in place, so a crash never leaves a half-written file.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

struct IniEntry {
    std::string section;
    std::string key;
    std::string value;
};

// Room given by a caller counts characters (code points), like the character buffers of the
// system functions: room for N characters gives at most N - 1 of them, room 0 gives nothing.
// An empty section or key name gives the default.
std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue, std::size_t roomChars,
                                    const std::string& path);

// Several keys of one section with one reading of the file: element i is what
// GetPrivateProfileString gives for keys[i] (without a room limit), nothing when missing.
std::vector<std::optional<std::string>> GetPrivateProfileStrings(const std::string& section,
                                                                 const std::vector<std::string>& keys,
                                                                 const std::string& path);

// Sets section/key to value, creating the file and the section when missing. Line breaks at
// the end of the value leave that many empty lines after the key ("0\r\n" gives "key=0" and
// an empty line); line breaks inside the value become blanks, so a value can never add keys
// or sections. False when the names are unusable (empty, a line break, a key with "=" or
// starting with "[" or ";"), when an existing file cannot be read (it is left alone) or when
// the file cannot be written (the old one stays).
bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& path);

// Files larger than this are not read (and not rewritten).
inline constexpr std::size_t kMaxIniFileBytes = 16u * 1024u * 1024u;

enum class IniEncoding { Utf8, Utf8Bom, Utf16Le, Utf16Be };

enum class IniLoad { Loaded, Missing, Unreadable };

// The text of one initialisation file, line by line, as the two functions above see it.
class IniText {
public:
    IniText() = default; // an empty file, UTF-8 without byte-order mark

    static IniText Parse(std::string_view bytes);
    static IniLoad Load(const std::string& path, IniText& text);

    // The value of the first key `key` in the first section `section`, trimmed and without
    // enclosing quotes, as valid UTF-8; nothing when either is missing.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;

    // See WritePrivateProfileString; false (and no change) when the names are unusable.
    bool Set(std::string_view section, std::string_view key, std::string_view value);

    // Every key line inside a section, in file order (duplicates included).
    std::vector<IniEntry> Entries() const;

    // The file's bytes, in its encoding.
    std::string Serialize() const;

    // Writes the file aside (same folder) and renames it over `path`; false on any failure,
    // the old file then being untouched.
    bool Save(const std::string& path) const;

    IniEncoding FileEncoding() const { return m_encoding; }

private:
    struct Line {
        std::string text; // UTF-8 (for UTF-16 files unpaired surrogates are kept, WTF-8)
        std::string eol;  // "\r\n", "\n", "\r" or "" (last line without a line end)
    };

    IniEncoding m_encoding = IniEncoding::Utf8;
    std::vector<Line> m_lines;
    std::string m_oddTail; // a lone last byte of a UTF-16 file, kept as it was
};

// The lookups of GetPrivateProfileString(s) on a file's bytes (any of the encodings above):
// the value of the first key `key` in the first section `section`, trimmed and without
// enclosing quotes, as valid UTF-8.
std::optional<std::string> FindIniValue(std::string_view fileBytes, std::string_view section,
                                        std::string_view key);
std::vector<std::optional<std::string>> FindIniValues(std::string_view fileBytes, std::string_view section,
                                                      const std::vector<std::string>& keys);

// At most `maxChars` code points of `utf8` (which is first made valid UTF-8).
std::string TruncateToChars(std::string_view utf8, std::size_t maxChars);

// Valid UTF-8: every byte that does not belong to a well-formed sequence becomes U+FFFD.
std::string SanitizeUtf8(std::string_view bytes);

// Test support: called while a file is being saved; returning false makes the save fail at
// that point (as a full disk would). A test may also end the process inside it.
enum class IniSaveStage { TempHalfWritten, TempComplete, Replaced };
using IniSaveHook = bool (*)(IniSaveStage stage);
void SetIniSaveHookForTesting(IniSaveHook hook);

} // namespace corvane
