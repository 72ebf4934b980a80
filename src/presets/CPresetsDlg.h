#pragma once

// The presets page (dialog 187): ten preset slots drawn in rows of three inside the "Presets"
// group, each an icon (a document when the slot's file exists) with its number and its name
// below it. "Save" writes the processor's setting as the application holds it into the
// selected slot's file, "Load" sends that file to the processor in one piece and waits for it,
// "Delete" (or the Delete key) removes the file. The slots' names are edited in place and kept
// in Config.ini.
//
// Messages and input:
//   mouse press on an icon               selects that slot (anywhere else keeps the selection)
//   double click on an icon with a file  loads it; on a name: the name box opens over it
//   commands 1021 / 1022 / 1023          save, load, delete the selected slot
//   commands kSlotFirst + i              the slot's hot spot (keyboard, screen readers): select it
//   WM_EDIT_FINISHED from the name box   the rename ends (the box lost the focus)
//   key Delete / F2                      delete the selected slot's file / rename the slot
//   WM_DEVICE_COMMAND (0x0005, index)    build and send the recall of the processor's own preset
//                                        `index`; -1 and nothing sent unless synchronised
//
// In the name box Enter does nothing and Esc closes it keeping the old name; the box takes at
// most nine characters, and a name that is blank once its blanks are removed keeps the old one.

#include "presets/PresetsPageCalls.h"
#include "widgets/CBaseDialog.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane {

class CGdipButton;
class CHotSpot;
class CMyEdit;
class CPaintSurface;
class PageContext;

class CPresetsDlg : public CBaseDialog, public PresetsPageCalls {
    Q_OBJECT
public:
    static constexpr int kDialogId = 187;
    static constexpr int kGroupId = 1042;
    static constexpr int kSaveId = 1021;
    static constexpr int kLoadId = 1022;
    static constexpr int kDeleteId = 1023;
    static constexpr int kNameBoxId = 44929;
    static constexpr int kSlotFirst = 1600; // the slots' hot spots, kSlotFirst .. kSlotFirst + 9
    static constexpr int kSlotCount = 10;
    static constexpr int kIconSize = 64;
    static constexpr std::size_t kFileBytes = 1039; // a preset file

    CPresetsDlg(PageContext& context, QWidget* parent);

    std::intptr_t WindowProc(const WindowMessage& message) override;
    void ApplyLanguage() override;
    void ShowPage(bool show) override;

    int SelectedSlot() const { return m_selected; }
    // The slot whose name is being edited, -1 when none.
    int RenameSlot() const { return m_renameSlot; }
    bool HasFile(int slot) const;
    // Where slot `slot` is drawn, in the page's coordinates: its icon, and its name below it
    // (kept inside its column, so that a name never lies over its neighbour's).
    QRect IconRect(int slot) const;
    QRect NameRect(int slot) const;
    // The name box; null until the first rename.
    CMyEdit* NameBox() const { return m_nameBox; }
    // The file of slot `slot` in the data folder.
    std::string SlotPath(int slot) const;
    // The bytes of the last file saved or loaded.
    const std::array<std::uint8_t, kFileBytes>& FileBuffer() const { return m_buffer; }

    // Tests again which slots have a file, and shows it.
    void RefreshFileFlags();

    enum class SlotLoad { Sent, NotSynchronised, NoFile };
    // Sends slot `slot`'s file to the processor as "Load" does once confirmed, and shows the
    // wait; shows no message box (the caller tells of a failure).
    SlotLoad SendSlotFile(int slot);
    // PresetsPageCalls
    bool SendPresetFile(const std::vector<std::uint8_t>& bytes) override;

protected:
    bool OnInitDialog() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class SlotHost;
    void OnSave();
    void OnLoad();
    void OnDelete();
    void OnSlotSpot(int id);
    std::intptr_t OnEditFinished(std::uintptr_t, std::intptr_t);
    std::intptr_t OnDeviceCommand(std::uintptr_t code, std::intptr_t argument);

    void SelectSlot(int slot);
    void StartRename(int slot);
    void CancelRename();
    // The default names of the language in use ("Preset N" / "预设 N"), stored in the slots.
    void FollowLanguage();
    void UpdateButtons();
    void NameSlotSpots();
    void PaintSlots(QPainter& p) const;
    // The slot's name as the page shows it and asks about it.
    std::string ShownName(int slot) const;
    int SlotAt(const QPoint& point) const;

    PageContext& m_context;
    CGdipButton* m_load = nullptr;
    CGdipButton* m_delete = nullptr;
    QWidget* m_group = nullptr;
    CPaintSurface* m_surface = nullptr;
    CMyEdit* m_nameBox = nullptr;
    std::array<CHotSpot*, kSlotCount> m_spots{};
    std::array<bool, kSlotCount> m_hasFile{};
    int m_selected = 0;
    int m_renameSlot = -1;
    std::array<std::uint8_t, kFileBytes> m_buffer{};
};

} // namespace corvane
