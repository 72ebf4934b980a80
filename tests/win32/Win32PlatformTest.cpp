// The Windows side of the platform layer, run under wine: the serial-port list read from the
// registry with the link's name rules over it, the single-instance guard as a named mutex
// (also across processes), initialisation files (UTF-16, CR LF, non-ASCII paths, replaced in
// one step), the system language rule, the completion port, and opening COM ports.

#include "ScratchFolder.h"
#include "link/PortDiscovery.h"
#include "platform/AtomicFile.h"
#include "platform/CompletionQueue.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/InstanceGuard.h"
#include "platform/IoStatus.h"
#include "platform/Paths.h"
#include "platform/SerialFile.h"
#include "platform/SerialPortList.h"
#include "platform/SystemLanguage.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>
#include <windows.h>
// The system's macros of the same names would hide the program's own profile functions.
#undef GetPrivateProfileString
#undef WritePrivateProfileString

using namespace corvane;
using namespace corvane::test;

namespace {

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end()); // ASCII only
}

// A registry key under HKEY_LOCAL_MACHINE filled with values for one test and removed
// (or given back its old values) afterwards.
class RegistryValues {
public:
    explicit RegistryValues(const std::string& path) : m_path(path) {
        DWORD disposition = 0;
        m_ok = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, Wide(path).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                 nullptr, &m_key, &disposition) == ERROR_SUCCESS;
        if (!m_ok)
            return;
        // Keep what was there and empty the key.
        for (;;) {
            wchar_t name[256];
            DWORD nameLength = 256;
            BYTE data[512];
            DWORD dataBytes = sizeof data;
            DWORD type = 0;
            if (::RegEnumValueW(m_key, 0, name, &nameLength, nullptr, &type, data, &dataBytes) !=
                ERROR_SUCCESS)
                break;
            m_saved.push_back(
                {std::wstring(name, nameLength), type, std::vector<BYTE>(data, data + dataBytes)});
            ::RegDeleteValueW(m_key, name);
        }
    }
    ~RegistryValues() {
        if (!m_ok)
            return;
        for (const std::wstring& name : m_added)
            ::RegDeleteValueW(m_key, name.c_str());
        for (const Saved& v : m_saved)
            ::RegSetValueExW(m_key, v.name.c_str(), 0, v.type, v.data.data(),
                             static_cast<DWORD>(v.data.size()));
        ::RegCloseKey(m_key);
    }
    bool Ok() const { return m_ok; }
    void Set(const std::wstring& name, const std::wstring& data) {
        ::RegSetValueExW(m_key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                         static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
        m_added.push_back(name);
    }

private:
    struct Saved {
        std::wstring name;
        DWORD type;
        std::vector<BYTE> data;
    };
    std::string m_path;
    HKEY m_key = nullptr;
    bool m_ok = false;
    std::vector<Saved> m_saved;
    std::vector<std::wstring> m_added;
};

} // namespace

// ---- The port list ----------------------------------------------------------------------

TEST(Win32PortList, TheRegistryKeyGivesThePortsInItsOrderWithTheNameRules) {
    RegistryValues key(kSerialCommKey);
    ASSERT_TRUE(key.Ok());
    ResetSerialPortSources();
    key.Set(L"\\Device\\Serial0", L"COM12");
    key.Set(L"\\Device\\Serial1", L"COM3");
    key.Set(L"\\Device\\Serial2", L"COM123");    // 14 bytes with its end: left out by the size rule
    key.Set(L"\\Device\\Serial3", L"com7");      // letters of either case
    key.Set(L"\\Device\\Serial4", L"COM3");      // a second COM3: the first one wins
    key.Set(L"\\Device\\Serial5", L"com");       // no digit
    key.Set(L"\\Device\\Serial6", L"COM1A");     // a letter after the digit
    key.Set(L"\\Device\\Serial7", L"COMPORT99"); // longer than the data buffer
    key.Set(L"\\Device\\Serial8", L"COM0");      // names no port

    const std::vector<std::string> names = ReadSerialCommNames();
    EXPECT_EQ(names, (std::vector<std::string>{"COM12", "COM3", "com7", "COM3", "com", "COM1A", "COM0"}));

    const std::vector<SerialPortValue> values = ListSerialPortValues();
    ASSERT_EQ(values.size(), names.size());
    EXPECT_EQ(values[0].name, "\\\\.\\COM12");
    EXPECT_EQ(values[1].name, "COM3");
    EXPECT_EQ(values[2].name, "COM7");

    std::vector<SerialPortEntry> ports;
    ASSERT_TRUE(EnumerateSerialPorts(ports));
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[0].device, "\\\\.\\COM12");
    EXPECT_EQ(ports[2].name, "com7");
    EXPECT_EQ(ports[2].number, 7u);
    EXPECT_EQ(SerialPortDevice(12), "\\\\.\\COM12");
    EXPECT_EQ(SerialPortDevice(5), "");
}

