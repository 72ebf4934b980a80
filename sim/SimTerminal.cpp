// The pseudo-terminal the processor is on: opening it with the COM link that publishes it,
// closing it (a pulled cable loses what was on its way), and the rates set on it.
#include "Simulator.h"
#include "platform/Paths.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace corvane::sim {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

speed_t SpeedOf(unsigned baud) {
    switch (baud) {
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    case 460800:
        return B460800;
    case 921600:
        return B921600;
    default:
        return B0;
    }
}

unsigned BaudOf(speed_t speed) {
    switch (speed) {
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    case B230400:
        return 230400;
    case B460800:
        return 460800;
    case B921600:
        return 921600;
    default:
        return 0;
    }
}

} // namespace

bool Simulator::RateSupported(unsigned baud) {
    return SpeedOf(baud) != B0;
}

bool Simulator::OpenTerminal(std::string* error) {
    auto fail = [&](const std::string& what) {
        if (error)
            *error = what + ": " + std::strerror(errno);
        CloseTerminal();
        return false;
    };
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0)
        return fail("cannot open a pseudo-terminal");
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        return fail("cannot unlock the pseudo-terminal");
    char name[128];
    if (ptsname_r(m_master, name, sizeof name) != 0)
        return fail("cannot name the pseudo-terminal");
    m_terminalPath = name;
    m_slave = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_slave < 0)
        return fail("cannot open " + m_terminalPath);
    termios t{};
    tcgetattr(m_slave, &t);
    cfmakeraw(&t);
    cfsetspeed(&t, SpeedOf(m_options.baud));
    tcsetattr(m_slave, TCSANOW, &t);

    MakeFolders(m_options.portsFolder);
    m_linkPath = m_options.portsFolder + "/COM" + std::to_string(m_options.port);
    struct stat st {};
    if (lstat(m_linkPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        unlink(m_linkPath.c_str());
    if (symlink(m_terminalPath.c_str(), m_linkPath.c_str()) != 0)
        return fail("cannot make the link " + m_linkPath);
    m_vanished = false;
    m_inStart += m_in.size();
    m_in.clear();
    m_slices.clear();
    m_readLine = {};
    return true;
}

void Simulator::CloseTerminal() {
    if (!m_linkPath.empty()) {
        char target[256];
        const ssize_t n = readlink(m_linkPath.c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == m_terminalPath)
            unlink(m_linkPath.c_str());
    }
    if (m_slave >= 0)
        close(m_slave);
    if (m_master >= 0)
        close(m_master);
    m_slave = m_master = -1;
    m_queue.clear();
    Popped(m_wire.size(), false, Clock::now());
    m_wire.clear();
    m_pingEnds.clear();
    m_pings.unanswered += m_pingsOut.size();
    m_pingsOut.clear();
    m_floodPause = false;
}

bool Simulator::BaudMatches() const {
    termios t{};
    if (m_master < 0 || tcgetattr(m_master, &t) != 0)
        return true;
    return cfgetospeed(&t) == SpeedOf(m_options.baud);
}

unsigned Simulator::ApplicationBaud() const {
    termios t{};
    if (m_master < 0 || tcgetattr(m_master, &t) != 0)
        return m_options.baud;
    const unsigned baud = BaudOf(cfgetospeed(&t));
    return baud != 0 ? baud : m_options.baud;
}

} // namespace corvane::sim
