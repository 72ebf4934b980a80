#pragma once

// The application's own message dialog: a title, one message and two buttons whose captions
// follow the mode and the interface language. Created for each use and run modally (DoModal),
// or shown modally without a loop of its own (Open); it ends with 1 (IDOK) for the left
// button, 7 (IDNO) for the right one, 2 (IDCANCEL) for the close button.

#include "widgets/CBaseDialog.h"

#include <QString>
#include <cstdint>
#include <string>

class QLabel;

namespace corvane {

class CGdipButton;

class CMessageboxDlg : public CBaseDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 188;
    static constexpr int kMessageId = 1511;
    static constexpr int kLeftId = 1044;
    static constexpr int kRightId = 1284;

    // Modes: the pair of button captions.
    static constexpr std::uint32_t kModeInformation = 0;    // "OK" / "Close"
    static constexpr std::uint32_t kModeQuestion = 1;       // "YES" / "NO"
    static constexpr std::uint32_t kModeApplyOutput = 0x55; // "Apply All" / "Apply One"

    CMessageboxDlg(const QString& title, const QString& message, std::uint32_t mode,
                   QWidget* parent = nullptr);

    std::intptr_t WindowProc(const WindowMessage& message) override;
    // Ends the modal run with IDCANCEL.
    void ClosePage() override;

    std::uint32_t Mode() const { return m_mode; }
    // Shows another message in the open dialog (taller if it needs more room).
    void SetMessage(const QString& message);

protected:
    bool OnInitDialog() override;

private:
    void OnLeft();
    void OnRight();
    void FitMessage();

    QString m_title;
    QString m_message;
    std::uint32_t m_mode;
    QLabel* m_text = nullptr;
    CGdipButton* m_left = nullptr;
    CGdipButton* m_right = nullptr;
};

// Shows the message dialog over `parent` and returns its result (1, 7 or 2).
int ShowMessageBox(QWidget* parent, const std::string& title, const std::string& message,
                   std::uint32_t mode = 0);

} // namespace corvane
