#include "platform/SerialPortList.h"

#include "win32/Win32Text.h"

#include <windows.h>

namespace corvane {

namespace {} // namespace

std::vector<std::string> ReadSerialCommNames(const std::string& keyPath) {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, win32::Widen(keyPath).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return names;
    DWORD valueCount = 0;
    DWORD longestName = 0;
    if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &valueCount,
                           &longestName, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        ::RegCloseKey(key);
        return names;
    }
    std::wstring name(longestName + 1, L'\0');
    for (DWORD index = 0; index < valueCount; ++index) {
        DWORD nameLength = longestName + 1;
        // Room for 8 wide characters: "COM99" and its end fit, anything much longer fails.
        wchar_t data[8] = {};
        DWORD dataBytes = sizeof data;
        DWORD type = 0;
        if (::RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type,
                            reinterpret_cast<BYTE*>(data), &dataBytes) != ERROR_SUCCESS)
            continue;
        if (dataBytes < 7 || dataBytes > 13)
            continue;
        std::size_t length = 0;
        while (length < 8 && data[length] != L'\0')
            ++length;
        names.push_back(win32::Narrow(data, length));
    }
    ::RegCloseKey(key);
    return names;
}

std::string ComDeviceName(std::string_view comName) {
    const std::uint32_t number = ComNameNumber(comName);
    if (number == 0)
        return std::string(comName);
    return (number >= 10 ? "\\\\.\\COM" : "COM") + std::to_string(number);
}

std::uint32_t SystemDeviceComNumber(std::string_view deviceName) {
    return ComNameNumber(deviceName);
}

std::vector<std::string> ScanSystemSerialDevices(const std::string&, const std::string&) {
    return ReadSerialCommNames();
}

SerialPortSources SystemSerialPortSources() {
    SerialPortSources sources;
    sources.devices = [] { return ReadSerialCommNames(); };
    return sources;
}

std::vector<SerialPortValue> ListSerialPortValues(const SerialPortSources& sources) {
    // In the registry's order: the link applies its own rules to the names.
    std::vector<SerialPortValue> values;
    if (sources.devices) {
        for (const std::string& com : sources.devices())
            values.push_back({ComDeviceName(com), com});
    }
    return values;
}

} // namespace corvane
