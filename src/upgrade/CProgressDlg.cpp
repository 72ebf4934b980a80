#include "upgrade/CProgressDlg.h"

#include "shell/Language.h"
#include "ui_dialog170.h"
#include "upgrade/CPictureEx.h"
#include "widgets/CGroupBox.h"
#include "widgets/DialogTexts.h"
#include "widgets/Theme.h"

#include <QLabel>
#include <QPainter>
#include <QProgressBar>

namespace corvane {

CProgressDlg::CProgressDlg(QWidget* parent) : CBaseDialog(kDialogId, parent, Frame::FloatingChild) {
    Ui::Dialog170 ui;
    ui.setupUi(this);
    m_group = ui.frame;
    m_picture = ui.picture;
    m_text = ui.text;
    m_progress = ui.progress;
    const QIcon icon(ResourceImage(images::kAppIcon));
    setWindowIcon(icon);
}

bool CProgressDlg::OnInitDialog() {
    CBaseDialog::OnInitDialog();
    SetCloseBox(false); // the wait ends when the processor answers or the time runs out
    m_progress->hide();
    const QColor panel(theme::kPanel);
    m_group->SetFill(panel);
    m_picture->SetBkColor(panel);
    if (m_picture->Load(kAnimationId, "GIF"))
        m_picture->Draw();
    SetCaption();
    return true;
}

// The band shows "Please wait" of the message table; it is the overlay's caption (its name for
// screen readers) too.
void CProgressDlg::SetCaption() {
    setWindowTitle(QString::fromStdString(MessageText(kPleaseWaitText)));
}

void CProgressDlg::SetWaitText(const QString& text) {
    m_text->setText(text);
}

QString CProgressDlg::WaitText() const {
    return m_text->text();
}

void CProgressDlg::ApplyLanguage() {
    SetCaption();
    ApplyDialogTexts(this, kDialogId);
    update();
}

// "Please wait" at the left of the band, in orange.
void CProgressDlg::PaintTitle(QPainter& painter) {
    painter.setFont(theme::SmallFont());
    painter.setPen(QColor(theme::kOrange));
    painter.drawText(QRect(10, 0, width() - 20, theme::kTitleBandHeight), Qt::AlignLeft | Qt::AlignVCenter,
                     QString::fromStdString(MessageText(kPleaseWaitText)));
}

} // namespace corvane
