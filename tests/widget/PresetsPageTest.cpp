// The presets page with real mouse and key events and the real message dialog: selecting and
// the buttons' enabling, Save (the file as the core builds it), Load (the file sent whole, its
// size checked, the wait), Delete (button and key), renaming in place (the ninth character,
// Esc, Enter) and names from Config.ini that do not fit. The main window is played by the fake
// context.

#include "PageFixture.h"
#include "WidgetTestSupport.h"
#include "link/CommandCodes.h"
#include "platform/WindowMessages.h"
#include "presets/CPresetsDlg.h"
#include "presets/PresetFile.h"
#include "presets/PresetStore.h"
#include "widgets/CHotSpot.h"
#include "widgets/CMyEdit.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>

using namespace corvane;
using namespace corvane::test;

namespace {

using Page = CPresetsDlg;

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string Text(const PresetFile& f) {
    return std::string(reinterpret_cast<const char*>(f.data()), f.size());
}

// The file's bytes as the one send of the link.
std::vector<std::vector<std::uint8_t>> SentOnce(const std::string& file) {
    return {std::vector<std::uint8_t>(file.begin(), file.end())};
}

class PresetsPageTest : public PageFixture<CPresetsDlg> {
protected:
    PresetsPageTest() : PageFixture(QSize(320, 600), true) {
        context.dataFolder = m_data.path().toStdString();
    }

    std::string SlotFile(int slot) {
        return PresetFilePath(context.dataFolder, state.presets[static_cast<std::size_t>(slot)].file);
    }
    // A preset file in the slot, as the page would save it (with the current input `input`).
    std::string PutFile(int slot, std::uint32_t input = 1) {
        DeviceState s;
        s.currentInput = input;
        const std::string bytes = Text(BuildPresetFile(s));
        Write(SlotFile(slot), bytes);
        return bytes;
    }

    QPoint IconCentre(int slot) { return PageUnderTest().IconRect(slot).center(); }
    QPoint NameCentre(int slot) { return PageUnderTest().NameRect(slot).center(); }
    void ClickAt(const QPoint& p) {
        QTest::mouseClick(&PageUnderTest(), Qt::LeftButton, {}, p);
        Drain();
    }
    void DoubleClickAt(const QPoint& p) {
        QTest::mouseDClick(&PageUnderTest(), Qt::LeftButton, {}, p);
        Drain();
    }
    bool LoadEnabled() { return Button(Page::kLoadId)->isEnabled(); }
    bool DeleteEnabled() { return Button(Page::kDeleteId)->isEnabled(); }
    std::string Name(int slot) { return state.presets[static_cast<std::size_t>(slot)].name; }

    // Opens the name box of `slot` with a double click on its name.
    CMyEdit* OpenNameBox(int slot) {
        DoubleClickAt(NameCentre(slot));
        CMyEdit* box = PageUnderTest().NameBox();
        EXPECT_NE(box, nullptr);
        if (box) {
            EXPECT_TRUE(box->isVisible());
            EXPECT_TRUE(box->hasFocus());
            EXPECT_EQ(box->geometry(), PageUnderTest().NameRect(slot));
        }
        EXPECT_EQ(PageUnderTest().RenameSlot(), slot);
        return box;
    }
    // The operator clicks somewhere on the page outside the slots: the box loses the focus.
    void ClickAway() { ClickAt(QPoint(20, 560)); }

    QTemporaryDir m_data;
};

} // namespace

