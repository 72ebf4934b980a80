#include "presets/CPresetsDlg.h"

#include "device/DeviceState.h"
#include "device/LinkSession.h"
#include "dialogs/CMessageboxDlg.h"
#include "link/CommandCodes.h"
#include "pages/EditAction.h"
#include "pages/PageContext.h"
#include "platform/WindowMessages.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/MessageMap.h"
#include "presets/PresetFile.h"
#include "presets/PresetNames.h"
#include "presets/PresetRecall.h"
#include "presets/PresetSlotActions.h"
#include "presets/PresetStore.h"
#include "presets/PresetsLog.h"
#include "shell/Language.h"
#include "ui_dialog187.h"
#include "widgets/CGdipButton.h"
#include "widgets/CHotSpot.h"
#include "widgets/CMyEdit.h"
#include "widgets/CPaintSurface.h"
#include "widgets/Theme.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstdio>

namespace corvane {

static_assert(CPresetsDlg::kFileBytes == kPresetFileSize);

namespace {

// Where the slots start inside the group, and the room the formulas of the gaps leave.
constexpr int kSlotsLeft = 50;
constexpr int kSlotsTop = 30;
constexpr int kNameOverhang = 20; // a name reaches this far beside its icon
constexpr int kNameTop = 2;       // below the icon
constexpr int kNameBottom = 22;
constexpr int kColumns = 3;
constexpr int kRows = 4;

const QColor kNumberSelected = FromColorRef(0x009CEF);
const QColor kNumberOther = FromColorRef(0x404040);
const QColor kSelectedFrame = FromColorRef(0x0000FF);
const QColor kNameColour = FromColorRef(0x009CEF);

} // namespace

CPresetsDlg::CPresetsDlg(PageContext& context, QWidget* parent)
    : CBaseDialog(kDialogId, parent, Frame::Page), m_context(context) {
    Ui::Dialog187 ui;
    ui.setupUi(this);
    m_load = ui.load;
    m_delete = ui.remove;
    m_group = ui.group;
    // Created hidden: the main window shows it when the operator picks it.
    hide();
}

bool CPresetsDlg::OnInitDialog() {
    CBaseDialog::OnInitDialog();
    // The page does its own hit tests on what it draws (a click selects, a double click loads
    // or renames): the group lets the mouse through to it.
    m_group->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_surface = new CPaintSurface(this, [this](QPainter& p) { PaintSlots(p); });
    m_surface->setGeometry(m_group->geometry());
    m_surface->show();
    for (int i = 0; i < kSlotCount; ++i) {
        // For the keyboard and screen readers; the mouse goes to the page.
        m_spots[static_cast<std::size_t>(i)] =
            new CHotSpot(this, kSlotFirst + i, IconRect(i), CHotSpot::Kind::Radio);
        m_spots[static_cast<std::size_t>(i)]->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    FollowLanguage();
    RefreshFileFlags();
    SelectSlot(0);
    return true;
}

std::intptr_t CPresetsDlg::WindowProc(const WindowMessage& message) {
    using Map = MessageMap<CPresetsDlg, CBaseDialog>;
    static const Map map{
        Map::Command(kSaveId, &CPresetsDlg::OnSave),
        Map::Command(kLoadId, &CPresetsDlg::OnLoad),
        Map::Command(kDeleteId, &CPresetsDlg::OnDelete),
        Map::CommandRange(kSlotFirst, kSlotFirst + kSlotCount - 1, &CPresetsDlg::OnSlotSpot),
        Map::Message(WM_EDIT_FINISHED, &CPresetsDlg::OnEditFinished),
        Map::Message(WM_DEVICE_COMMAND, &CPresetsDlg::OnDeviceCommand),
    };
    return map.Dispatch(*this, message);
}

void CPresetsDlg::ApplyLanguage() {
    CBaseDialog::ApplyLanguage();
    FollowLanguage();
    if (m_nameBox)
        m_nameBox->setAccessibleName(QString::fromStdString(Tr("Preset name", "预设名称")));
    NameSlotSpots();
    update();
}

void CPresetsDlg::ShowPage(bool show) {
    if (show && IsCreated()) {
        // The files may have changed while the page was hidden.
        FollowLanguage();
        RefreshFileFlags();
    }
    CBaseDialog::ShowPage(show);
}

// ---- the slots

bool CPresetsDlg::HasFile(int slot) const {
    return slot >= 0 && slot < kSlotCount && m_hasFile[static_cast<std::size_t>(slot)];
}

QRect CPresetsDlg::IconRect(int slot) const {
    const QRect g = m_group->geometry();
    const int columnGap = (g.width() - kColumns * kIconSize - 100) / 2;
    const int rowGap = (g.height() - 50 - (kRows * kIconSize + 60)) / 3;
    const int column = slot % kColumns;
    const int row = slot / kColumns;
    return QRect(g.left() + kSlotsLeft + column * (kIconSize + columnGap),
                 g.top() + kSlotsTop + row * (kIconSize + rowGap), kIconSize, kIconSize);
}

QRect CPresetsDlg::NameRect(int slot) const {
    const QRect icon = IconRect(slot);
    // 20 pixels beside the icon, but never over the next column's name.
    const int pitch = IconRect(1).left() - IconRect(0).left();
    const int half = std::min(kIconSize / 2 + kNameOverhang, pitch / 2);
    const int centre = icon.left() + kIconSize / 2;
    return QRect(centre - half, icon.bottom() + 1 + kNameTop, 2 * half, kNameBottom - kNameTop);
}

std::string CPresetsDlg::SlotPath(int slot) const {
    const PresetSlot& s =
        m_context.State().presets[static_cast<std::size_t>(std::clamp(slot, 0, kSlotCount - 1))];
    return PresetFilePath(m_context.DataFolder(), s.file);
}

void CPresetsDlg::RefreshFileFlags() {
    for (int i = 0; i < kSlotCount; ++i)
        m_hasFile[static_cast<std::size_t>(i)] = PresetFileExists(SlotPath(i));
    UpdateButtons();
    NameSlotSpots();
    if (m_surface)
        m_surface->update();
}

void CPresetsDlg::FollowLanguage() {
    const std::string language = m_context.LanguageName();
    for (int i = 0; i < kSlotCount; ++i) {
        std::string& name = m_context.State().presets[static_cast<std::size_t>(i)].name;
        name = PresetNameForLanguage(name, i, language);
    }
}

std::string CPresetsDlg::ShownName(int slot) const {
    return DisplayablePresetName(m_context.State().presets[static_cast<std::size_t>(slot)].name);
}

void CPresetsDlg::UpdateButtons() {
    const bool file = HasFile(m_selected);
    m_load->setEnabled(file);
    m_delete->setEnabled(file);
}

void CPresetsDlg::NameSlotSpots() {
    for (int i = 0; i < kSlotCount; ++i) {
        CHotSpot* spot = m_spots[static_cast<std::size_t>(i)];
        if (!spot)
            continue;
        spot->setAccessibleName(QString::fromStdString(ShownName(i)));
        spot->setAccessibleDescription(HasFile(i) ? QString::fromStdString(Tr("saved", "已保存"))
                                                  : QString::fromStdString(Tr("empty", "空")));
    }
}

void CPresetsDlg::SelectSlot(int slot) {
    if (slot < 0 || slot >= kSlotCount)
        return;
    m_selected = slot;
    if (CHotSpot* spot = m_spots[static_cast<std::size_t>(slot)])
        spot->setChecked(true); // the others uncheck
    UpdateButtons();
    if (m_surface)
        m_surface->update();
}

int CPresetsDlg::SlotAt(const QPoint& point) const {
    for (int i = 0; i < kSlotCount; ++i)
        if (IconRect(i).contains(point))
            return i;
    return -1;
}

void CPresetsDlg::PaintSlots(QPainter& p) const {
    const QPixmap stored = ResourceImage(images::kPresetStored);
    const QPixmap empty = ResourceImage(images::kPresetEmpty);
    QFont number = theme::SmallFont();
    QFont nameFont = font();
    for (int i = 0; i < kSlotCount; ++i) {
        const QRect icon = IconRect(i);
        const bool selected = i == m_selected;
        p.drawPixmap(icon, HasFile(i) ? stored : empty);
        p.setFont(number);
        p.setPen(selected ? kNumberSelected : kNumberOther);
        p.drawText(icon, Qt::AlignCenter, QString::number(i + 1));
        if (selected) {
            p.setPen(QPen(kSelectedFrame, 1));
            p.setBrush(Qt::NoBrush);
            p.drawRect(icon.adjusted(-2, -2, 1, 1));
        }
        // The name, cut to its room: a long name from Config.ini never reaches its neighbours.
        const QRect nameRect = NameRect(i);
        p.setFont(nameFont);
        p.setPen(kNameColour);
        const QString name = p.fontMetrics().elidedText(QString::fromStdString(ShownName(i)), Qt::ElideRight,
                                                        nameRect.width());
        p.save();
        p.setClipRect(nameRect);
        p.drawText(nameRect, Qt::AlignCenter | Qt::TextSingleLine, name);
        p.restore();
    }
}

// ---- mouse and keys

void CPresetsDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        CBaseDialog::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason); // a rename in progress ends
    const int slot = SlotAt(event->position().toPoint());
    if (slot >= 0)
        SelectSlot(slot);
    CBaseDialog::mousePressEvent(event);
}

