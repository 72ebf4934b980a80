// The profile functions: the key=value calls that the rest of the program makes, each one a
// whole reading or rewriting of the file.

#include "platform/IniFile.h"
#include "platform/IniSyntax.h"

namespace corvane {

using namespace ini;

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

} // namespace corvane
