#include "platform/IniFile.h"

#include "ScratchFolder.h"
#include "platform/Files.h"

#include <array>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace corvane;
using corvane::test::FileExists;
using corvane::test::ReadBytes;
using corvane::test::ScratchFolder;
using corvane::test::WriteBytes;

namespace {

// The text in UTF-16 with its byte-order mark, little-endian unless `bigEndian`.
std::string Utf16(std::u16string_view text, bool bigEndian = false) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : text) {
        const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
        out += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return out;
}

std::size_t FilesIn(const std::string& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

class IniFileTest : public ::testing::Test {
protected:
    ScratchFolder m_folder;
    std::string m_path = m_folder.File("Config.ini");

    std::string Get(const std::string& section, const std::string& key, std::size_t room = 260,
                    const std::string& def = "<default>") {
        return GetPrivateProfileString(section, key, def, room, m_path);
    }
};

struct ReadCase {
    const char* what;
    const char* file;
    const char* section;
    const char* key;
    std::size_t room;
    const char* expected;
};

// clang-format off
const ReadCase kReadCases[] = {
    {"names without regard to case", "[ComSet]\r\nPortNum=3\r\n", "COMSET", "portnum", 260, "3"},
    {"every letter without regard to case", "[AZ]\r\nza=3\r\n", "az", "ZA", 260, "3"},
    {"blanks around names and value", "  [  ComSet ]  \r\n\t PortNum \t=  3  \r\n", "ComSet", "PortNum", 260, "3"},
    {"blanks inside a value stay", "[S]\r\nK= two  words \r\n", "S", "K", 260, "two  words"},
    {"double quotes dropped", "[S]\r\nK=\"  padded  \"\r\n", "S", "K", 260, "  padded  "},
    {"single quotes dropped", "[S]\r\nK='x'\r\n", "S", "K", 260, "x"},
    {"unmatched quotes kept", "[S]\r\nK=\"x'\r\n", "S", "K", 260, "\"x'"},
    {"lone quote kept", "[S]\r\nK=\"\r\n", "S", "K", 260, "\""},
    {"empty quotes dropped", "[S]\r\nK=\"\"\r\n", "S", "K", 260, ""},
    {"value holding =", "[S]\r\nK=a=b\r\n", "S", "K", 260, "a=b"},
    {"empty value is not the default", "[S]\r\nK=\r\n", "S", "K", 260, ""},
    {"room N gives N-1 characters", "[S]\r\nK=abcdef\r\n", "S", "K", 4, "abc"},
    {"room counts characters, not bytes", "[S]\r\nK=\xE8\xAE\xBE\xE7\xBD\xAE" "EDID\r\n", "S", "K", 3,
     "\xE8\xAE\xBE\xE7\xBD\xAE"},
    {"room 1 gives nothing", "[S]\r\nK=abc\r\n", "S", "K", 1, ""},
    {"room 0 gives nothing", "[S]\r\nK=abc\r\n", "S", "K", 0, ""},
    {"default also cut to the room", "[S]\r\n", "S", "K", 4, "<de"},
    {"missing section", "[Other]\r\nK=1\r\n", "S", "K", 260, "<default>"},
    {"missing key", "[S]\r\nL=1\r\n", "S", "K", 260, "<default>"},
    {"key of another section", "[S]\r\n[T]\r\nK=1\r\n", "S", "K", 260, "<default>"},
    {"first of two sections", "[S]\r\nK=1\r\n[s]\r\nK=2\r\nL=3\r\n", "S", "L", 260, "<default>"},
    {"first of two keys", "[S]\r\nK=1\r\nk=2\r\n", "S", "K", 260, "1"},
    {"comment line is no key", "[S]\r\n;K=1\r\n", "S", ";K", 260, "<default>"},
    {"line without = is no key", "[S]\r\nK\r\n", "S", "K", 260, "<default>"},
    {"key before any section", "K=1\r\n[S]\r\n", "S", "K", 260, "<default>"},
    {"broken section line belongs to the section before", "[S]\r\n[T\r\nK=1\r\n", "S", "K", 260, "1"},
    {"line feed line ends", "[S]\nA=1\nK=2\n", "S", "K", 260, "2"},
    {"carriage return line ends", "[S]\rA=1\rK=2", "S", "K", 260, "2"},
    {"UTF-8 byte-order mark", "\xEF\xBB\xBF[S]\r\nK=1\r\n", "S", "K", 260, "1"},
    {"malformed UTF-8 becomes U+FFFD", "[S]\r\nK=a\xFF" "b\r\n", "S", "K", 260, "a\xEF\xBF\xBD" "b"},
    {"empty key name asks nothing", "[S]\r\n=1\r\n", "S", "", 260, "<default>"},
};
// clang-format on

} // namespace