TEST_F(PresetsPageTest, OpensOnSlotOneAndClickingAnIconSelectsItAndLoadAndDeleteFollowItsFile) {
    PutFile(0);
    PutFile(4);
    Connect();
    EXPECT_EQ(PageUnderTest().SelectedSlot(), 0);
    EXPECT_TRUE(DeleteEnabled());
    EXPECT_TRUE(NamelessControls(&PageUnderTest()).empty());
    ClickAt(IconCentre(4));
    EXPECT_EQ(PageUnderTest().SelectedSlot(), 4);
    EXPECT_TRUE(LoadEnabled());
    EXPECT_TRUE(Control<CHotSpot>(Page::kSlotFirst + 4)->isChecked());
    ClickAt(IconCentre(7));
    EXPECT_EQ(PageUnderTest().SelectedSlot(), 7);
    EXPECT_FALSE(LoadEnabled());
    EXPECT_FALSE(DeleteEnabled());

    // A double click on the icon of a slot without a file does nothing.
    MessageBoxAnswerer answerer;
    DoubleClickAt(IconCentre(7));
    EXPECT_TRUE(answerer.boxes.empty());
    EXPECT_TRUE(context.sent.empty());
    EXPECT_EQ(PageUnderTest().NameBox(), nullptr);

    // The keyboard reaches the slots through their hot spots.
    Control<CHotSpot>(Page::kSlotFirst + 4)->setFocus();
    QTest::keyClick(Control<CHotSpot>(Page::kSlotFirst + 4), Qt::Key_Space);
    Drain();
    EXPECT_EQ(PageUnderTest().SelectedSlot(), 4);
    EXPECT_TRUE(LoadEnabled());
}

// The questions, the answers and the messages of each outcome: PresetSlotActionsTest; here the
// buttons, the key and the double click reach them, and the slot's file work reaches the screen.
TEST_F(PresetsPageTest, SaveWritesTheFileTheCoreBuildsWithoutALinkAndDeleteByButtonOrKeyRemovesIt) {
    state.currentInput = 3;
    state.layers[1].x = 4321;
    state.presets[2].name = "Show";
    PutFile(1);
    PageUnderTest();
    ClickAt(IconCentre(2));
    MessageBoxAnswerer yes;
    ClickAndDrain(Button(Page::kSaveId));
    ASSERT_EQ(yes.boxes.size(), 1u);
    EXPECT_EQ(yes.boxes[0].message, "Save The Preset: 【Show】?");
    EXPECT_EQ(Bytes(SlotFile(2)), Text(BuildPresetFile(state)));
    EXPECT_TRUE(LoadEnabled());

    ClickAndDrain(Button(Page::kDeleteId));
    EXPECT_FALSE(PresetFileExists(SlotFile(2)));
    EXPECT_FALSE(DeleteEnabled());
    ClickAt(IconCentre(1));
    QTest::keyClick(&PageUnderTest(), Qt::Key_Delete);
    Drain();
    EXPECT_FALSE(PresetFileExists(SlotFile(1)));
    ASSERT_EQ(yes.boxes.size(), 5u);
    EXPECT_EQ(yes.boxes[3].message, "Delete Presets file,【Preset 2】?");
    EXPECT_EQ(yes.boxes[4].message, "Delete success!");

    // The recall command is sent only synchronised, and only its own code.
    auto command = [&](std::uintptr_t code, std::intptr_t index) {
        return SendWindowMessage(&PageUnderTest(), WM_DEVICE_COMMAND, code, index);
    };
    EXPECT_EQ(command(kCmdLoadPreset, 3), -1);
    Connect();
    EXPECT_EQ(command(kCmdLayer, 3), -1);
    EXPECT_EQ(command(kCmdLoadPreset, 9), 0);
    EXPECT_EQ(context.sent, std::vector<Frame>{BuildPresetRecallFrame(9)}) << "nothing before it";
}