TEST(Win32PortList, AMissingKeyGivesNoPorts) {
    EXPECT_TRUE(ReadSerialCommNames("HARDWARE\\DEVICEMAP\\CORVANE-NO-SUCH-KEY").empty());
    SetSerialPortSources({});
    std::vector<SerialPortEntry> ports;
    EXPECT_FALSE(EnumerateSerialPorts(ports));
    ResetSerialPortSources();
}

TEST(Win32PortList, DeviceNames) {
    const std::pair<const char*, const char*> cases[] = {
        {"COM1", "COM1"},          {"COM9", "COM9"}, {"COM10", "\\\\.\\COM10"}, {"com12", "\\\\.\\COM12"},
        {"COM99", "\\\\.\\COM99"}, {"LPT1", "LPT1"}, {"COM100", "COM100"},
    };
    for (const auto& [com, device] : cases)
        EXPECT_EQ(ComDeviceName(com), device) << com;
}

// ---- Single instance ---------------------------------------------------------------------

TEST(Win32InstanceGuard, OneHolderPerNameAndFolder) {
    ScratchFolder folder;
    InstanceGuard first;
    ASSERT_EQ(first.Acquire("CorvaneSys", folder.Path()), InstanceGuard::Result::Acquired) << first.Error();
    InstanceGuard second;
    EXPECT_EQ(second.Acquire("CorvaneSys", folder.Path()), InstanceGuard::Result::AlreadyRunning);

    ScratchFolder other;
    InstanceGuard elsewhere;
    EXPECT_EQ(elsewhere.Acquire("CorvaneSys", other.Path()), InstanceGuard::Result::Acquired);

    first.Release();
    EXPECT_EQ(second.Acquire("CorvaneSys", folder.Path()), InstanceGuard::Result::Acquired);
    InstanceGuard nowhere;
    EXPECT_EQ(nowhere.Acquire("CorvaneSys", folder.File("no-such-folder")), InstanceGuard::Result::Failed);
}

