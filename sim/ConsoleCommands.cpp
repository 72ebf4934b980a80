// The control channel's commands (one a line, see Help()), run on the line's thread.
#include "ConsoleWords.h"
#include "ReplyRecords.h"
#include "SimFaults.h"
#include "Simulator.h"
#include "device/ReplyDispatcher.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace corvane::sim {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

constexpr std::size_t kReceivedLinesDefault = 20;

} // namespace

std::string Simulator::Help() {
    return "state                         the processor's state\n"
           "log [N]                       the last N lines of the traffic log (default 20)\n"
           "count CODE                    frames received with CODE (hex, e.g. 0x0006)\n"
           "received [N]                  the last N items received, when read, the quiet before each\n"
           "signal INPUT on|off [W H HZx10] change the signal on input 0..3\n"
           "fault silent on|off           send nothing, ignore everything (link loss)\n"
           "fault drop N                  drop the next N replies\n"
           "fault delay MS                delay every reply by MS milliseconds\n"
           "fault corrupt N               corrupt the checksum of the next N records\n"
           "fault split on|off            write records in small pieces\n"
           "fault garbage on|off          put garbage bytes between records\n"
           "fault refuse-upgrade on|off   every image ends with a failed result\n"
           "fault refuse-resolution on|off every change of an output's resolution is refused\n"
           "fault no-announce on|off      the boot loader does not announce itself\n"
           "fault no-result on|off        an image is taken but its result never comes\n"
           "fault damage-packet N         the Nth data packet of each image arrives damaged (0: none)\n"
           "fault readback-damage N       read-back block N goes out with a bad checksum (0: none)\n"
           "fault readback-skip N         read-back block N is not sent (0: none)\n"
           "fault vanish-after-packets N  the cable is pulled after N data packets (0: never)\n"
           "fault stall MS                stop reading for MS milliseconds (0 ends it)\n"
           "image TARGET                  size and FNV-1a hash of the stored image (fpga, mcu, hdmirx)\n"
           "image TARGET damage BLOCK     flip a byte of block BLOCK (from 0) of the stored image\n"
           "fault flood SECONDS           every reply kind at line rate for SECONDS (0 stops)\n"
           "fault clear                   no faults\n"
           "preset store SLOT             store the setting the processor runs as its preset SLOT (0..9)\n"
           "takeover                      acknowledgement 11: another client took the processor\n"
           "announce [STATUS]             boot-loader announce 0x8002 (0 enters the boot loader)\n"
           "ping                          send a ping now\n"
           "pings [reset]                 pings sent and answered, the longest round trip\n"
           "sysinfo FLAGS                 presence flags of the 13 components, e.g. 1111111111110\n"
           "vanish                        close the line and remove the COM link (cable pulled)\n"
           "appear                        open a new line and link again\n"
           "port                          the COM link and the terminal behind it\n"
           "quit                          end the simulator\n";
}

