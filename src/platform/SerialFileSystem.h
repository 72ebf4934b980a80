#pragma once

// What the sentences of the serial file take from the system they run on (SerialFile.cpp,
// win32/SerialFile.cpp). Seen only by this layer.

#include <string>

namespace corvane {

// The system's text for an error number of the serial file.
std::string SystemErrorReason(int systemError);

// What to do about a port the user may not open, with a leading space; empty where the
// system has nothing to advise.
std::string PermissionAdvice();

} // namespace corvane