TEST_F(PresetsPageTest, LoadSendsTheFileWholeAndWaitsForTheStateAndAShortFileIsTold) {
    const std::string file = PutFile(0, 2);
    Connect();
    PageUnderTest();
    MessageBoxAnswerer yes;
    ClickAndDrain(Button(Page::kLoadId));
    EXPECT_EQ(context.sentBytes, SentOnce(file)) << "one send";
    EXPECT_EQ(context.waitTexts, std::vector<std::string>{"Waiting set the machine..."});
    EXPECT_EQ(context.keepAliveStops, 1);
    // The processor's acknowledgement then asks for the state (StateFollowUpTest).
    EXPECT_TRUE(context.session.FollowUp().Pending());

    // A double click on an icon with a file loads it.
    const std::string sixth = PutFile(5, 3);
    PageUnderTest().RefreshFileFlags();
    context.sentBytes.clear();
    DoubleClickAt(IconCentre(5));
    EXPECT_EQ(context.sentBytes, SentOnce(sixth)) << "asked, as the box count below shows";

    // A file of another size is not sent (the sizes: PresetStoreTest).
    Write(SlotFile(5), sixth + '\0');
    context.sentBytes.clear();
    ClickAndDrain(Button(Page::kLoadId));
    EXPECT_TRUE(context.sentBytes.empty());
    ASSERT_EQ(yes.boxes.size(), 4u);
    EXPECT_EQ(yes.boxes[3].message, "Read Preset file failure!");
}

TEST_F(PresetsPageTest, ARenameTakesTheTrimmedNameTheNinthCharacterAtMostAndEscKeepsTheOld) {
    // Names from Config.ini that do not fit are drawn safely; the box shows what fits, and
    // leaving it untouched keeps the whole name.
    const std::string longName(300, 'W');
    state.presets[0].name = longName;
    state.presets[1].name = "a\tb\xE2\x80\xAE"
                            "c\x01";
    EXPECT_FALSE(PageUnderTest().grab().isNull());
    EXPECT_EQ(OpenNameBox(0)->text(), QString(9, 'W'));
    ClickAway();
    EXPECT_EQ(Name(0), longName);
    EXPECT_EQ(context.saves, 0);

    CMyEdit* box = OpenNameBox(4);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Preset 5");
    EXPECT_EQ(AccessibleName(box), "Preset name");
    QTest::keyClicks(box, "  Show  ");
    // Enter does nothing: the box stays open and the name as it was.
    QTest::keyClick(box, Qt::Key_Return);
    Drain();
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(Name(4), "Preset 5");
    EXPECT_EQ(context.saves, 0);
    ClickAway();
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(PageUnderTest().RenameSlot(), -1);
    EXPECT_EQ(Name(4), "Show");
    EXPECT_EQ(context.saves, 1);

    // A tenth character cannot be typed.
    box = OpenNameBox(1);
    QTest::keyClicks(box, "ABCDEFGHIJK");
    EXPECT_EQ(box->text(), "ABCDEFGHI");
    ClickAway();
    EXPECT_EQ(Name(1), "ABCDEFGHI");

    // Esc closes the box and keeps the old name.
    box = OpenNameBox(2);
    QTest::keyClicks(box, "Gone");
    QTest::keyClick(box, Qt::Key_Escape);
    Drain();
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(PageUnderTest().RenameSlot(), -1);
    EXPECT_EQ(Name(2), "Preset 3");
    EXPECT_EQ(context.saves, 2);
    EXPECT_TRUE(PageUnderTest().isVisible()) << "Esc never closes the page";

    // Delete inside the box edits the name, it does not delete the slot's file.
    PutFile(3);
    PageUnderTest().RefreshFileFlags();
    ClickAt(IconCentre(3));
    box = OpenNameBox(3);
    MessageBoxAnswerer none;
    QTest::keyClick(box, Qt::Key_End);
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClick(box, Qt::Key_Home);
    QTest::keyClick(box, Qt::Key_Delete);
    Drain();
    EXPECT_TRUE(none.boxes.empty());
    EXPECT_EQ(box->text(), "reset ");
    ClickAway();
    EXPECT_EQ(Name(3), "reset");
    EXPECT_TRUE(PresetFileExists(SlotFile(3)));
}

#ifdef CORVANE_GALLERY_DIR
TEST_F(PresetsPageTest, RendersForTheGallery) {
    PutFile(0);
    PutFile(2);
    PutFile(9);
    state.presets[2].name = "Concert";
    state.presets[5].name = "Very long name from Config.ini";
    PageUnderTest();
    ClickAt(IconCentre(2));
    RenderForGallery(PageUnderTest(), CORVANE_GALLERY_DIR, CORVANE_LANG_DIR, "presets_page");
}
#endif
