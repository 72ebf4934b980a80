#include "SimFaults.h"

#include "ConsoleWords.h"

#include <cstdlib>
#include <sstream>

namespace corvane::sim {

using std::chrono::milliseconds;

std::string SetFault(Faults& f, const std::vector<std::string>& w, FaultChange* change) {
    auto arg = [&](std::size_t i) { return WordAt(w, i); };
    auto number = [&](std::size_t i, long fallback) { return NumberAt(w, i, fallback); };
    *change = FaultChange::None;
    const std::string what = arg(1);
    if (what == "silent")
        f.silent = IsOn(arg(2));
    else if (what == "drop")
        f.drop = static_cast<int>(number(2, 1));
    else if (what == "delay")
        f.delay = milliseconds(number(2, 0));
    else if (what == "corrupt")
        f.corrupt = static_cast<int>(number(2, 1));
    else if (what == "split")
        f.split = IsOn(arg(2));
    else if (what == "garbage")
        f.garbage = IsOn(arg(2));
    else if (what == "refuse-upgrade")
        f.refuseUpgrade = IsOn(arg(2));
    else if (what == "refuse-resolution")
        f.refuseResolution = IsOn(arg(2));
    else if (what == "no-announce")
        f.upgrade.noAnnounce = IsOn(arg(2));
    else if (what == "no-result")
        f.upgrade.noResult = IsOn(arg(2));
    else if (what == "damage-packet")
        f.upgrade.damagePacket = static_cast<int>(number(2, 0));
    else if (what == "readback-damage")
        f.upgrade.damageReadBack = static_cast<int>(number(2, 0));
    else if (what == "readback-skip")
        f.upgrade.skipReadBack = static_cast<int>(number(2, 0));
    else if (what == "vanish-after-packets")
        f.vanishAfterPackets = static_cast<int>(number(2, 0));
    else if (what == "stall") {
        if (arg(2).empty() || number(2, -1) < 0)
            return "error: fault stall needs MS\n";
        f.stall = milliseconds(number(2, 0));
        *change = FaultChange::Stall;
    } else if (what == "flood") {
        const double seconds = std::strtod(arg(2).c_str(), nullptr);
        if (arg(2).empty() || !(seconds >= 0))
            return "error: fault flood needs SECONDS\n";
        f.flood = milliseconds(static_cast<long long>(seconds * 1000.0));
        *change = FaultChange::Flood;
    } else if (what == "clear") {
        f = Faults{};
        *change = FaultChange::Clear;
    } else
        return "error: unknown fault '" + what + "'\n";
    return {};
}

std::string FaultsLine(const Faults& f, long long stallLeftMs) {
    std::ostringstream out;
    out << "faults silent=" << (f.silent ? 1 : 0) << " drop=" << f.drop << " delay-ms=" << f.delay.count()
        << " corrupt=" << f.corrupt << " split=" << (f.split ? 1 : 0) << " garbage=" << (f.garbage ? 1 : 0)
        << " refuse-upgrade=" << (f.refuseUpgrade ? 1 : 0)
        << " refuse-resolution=" << (f.refuseResolution ? 1 : 0)
        << " no-announce=" << (f.upgrade.noAnnounce ? 1 : 0) << " no-result=" << (f.upgrade.noResult ? 1 : 0)
        << " damage-packet=" << f.upgrade.damagePacket << " readback-damage=" << f.upgrade.damageReadBack
        << " readback-skip=" << f.upgrade.skipReadBack << " vanish-after-packets=" << f.vanishAfterPackets
        << " stall-ms=" << stallLeftMs << "\n";
    return out.str();
}

} // namespace corvane::sim
