// Random UDP datagrams to the OSC port, as any sender on the network may send them: read by
// liblo into messages (bundles taken apart here), each checked into an operation and run
// through the OSC service against a target that records it. Nothing may crash or throw; a
// refused packet yields no message; every message is refused with 400, 404 or 413 (a text
// too long for a request) or becomes an operation, and only those reach the target.

#include "RecordingTarget.h"
#include "control/OscPacket.h"
#include "control/OscService.h"

#include <cstdint>
#include <cstdlib>

using namespace corvane;
using namespace corvane::control;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const OscPacket packet = DecodeOscPacket(data, size);
    if (!packet.Ok() && !packet.messages.empty())
        std::abort();
    if (packet.messages.size() > kMaxOscMessagesPerPacket)
        std::abort();
    ControlSettings settings;
    settings.oscPort = 53000;
    RecordingTarget target;
    OscService service(settings, {}, target);
    int parsed = 0;
    for (const OscMessage& m : packet.messages) {
        const ParsedRequest r = ParseOscMessage(m);
        if (!r.Ok() && r.error.status != 400 && r.error.status != 404 && r.error.status != 413)
            std::abort();
        parsed += r.Ok() ? 1 : 0;
        const OscResult result = service.Handle(m, "127.0.0.1", 0);
        if (result.ran == result.refused || result.ran != r.Ok())
            std::abort();
    }
    if (static_cast<int>(target.executed.size()) != parsed)
        std::abort();
    return 0;
}
