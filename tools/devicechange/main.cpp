// corvane-devicechange: tells every top-level window that the system's devices changed, as
// Windows does when a serial adapter is plugged in or pulled (WM_DEVICECHANGE with
// DBT_DEVNODES_CHANGED). For testing the application's hotplug path where no device can be
// plugged (under wine). Exit code 0 when the message was broadcast, 1 when it was not.

#include <cstdio>
#include <windows.h>

int main() {
    constexpr UINT kDeviceChange = 0x0219;      // WM_DEVICECHANGE
    constexpr WPARAM kDevNodesChanged = 0x0007; // DBT_DEVNODES_CHANGED
    constexpr UINT kTimeoutMs = 5000;
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(HWND_BROADCAST, kDeviceChange, kDevNodesChanged, 0, SMTO_ABORTIFHUNG,
                               kTimeoutMs, &result)) {
        std::fprintf(stderr, "corvane-devicechange: the broadcast failed (error %lu)\n", ::GetLastError());
        return 1;
    }
    std::printf("device change broadcast\n");
    return 0;
}
