#include "dialogs/CAboutDlg.h"

#include "platform/ui/MessageMap.h"
#include "ui_dialog100.h"
#include "widgets/Theme.h"

#include <QLabel>

namespace corvane {

const char* const CAboutDlg::kMenuText = "关于 Corvane(&A)...";

CAboutDlg::CAboutDlg(QWidget* parent) : CBaseDialog(kDialogId, parent, Frame::FloatingWindow) {
    Ui::Dialog100 ui;
    ui.setupUi(this);
    ui.icon->setPixmap(ResourceImage(images::kAppIcon));
    setModal(true);
}

std::intptr_t CAboutDlg::WindowProc(const WindowMessage& message) {
    using Map = MessageMap<CAboutDlg, CBaseDialog>;
    static const Map map{
        Map::Command(IDOK, &CAboutDlg::OnOk),
    };
    return map.Dispatch(*this, message);
}

void CAboutDlg::OnOk() {
    EndDialog(IDOK);
}
void CAboutDlg::ClosePage() {
    EndDialog(IDCANCEL);
}

} // namespace corvane
