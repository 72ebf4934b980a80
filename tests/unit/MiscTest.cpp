// The misc page's and the WiFi configuration's rules without widgets: the checks of "Apply" in
// their order (the link before them), the factory reset's steps, the address rule, command
// 0x000E byte for byte (ASCII and Chinese texts in code page 936), the factory reset and backup
// commands, the version line from the processor's record 0xA4, and code page 936 both ways.

#include "device/NullDispatcherHost.h"
#include "device/ReplyDispatcher.h"
#include "link/CommandCodes.h"
#include "misc/FactoryReset.h"
#include "misc/MiscFrames.h"
#include "misc/WifiSettings.h"
#include "platform/CodePage936.h"
#include "shell/Language.h"

#include <array>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

using namespace corvane;

namespace {

// The state after the reply handling took `record`.
DeviceState Dispatched(const Frame& record) {
    DeviceState state;
    NullDispatcherHost host;
    LinkSession session(state, host);
    ReplyDispatcher(state, session, host).OnDeviceRecord(record.data());
    return state;
}

TEST(CodePage936, ConvertsBothWaysAndRefusesWhatItCannotHold) {
    EXPECT_EQ(ToCodePage936("Stage-1"), "Stage-1");
    EXPECT_EQ(ToCodePage936("\xE8\x88\x9E\xE5\x8F\xB0"), std::string("\xCE\xE8\xCC\xA8")) << "舞台";
    EXPECT_EQ(ToCodePage936(""), "");
    EXPECT_EQ(ToCodePage936("\xF0\x9F\x98\x80"), std::nullopt) << "an emoji has no code in code page 936";
    EXPECT_EQ(ToCodePage936("\xD8\xB3"), std::nullopt) << "nor has Arabic";
    EXPECT_EQ(ToCodePage936("ab\xFF"), std::nullopt) << "not UTF-8";

    const std::vector<std::uint8_t> stage = {0xCE, 0xE8, 0xCC, 0xA8, 'x'};
    EXPECT_EQ(FromCodePage936(stage.data(), stage.size()), "\xE8\x88\x9E\xE5\x8F\xB0x");
    EXPECT_EQ(FromCodePage936(stage.data(), 3), "\xE8\x88\x9E\xEF\xBF\xBD") << "cut inside a character";
    const std::vector<std::uint8_t> bad = {'a', 0xFF, 'b'};
    EXPECT_EQ(FromCodePage936(bad.data(), bad.size()), "a\xEF\xBF\xBD"
                                                       "b");
    EXPECT_EQ(FromCodePage936(nullptr, 0), "");

    EXPECT_EQ(CountCharacters("\xE8\x88\x9E\xE5\x8F\xB0"
                              "ab"),
              4u);
    EXPECT_EQ(CountCharacters("\xE8\x88"), std::nullopt);
}

TEST(WifiAddress, ExactlyFourNumbersUpTo255SeparatedByDots) {
    struct Case {
        const char* text;
        std::optional<WifiAddress> address;
    };
    const std::vector<Case> cases = {
        {"192.168.4.1", WifiAddress{192, 168, 4, 1}},
        {"0.0.0.0", WifiAddress{0, 0, 0, 0}},
        {"255.255.255.255", WifiAddress{255, 255, 255, 255}},
        {"01.2.3.4", WifiAddress{1, 2, 3, 4}}, // leading zeros are decimal, as "%d" reads them
        {"001.002.003.004", WifiAddress{1, 2, 3, 4}},
        {" 10.0.0.1 ", WifiAddress{10, 0, 0, 1}}, // blanks around the whole text
        {"1.2.3.256", std::nullopt},
        {"256.1.1.1", std::nullopt},
        {"1.2.3", std::nullopt},
        {"1.2.3.4.5", std::nullopt},
        {"1.2.3.4abc", std::nullopt},
        {"1.2.3.4.", std::nullopt},
        {"a.b.c.d", std::nullopt},
        {"1. 2.3.4", std::nullopt},
        {"+1.2.3.4", std::nullopt},
        {"-1.2.3.4", std::nullopt},
        {"1..3.4", std::nullopt},
        {"0001.2.3.4", std::nullopt},
        {"", std::nullopt},
        {"1,2,3,4", std::nullopt},
        {"\xEF\xBC\x91.2.3.4", std::nullopt}, // a full-width digit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseWifiAddress(c.text), c.address);
    }
    EXPECT_EQ(WifiAddressText({10, 0, 0, 254}), "10.0.0.254");
}

TEST(WifiChecks, RunInOrderAndReportOnlyTheFirstProblem) {
    const std::string chinese4 = "\xE8\x88\x9E\xE5\x8F\xB0\xE8\x88\x9E\xE5\x8F\xB0"; // 舞台舞台: 8 bytes
    struct Case {
        const char* name;
        std::string ip, ssid, password;
        WifiProblem problem;
    };
    const std::vector<Case> cases = {
        {"all good", "192.168.4.1", "Show", "12345678", WifiProblem::None},
        {"11 characters", "192.168.4.1", "Show", "12345678901", WifiProblem::None},
        {"7 characters", "192.168.4.1", "Show", "1234567", WifiProblem::PasswordLength},
        {"12 characters", "192.168.4.1", "Show", "123456789012", WifiProblem::PasswordLength},
        {"address before everything (its forms: WifiAddress)", "x", "", "1", WifiProblem::AddressFormat},
        {"empty SSID before the password", "10.0.0.1", "", "1", WifiProblem::SsidEmpty},
        {"SSID of 14 bytes", "10.0.0.1", "abcdefghijklmn", "12345678", WifiProblem::None},
        {"SSID of 15 bytes", "10.0.0.1", "abcdefghijklmno", "12345678", WifiProblem::SsidTooLong},
        {"Chinese SSID of 14 bytes", "10.0.0.1",
         chinese4 + "\xE8\x88\x9E"
                    "abcd",
         "12345678", WifiProblem::None},
        {"Chinese SSID of 16 bytes", "10.0.0.1", chinese4 + chinese4, "12345678", WifiProblem::SsidTooLong},
        {"SSID the code page lacks", "10.0.0.1", "Stage\xF0\x9F\x98\x80", "12345678",
         WifiProblem::SsidNotRepresentable},
        {"SSID before the password", "10.0.0.1", "abcdefghijklmno", "1", WifiProblem::SsidTooLong},
        {"8 characters, 12 bytes", "10.0.0.1", "Show", chinese4 + "abcd", WifiProblem::PasswordTooLong},
        {"8 characters, 11 bytes", "10.0.0.1", "Show",
         "\xE8\x88\x9E\xE5\x8F\xB0\xE8\x88\x9E"
         "abcde",
         WifiProblem::None},
        {"password the code page lacks", "10.0.0.1", "Show", "1234567\xF0\x9F\x98\x80",
         WifiProblem::PasswordNotRepresentable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const WifiCheck check = CheckWifiSettings(c.ip, c.ssid, c.password);
        EXPECT_EQ(check.problem, c.problem);
        if (c.problem == WifiProblem::None) {
            EXPECT_EQ(check.settings.ssid, c.ssid);
            EXPECT_EQ(check.settings.password, c.password);
            EXPECT_TRUE(BuildWifiFrame(check.settings).has_value());
        } else {
            EXPECT_FALSE(BuildWifiFrame(WifiConfig{c.ip, c.ssid, c.password}).has_value());
        }
    }
    EXPECT_EQ(CheckWifiSettings("01.02.3.4", "a", "12345678").settings.ip, "1.2.3.4");
}

TEST(WifiChecks, MessagesAreTheProcessorToolsOwn) {
    ResetMessageTable();
    EXPECT_EQ(WifiProblemMessage(WifiProblem::AddressFormat), "IP Address format error!");
    EXPECT_EQ(WifiProblemMessage(WifiProblem::SsidEmpty), "Please input SSID!");
    EXPECT_EQ(WifiProblemMessage(WifiProblem::PasswordLength), "Password need 8 to 11 position!");
    EXPECT_EQ(WifiProblemMessage(WifiProblem::SsidNotRepresentable),
              "The SSID has characters the processor cannot store!");
    for (WifiProblem p :
         {WifiProblem::SsidTooLong, WifiProblem::PasswordTooLong, WifiProblem::PasswordNotRepresentable})
        EXPECT_FALSE(WifiProblemMessage(p).empty());
    EXPECT_EQ(WifiProblemMessage(WifiProblem::None), "");
    // "Apply" asks for the link before anything else, then tells the first problem.
    EXPECT_EQ(WifiApplyRefusal(false, WifiProblem::AddressFormat), "Please open the serial!");
    EXPECT_EQ(WifiApplyRefusal(false, WifiProblem::None), "Please open the serial!");
    EXPECT_EQ(WifiApplyRefusal(true, WifiProblem::PasswordLength), "Password need 8 to 11 position!");
    EXPECT_EQ(WifiApplyRefusal(true, WifiProblem::None), "");
}

TEST(WifiFrame, TextsInCodePage936WithTheirByteCountsTheFillerBeyondAndTheAddress) {
    using Bytes = std::vector<std::uint8_t>;
    const std::string stage = "\xE8\x88\x9E\xE5\x8F\xB0"; // 舞台: CE E8 CC A8
    const std::uint8_t x = 0x55;
    struct Case {
        WifiConfig settings;
        Bytes ssid, password, address; // bytes 6..20, 21..33, 34..37
    };
    const Case cases[] = {
        {{"192.168.4.1", "Show", "12345678"},
         {4, 'S', 'h', 'o', 'w', x, x, x, x, x, x, x, x, x, x},
         {8, '1', '2', '3', '4', '5', '6', '7', '8', x, x, x, x},
         {192, 168, 4, 1}},
        {{"10.0.0.254", stage + "-1", stage + "abcdefg"}, // 9 characters, 11 bytes
         {6, 0xCE, 0xE8, 0xCC, 0xA8, '-', '1', x, x, x, x, x, x, x, x},
         {11, 0xCE, 0xE8, 0xCC, 0xA8, 'a', 'b', 'c', 'd', 'e', 'f', 'g', x},
         {10, 0, 0, 254}},
        // The longest SSID fills all 14 bytes, right up to the password's length.
        {{"1.2.3.4", stage + stage + stage + "\xE8\x88\x9E", "12345678"},
         {14, 0xCE, 0xE8, 0xCC, 0xA8, 0xCE, 0xE8, 0xCC, 0xA8, 0xCE, 0xE8, 0xCC, 0xA8, 0xCE, 0xE8},
         {8, '1', '2', '3', '4', '5', '6', '7', '8', x, x, x, x},
         {1, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings.ssid);
        Bytes expected = c.ssid;
        expected.insert(expected.end(), c.password.begin(), c.password.end());
        expected.insert(expected.end(), c.address.begin(), c.address.end());
        Frame frame = StartFrame(kCmdWifi);
        std::copy(expected.begin(), expected.end(), frame.begin() + 6);
        SealFrame(frame);
        EXPECT_EQ(BuildWifiFrame(c.settings), frame);
    }
}

struct ResetCase {
    const char* name;
    bool synchronised, answer, sent, openedAgainWhileTold;
    std::string log;
};

// Plays the misc page as the case says; what happens goes to `log`.
struct ScriptedReset : FactoryResetHost {
    explicit ScriptedReset(const ResetCase& c) : c(c) {}
    bool Synchronised() const override { return c.synchronised; }
    bool Ask(const std::string& question) override { return log += "ask " + question + "|", c.answer; }
    void Tell(const std::string& message) override {
        log += "tell " + message + "|";
        opens += c.openedAgainWhileTold ? 1 : 0;
    }
    bool SendReset() override { return log += "send|", c.sent; }
    void ExpectRestart() override { log += "restart|"; }
    std::uint32_t OpenCount() const override { return opens; }
    void ClosePort() override { log += "close|"; }

    const ResetCase& c;
    std::uint32_t opens = 3;
    std::string log;
};

TEST(FactoryReset, AskedSentThenThePortClosedUnlessTheSearchOpenedItAgainMeanwhile) {
    ResetMessageTable();
    const std::string ask = "ask Restore the factory settings?|", noLink = "tell Please open the serial!|";
    const std::string restart = ask + "send|restart|tell Restart The Machine|";
    const ResetCase cases[] = {
        {"no link asks nothing", false, true, true, false, noLink},
        {"declined", true, false, true, false, ask},
        {"the link gone while asked", true, true, false, false, ask + "send|" + noLink},
        {"reset", true, true, true, false, restart + "close|"},
        {"the port opened again while told", true, true, true, true, restart},
    };
    for (const ResetCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedReset host(c);
        RunFactoryReset(host);
        EXPECT_EQ(host.log, c.log);
    }
}

TEST(MiscFrames, FactoryResetBackupAndTheVersionLine) {
    EXPECT_EQ(BuildFactoryResetFrame(), MakeFrame(kCmdFactoryReset)) << "the code and the filler only";
    EXPECT_EQ(BuildInputBackupFrame(0), MakeFrameByte6(kCmdInputBackup, 0));
    EXPECT_EQ(BuildInputBackupFrame(7), MakeFrameByte6(kCmdInputBackup, 1));

    // Reply 0xA4 with bytes 6..9 = 01 02 03 04.
    Frame versions = StartFrame(0x00A4);
    std::copy_n(std::array<std::uint8_t, 4>{1, 2, 3, 4}.begin(), 4, versions.begin() + 6);
    SealFrame(versions);
    const DeviceState state = Dispatched(versions);
    EXPECT_EQ(VersionLine(state.verPrimary, state.verSecondary), "Ver : 0201 - 0403");
}

} // namespace
