#pragma once

// The quick set page (template 183): three ready-made four-window arrangements of the
// processor, drawn side by side inside the "Quick setting" group, each with its selection mark
// under it - 2 x 2, four side by side in one row across the middle, four full-width rows - and
// "Send", which asks the processor for the arrangement chosen (command 0x0005 with its index)
// and waits for its acknowledgement.
//
// Messages and input:
//   mouse press on a picture or a mark   chooses that arrangement (pictures tested before marks)
//   commands kChoiceFirst + i            the choice's hot spot (keyboard, screen readers)
//   command 1043                         "Send"
//   WM_DEVICE_COMMAND (0x0005, index)    build and send the command; -1 and nothing sent unless
//                                        synchronised (other codes: -1)

#include "widgets/CBaseDialog.h"

#include <array>
#include <cstdint>

namespace corvane {

class CHotSpot;
class CPaintSurface;
class PageContext;

class CQuicksetDlg : public CBaseDialog {
    Q_OBJECT
public:
    static constexpr int kDialogId = 183;
    static constexpr int kGroupId = 1042;
    static constexpr int kSendId = 1043;
    static constexpr int kChoiceFirst = 1710; // the hot spots, kChoiceFirst .. kChoiceFirst + 2
    static constexpr int kChoiceCount = 3;

    CQuicksetDlg(PageContext& context, QWidget* parent);

    std::intptr_t WindowProc(const WindowMessage& message) override;

    int Selection() const { return m_selection; }
    // Recalls the processor's preset `index` (0..9) as "Send" does: command 0x0005, then the wait,
    // which lasts until the state the processor runs after its acknowledgement is in. False, and
    // nothing sent, unless synchronised.
    bool RecallPreset(int index);
    bool ChoiceMarked(int choice) const;
    // Where choice `choice` is drawn, in the page's coordinates.
    QRect PictureRect(int choice) const;
    QRect MarkRect(int choice) const;

protected:
    bool OnInitDialog() override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void OnSend();
    void OnChoiceSpot(int id);
    std::intptr_t OnDeviceCommand(std::uintptr_t code, std::intptr_t argument);

    void Choose(int choice);
    void LayOut();
    void PaintChoices(QPainter& p) const;

    PageContext& m_context;
    QWidget* m_group = nullptr;
    CPaintSurface* m_surface = nullptr;
    std::array<CHotSpot*, kChoiceCount> m_spots{};
    int m_selection = 0;
    std::array<int, kChoiceCount> m_choiceMarked{};
    std::array<QRect, kChoiceCount> m_pictureRect{};
    std::array<QRect, kChoiceCount> m_markRect{};
};

} // namespace corvane