TEST_F(IniFileTest, ReadRules) {
    for (const ReadCase& c : kReadCases) {
        SCOPED_TRACE(c.what);
        WriteBytes(m_path, c.file);
        EXPECT_EQ(Get(c.section, c.key, c.room), c.expected);
    }
}

TEST_F(IniFileTest, SeveralKeysAtOnceGiveWhatSingleLookupsGive) {
    WriteBytes(m_path, "[String]\r\nA=1\r\nb= \"two\" \r\na=dup\r\n[Other]\r\nC=3\r\n[string]\r\nD=4\r\n");
    const std::vector<std::string> keys = {"a", "B", "C", "D", "A", "", "Missing"};
    const std::vector<std::optional<std::string>> values = GetPrivateProfileStrings("STRING", keys, m_path);
    ASSERT_EQ(values.size(), keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        SCOPED_TRACE(keys[i]);
        const std::string single = Get("STRING", keys[i], 1000, "<none>");
        EXPECT_EQ(values[i].value_or("<none>"), single);
    }
    // ("D" is in the second section of the name: only the first counts.)

    // A missing file gives no value, and reading does not make it.
    EXPECT_FALSE(GetPrivateProfileStrings("String", keys, m_folder.File("none.ini"))[0]);
    EXPECT_FALSE(FileExists(m_folder.File("none.ini")));
}

struct WriteCase {
    const char* what;
    const char* before;                             // nullptr: no file
    std::vector<std::array<const char*, 3>> writes; // section, key, value
    const char* after;
};

// clang-format off
const WriteCase kWriteCases[] = {
    {"a new file and its sections", nullptr, {{"ComSet", "PortNum", "1"}, {"PRESET", "Name1", "Preset 1"}},
     "[ComSet]\r\nPortNum=1\r\n[PRESET]\r\nName1=Preset 1\r\n"},
    {"names written trimmed, found again without case", "[ComSet]\r\n",
     {{" Setting ", " Language ", "Chinese"}, {"SETTING", "language", "English"}},
     "[ComSet]\r\n[Setting]\r\nLanguage=English\r\n"},
    // The key keeps its spelling and spacing; only what follows its "=" changes.
    {"replaced in place, every other line kept",
     "; written by hand\n[ComSet]\n  PortNum = 3   ; trailing note\nUnknown=keep me\n\n[Other]\r\nx=1",
     {{"comset", "PORTNUM", "7"}},
     "; written by hand\n[ComSet]\n  PortNum = 7\nUnknown=keep me\n\n[Other]\r\nx=1"},
    {"a new key at the end of its section", "[A]\r\nx=1\r\n\r\n[B]\r\ny=2", {{"A", "z", "3"}, {"B", "w", "4"}},
     "[A]\r\nx=1\r\n\r\nz=3\r\n[B]\r\ny=2\r\nw=4\r\n"},
    {"a line break after a value leaves one empty line", nullptr,
     {{"LAYERCLR", "B1", "170\r\n"}, {"LAYERCLR", "R2", "128"}},
     "[LAYERCLR]\r\nB1=170\r\n\r\nR2=128\r\n"},
    // Writing the same value again does not pile up empty lines; a plain value keeps the one
    // that is there.
    {"no second empty line", "[LAYERCLR]\r\nB1=170\r\n\r\nR2=128\r\n",
     {{"LAYERCLR", "B1", "170\r\n"}, {"LAYERCLR", "B1", "9"}},
     "[LAYERCLR]\r\nB1=9\r\n\r\nR2=128\r\n"},
    {"line breaks inside a value become blanks", nullptr, {{"PRESET", "Name1", "Show\r\n[ComSet]\nPortNum=9"}},
     "[PRESET]\r\nName1=Show [ComSet] PortNum=9\r\n"},
    {"a UTF-8 mark is kept", "\xEF\xBB\xBF[S]\r\nK=1\r\n", {{"S", "K", "2"}}, "\xEF\xBB\xBF[S]\r\nK=2\r\n"},
};
// clang-format on

