#include "platform/IoStatus.h"

#include <cerrno>

namespace corvane {

std::uint32_t IoStatusFromErrno(int error) {
    switch (error) {
    case 0:
        return kIoSuccess;
    case ENOENT:
        return kIoErrorFileNotFound;
    case EACCES:
    case EPERM:
        return kIoErrorAccessDenied;
    case EBADF:
        return kIoErrorInvalidHandle;
    case EBUSY:
        return kIoErrorSharingViolation;
    case EINVAL:
        return kIoErrorInvalidParameter;
    case EIO:
    case ENXIO:
    case ENODEV:
        return kIoErrorDeviceNotConnected;
    default:
        return kIoErrorGenFailure;
    }
}

} // namespace corvane