std::string Simulator::Control(const std::string& line) {
    const std::vector<std::string> w = Words(line);
    if (w.empty())
        return "ok\n";
    const std::string& verb = w[0];
    auto arg = [&](std::size_t i) { return WordAt(w, i); };
    auto number = [&](std::size_t i, long fallback) { return NumberAt(w, i, fallback); };
    std::ostringstream out;
    if (verb == "help") {
        out << Help();
    } else if (verb == "state") {
        out << m_model.Describe();
        out << "line "
            << (m_vanished                 ? "vanished"
                : Restarting(Clock::now()) ? "restarting"
                                           : "up")
            << " restarts=" << m_restarts << " baud=" << m_options.baud
            << " application-baud-matches=" << (BaudMatches() ? 1 : 0)
            << " not-understood=" << m_notUnderstood << "\n";
        const long long stallLeftMs =
            Stalled(Clock::now()) ? std::chrono::ceil<milliseconds>(m_stallUntil - Clock::now()).count() : 0;
        out << FaultsLine(m_options.faults, stallLeftMs);
        const FloodCounts& fc = m_flood.Counts();
        const Clock::time_point now = Clock::now();
        out << "flood " << (FloodRunning(now) ? "on" : (m_floodArmed ? "armed" : "off")) << " remaining-ms="
            << (FloodRunning(now) ? std::chrono::duration_cast<milliseconds>(m_floodUntil - now).count() : 0)
            << " records=" << fc.records << " pings=" << fc.pings << " noise-bytes=" << fc.noiseBytes
            << " torn=" << fc.tornHeads << " split=" << fc.splitRecords << "\n";
        out << PingLine();
    } else if (verb == "log") {
        const std::size_t n = static_cast<std::size_t>(number(1, 20));
        const std::size_t first = m_traffic.size() > n ? m_traffic.size() - n : 0;
        for (std::size_t i = first; i < m_traffic.size(); ++i)
            out << m_traffic[i] << "\n";
    } else if (verb == "received") {
        out << ReceivedLines(static_cast<std::size_t>(number(1, kReceivedLinesDefault)));
    } else if (verb == "count") {
        const auto code = static_cast<std::uint16_t>(number(1, 0));
        const auto it = m_received.find(code);
        out << "count " << arg(1) << " " << (it == m_received.end() ? 0 : it->second) << "\n";
    } else if (verb == "signal") {
        const int input = static_cast<int>(number(1, -1));
        if (input < 0 || input > 3)
            return "error: signal needs an input 0..3\n";
        Queue(m_model.SetInputSignal(input, IsOn(arg(2)), static_cast<std::uint16_t>(number(3, 0)),
                                     static_cast<std::uint16_t>(number(4, 0)),
                                     static_cast<std::uint16_t>(number(5, 0))));
    } else if (verb == "fault") {
        FaultChange change = FaultChange::None;
        const std::string error = SetFault(m_options.faults, w, &change);
        if (!error.empty())
            return error;
        const Faults& f = m_options.faults;
        if (change == FaultChange::Stall) {
            m_stallUntil = Clock::now() + f.stall;
        } else if (change == FaultChange::Flood) {
            StartFlood(f.flood);
        } else if (change == FaultChange::Clear) {
            m_stallUntil = {};
            if (FloodRunning(Clock::now()))
                StartFlood(milliseconds(0));
            m_floodArmed = false;
        }
        m_model.SetRefuseUpgrade(f.refuseUpgrade);
        m_model.SetRefuseResolution(f.refuseResolution);
        m_model.SetUpgradeFaults(f.upgrade);
    } else if (verb == "preset") {
        if (arg(1) != "store" || w.size() != 3)
            return "error: preset store SLOT\n";
        if (!m_model.StorePreset(static_cast<int>(number(2, -1))))
            return "error: the slot is 0..9\n";
    } else if (verb == "takeover") {
        QueueNow(AckReply(kAckTakenOver, 1, 0), false);
    } else if (verb == "announce") {
        const auto status = static_cast<std::uint8_t>(number(1, 0));
        if (status == 0) {
            std::vector<Outgoing> a = m_model.EnterBootLoader();
            a[0].reply = false;
            Queue(a);
        } else {
            QueueNow(AnnounceReply(status), false);
        }
    } else if (verb == "ping") {
        QueueNow(SimpleReply(0xB3), false);
    } else if (verb == "pings") {
        if (arg(1) == "reset") {
            // Pings on their way count as sent from now on.
            m_pings = PingStats{};
            m_pings.sent = m_pingsOut.size();
        }
        out << PingLine();
    } else if (verb == "sysinfo") {
        const std::string flags = arg(1);
        if (flags.size() != 13 || flags.find_first_not_of("01") != std::string::npos)
            return "error: sysinfo needs 13 flags, each 0 or 1\n";
        std::array<std::uint8_t, 13> v{};
        for (std::size_t i = 0; i < v.size(); ++i)
            v[i] = flags[i] == '1' ? 1 : 0;
        m_model.SetSysInfo(v);
    } else if (verb == "image") {
        const std::string which = arg(1);
        const Target target = which == "mcu"      ? Target::Mcu
                              : which == "hdmirx" ? Target::HdmiRx
                                                  : Target::Fpga;
        if (which != "fpga" && which != "mcu" && which != "hdmirx")
            return "error: image needs fpga, mcu or hdmirx\n";
        if (arg(2) == "damage") {
            if (!m_model.DamageImage(target, static_cast<std::size_t>(number(3, 0))))
                return "error: the image has no such block\n";
        } else {
            const std::vector<std::uint8_t>& image = m_model.Image(target);
            std::uint64_t hash = 1469598103934665603ull;
            for (std::uint8_t b : image)
                hash = (hash ^ b) * 1099511628211ull;
            char line[96];
            std::snprintf(line, sizeof line, "image %s size=%zu fnv1a=%016llx\n", which.c_str(), image.size(),
                          static_cast<unsigned long long>(hash));
            out << line;
        }
    } else if (verb == "vanish") {
        CloseTerminal();
        m_vanished = true;
    } else if (verb == "appear") {
        if (m_vanished) {
            std::string error;
            if (!OpenTerminal(&error))
                return "error: " + error + "\n";
        }
    } else if (verb == "port") {
        out << "link " << m_linkPath << " terminal " << m_terminalPath << "\n";
    } else if (verb == "quit") {
        m_stop = true;
    } else {
        return "error: unknown command '" + verb + "' (try help)\n";
    }
    out << "ok\n";
    return out.str();
}

} // namespace corvane::sim
