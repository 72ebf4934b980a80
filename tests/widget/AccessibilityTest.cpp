// Names for screen readers: every control of a dialog is named by its text, the label beside it
// or the language, names follow a language switch, hot spots make drawn areas reachable with the
// keyboard, and every template that can be built alone leaves no control nameless.

#include "WidgetTestSupport.h"
#include "dialogs/CAboutDlg.h"
#include "dialogs/CMessageboxDlg.h"
#include "pages/CPage.h"
#include "platform/WindowMessages.h"
#include "shell/Language.h"
#include "upgrade/CProgressDlg.h"
#include "widgets/CDropButton.h"
#include "widgets/CGdipButton.h"
#include "widgets/CGroupBox.h"
#include "widgets/CHotSpot.h"
#include "widgets/DialogTexts.h"
#include "widgets/Theme.h"
#include "widgets/ValueEdit.h"
#include "widgets/oBitmapSlider.h"

#include <QAccessible>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using namespace corvane;
using corvane::test::AccessibleName;
using corvane::test::Add;
using corvane::test::Drain;
using corvane::test::NamelessControls;
using corvane::test::RecordingPage;
using corvane::test::TempLanguage;

namespace {

QAccessibleInterface* Accessible(QWidget* w) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    EXPECT_NE(iface, nullptr) << w->metaObject()->className();
    return iface;
}

std::string Joined(const std::vector<QString>& lines) {
    QStringList list;
    for (const QString& line : lines)
        list << line;
    return list.join(QStringLiteral("\n")).toStdString();
}

QString Lang(const char* key) {
    return QString::fromStdString(GetLangString(key));
}

} // namespace