void CPresetsDlg::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint point = event->position().toPoint();
    for (int i = 0; i < kSlotCount; ++i) {
        if (IconRect(i).contains(point)) {
            SelectSlot(i); // the double click's first press chose it
            if (HasFile(m_selected))
                OnLoad();
            return;
        }
        if (NameRect(i).contains(point)) {
            StartRename(i);
            return;
        }
    }
}

void CPresetsDlg::keyPressEvent(QKeyEvent* event) {
    // The name box keeps its own keys (Delete edits the name there).
    if (event->key() == Qt::Key_Delete && !(m_nameBox && m_nameBox->hasFocus())) {
        event->accept();
        OnDelete();
        return;
    }
    if (event->key() == Qt::Key_F2) {
        event->accept();
        StartRename(m_selected);
        return;
    }
    CBaseDialog::keyPressEvent(event);
}

bool CPresetsDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_nameBox && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            return true; // nothing: the name is taken when the box loses the focus
        if (key == Qt::Key_Escape) {
            CancelRename();
            return true;
        }
    }
    return CBaseDialog::eventFilter(watched, event);
}

void CPresetsDlg::OnSlotSpot(int id) {
    SelectSlot(id - kSlotFirst);
}

// ---- renaming

void CPresetsDlg::StartRename(int slot) {
    if (slot < 0 || slot >= kSlotCount)
        return;
    if (!m_nameBox) {
        m_nameBox = new CMyEdit(this);
        SetControlId(m_nameBox, kNameBoxId);
        m_nameBox->setFont(font());
        m_nameBox->setMaxLength(kPresetNameMaxChars);
        m_nameBox->setAccessibleName(QString::fromStdString(Tr("Preset name", "预设名称")));
        m_nameBox->installEventFilter(this);
    }
    m_renameSlot = slot;
    m_nameBox->setGeometry(NameRect(slot));
    // Shown as stored (a longer name shows its first nine characters); only what the operator
    // types replaces it.
    m_nameBox->setText(
        QString::fromStdString(m_context.State().presets[static_cast<std::size_t>(slot)].name));
    m_nameBox->setModified(false);
    m_nameBox->show();
    m_nameBox->raise();
    m_nameBox->setFocus(Qt::OtherFocusReason);
    m_nameBox->selectAll();
}