TEST_F(IniFileTest, WriteRules) {
    for (const WriteCase& c : kWriteCases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(m_path);
        if (c.before)
            WriteBytes(m_path, c.before);
        for (const auto& [section, key, value] : c.writes)
            ASSERT_TRUE(WritePrivateProfileString(section, key, value, m_path));
        EXPECT_EQ(ReadBytes(m_path), c.after);
    }
}

TEST_F(IniFileTest, UnusableNamesAreRefusedAndWriteNothing) {
    struct Names {
        const char* section;
        const char* key;
    };
    const Names bad[] = {{"", "K"},    {"  ", "K"},  {"S", ""},   {"S", "a=b"},
                         {"S\n", "K"}, {"S", "K\r"}, {"S", "[K"}, {"S", ";K"}};
    for (const Names& n : bad) {
        SCOPED_TRACE(std::string(n.section) + "/" + n.key);
        EXPECT_FALSE(WritePrivateProfileString(n.section, n.key, "v", m_path));
        EXPECT_FALSE(FileExists(m_path));
    }
}

TEST_F(IniFileTest, WindowsMadeUtf16FileIsReadAndStaysUtf16InItsByteOrder) {
    for (const bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian);
        const std::u16string windowsFile = u"[Setting]\r\nLanguage=Chinese\r\n[String]\r\n"
                                           u"SIDS_11=\u63D0\u793A\r\n" // 提示
                                           u"Wide=\U0001F600\r\n"      // outside the BMP
                                           u"Broken=a\xD800z\r\n";     // unpaired surrogate
        WriteBytes(m_path, Utf16(windowsFile, bigEndian));

        EXPECT_EQ(Get("Setting", "Language"), "Chinese");
        EXPECT_EQ(Get("String", "SIDS_11"), "\xE6\x8F\x90\xE7\xA4\xBA");
        EXPECT_EQ(Get("String", "Wide"), "\xF0\x9F\x98\x80");
        EXPECT_EQ(Get("String", "Wide", 2), "\xF0\x9F\x98\x80"); // one character, not two units
        EXPECT_EQ(Get("String", "Broken"), "a\xEF\xBF\xBDz");

        ASSERT_TRUE(WritePrivateProfileString("Setting", "Language", "English", m_path));
        ASSERT_TRUE(
            WritePrivateProfileString("String", "SIDS_12", "\xE9\x87\x8D\xE5\x90\xAF", m_path)); // 重启
        std::u16string after = windowsFile; // every other line kept, the new key at its section's end
        after.replace(after.find(u"Chinese"), 7, u"English");
        after += u"SIDS_12=\u91CD\u542F\r\n";
        EXPECT_EQ(ReadBytes(m_path), Utf16(after, bigEndian));
    }
}

TEST_F(IniFileTest, UnreadableTargetIsLeftAlone) {
    std::filesystem::create_directory(m_path); // a folder where the file should be
    EXPECT_FALSE(WritePrivateProfileString("S", "K", "1", m_path));
    EXPECT_TRUE(std::filesystem::is_directory(m_path));
    EXPECT_EQ(Get("S", "K"), "<default>");

    EXPECT_FALSE(WritePrivateProfileString("S", "K", "1", m_folder.File("no-such-folder/Config.ini")));
}