TEST(AccessibleNames, EachControlIsNamedByItsTextOrByTheLabelBesideIt) {
    TempLanguage language("English");
    RecordingPage page;
    page.setWindowTitle("Picture &Setting");
    // One row: a label, then a slider, its box and a switch without text.
    Add<QLabel>(&page, 1310, {20, 40, 90, 24}, "&Brightness");
    auto* slider = Add<oBitmapSlider>(&page, 1320, {118, 40, 150, 24});
    auto* box = Add<oSliderEdit>(&page, 1330, {280, 40, 56, 24});
    auto* gamma = Add<CGdipButton>(&page, 1345, {344, 40, 40, 24});
    // A label above a drop-down, whose caption is the item picked.
    Add<QLabel>(&page, 1351, {20, 80, 160, 20}, "Colour temperature");
    auto* drop = Add<CDropButton>(&page, 1352, {20, 104, 160, 24});
    drop->AddString("Standard");
    drop->SetCurSel(0);
    // Two labels on a row: each box takes the nearest one on its left.
    Add<QLabel>(&page, 1020, {20, 140, 60, 24}, "HPos:");
    Add<oRealEdit>(&page, 1021, {84, 140, 60, 24});
    Add<QLabel>(&page, 1023, {160, 140, 60, 24}, "VPos:");
    auto* vPos = Add<oRealEdit>(&page, 1024, {224, 140, 60, 24});
    // Controls with a text of their own.
    auto* apply = Add<CGdipButton>(&page, 1104, {20, 180, 100, 30}, "&Apply && send");
    auto* group = Add<CGroupBox>(&page, 1323, {10, 220, 300, 40}, "Picture");
    // A value box with no label near it, and a focusable widget without id or name.
    Add<oRealEdit>(&page, 1400, {200, 320, 60, 24});
    auto* focusable = new QWidget(&page);
    focusable->setFocusPolicy(Qt::StrongFocus);
    page.Create();

    const struct {
        QWidget* control;
        const char* name;
    } cases[] = {
        {slider, "Brightness"}, {box, "Brightness"},     {gamma, "Brightness"}, {drop, "Colour temperature"},
        {vPos, "VPos:"},        {apply, "Apply & send"}, {group, "Picture"},    {&page, "Picture Setting"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AccessibleName(c.control), QString::fromUtf8(c.name))
            << c.control->metaObject()->className();
    EXPECT_EQ(Accessible(drop)->text(QAccessible::Value), "Standard");

    // The walk finds exactly the two nameless ones.
    const std::vector<QString> nameless = NamelessControls(&page);
    ASSERT_EQ(nameless.size(), 2u) << Joined(nameless);
    EXPECT_EQ(nameless[0], "dialog 150: control 1400 corvane::oRealEdit");
    EXPECT_TRUE(nameless[1].startsWith("dialog 150: focusable QWidget")) << nameless[1].toStdString();
}

// Texts and names by control id: what the language has no key for keeps (or gets back) the
// template's; what the page set itself stays.
TEST(AccessibleNames, TextsAndNamesFollowTheLanguageAndWhatThePageSetItselfStays) {
    TempLanguage language(
        "English",
        {{"English.ini", "[Setting]\nLanguage=English\n[String]\nIDD150_1302=Two\\nlines\n"},
         {"Chinese.ini", "[Setting]\nLanguage=Chinese\n[String]\n"
                         "IDD150_Title=画质设置\nIDD150_1310=亮度\nIDD150_1201x=none\n"
                         "IDD150_1302=两行\\n文字\nIDD150_1400_Name=红色增益\nIDD_1201_Name=关闭\n"}});
    language.Select("English");
    RecordingPage page;
    page.setWindowTitle("Picture Setting");
    auto* label = Add<QLabel>(&page, 1310, {20, 40, 90, 24}, "Brightness");
    auto* box = Add<oSliderEdit>(&page, 1330, {118, 40, 56, 24});
    auto* gain = Add<oRealEdit>(&page, 1400, {118, 80, 56, 24});
    gain->setAccessibleName("Red gain"); // the template's name
    auto* status = Add<QLabel>(&page, 1301, {10, 120, 100, 20}, "Idle");
    auto* twoLines = Add<CGdipButton>(&page, 1302, {10, 150, 100, 40}, "Two lines");
    auto* own = Add<CGdipButton>(&page, 1401, {118, 200, 40, 24});
    page.Create();
    own->setAccessibleName("Signal lamp"); // a name the page gives itself once it is set up

    language.Select("Chinese");
    page.ApplyLanguage();
    EXPECT_EQ(page.windowTitle(), QString::fromUtf8("画质设置"));
    EXPECT_EQ(label->text(), QString::fromUtf8("亮度"));
    EXPECT_EQ(status->text(), "Idle"); // no key: the text stays
    EXPECT_EQ(twoLines->text(), QString::fromUtf8("两行\n文字"));
    EXPECT_EQ(AccessibleName(box), QString::fromUtf8("亮度"));
    EXPECT_EQ(AccessibleName(gain), QString::fromUtf8("红色增益"));
    EXPECT_EQ(AccessibleName(page.CloseButton()), QString::fromUtf8("关闭"));
    EXPECT_EQ(AccessibleName(own), "Signal lamp");

    status->setText("Signal lost");
    language.Select("English");
    page.ApplyLanguage();
    EXPECT_EQ(label->text(), "Brightness");
    EXPECT_EQ(AccessibleName(box), "Brightness");
    EXPECT_EQ(AccessibleName(gain), "Red gain");
    EXPECT_EQ(status->text(), "Signal lost");
}

// ---- roles, with hot spots over drawn areas

namespace {

struct HotSpotPage : ::testing::Test {
    RecordingPage page{nullptr, CBaseDialog::Frame::FloatingWindow, 183};
    QLineEdit* edit = Add<QLineEdit>(&page, 1106, {100, 40, 100, 24});
    CHotSpot* pattern = new CHotSpot(&page, 1701, {20, 80, 120, 68});
    CHotSpot* lock = new CHotSpot(&page, 1702, {160, 80, 60, 30}, CHotSpot::Kind::CheckBox);
    CHotSpot* first = new CHotSpot(&page, 1703, {20, 170, 80, 40}, CHotSpot::Kind::Radio);
    CHotSpot* second = new CHotSpot(&page, 1704, {110, 170, 80, 40}, CHotSpot::Kind::Radio);

    void SetUp() override {
        pattern->setAccessibleName("Grid arrangement");
        page.resize(330, 260);
        page.Create();
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
        page.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    }

    std::vector<std::uintptr_t> Commands() const {
        std::vector<std::uintptr_t> out;
        for (const WindowMessage& m : page.Received(WM_COMMAND))
            out.push_back(m.wParam);
        return out;
    }

    QColor PixelAt(const QPoint& p) {
        const QImage shot = page.grab().toImage();
        const qreal ratio = shot.devicePixelRatio();
        return QColor(shot.pixel(int(p.x() * ratio), int(p.y() * ratio)));
    }
};

} // namespace

TEST_F(HotSpotPage, ImageButtonsDropDownsAndHotSpotsTellTheirRoleAndCheckedState) {
    auto* tab = Add<CGdipButton>(&page, 1001, {130, 40, 100, 30}, "Output");
    auto* toggle = Add<CGdipButton>(&page, 1509, {20, 80, 56, 26});
    toggle->SetToggle(true);
    auto* radio = Add<CGdipButton>(&page, 1032, {90, 80, 56, 26}, "Layer1");
    radio->setProperty("kind", "radio");
    auto* ports = Add<CDropButton>(&page, 1377, {90, 120, 80, 22});
    ports->AddString("COM3");
    ports->SetCurSel(0);
    const std::pair<QWidget*, QAccessible::Role> roles[] = {
        {tab, QAccessible::Button},       {toggle, QAccessible::CheckBox}, {radio, QAccessible::RadioButton},
        {ports, QAccessible::ComboBox},   {pattern, QAccessible::Button},  {lock, QAccessible::CheckBox},
        {first, QAccessible::RadioButton}};
    for (const auto& [widget, role] : roles)
        EXPECT_EQ(Accessible(widget)->role(), role)
            << widget->metaObject()->className() << " " << ControlId(widget);
    EXPECT_EQ(Accessible(ports)->text(QAccessible::Value), "COM3");
    tab->setChecked(true); // the page marks the tab of the page shown
    EXPECT_TRUE(Accessible(tab)->state().checked);
    toggle->click();
    EXPECT_TRUE(Accessible(toggle)->state().checked);
    lock->setFocus(Qt::TabFocusReason);
    QTest::keyClick(lock, Qt::Key_Space);
    EXPECT_TRUE(Accessible(lock)->state().checked);
    QTest::mouseClick(first, Qt::LeftButton);
    QTest::mouseClick(first, Qt::LeftButton); // a radio choice stays chosen
    EXPECT_TRUE(Accessible(first)->state().checked);
    QTest::mouseClick(second, Qt::LeftButton);
    EXPECT_FALSE(Accessible(first)->state().checked);
}

TEST_F(HotSpotPage, TabReachesItAndClickSpaceEnterAndAScreenReaderSendItsCommand) {
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), pattern);
    QTest::keyClick(pattern, Qt::Key_Space);
    QTest::keyClick(pattern, Qt::Key_Return);
    QTest::mouseClick(pattern, Qt::LeftButton);
    QAccessibleActionInterface* actions = Accessible(pattern)->actionInterface();
    ASSERT_NE(actions, nullptr);
    actions->doAction(QAccessibleActionInterface::pressAction());
    const std::uintptr_t clicked = MakeWParam(1701, BN_CLICKED);
    EXPECT_EQ(Commands(), (std::vector<std::uintptr_t>{clicked, clicked, clicked, clicked}));
    EXPECT_TRUE(page.isVisible()); // Enter closed nothing
    QTest::keyClick(pattern, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), lock);
    // One made after the page was set up sends its command once.
    page.Clear();
    auto* late = new CHotSpot(&page, 1705, {200, 170, 80, 40});
    late->show();
    QTest::mouseClick(late, Qt::LeftButton);
    EXPECT_EQ(Commands(), std::vector<std::uintptr_t>{MakeWParam(1705, BN_CLICKED)});
}