void CPresetsDlg::CancelRename() {
    m_renameSlot = -1;
    if (m_nameBox)
        m_nameBox->hide();
    setFocus(Qt::OtherFocusReason);
    if (m_surface)
        m_surface->update();
}

std::intptr_t CPresetsDlg::OnEditFinished(std::uintptr_t, std::intptr_t) {
    if (!m_nameBox || !m_nameBox->isVisible() || m_renameSlot < 0)
        return 0;
    const int slot = m_renameSlot;
    m_renameSlot = -1;
    const bool typed = m_nameBox->isModified();
    const std::string text = m_nameBox->text().toStdString();
    m_nameBox->hide();
    if (typed) {
        if (const std::optional<std::string> name = RenamedPresetName(text)) {
            m_context.State().presets[static_cast<std::size_t>(slot)].name = *name;
            if (!m_context.SaveSettings())
                qCWarning(lcPresets) << "the name of slot" << slot + 1
                                     << "could not be written to Config.ini";
            NameSlotSpots();
        }
    }
    if (m_surface)
        m_surface->update();
    return 0;
}

// ---- Save, Load, Delete

// The page's side of an action on one slot: the boxes, the slot's file and the send.
class CPresetsDlg::SlotHost : public PresetSlotHost {
public:
    SlotHost(CPresetsDlg& page, int slot) : m_page(page), m_slot(slot), m_path(page.SlotPath(slot)) {}

