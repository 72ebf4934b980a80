#pragma once

// The WiFi configuration (dialog 191), a floating window of the main window dragged by its band:
// the address of the processor's WiFi interface, its network name (SSID) and password. The
// fields show what the processor reports (record 0xB1); "Apply" checks them and sends them back
// (command 0x000E), then waits for the processor's acknowledgement 10.
//
// Messages:
//   command 1104 "Apply"               checks, stores, sends, waits ("Set WIFI Configure...")
//   command 1311 (eye button)          shows or masks the password
//   WM_DEVICE_REPLY (0xB1, 0)          the three fields from DeviceState; a field the operator
//                                      is typing into keeps the typing, and shows DeviceState
//                                      when the edit ends without a change (Esc, or leaving the
//                                      field with its text as it was shown)
//   WM_DEVICE_COMMAND (0x000E, 0)      builds and sends the command from DeviceState; -1 and
//                                      nothing sent unless synchronised and the settings fit
//
// The texts the processor keeps are in code page 936 (two bytes for a Chinese character): an
// SSID of more than 14 bytes, a password of more than 11, and characters the code page lacks are
// refused with a message before anything is stored or sent.

#include "widgets/CBaseDialog.h"

#include <cstdint>
#include <string>

class QAbstractButton;

namespace corvane {

class CMyEdit;
class PageContext;

class CWificonfigDlg : public CBaseDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 191;
    static constexpr int kAddressId = 1055;
    static constexpr int kSsidId = 1057;
    static constexpr int kPasswordId = 1058;
    static constexpr int kPasswordLabelId = 1059;
    static constexpr int kEyeId = 1311;
    static constexpr int kApplyId = 1104;
    // The masking character of the password: "●".
    static constexpr char16_t kMaskCharacter = u'\u25CF';

    CWificonfigDlg(PageContext& context, QWidget* parent);

    std::intptr_t WindowProc(const WindowMessage& message) override;

    bool PasswordShown() const { return m_passwordShown; }

protected:
    bool OnInitDialog() override;

private:
    void OnApply();
    void OnEye();
    std::intptr_t OnDeviceReply(std::uintptr_t code, std::intptr_t index);
    std::intptr_t OnDeviceCommand(std::uintptr_t code, std::intptr_t argument);

    // The three edits from DeviceState; fields the operator is typing into keep the typing.
    void ShowSettings();
    // The text of `field` in DeviceState.
    std::string StateText(const CMyEdit* field) const;
    // Esc and leaving a field: the end of an edit.
    bool eventFilter(QObject* watched, QEvent* event) override;

    PageContext& m_context;
    CMyEdit* m_address = nullptr;
    CMyEdit* m_ssid = nullptr;
    CMyEdit* m_password = nullptr;
    QAbstractButton* m_eye = nullptr;
    bool m_passwordShown = false;
};

} // namespace corvane
