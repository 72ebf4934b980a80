#include "misc/FactoryReset.h"

#include "shell/Language.h"

namespace corvane {

void RunFactoryReset(FactoryResetHost& host) {
    if (!host.Synchronised()) {
        host.Tell(MessageText(kMsgOpenSerial));
        return;
    }
    if (!host.Ask(MessageText(kMsgRestoreFactory)))
        return;
    if (!host.SendReset()) {
        host.Tell(MessageText(kMsgOpenSerial));
        return;
    }
    host.ExpectRestart();
    const std::uint32_t opened = host.OpenCount();
    host.Tell(MessageText(kMsgRestartMachine));
    if (host.OpenCount() == opened)
        host.ClosePort();
}

} // namespace corvane
