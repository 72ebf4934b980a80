#include "shell/Config.h"

#include "ScratchFolder.h"
#include "device/DeviceState.h"
#include "platform/Files.h"
#include "platform/IniFile.h"

#include <climits>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tuple>

using namespace corvane;
using corvane::test::ReadBytes;
using corvane::test::ScratchFolder;
using corvane::test::WriteBytes;

namespace {

// The file of the first start, byte for byte.
const char* const kFirstStartFile =
    "[ComSet]\r\nPortNum=1\r\nBaudRate=115200\r\nByteSize=8\r\nStopBits=1\r\nParity=0\r\n\r\n"
    "[PRESET]\r\nName1=Preset 1\r\nName2=Preset 2\r\nName3=Preset 3\r\nName4=Preset 4\r\n"
    "Name5=Preset 5\r\nName6=Preset 6\r\nName7=Preset 7\r\nName8=Preset 8\r\nName9=Preset 9\r\n"
    "Name10=Preset 10\r\n"
    "[SHOWBTN]\r\nUpgradeLoadBtn=0\r\n\r\n"
    "[LAYERCLR]\r\nR1=32\r\nG1=178\r\nB1=170\r\n\r\nR2=128\r\nG2=128\r\nB2=128\r\n\r\n"
    "R3=128\r\nG3=128\r\nB3=200\r\n\r\nR4=128\r\nG4=128\r\nB4=100\r\n\r\n";

class ConfigTest : public ::testing::Test {
protected:
    ScratchFolder m_folder;
    std::string m_path = m_folder.File("Config.ini");
    Config m_config;
    PresetSlots m_presets = DeviceState().presets;
};

} // namespace

TEST_F(ConfigTest, FirstStartWritesTheDefaultFileAndReadsItBack) {
    ASSERT_TRUE(LoadConfig(m_path, m_config, m_presets));
    EXPECT_EQ(ReadBytes(m_path), kFirstStartFile);

    EXPECT_EQ(m_config.comBaudRate, 115200u);
    EXPECT_EQ(m_config.layerColors[0].green, 178u);
    EXPECT_EQ(m_config.layerColors[3].blue, 100u);
    EXPECT_EQ(m_presets[9].name, "Preset 10");

    // A second start finds the file and leaves it as it is.
    ASSERT_TRUE(LoadConfig(m_path, m_config, m_presets));
    EXPECT_EQ(ReadBytes(m_path), kFirstStartFile);
}

TEST_F(ConfigTest, MissingKeysReadAsZeroAndMissingNamesKeepTheirDefault) {
    // Numbers are read the way atoi reads them (TextToInt), with no range tested.
    WriteBytes(m_path, "[ComSet]\r\nPortNum=-1\r\nBaudRate=921600 baud\r\n"
                       "[PRESET]\r\nName2=Stage left\r\nName3=   \r\nName4=\r\n");
    ASSERT_TRUE(LoadConfig(m_path, m_config, m_presets));
    EXPECT_EQ(m_config.comPortNum, 0xFFFFFFFFu);
    EXPECT_EQ(m_config.comBaudRate, 921600u);
    EXPECT_EQ(m_config.comStopBits, 0u);
    // No LAYERCLR section: black layers, not the defaults.
    for (const LayerColor& c : m_config.layerColors)
        EXPECT_EQ(c.red + c.green + c.blue, 0u);
    EXPECT_EQ(m_presets[1].name, "Stage left");
    EXPECT_EQ(m_presets[2].name, "Preset 3");
    EXPECT_EQ(m_presets[3].name, "Preset 4");
}

