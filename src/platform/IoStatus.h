#pragma once

// Status numbers of completed and failed I/O. They keep the numbers of the Windows errors
// they stand for, because the link above reacts to them by number (995: the port was
// closed under a read).

#include <cstdint>

namespace corvane {

inline constexpr std::uint32_t kIoSuccess = 0;
inline constexpr std::uint32_t kIoErrorFileNotFound = 2;
inline constexpr std::uint32_t kIoErrorAccessDenied = 5;
inline constexpr std::uint32_t kIoErrorInvalidHandle = 6;
inline constexpr std::uint32_t kIoErrorGenFailure = 31;
inline constexpr std::uint32_t kIoErrorSharingViolation = 32;
inline constexpr std::uint32_t kIoErrorInvalidParameter = 87;
inline constexpr std::uint32_t kIoErrorTimeout = 121; // a drained write whose output did not drain in time
inline constexpr std::uint32_t kIoErrorOperationAborted = 995; // the file was closed under the operation
inline constexpr std::uint32_t kIoErrorIoPending = 997;
inline constexpr std::uint32_t kIoErrorDeviceNotConnected = 1167; // the device went away (hang-up)

// Maps an errno value of a failed read or write to one of the numbers above.
std::uint32_t IoStatusFromErrno(int error);

} // namespace corvane
