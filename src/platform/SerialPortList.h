#pragma once

// The system's list of serial ports, as (name, data) pairs: `data` is the port's COM name
// ("COM12"), `name` the file to open for it. The link applies its rules for COM names over
// this list (link/PortDiscovery.h).
//
// The list holds, in ascending COM number:
// - every symbolic link named COM<n> in the folder "Ports" (platform/Paths.h says where) that
//   points at a character device (how the simulator, tests and operators pin a device to a
//   number; a link whose target is missing is left out);
// - the serial devices of the system, numbered by a fixed rule (SystemDeviceComNumber):
//     /dev/ttyS0..ttyS9      COM1..COM10  (on-board UARTs, only those the driver reports
//                                          as a real UART)
//     /dev/ttyUSB0..ttyUSB19 COM11..COM30 (USB serial adapters)
//     /dev/ttyACM0..ttyACM19 COM31..COM50 (USB modem-class devices)
//   A device whose number a Ports link holds is left out: the link wins. COM51..COM99 are
//   never given to a device and are free for links.
//
// Both sources can be replaced (SetSerialPortSources), so tests list pseudo-terminals.
//
// On Windows the list is the registry's: the values of HKEY_LOCAL_MACHINE
// "HARDWARE\DEVICEMAP\SERIALCOMM" in the registry's order, each value's data (its COM name)
// as `data` and the device to open for it as `name` ("COM3", "\\.\COM12"). There the
// system's source is a device lister that gives those COM names, and a Ports folder is not
// used.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

struct SerialPortValue {
    std::string name; // the file to open
    std::string data; // the port's COM name
};

// Lists the serial devices of the system as file names in /dev ("ttyUSB0").
using SerialDeviceLister = std::function<std::vector<std::string>()>;

struct SerialPortSources {
    std::string portsFolder;    // folder of COM<n> links; empty: none
    SerialDeviceLister devices; // empty: none
};

// The program's "Ports" folder and the scan of /dev.
SerialPortSources SystemSerialPortSources();

// Replaces the sources of ListSerialPortValues for the whole process; ResetSerialPortSources
// goes back to the system's.
void SetSerialPortSources(SerialPortSources sources);
void ResetSerialPortSources();
// The sources ListSerialPortValues() uses now.
SerialPortSources CurrentSerialPortSources();

std::vector<SerialPortValue> ListSerialPortValues();
std::vector<SerialPortValue> ListSerialPortValues(const SerialPortSources& sources);

// The serial devices in `devFolder` that the numbering rule covers and that exist:
// ttyUSB<k> and ttyACM<k> character devices, and ttyS<k> ones whose driver reports a real
// UART (sysfs `type` not 0 under `sysTtyFolder`). Sorted by name.
std::vector<std::string> ScanSystemSerialDevices(const std::string& devFolder = "/dev",
                                                 const std::string& sysTtyFolder = "/sys/class/tty");

// The number of a COM name: "COM" (either case) followed by one or two digits and nothing
// else; 0 otherwise.
std::uint32_t ComNameNumber(std::string_view name);

// The fixed COM number of a system device by its name ("ttyUSB0" -> 11); 0 for a name the
// rule does not cover.
std::uint32_t SystemDeviceComNumber(std::string_view deviceName);

#ifdef _WIN32
// The SERIALCOMM key of the registry.
inline constexpr const char* kSerialCommKey = "HARDWARE\\DEVICEMAP\\SERIALCOMM";

// The COM names of the values of the key `keyPath` under HKEY_LOCAL_MACHINE, in the
// registry's order: a value is taken when its name and data can be read, the data is at most
// 8 wide characters and takes 7 to 13 bytes with its end (so COM100 and longer names are
// left out). Empty when the key cannot be opened.
std::vector<std::string> ReadSerialCommNames(const std::string& keyPath = kSerialCommKey);

// The device to open for a COM name: "COM<n>" below 10, "\\.\COM<n>" from 10 on (the only
// way the system opens those); any other text as it is.
std::string ComDeviceName(std::string_view comName);
#endif

} // namespace corvane
