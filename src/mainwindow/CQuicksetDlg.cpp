#include "mainwindow/CQuicksetDlg.h"

#include "device/DeviceState.h"
#include "device/LinkSession.h"
#include "dialogs/CMessageboxDlg.h"
#include "link/CommandCodes.h"
#include "pages/PageContext.h"
#include "platform/WindowMessages.h"
#include "platform/ui/MessageMap.h"
#include "presets/PresetRecall.h"
#include "shell/Language.h"
#include "ui_dialog183.h"
#include "widgets/CHotSpot.h"
#include "widgets/CPaintSurface.h"
#include "widgets/Theme.h"

#include <QMouseEvent>
#include <QPainter>

namespace corvane {

namespace {

// The pictures of the choices, left to right.
constexpr int kPictures[CQuicksetDlg::kChoiceCount] = {images::kGridArrangement, images::kLineArrangement,
                                                       images::kRowsArrangement};
// Their names for screen readers when the language has none (IDD183_<id>_Name).
constexpr const char* kChoiceNames[CQuicksetDlg::kChoiceCount] = {
    "Arrange 2 x 2", "Four side by side in one row", "Four full-width rows"};
constexpr int kPicturesTop = 26; // below the group's caption
constexpr int kMarkGap = 8;      // between a picture and its mark

} // namespace

CQuicksetDlg::CQuicksetDlg(PageContext& context, QWidget* parent)
    : CBaseDialog(kDialogId, parent, Frame::Page), m_context(context) {
    Ui::Dialog183 ui;
    ui.setupUi(this);
    m_group = ui.group;
    m_choiceMarked[0] = 1;
    // Created hidden: the main window shows it when the operator picks it.
    hide();
}

bool CQuicksetDlg::OnInitDialog() {
    CBaseDialog::OnInitDialog();
    LayOut();
    // The page tests where a click lies (pictures, then marks): the group lets the mouse through.
    m_group->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_surface = new CPaintSurface(this, [this](QPainter& p) { PaintChoices(p); });
    m_surface->setGeometry(m_group->geometry());
    m_surface->show();
    for (int i = 0; i < kChoiceCount; ++i) {
        // For the keyboard and screen readers; the mouse goes to the page.
        CHotSpot* spot = new CHotSpot(
            this, kChoiceFirst + i,
            m_pictureRect[static_cast<std::size_t>(i)].united(m_markRect[static_cast<std::size_t>(i)]),
            CHotSpot::Kind::Radio);
        spot->setAttribute(Qt::WA_TransparentForMouseEvents);
        spot->setAccessibleName(QString::fromLatin1(kChoiceNames[i]));
        m_spots[static_cast<std::size_t>(i)] = spot;
    }
    m_spots[0]->setChecked(true);
    return true;
}

void CQuicksetDlg::LayOut() {
    // Natural size, side by side with equal room around them, each mark centred under its picture.
    const QRect g = m_group->geometry();
    const QSize picture = ResourceImage(kPictures[0]).size();
    const QSize mark = ResourceImage(images::kMarkOff).size();
    const int gap = (g.width() - kChoiceCount * picture.width()) / (kChoiceCount + 1);
    for (int i = 0; i < kChoiceCount; ++i) {
        const QRect p(g.left() + gap + i * (picture.width() + gap), g.top() + kPicturesTop, picture.width(),
                      picture.height());
        m_pictureRect[static_cast<std::size_t>(i)] = p;
        m_markRect[static_cast<std::size_t>(i)] = QRect(
            p.center().x() - mark.width() / 2 + 1, p.bottom() + 1 + kMarkGap, mark.width(), mark.height());
    }
}

std::intptr_t CQuicksetDlg::WindowProc(const WindowMessage& message) {
    using Map = MessageMap<CQuicksetDlg, CBaseDialog>;
    static const Map map{
        Map::Command(kSendId, &CQuicksetDlg::OnSend),
        Map::CommandRange(kChoiceFirst, kChoiceFirst + kChoiceCount - 1, &CQuicksetDlg::OnChoiceSpot),
        Map::Message(WM_DEVICE_COMMAND, &CQuicksetDlg::OnDeviceCommand),
    };
    return map.Dispatch(*this, message);
}

bool CQuicksetDlg::ChoiceMarked(int choice) const {
    return choice >= 0 && choice < kChoiceCount && m_choiceMarked[static_cast<std::size_t>(choice)] != 0;
}

QRect CQuicksetDlg::PictureRect(int choice) const {
    return m_pictureRect[static_cast<std::size_t>(choice % kChoiceCount)];
}

QRect CQuicksetDlg::MarkRect(int choice) const {
    return m_markRect[static_cast<std::size_t>(choice % kChoiceCount)];
}

void CQuicksetDlg::Choose(int choice) {
    if (choice < 0 || choice >= kChoiceCount)
        return;
    m_selection = choice;
    for (int i = 0; i < kChoiceCount; ++i)
        m_choiceMarked[static_cast<std::size_t>(i)] = i == choice ? 1 : 0;
    if (CHotSpot* spot = m_spots[static_cast<std::size_t>(choice)])
        spot->setChecked(true); // the others uncheck
    if (m_surface)
        m_surface->update();
}

void CQuicksetDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint point = event->position().toPoint();
        for (int i = 0; i < kChoiceCount; ++i) {
            if (PictureRect(i).contains(point) || MarkRect(i).contains(point)) {
                Choose(i);
                break;
            }
        }
    }
    CBaseDialog::mousePressEvent(event);
}

void CQuicksetDlg::OnChoiceSpot(int id) {
    Choose(id - kChoiceFirst);
}

void CQuicksetDlg::PaintChoices(QPainter& p) const {
    const QPixmap markOff = ResourceImage(images::kMarkOff);
    const QPixmap markOn = ResourceImage(images::kMarkOn);
    for (int i = 0; i < kChoiceCount; ++i) {
        p.drawPixmap(PictureRect(i).topLeft(), ResourceImage(kPictures[i]));
        p.drawPixmap(MarkRect(i).topLeft(), ChoiceMarked(i) ? markOn : markOff);
    }
}

void CQuicksetDlg::OnSend() {
    if (!RecallPreset(m_selection))
        m_context.ShowMessage(MessageText(kMsgQuickSetting), MessageText(kMsgOpenSerial),
                              CMessageboxDlg::kModeInformation);
}

bool CQuicksetDlg::RecallPreset(int index) {
    if (m_context.State().linkState != kLinkSynchronised ||
        SendWindowMessage(this, WM_DEVICE_COMMAND, kCmdLoadPreset, index) != 0)
        return false;
    // The wait goes on through the processor's acknowledgement until the state it then runs
    // is in (the state is asked for at the acknowledgement unless it came by itself).
    m_context.ShowWait(Tr("Waiting Data Set...", "正在设置数据..."));
    m_context.StopKeepAlive();
    return true;
}

std::intptr_t CQuicksetDlg::OnDeviceCommand(std::uintptr_t code, std::intptr_t argument) {
    if (code != kCmdLoadPreset)
        return -1;
    return RecallProcessorPreset(m_context, argument);
}

} // namespace corvane
