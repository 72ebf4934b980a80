#pragma once

// The factory reset of the misc page without widgets: asked first, then command 0x000A; the
// processor then restarts on the port and at the rate it has now, so the port is closed and the
// search looks for it there without the operator. The page answers through FactoryResetHost.

#include <cstdint>
#include <string>

namespace corvane {

class FactoryResetHost {
public:
    virtual ~FactoryResetHost() = default;
    virtual bool Synchronised() const = 0;
    // Asks `question` under "Tips"; true when the operator answers OK.
    virtual bool Ask(const std::string& question) = 0;
    // Shows `message` under "Tips" until the operator closes it.
    virtual void Tell(const std::string& message) = 0;
    // Sends command 0x000A; false when nothing was sent (no synchronised link).
    virtual bool SendReset() = 0;
    // From now on the search expects the processor to restart where the port is now.
    virtual void ExpectRestart() = 0;
    // How many times a port has been opened so far.
    virtual std::uint32_t OpenCount() const = 0;
    // Closes the port (through the connect dialog), so that the search looks for the processor.
    virtual void ClosePort() = 0;
};

// The reset as "Restore the factory settings" runs it. The link may go while the operator
// answers the question (then nothing was sent and the serial port is asked for), and while
// "Restart The Machine" is shown the silent processor may be declared lost and the search may
// open the port again: that new link is not closed.
void RunFactoryReset(FactoryResetHost& host);

} // namespace corvane
