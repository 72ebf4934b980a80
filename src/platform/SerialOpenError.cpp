#include "SerialFileSystem.h"
#include "platform/SerialFile.h"

// The operator's sentence for a failed opening, the same on every system but for the
// system's own reason and advice.

namespace corvane {

std::string DescribeOpenError(const SerialOpenError& error) {
    std::string what = error.port.empty() ? std::string("The serial port") : error.port;
    if (!error.device.empty() && error.device != error.port)
        what += " (" + error.device + ")";
    const std::string reason = error.systemError ? SystemErrorReason(error.systemError) : std::string();
    switch (error.failure) {
    case SerialOpenFailure::None:
        return what + " is open.";
    case SerialOpenFailure::InvalidPortNumber:
        return "No serial port was chosen.";
    case SerialOpenFailure::NoSuchPort:
        return what + " is not in the list of serial ports. Check that the adapter is plugged in, "
                      "then refresh the port list.";
    case SerialOpenFailure::NoSuchDevice:
        return what + " does not exist any more. Check that the adapter is plugged in, then refresh the "
                      "port list.";
    case SerialOpenFailure::Busy:
        return what + " is in use by another program. Close that program (or the other Corvane window) "
                      "and connect again.";
    case SerialOpenFailure::PermissionDenied:
        return what + ": permission denied." + PermissionAdvice();
    case SerialOpenFailure::NotASerialPort:
        return what + " is not a serial port.";
    case SerialOpenFailure::InvalidSettings:
        return what + " does not accept the line settings (baud rate, data bits or stop bits).";
    case SerialOpenFailure::AlreadyOpen:
        return "A serial port is already open. Disconnect it first.";
    case SerialOpenFailure::SystemError:
        break;
    }
    return what + " could not be opened" + (reason.empty() ? std::string(".") : ": " + reason + ".");
}

} // namespace corvane
