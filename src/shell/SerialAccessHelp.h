#pragma once

// The help given once when this user may not open the serial ports: the application's
// message, with the command that lets the user in, and its answer remembered in Config.ini
// ("Setting"/"SerialAccessHelp" = 1) so that it is never shown again.

#include "platform/SerialAccess.h"

#include <string>

namespace corvane {

// The key of the text in the language files; %1 is the group, %2 the user.
inline constexpr const char* kSerialAccessHelpKey = "SerialAccessHelp";

// The text in the language in use (the built-in English one when the file has none).
std::string SerialAccessHelpText(const std::string& group, const std::string& user);

// The help is due: the ports are blocked and it was not answered before.
bool SerialAccessHelpDue(const SerialAccess& access, const std::string& configPath);
// The operator answered it. False when Config.ini could not be written.
bool MarkSerialAccessHelpAnswered(const std::string& configPath);

} // namespace corvane
