#include "device/SystemInfo.h"

#include <cstdio>

namespace corvane {

namespace {

constexpr const char* kComponents[kSysInfoSize] = {
    "1. SYS_DEV_Sii9777",   "2. SYS_DEV_ADV7619_0",   "3. SYS_DEV_ADV7619_1", "4. SYS_DEV_Sii9134_0",
    "5. SYS_DEV_Sii9134_1", "6. SYS_DEV_Sii9134_2",   "7. SYS_DEV_Sii9134_3", "8. SYS_DEV_Ps176_DP1",
    "9. SYS_DEV_Ps176_DP2", "10. SYS_DEV_Stm32Flash", "11. SYS_DEV_FPGA",     "12. SYS_DEV_CDCE913",
    "13. SYS_DEV_wifi"};

} // namespace

std::string SystemInformationText(const std::array<std::uint8_t, kSysInfoSize>& flags) {
    std::string text;
    for (int i = 0; i < kSysInfoSize; ++i) {
        char line[80];
        std::snprintf(line, sizeof line, "%-25s\t: %s\n", kComponents[i],
                      flags[static_cast<std::size_t>(i)] == 1 ? "√ " : "X");
        text += line;
    }
    return text;
}

} // namespace corvane
