#pragma once

// Whether this user may open the serial devices of the system. On Linux they belong to a
// group (dialout on Debian) that a new user is not in: every port then fails to open and the
// automatic search never finds the processor. The check asks with access() instead of
// opening the devices, which would raise their modem lines.

#include <functional>
#include <string>
#include <vector>

namespace corvane {

// The errno that opening `path` for reading and writing would fail with, 0 when allowed.
using SerialAccessProbe = std::function<int(const std::string& path)>;

struct SerialAccess {
    std::vector<std::string> devices; // the devices looked at
    std::vector<std::string> refused; // those this user may not open for lack of permission
    std::string group;                // the group owning the first refused device

    // Serial devices exist and this user may open none of them.
    bool Blocked() const { return !devices.empty() && refused.size() == devices.size(); }
};

// Looks at `devicePaths` (for example /dev/ttyS0) with `probe` (empty: access()).
SerialAccess CheckSerialAccess(const std::vector<std::string>& devicePaths,
                               const SerialAccessProbe& probe = {});

// The name of the group owning `path`; its number when the group has no name; empty when
// the file cannot be looked at.
std::string GroupOfFile(const std::string& path);

// The login name of this user ($USER's only as a last resort).
std::string CurrentUserName();

} // namespace corvane
