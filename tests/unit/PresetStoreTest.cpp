// The slots' files: a save replaces the file in one step (a failing write or a process that
// dies in the middle leaves the old preset), a read-only file is never replaced, only files of
// exactly 1039 bytes are read, and deleting.

#include "presets/PresetStore.h"

#include "ScratchFolder.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#else
#include <csignal>
#include <unistd.h>
#endif

using namespace corvane;
using namespace corvane::test;

namespace {

PresetFile FileOfInput(int input) {
    DeviceState s;
    s.currentInput = static_cast<std::uint32_t>(input);
    return BuildPresetFile(s);
}

std::string AsText(const PresetFile& f) {
    return std::string(reinterpret_cast<const char*>(f.data()), f.size());
}

std::size_t FilesIn(const std::string& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
        ++n;
    return n;
}

struct HookReset {
    ~HookReset() { SetPresetSaveHookForTesting(nullptr); }
};

// Ends the process at once, as a crash or a kill would: no destructor, no flush.
#ifdef _WIN32
void KillThisProcess() {
    std::_Exit(9);
}
auto KilledThisWay() {
    return ::testing::ExitedWithCode(9);
}
#else
void KillThisProcess() {
    ::kill(::getpid(), SIGKILL);
}
auto KilledThisWay() {
    return ::testing::KilledBySignal(SIGKILL);
}
#endif

class PresetStoreTest : public ::testing::Test {
protected:
    ScratchFolder m_folder;
    std::string m_path = PresetFilePath(m_folder.Path(), "P03.bin");
};

} // namespace

TEST_F(PresetStoreTest, SaveMakesTheFileAndSavingAgainReplacesIt) {
    EXPECT_FALSE(PresetFileExists(m_path));
    ASSERT_EQ(SavePresetFile(m_path, FileOfInput(1)), PresetSaveResult::Saved);
    EXPECT_EQ(ReadBytes(m_path), AsText(FileOfInput(1)));
    ASSERT_EQ(SavePresetFile(m_path, FileOfInput(3)), PresetSaveResult::Saved);
    EXPECT_EQ(ReadBytes(m_path), AsText(FileOfInput(3)));
    EXPECT_EQ(FilesIn(m_folder.Path()), 1u) << "nothing left beside it";
    // Deleting removes the file once.
    EXPECT_TRUE(DeletePresetFile(m_path));
    EXPECT_FALSE(PresetFileExists(m_path));
    EXPECT_FALSE(DeletePresetFile(m_path));
}

TEST_F(PresetStoreTest, AFailingWriteLeavesTheOldPresetAndNoTrace) {
    HookReset reset;
    ASSERT_EQ(SavePresetFile(m_path, FileOfInput(1)), PresetSaveResult::Saved);
    for (ReplaceStage failAt : {ReplaceStage::HalfWritten, ReplaceStage::Complete}) {
        SCOPED_TRACE(static_cast<int>(failAt));
        SetPresetSaveHookForTesting([failAt](ReplaceStage stage) { return stage != failAt; });
        EXPECT_EQ(SavePresetFile(m_path, FileOfInput(2)), PresetSaveResult::WriteFailed);
        EXPECT_EQ(ReadBytes(m_path), AsText(FileOfInput(1)));
        EXPECT_EQ(FilesIn(m_folder.Path()), 1u);
    }
    SetPresetSaveHookForTesting(nullptr);
    EXPECT_EQ(SavePresetFile(PresetFilePath(m_folder.File("gone"), "P01.bin"), FileOfInput(0)),
              PresetSaveResult::WriteFailed)
        << "a missing folder";
}

TEST_F(PresetStoreTest, AProcessKilledMidWriteLeavesTheOldPreset) {
    ASSERT_EQ(SavePresetFile(m_path, FileOfInput(1)), PresetSaveResult::Saved);
    for (ReplaceStage dieAt : {ReplaceStage::HalfWritten, ReplaceStage::Complete}) {
        SCOPED_TRACE(static_cast<int>(dieAt));
        // The child starts the save and is killed in the middle of it.
        EXPECT_EXIT(
            {
                SetPresetSaveHookForTesting([dieAt](ReplaceStage stage) {
                    if (stage == dieAt)
                        KillThisProcess();
                    return true;
                });
                SavePresetFile(m_path, FileOfInput(2));
            },
            KilledThisWay(), "");
        EXPECT_EQ(ReadBytes(m_path), AsText(FileOfInput(1)));
        std::vector<std::uint8_t> bytes;
        EXPECT_EQ(ReadPresetFile(m_path, bytes), PresetReadResult::Read);
    }
}

TEST_F(PresetStoreTest, AReadOnlyFileIsNeitherReplacedNorDeleted) {
    ASSERT_EQ(SavePresetFile(m_path, FileOfInput(1)), PresetSaveResult::Saved);
    ASSERT_EQ(::chmod(m_path.c_str(), 0444), 0);
    EXPECT_EQ(SavePresetFile(m_path, FileOfInput(2)), PresetSaveResult::ReadOnly);
    EXPECT_EQ(ReadBytes(m_path), AsText(FileOfInput(1)));
    EXPECT_FALSE(DeletePresetFile(m_path));
    EXPECT_EQ(FilesIn(m_folder.Path()), 1u);
    ASSERT_EQ(::chmod(m_path.c_str(), 0644), 0);
    EXPECT_EQ(SavePresetFile(m_path, FileOfInput(2)), PresetSaveResult::Saved);
#ifndef _WIN32 // Windows knows only the read-only attribute
    struct stat st {};
    ASSERT_EQ(::stat(m_path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u) << "the replaced file keeps its permissions";
#endif
}

TEST_F(PresetStoreTest, OnlyFilesOfExactly1039BytesAreRead) {
    const std::string good = AsText(FileOfInput(2));
    struct Case {
        std::string bytes;
        PresetReadResult result;
    };
    const Case cases[] = {
        {good, PresetReadResult::Read},
        {good.substr(0, 1038), PresetReadResult::WrongSize},
        {good + '\0', PresetReadResult::WrongSize},
        {good + std::string(100000, 'x'), PresetReadResult::WrongSize},
        {std::string(), PresetReadResult::WrongSize},
        // A 1039-byte file that is not a preset is read as it is: the processor judges it.
        {std::string(1039, 'z'), PresetReadResult::Read},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.size());
        WriteBytes(m_path, c.bytes);
        std::vector<std::uint8_t> bytes(3, 7);
        EXPECT_EQ(ReadPresetFile(m_path, bytes), c.result);
        if (c.result == PresetReadResult::Read)
            EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.bytes);
        else
            EXPECT_TRUE(bytes.empty());
    }
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(ReadPresetFile(m_folder.File("P09.bin"), bytes), PresetReadResult::Unreadable);
    EXPECT_EQ(ReadPresetFile(m_folder.Path(), bytes), PresetReadResult::Unreadable) << "a folder";
}