#ifndef _WIN32 // POSIX permissions and symbolic links
TEST_F(IniFileTest, WritingKeepsPermissionsAndFollowsLinks) {
    const std::string real = m_folder.File("real.ini");
    WriteBytes(real, "[S]\r\nK=1\r\n");
    ::chmod(real.c_str(), 0640);
    std::filesystem::create_symlink(real, m_path);

    ASSERT_TRUE(WritePrivateProfileString("S", "K", "2", m_path));
    EXPECT_TRUE(std::filesystem::is_symlink(m_path));
    EXPECT_EQ(ReadBytes(real), "[S]\r\nK=2\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}
#endif

// ---- Writing aside, then replacing -------------------------------------------------------

namespace {

IniSaveStage g_dieAt;
bool DieAtStage(IniSaveStage stage) {
    if (stage == g_dieAt)
        ::_exit(3);
    return true;
}

IniSaveStage g_failAt;
bool FailAtStage(IniSaveStage stage) {
    return stage != g_failAt;
}

struct HookReset {
    ~HookReset() { SetIniSaveHookForTesting(nullptr); }
};

} // namespace

// A save that fails at a stage reports false and leaves no trace; a process that dies there
// leaves the old file intact.
TEST_F(IniFileTest, WriteFailingOrDyingMidWayLeavesTheOldFileIntact) {
    HookReset reset;
    std::string before = "[ComSet]\r\nPortNum=4\r\n[PRESET]\r\n";
    for (int i = 1; i <= 200; ++i)
        before += "Name" + std::to_string(i) + "=Show " + std::to_string(i) + "\r\n";
    WriteBytes(m_path, before);
    for (IniSaveStage stage : {IniSaveStage::TempHalfWritten, IniSaveStage::TempComplete}) {
        SCOPED_TRACE(static_cast<int>(stage));
        g_failAt = g_dieAt = stage;
        SetIniSaveHookForTesting(FailAtStage);
        const std::size_t files = FilesIn(m_folder.Path()); // with what a dead save left
        EXPECT_FALSE(WritePrivateProfileString("ComSet", "PortNum", "9", m_path));
        EXPECT_EQ(ReadBytes(m_path), before);
        EXPECT_EQ(FilesIn(m_folder.Path()), files) << "nothing left aside";
        SetIniSaveHookForTesting(nullptr);
        // The child sets the hook and dies in the middle of the save.
        EXPECT_EXIT(
            {
                SetIniSaveHookForTesting(DieAtStage);
                WritePrivateProfileString("ComSet", "PortNum", "9", m_path);
            },
            ::testing::ExitedWithCode(3), "");
        EXPECT_EQ(Get("ComSet", "PortNum"), "4");
    }
    const std::size_t files = FilesIn(m_folder.Path());
    EXPECT_TRUE(WritePrivateProfileString("ComSet", "PortNum", "9", m_path));
    EXPECT_EQ(FilesIn(m_folder.Path()), files);
}

// ---- The in-memory text ------------------------------------------------------------------

TEST(IniText, EntriesListKeyLinesOfSectionsInOrder) {
    const IniText text = IniText::Parse("top=0\r\n[A]\r\nx = 1\r\n;c=2\r\n[B]\r\ny=\"two\"\r\nx=3\r\n");
    const std::vector<IniEntry> entries = text.Entries();
    std::vector<std::string> got;
    for (const IniEntry& e : entries)
        got.push_back(e.section + "/" + e.key + "=" + e.value);
    EXPECT_EQ(got, (std::vector<std::string>{"A/x=1", "B/y=two", "B/x=3"}));
}

TEST(IniText, SerializeGivesBackWhatWasParsed) {
    const std::string inputs[] = {
        "",
        "no line end",
        "[A]\r\nx=1\n\ry=2\r\r\n",
        "\xEF\xBB\xBF[A]\r\n",
        Utf16(u"[A]\r\nx=\xDC00\r\n") + "\x01", // lone surrogate and an odd last byte
        "[A]\r\nx=\xC0\x80\xFF\r\n",            // malformed UTF-8 stays as it was
    };
    for (const std::string& in : inputs) {
        SCOPED_TRACE(in);
        EXPECT_EQ(IniText::Parse(in).Serialize(), in);
    }
}

// Cutting to the room: ReadRules ("room counts characters, not bytes", ...).
TEST(IniText, EachMalformedSequenceBecomesOneReplacementCharacter) {
    EXPECT_EQ(SanitizeUtf8("\xED\xA0\x80|\xC0\x80|\xFF"), "\xEF\xBF\xBD|\xEF\xBF\xBD|\xEF\xBF\xBD");
}

// A file of exactly the largest size allowed is read whole; one byte more is refused.
TEST(WholeFile, SizeLimitIsInclusive) {
    ScratchFolder folder;
    const std::string path = folder.File("f");
    std::string bytes;
    WriteBytes(path, "12345");
    EXPECT_EQ(ReadWholeFile(path, 5, bytes), FileReadResult::Read);
    EXPECT_EQ(bytes, "12345");
    EXPECT_EQ(ReadWholeFile(path, 4, bytes), FileReadResult::TooLarge);
    EXPECT_TRUE(bytes.empty());
}