TEST(PortLineSettings, ValuesNoPortTakesFallBackToEightDataBitsAndOneStopBit) {
    struct Case {
        std::uint32_t byteSize, stopBits;
        int dataBits, stop;
    };
    const Case cases[] = {
        {8, 1, 8, 1}, {7, 2, 7, 2}, {5, 1, 5, 1},           // as stored
        {0, 0, 8, 1},                                       // a file with only its Control section
        {4, 3, 8, 1}, {9, 1, 8, 1}, {0xFFFFFFFFu, 1, 8, 1}, // out of range
    };
    for (const Case& c : cases) {
        Config config;
        config.comByteSize = c.byteSize;
        config.comStopBits = c.stopBits;
        const LineSettings line = PortLineSettings(config);
        EXPECT_EQ(line.dataBits, c.dataBits) << c.byteSize;
        EXPECT_EQ(line.stopBits, c.stop) << c.stopBits;
    }
}

TEST_F(ConfigTest, TheControlInterfaceIsOffUnlessSwitchedOnAndKeepsItsDefaultsForMissingKeys) {
    ASSERT_TRUE(LoadConfig(m_path, m_config, m_presets)); // a first start: no Control section
    EXPECT_FALSE(m_config.control.enabled);
    EXPECT_EQ(m_config.control.address, "127.0.0.1");

    WriteBytes(m_path, "[ComSet]\r\nPortNum=1\r\n[Control]\r\nEnabled=1\r\nAddress=0.0.0.0\r\nPort=9100\r\n"
                       "Token=abcdefghijklmnopq\r\nRatePerSecond=500\r\n");
    ASSERT_TRUE(LoadConfig(m_path, m_config, m_presets));
    EXPECT_TRUE(m_config.control.enabled);
    EXPECT_EQ(m_config.control.address, "0.0.0.0");
    EXPECT_EQ(m_config.control.port, 9100);
    EXPECT_EQ(m_config.control.token, "abcdefghijklmnopq");
    EXPECT_EQ(m_config.control.ratePerSecond, 500u);

    // Values that make no sense keep the defaults; only 1 switches it on.
    WriteBytes(m_path, "[Control]\r\nEnabled=yes\r\nPort=70000\r\nRatePerSecond=-5\r\n");
    ASSERT_TRUE(LoadConfig(m_path, m_config, m_presets));
    EXPECT_FALSE(m_config.control.enabled);
    EXPECT_EQ(m_config.control.port, control::kDefaultPort);
    EXPECT_EQ(m_config.control.ratePerSecond, control::kDefaultRatePerSecond);

    // The browser origins a page may come from, and the connections a client may hold.
    WriteBytes(m_path, "[Control]\r\nAllowedOrigins=http://panel.local:8080, https://" +
                           std::string(300, 'a') + ".example\r\nConnectionsPerClient=3\r\n");
    ASSERT_TRUE(LoadConfig(m_path, m_config, m_presets));
    EXPECT_EQ(m_config.control.allowedOrigins,
              (std::vector<std::string>{"http://panel.local:8080",
                                        "https://" + std::string(300, 'a') + ".example"}))
        << "a long list is read whole";
    EXPECT_EQ(m_config.control.connectionsPerClient, 3u);
    WriteBytes(m_path, "[Control]\r\nConnectionsPerClient=1000\r\n");
    ASSERT_TRUE(LoadConfig(m_path, m_config, m_presets));
    EXPECT_TRUE(m_config.control.allowedOrigins.empty());
    EXPECT_EQ(m_config.control.connectionsPerClient, static_cast<std::uint32_t>(control::kMaxConnections));
    EXPECT_EQ(m_config.control.oscPort, 0) << "no OSC unless a port is given";

    // OSC: its port (0 or one out of range is none) and the senders heard off loopback.
    WriteBytes(m_path, "[Control]\r\nOscPort=53000\r\nOscAllowedSenders=192.168.10.20, 10.0.0.7\r\n");
    ASSERT_TRUE(LoadConfig(m_path, m_config, m_presets));
    EXPECT_EQ(m_config.control.oscPort, 53000);
    EXPECT_EQ(m_config.control.oscAllowedSenders, (std::vector<std::string>{"192.168.10.20", "10.0.0.7"}));
    EXPECT_FALSE(m_config.control.enabled) << "OSC does not switch HTTP on";
    for (const auto& [port, value] :
         {std::pair{"0", 0}, {"65536", 0}, {"-1", 0}, {"x", 0}, {"65535", 65535}}) {
        WriteBytes(m_path, std::string("[Control]\r\nOscPort=") + port + "\r\n");
        ASSERT_TRUE(LoadConfig(m_path, m_config, m_presets));
        EXPECT_EQ(m_config.control.oscPort, value) << port;
    }

    // Saving leaves the section as the operator typed it.
    WriteBytes(m_path, "[ComSet]\r\nPortNum=1\r\n[Control]\r\nEnabled=1\r\n");
    ASSERT_TRUE(LoadConfig(m_path, m_config, m_presets));
    ASSERT_TRUE(SaveConfig(m_path, m_config, m_presets));
    EXPECT_NE(ReadBytes(m_path).find("[Control]\r\nEnabled=1"), std::string::npos);
}

