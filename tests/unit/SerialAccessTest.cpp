// The help when this user may not open the serial ports: when it is due, its text, and its
// answer kept in Config.ini.

#include "platform/SerialAccess.h"

#include "ScratchFolder.h"
#include "shell/Language.h"
#include "shell/SerialAccessHelp.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <map>

using namespace corvane;
using corvane::test::ReadBytes;
using corvane::test::ScratchFolder;

namespace {

SerialAccessProbe Probe(std::map<std::string, int> errors) {
    return [errors](const std::string& path) {
        const auto it = errors.find(path);
        return it == errors.end() ? 0 : it->second;
    };
}

} // namespace

TEST(SerialAccess, BlockedOnlyWhenDevicesExistAndNoneMayBeOpened) {
    struct Case {
        const char* what;
        std::vector<std::string> devices;
        std::map<std::string, int> errors;
        bool blocked;
    };
    const Case cases[] = {
        {"no serial device at all", {}, {}, false},
        {"all allowed", {"/dev/ttyS0", "/dev/ttyUSB0"}, {}, false},
        {"not in the group",
         {"/dev/ttyS0", "/dev/ttyUSB0"},
         {{"/dev/ttyS0", EACCES}, {"/dev/ttyUSB0", EACCES}},
         true},
        {"one allowed", {"/dev/ttyS0", "/dev/ttyUSB0"}, {{"/dev/ttyS0", EACCES}}, false},
        {"gone meanwhile, not a permission", {"/dev/ttyUSB0"}, {{"/dev/ttyUSB0", ENOENT}}, false},
        {"EPERM counts as refused", {"/dev/ttyACM0"}, {{"/dev/ttyACM0", EPERM}}, true},
    };
    for (const Case& c : cases) {
        const SerialAccess access = CheckSerialAccess(c.devices, Probe(c.errors));
        EXPECT_EQ(access.Blocked(), c.blocked) << c.what;
    }
}

#ifndef _WIN32 // Windows guards its ports with no group
TEST(SerialAccess, TheGroupIsTheOwningGroupOfTheRefusedDevice) {
    // /dev/null belongs to root's group on every Linux system.
    const SerialAccess access = CheckSerialAccess({"/dev/null"}, Probe({{"/dev/null", EACCES}}));
    EXPECT_TRUE(access.Blocked());
    EXPECT_EQ(access.group, "root");
    EXPECT_EQ(GroupOfFile("/nonexistent"), "");
    EXPECT_FALSE(CurrentUserName().empty());
}
#endif

TEST(SerialAccess, HelpIsDueOnceAndNeverAfterItWasAnswered) {
    ScratchFolder folder;
    const std::string config = folder.File("Config.ini");
    const SerialAccess blocked = CheckSerialAccess({"/dev/ttyS0"}, Probe({{"/dev/ttyS0", EACCES}}));
    const SerialAccess fine = CheckSerialAccess({"/dev/ttyS0"}, Probe({}));
    EXPECT_FALSE(SerialAccessHelpDue(fine, config));
    EXPECT_TRUE(SerialAccessHelpDue(blocked, config));
    EXPECT_FALSE(SerialAccessHelpDue(blocked, "")) << "no Config.ini: nowhere to remember the answer";
    ASSERT_TRUE(MarkSerialAccessHelpAnswered(config));
    EXPECT_NE(ReadBytes(config).find("SerialAccessHelp=1"), std::string::npos);
    EXPECT_FALSE(SerialAccessHelpDue(blocked, config));
}

TEST(SerialAccess, TheTextNamesTheGroupTheUserAndTheCommand) {
    languageFile = "/nonexistent/English.ini"; // the built-in text
    const std::string text = SerialAccessHelpText("dialout", "ops");
    EXPECT_NE(text.find("sudo usermod -aG dialout ops"), std::string::npos) << text;
    EXPECT_NE(text.find("\"dialout\""), std::string::npos) << text;
    // A group name with the user's placeholder in it stays as it is.
    EXPECT_NE(SerialAccessHelpText("odd%2", "ops").find("-aG odd%2 ops"), std::string::npos);
    EXPECT_NE(SerialAccessHelpText("", "").find("-aG dialout $USER"), std::string::npos);
}
