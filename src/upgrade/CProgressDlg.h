#pragma once

// The wait overlay the main window shows while it waits for the processor: "Please wait" in its
// band, the animation and one line of text. Created once, shown and hidden; the animation runs
// from initialisation until the overlay is destroyed.

#include "widgets/CBaseDialog.h"

class QLabel;
class QProgressBar;

namespace corvane {

class CGroupBox;
class CPictureEx;

class CProgressDlg : public CBaseDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 170;
    static constexpr int kGroupId = 1047;
    static constexpr int kPictureId = 1510;
    static constexpr int kTextId = 1511;
    static constexpr int kProgressId = 1512;
    static constexpr int kAnimationId = 171;   // GIF resource
    static constexpr int kPleaseWaitText = 42; // message table: "Please wait"

    explicit CProgressDlg(QWidget* parent = nullptr);

    // The line under the animation (what ShowWait passes).
    void SetWaitText(const QString& text);
    QString WaitText() const;
    CPictureEx* Picture() const { return m_picture; }

    void ApplyLanguage() override;

protected:
    bool OnInitDialog() override;
    void PaintTitle(QPainter& painter) override;

private:
    void SetCaption();

    CGroupBox* m_group = nullptr;
    CPictureEx* m_picture = nullptr;
    QLabel* m_text = nullptr;
    QProgressBar* m_progress = nullptr;
};

} // namespace corvane
