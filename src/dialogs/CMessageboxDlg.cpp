#include "dialogs/CMessageboxDlg.h"

#include "platform/ui/MessageMap.h"
#include "shell/Language.h"
#include "ui_dialog188.h"
#include "widgets/CGdipButton.h"

#include <QLabel>

namespace corvane {

namespace {

struct Captions {
    const char* left;
    const char* right;
};

// Button captions by mode, in English and Chinese; null for a mode without its own captions.
const Captions* CaptionsFor(std::uint32_t mode, bool chinese) {
    static const Captions kInformation[2] = {{"OK", "Close"}, {"确定", "关闭"}};
    static const Captions kQuestion[2] = {{"YES", "NO"}, {"是", "否"}};
    static const Captions kApplyOutput[2] = {{"Apply All", "Apply One"}, {"应用全部", "应用一个"}};
    switch (mode) {
    case CMessageboxDlg::kModeInformation:
        return &kInformation[chinese];
    case CMessageboxDlg::kModeQuestion:
        return &kQuestion[chinese];
    case CMessageboxDlg::kModeApplyOutput:
        return &kApplyOutput[chinese];
    default:
        return nullptr;
    }
}

} // namespace

CMessageboxDlg::CMessageboxDlg(const QString& title, const QString& message, std::uint32_t mode,
                               QWidget* parent)
    : CBaseDialog(kDialogId, parent, Frame::FloatingWindow), m_title(title), m_message(message),
      m_mode(mode) {
    Ui::Dialog188 ui;
    ui.setupUi(this);
    m_text = ui.message;
    m_left = ui.left;
    m_right = ui.right;
    setModal(true);
}

bool CMessageboxDlg::OnInitDialog() {
    CBaseDialog::OnInitDialog();
    m_text->setText(m_message);
    setWindowTitle(m_title);
    // Any language other than Chinese shows the English captions.
    const bool chinese = GetLanguageSetting() == "Chinese";
    if (const Captions* captions = CaptionsFor(m_mode, chinese)) {
        m_left->setText(QString::fromUtf8(captions->left));
        m_right->setText(QString::fromUtf8(captions->right));
    }
    FitMessage();
    return true;
}

void CMessageboxDlg::SetMessage(const QString& message) {
    m_message = message;
    if (!IsCreated())
        return;
    m_text->setText(m_message);
    FitMessage();
}

// A long message makes the dialog taller rather than being cut off.
void CMessageboxDlg::FitMessage() {
    const int needed = m_text->heightForWidth(m_text->width());
    const int extra = needed - m_text->height();
    if (extra <= 0)
        return;
    m_text->resize(m_text->width(), needed);
    m_left->move(m_left->x(), m_left->y() + extra);
    m_right->move(m_right->x(), m_right->y() + extra);
    resize(width(), height() + extra);
}

std::intptr_t CMessageboxDlg::WindowProc(const WindowMessage& message) {
    using Map = MessageMap<CMessageboxDlg, CBaseDialog>;
    static const Map map{
        Map::Command(kLeftId, &CMessageboxDlg::OnLeft),
        Map::Command(kRightId, &CMessageboxDlg::OnRight),
    };
    return map.Dispatch(*this, message);
}

void CMessageboxDlg::OnLeft() {
    EndDialog(IDOK);
}
void CMessageboxDlg::OnRight() {
    EndDialog(IDNO);
}
void CMessageboxDlg::ClosePage() {
    EndDialog(IDCANCEL);
}

int ShowMessageBox(QWidget* parent, const std::string& title, const std::string& message,
                   std::uint32_t mode) {
    CMessageboxDlg dialog(QString::fromStdString(title), QString::fromStdString(message), mode, parent);
    return dialog.DoModal();
}

} // namespace corvane