TEST_F(HotSpotPage, OnlyTheKeyboardFocusDrawsTheOrangeFrame) {
    const QPoint corner = pattern->geometry().topLeft();
    EXPECT_NE(PixelAt(corner), QColor(theme::kOrange)); // the page's drawing shows through
    QTest::mouseClick(pattern, Qt::LeftButton);
    EXPECT_NE(QApplication::focusWidget(), pattern); // a click does not take the focus
    pattern->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(PixelAt(corner), QColor(theme::kOrange));
    EXPECT_NE(PixelAt(pattern->geometry().center()), QColor(theme::kOrange)); // only a frame
}

// ---- the templates

TEST(AccessibleNames, EveryTemplateBuiltAloneNamesEveryControlInEveryLanguage) {
    TempLanguage language("English", corvane::test::LanguageFilesIn(CORVANE_LANG_DIR));
    const int pages[] = {146, 152, 155, 165, 166, 172, 178, 183, 187, 189, 191};
    for (const char* name : {"English", "Chinese"}) {
        SCOPED_TRACE(name);
        language.Select(name);
        ReloadMessageTable();
        std::vector<std::unique_ptr<CBaseDialog>> dialogs;
        for (int id : pages)
            dialogs.push_back(std::make_unique<CPage>(id, nullptr));
        dialogs.push_back(std::make_unique<CMessageboxDlg>(QString::fromStdString(MessageText(11)),
                                                           QString::fromStdString(MessageText(18)),
                                                           CMessageboxDlg::kModeQuestion));
        dialogs.push_back(std::make_unique<CAboutDlg>());
        dialogs.push_back(std::make_unique<CProgressDlg>());
        for (auto& dialog : dialogs) {
            SCOPED_TRACE(dialog->DialogId());
            dialog->Create();
            dialog->ApplyLanguage();
            const std::vector<QString> nameless = NamelessControls(dialog.get());
            EXPECT_TRUE(nameless.empty()) << Joined(nameless);
            EXPECT_EQ(AccessibleName(dialog->CloseButton()), Lang("IDD_1201_Name"));
            for (QWidget* control : DialogControls(dialog.get()))
                EXPECT_EQ(control->objectName(), QString::number(ControlId(control)));
        }
        // The captions are the language's.
        EXPECT_EQ(AccessibleName(dialogs[0].get()), Lang("IDD146_Title"));
        EXPECT_EQ(AccessibleName(dialogs.back().get()), QString::fromStdString(MessageText(42)));
    }
}
