#include "misc/MiscFrames.h"

namespace corvane {

Frame BuildFactoryResetFrame() {
    return MakeFrame(kCmdFactoryReset);
}

Frame BuildInputBackupFrame(std::uint8_t on) {
    return MakeFrameByte6(kCmdInputBackup, on != 0 ? 1 : 0);
}

std::string VersionLine(const std::string& primary, const std::string& secondary) {
    return "Ver : " + primary + " - " + secondary;
}

} // namespace corvane