TEST(Win32InstanceGuard, AnotherProcessIsRefusedWhileTheGuardIsHeld) {
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    ScratchFolder folder;
    const std::string path = folder.Path();
    InstanceGuard held;
    ASSERT_EQ(held.Acquire("CorvaneSys", path), InstanceGuard::Result::Acquired);
    // The child (a new process) tries the same guard.
    EXPECT_EXIT(
        {
            InstanceGuard second;
            std::_Exit(second.Acquire("CorvaneSys", path) == InstanceGuard::Result::AlreadyRunning ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    held.Release();
    EXPECT_EXIT(
        {
            InstanceGuard second;
            std::_Exit(second.Acquire("CorvaneSys", path) == InstanceGuard::Result::Acquired ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// ---- Initialisation files ----------------------------------------------------------------

// The encodings of initialisation files are IniFileTest's; here the file system's part.
TEST(Win32IniFile, PathsWithChineseCharactersWork) {
    ScratchFolder folder;
    const std::string sub = folder.File("\xE9\x85\x8D\xE7\xBD\xAE"); // a folder named in Chinese
    ASSERT_TRUE(MakeFolder(sub));
    EXPECT_TRUE(IsFolder(sub));
    const std::string path = JoinPath(sub, "Config.ini");
    ASSERT_TRUE(WritePrivateProfileString("ComSet", "PortNum", "3", path));
    EXPECT_TRUE(IsRegularFile(path));
    EXPECT_EQ(GetPrivateProfileString("ComSet", "PortNum", "", 260, path), "3");
    std::string bytes;
    EXPECT_EQ(ReadWholeFile(path, 100, bytes), FileReadResult::Read);
    EXPECT_EQ(bytes, "[ComSet]\r\nPortNum=3\r\n");
    EXPECT_EQ(ReadWholeFile(JoinPath(sub, "none.ini"), 100, bytes), FileReadResult::Missing);
    EXPECT_EQ(ReadWholeFile(sub, 100, bytes), FileReadResult::Unreadable);
    EXPECT_FALSE(OthersMayRead(path)) << "Windows files keep their folder's access list";
    EXPECT_TRUE(RemoveFile(path));
    EXPECT_FALSE(RemoveFile(path));
}

TEST(Win32AtomicFile, ReplacingKeepsTheOldFileOnFailureAndRefusesReadOnlyOnes) {
    ScratchFolder folder;
    const std::string path = folder.File("P01.bin");
    ASSERT_TRUE(ReplaceFileContents(path, "first"));
    ASSERT_TRUE(ReplaceFileContents(path, "second"));
    EXPECT_EQ(ReadBytes(path), "second");

    for (ReplaceStage failAt : {ReplaceStage::HalfWritten, ReplaceStage::Complete}) {
        ReplaceOptions options;
        options.stageHook = [failAt](ReplaceStage stage) { return stage != failAt; };
        EXPECT_FALSE(ReplaceFileContents(path, "third", options));
        EXPECT_EQ(ReadBytes(path), "second");
    }
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        ++files;
    EXPECT_EQ(files, 1u) << "nothing is left beside the file";

    const std::wstring wide = std::filesystem::path(path).wstring();
    ASSERT_TRUE(::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(IsReadOnlyFile(path));
    ReplaceOptions keep;
    keep.keepReadOnly = true;
    EXPECT_FALSE(ReplaceFileContents(path, "fourth", keep));
    EXPECT_EQ(ReadBytes(path), "second");
    ASSERT_TRUE(::SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_FALSE(IsReadOnlyFile(path));
    EXPECT_TRUE(ReplaceFileContents(path, "fourth", keep));
    EXPECT_EQ(ReadBytes(path), "fourth");
}

// ---- Language and folders -----------------------------------------------------------------

TEST(Win32SystemLanguage, TheRuleOfTheLanguageIdentifier) {
    const std::pair<std::uint16_t, const char*> cases[] = {
        {0x0409, "English"}, // en-US
        {0x0809, "English"}, // en-GB
        {0x0C09, "English"}, // en-AU
        {0x0804, "Chinese"}, // zh-CN: Chinese, simplified
        {0x0404, ""},        // zh-TW: traditional
        {0x0C04, ""},        // zh-HK
        {0x1004, ""},        // zh-SG: sublanguage 4, not 2
        {0x0407, ""},        // de-DE
        {0x0000, ""},
    };
    for (const auto& [id, name] : cases)
        EXPECT_EQ(LanguageNameOfLangId(id), name) << std::hex << id;
    const std::string system = GetSystemLanguageName();
    EXPECT_TRUE(system.empty() || system == "English" || system == "Chinese");
}

TEST(Win32Paths, TheExecutableFolderHoldsThisProgram) {
    const std::string folder = ExecutableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
    EXPECT_TRUE(IsRegularFile(JoinPath(folder, "corvane_win32_platform.exe")));
    EXPECT_EQ(JoinPath("C:\\A", "b"), "C:\\A\\b");
    EXPECT_EQ(JoinPath("C:\\A\\", "b"), "C:\\A\\b");
}

// ---- The completion port and the COM file --------------------------------------------------

TEST(Win32CompletionQueue, PostedPacketsComeBackInOrderWithTheirStatus) {
    CompletionQueue queue;
    ASSERT_NE(queue.Port(), nullptr);
    Overlapped first;
    Overlapped second;
    queue.Post({0, 0xFFFFFFFF, nullptr, kIoSuccess});
    queue.Post({7, 1, &first, kIoSuccess});
    queue.Post({0, 1, &second, kIoErrorOperationAborted});
    EXPECT_EQ(queue.Pending(), 3u);

    CompletionPacket p;
    bool timedOut = true;
    EXPECT_TRUE(queue.WaitFor(p, std::chrono::seconds(5), timedOut));
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(p.key, 0xFFFFFFFFu);
    EXPECT_EQ(p.overlapped, nullptr);
    EXPECT_TRUE(queue.Wait(p));
    EXPECT_EQ(p.overlapped, &first);
    EXPECT_EQ(p.bytes, 7u);
    EXPECT_FALSE(queue.Wait(p));
    EXPECT_EQ(p.overlapped, &second);
    EXPECT_EQ(p.status, kIoErrorOperationAborted);
    EXPECT_EQ(queue.Pending(), 0u);

    EXPECT_FALSE(queue.WaitFor(p, std::chrono::milliseconds(50), timedOut));
    EXPECT_TRUE(timedOut);
}

TEST(Win32SerialFile, OpeningFailsWithTheReason) {
    SerialSettings settings;
    SerialFile file;
    EXPECT_EQ(file.Open("\\\\.\\COM97", settings).failure, SerialOpenFailure::NoSuchDevice);
    EXPECT_FALSE(file.IsOpen());

    settings.baudRate = 12345;
    EXPECT_EQ(file.Open("\\\\.\\COM97", settings).failure, SerialOpenFailure::InvalidSettings);
    settings.baudRate = 921600;
    settings.dataBits = 9;
    EXPECT_EQ(file.Open("\\\\.\\COM97", settings).failure, SerialOpenFailure::InvalidSettings);

    // A file that is no serial port.
    ScratchFolder folder;
    WriteBytes(folder.File("plain.txt"), "x");
    settings.dataBits = 8;
    const SerialOpenError error = file.Open(folder.File("plain.txt"), settings);
    EXPECT_EQ(error.failure, SerialOpenFailure::NotASerialPort) << DescribeOpenError(error);
    EXPECT_FALSE(file.IsOpen());

    // Nothing is started on a closed file.
    std::uint8_t data[4];
    Overlapped o;
    EXPECT_FALSE(file.Read(&o, data, sizeof data));
    EXPECT_FALSE(file.Write(&o, data, sizeof data));
}

TEST(Win32SerialFile, DescriptionsNameThePort) {
    SerialOpenError error;
    error.port = "COM3";
    error.failure = SerialOpenFailure::Busy;
    EXPECT_EQ(DescribeOpenError(error), "COM3 is in use by another program. Close that program (or the other "
                                        "Corvane window) and connect again.");
    error.failure = SerialOpenFailure::SystemError;
    error.systemError = ERROR_GEN_FAILURE;
    EXPECT_EQ(DescribeOpenError(error).rfind("COM3 could not be opened: ", 0), 0u)
        << DescribeOpenError(error);
}
