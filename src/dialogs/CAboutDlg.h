#pragma once

// The about box, opened from the main window's system menu: the icon, the product and version
// text, and "确定".

#include "widgets/CBaseDialog.h"

namespace corvane {

class CAboutDlg : public CBaseDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 100;
    // The system-menu item that opens it, and its text (string resource 101).
    static constexpr int kMenuId = 0x10;
    static const char* const kMenuText;

    explicit CAboutDlg(QWidget* parent = nullptr);

    std::intptr_t WindowProc(const WindowMessage& message) override;
    void ClosePage() override;

private:
    void OnOk();
};

} // namespace corvane