#ifndef _WIN32
// Where Config.ini keeps a token, the log asks for the file to be the owner's alone.
TEST_F(ConfigTest, OthersMayReadTellsAFileOthersCanRead) {
    WriteBytes(m_path, "[Control]\r\nToken=0123456789abcdef\r\n");
    // The group are others too.
    for (const auto& [mode, others] : {std::pair{0644, true}, {0640, true}, {0600, false}}) {
        ASSERT_EQ(chmod(m_path.c_str(), mode), 0);
        EXPECT_EQ(OthersMayRead(m_path), others) << mode;
    }
    EXPECT_FALSE(OthersMayRead(m_folder.File("missing.ini")));
}
#endif

TEST(TextToInt, AtoiSemantics) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"", 0},
        {"abc", 0},
        {"12abc", 12},
        {" \t-7", -7},
        {"+5", 5},
        {"- 5", 0},
        {"1e3", 1},
        {"0x10", 0},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-99999999999999999999", INT_MIN},
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(TextToInt(text), value) << text;
}

TEST_F(ConfigTest, SaveRewritesTheComSetKeysAndNamesOnly) {
    ASSERT_TRUE(LoadConfig(m_path, m_config, m_presets));
    ASSERT_TRUE(WritePrivateProfileString("Setting", "Language", "Chinese", m_path));

    // The connection dialog stored a port; then a preset was renamed.
    m_config.comPortNum = 4;
    m_config.comBaudRate = 921600;
    m_config.layerColors[0].red = 1; // not saved
    m_presets[2].name = "Keynote";
    ASSERT_TRUE(SaveConfig(m_path, m_config, m_presets));

    std::string expected = kFirstStartFile;
    expected.replace(expected.find("PortNum=1"), 9, "PortNum=4");
    expected.replace(expected.find("BaudRate=115200"), 15, "BaudRate=921600");
    expected.replace(expected.find("Name3=Preset 3"), 14, "Name3=Keynote");
    expected += "[Setting]\r\nLanguage=Chinese\r\n";
    EXPECT_EQ(ReadBytes(m_path), expected);
}

// A file that cannot be made (its folder is missing) or read (a folder in its place) keeps the
// values in memory and is not replaced.
TEST_F(ConfigTest, FileThatCannotBeMadeOrReadKeepsTheDefaultsInMemory) {
    std::filesystem::create_directory(m_path);
    m_config.comPortNum = 5;
    for (const std::string& path : {m_folder.File("missing-folder/Config.ini"), m_path}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(LoadConfig(path, m_config, m_presets));
        EXPECT_EQ(std::tie(m_config.comPortNum, m_config.comBaudRate, m_config.layerColors[0].red),
                  std::make_tuple(5u, 115200u, 32u));
        EXPECT_FALSE(SaveConfig(path, m_config, m_presets));
    }
    EXPECT_TRUE(std::filesystem::is_directory(m_path));
}
