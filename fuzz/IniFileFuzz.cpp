// Random bytes as an initialisation file (Config.ini or a language file as someone may have
// edited it, in any encoding). Nothing may crash or hang, and the reader must keep its
// promises: the file is given back byte for byte when nothing changed, values are valid
// UTF-8 within the room asked for, and setting one key changes that key only.

#include "platform/IniFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

using namespace corvane;

namespace {

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::size_t CodePoints(const std::string& s) {
    std::size_t n = 0;
    for (char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++n;
    return n;
}

void Check(bool ok) {
    if (!ok)
        std::abort();
}

std::vector<IniEntry> Without(std::vector<IniEntry> entries, const IniEntry& changed) {
    std::erase_if(entries, [&](const IniEntry& e) {
        return SameName(e.section, changed.section) && SameName(e.key, changed.key);
    });
    return entries;
}

bool SameEntries(const std::vector<IniEntry>& a, const std::vector<IniEntry>& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].section != b[i].section || a[i].key != b[i].key || a[i].value != b[i].value)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    IniText text = IniText::Parse(bytes);
    Check(text.Serialize() == bytes);

    const std::vector<IniEntry> entries = text.Entries();
    for (const IniEntry& e : entries) {
        Check(SanitizeUtf8(e.value) == e.value);
        // Absent when only a later section of the same name holds the key.
        const std::optional<std::string> found = text.Find(e.section, e.key);
        // The lookup on the file's bytes agrees with the one on its lines.
        Check(FindIniValue(bytes, e.section, e.key) == found);
        Check(FindIniValues(bytes, e.section, {e.key, "SIDS_0"})[0] == found);
        if (!found)
            continue;
        const std::size_t room = size % 7;
        const std::string cut = TruncateToChars(*found, room);
        Check(SanitizeUtf8(cut) == cut && CodePoints(cut) <= room);
    }
    if (entries.empty())
        return 0;

    // Set one of the file's own keys; only that key may change.
    const IniEntry& target = entries[size % entries.size()];
    if (target.section.find('\0') != std::string::npos || target.key.find('\0') != std::string::npos)
        return 0; // a name is asked for as a C string: up to its first NUL
    if (target.section.empty())
        return 0; // keys after "[]" belong to no section that can be asked for
    Check(text.Set(target.section, target.key, "fuzz value\r\n"));
    Check(text.Find(target.section, target.key) == std::optional<std::string>("fuzz value"));
    const IniText again = IniText::Parse(text.Serialize());
    Check(again.Find(target.section, target.key) == std::optional<std::string>("fuzz value"));
    Check(SameEntries(Without(entries, target), Without(again.Entries(), target)));
    return 0;
}
