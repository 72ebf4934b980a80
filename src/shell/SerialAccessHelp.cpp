#include "shell/SerialAccessHelp.h"

#include "platform/IniFile.h"
#include "shell/Language.h"

namespace corvane {

namespace {

constexpr const char* kSection = "Setting";
constexpr const char* kAnsweredKey = "SerialAccessHelp";
constexpr const char* kBuiltIn =
    "Corvane may not open the serial ports of this computer: your user is not in the group "
    "\"%1\" that owns them.\nTo let it in, run this command in a terminal, then log out and "
    "in again:\n\nsudo usermod -aG %1 %2";

void ReplaceAll(std::string& text, const std::string& what, const std::string& with) {
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
}

} // namespace

std::string SerialAccessHelpText(const std::string& group, const std::string& user) {
    std::string text = GetLangString(kSerialAccessHelpKey);
    if (text.empty())
        text = kBuiltIn;
    // The user first: a group name cannot then bring in a "%2" of its own.
    ReplaceAll(text, "%2", user.empty() ? std::string("$USER") : user);
    ReplaceAll(text, "%1", group.empty() ? std::string("dialout") : group);
    return text;
}

bool SerialAccessHelpDue(const SerialAccess& access, const std::string& configPath) {
    if (!access.Blocked() || configPath.empty())
        return false;
    return GetPrivateProfileString(kSection, kAnsweredKey, "0", 8, configPath) != "1";
}

bool MarkSerialAccessHelpAnswered(const std::string& configPath) {
    return !configPath.empty() && WritePrivateProfileString(kSection, kAnsweredKey, "1", configPath);
}

} // namespace corvane