    bool Synchronised() const override { return m_page.m_context.State().linkState == kLinkSynchronised; }
    bool Ask(const std::string& question) override {
        return m_page.m_context.ShowMessage(MessageText(kMsgPresetsSetting), question,
                                            CMessageboxDlg::kModeQuestion) == IDOK;
    }
    void Tell(const std::string& title, const std::string& message) override {
        m_page.m_context.ShowMessage(title, message, CMessageboxDlg::kModeInformation);
    }
    bool HasFile() const override { return PresetFileExists(m_path); }
    PresetSaveResult Save() override {
        // Saving needs no link: the file is built from the state the application holds, with
        // what the outputs run (a resolution picked on the output page and not applied is no
        // part of it).
        m_page.m_buffer = BuildPresetFile(m_page.m_context.State());
        const PresetSaveResult result = SavePresetFile(m_path, m_page.m_buffer);
        if (result == PresetSaveResult::Saved) {
            qCInfo(lcPresets).noquote()
                << "slot" << m_slot + 1 << "saved to" << QString::fromStdString(m_path);
        } else {
            if (result == PresetSaveResult::WriteFailed) {
                std::printf("Failed to open the file %s\n", m_path.c_str());
                std::fflush(stdout);
            }
            qCWarning(lcPresets).noquote()
                << "slot" << m_slot + 1 << "not saved to" << QString::fromStdString(m_path)
                << (result == PresetSaveResult::ReadOnly ? "(read-only)" : "(write failed)");
        }
        m_page.RefreshFileFlags();
        return result;
    }
    bool Send() override { return m_page.SendSlotFile(m_slot) == SlotLoad::Sent; }
    bool Delete() override {
        const bool deleted = DeletePresetFile(m_path);
        if (deleted)
            qCInfo(lcPresets).noquote()
                << "slot" << m_slot + 1 << "deleted:" << QString::fromStdString(m_path);
        else
            qCWarning(lcPresets).noquote()
                << "slot" << m_slot + 1 << "not deleted:" << QString::fromStdString(m_path);
        return deleted;
    }

private:
    CPresetsDlg& m_page;
    const int m_slot;
    const std::string m_path;
};

void CPresetsDlg::OnSave() {
    SlotHost host(*this, m_selected);
    SavePresetSlot(host, ShownName(m_selected));
}

void CPresetsDlg::OnLoad() {
    SlotHost host(*this, m_selected);
    LoadPresetSlot(host, ShownName(m_selected));
}

CPresetsDlg::SlotLoad CPresetsDlg::SendSlotFile(int slot) {
    if (slot < 0 || slot >= kSlotCount)
        return SlotLoad::NoFile;
    if (m_context.State().linkState != kLinkSynchronised)
        return SlotLoad::NotSynchronised;
    const std::string path = SlotPath(slot);
    std::vector<std::uint8_t> bytes;
    const PresetReadResult read = ReadPresetFile(path, bytes);
    if (read != PresetReadResult::Read) {
        if (read == PresetReadResult::Unreadable) {
            std::printf("Failed to open the file %s\n", path.c_str());
            std::fflush(stdout);
        }
        qCWarning(lcPresets).noquote()
            << "slot" << slot + 1 << "not loaded:" << QString::fromStdString(path)
            << (read == PresetReadResult::WrongSize ? "is not 1039 bytes long" : "cannot be read");
        RefreshFileFlags();
        return SlotLoad::NoFile;
    }
    // The file goes to the processor as it is; the processor judges its content. What the
    // application makes of it is logged, so a refused preset can be told from a lost one.
    const PresetFileCheck check = CheckPresetFile(bytes.data(), bytes.size());
    if (check.Valid())
        qCInfo(lcPresets).noquote() << "slot" << slot + 1
                                    << "loaded:" << QString::fromStdString(check.Describe());
    else
        qCWarning(lcPresets).noquote()
            << "slot" << slot + 1 << "sent as it is, but" << QString::fromStdString(check.Describe());
    // Loading the file is one step to undo: its undo sends the file of the state before it.
    const EditAction action(m_context, MessageText(kMsgLoadPreset) + ": " + ShownName(slot));
    SendPresetFile(bytes);
    return SlotLoad::Sent;
}

bool CPresetsDlg::SendPresetFile(const std::vector<std::uint8_t>& bytes) {
    if (m_context.State().linkState != kLinkSynchronised || bytes.size() != m_buffer.size())
        return false;
    std::copy(bytes.begin(), bytes.end(), m_buffer.begin());
    // Once the processor has taken the file, the state it now runs is read back (unless it
    // reports it by itself first).
    m_context.Session().FollowUp().CommandSent();
    m_context.SendToDevice(m_buffer.data(), m_buffer.size());
    m_context.ShowWait(MessageText(kMsgWaitingSetMachine));
    m_context.StopKeepAlive();
    return true;
}

void CPresetsDlg::OnDelete() {
    SlotHost host(*this, m_selected);
    DeletePresetSlot(host, ShownName(m_selected));
    RefreshFileFlags();
}

// ---- the processor's own presets

std::intptr_t CPresetsDlg::OnDeviceCommand(std::uintptr_t code, std::intptr_t argument) {
    if (code != kCmdLoadPreset)
        return -1;
    return RecallProcessorPreset(m_context, argument);
}

} // namespace corvane
