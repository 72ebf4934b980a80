#include "layout/CLayoutDlg.h"
#include "mainwindow/CMainDlg.h"
#include "pages/EditAction.h"
#include "shell/CorvaneApp.h"
#include "shell/Language.h"
#include "widgets/CGdipButton.h"

namespace corvane {

// ---- the canvas modes and the layer switches

void CMainDlg::SetCanvasMode(std::uint32_t mode) {
    if (auto* b = Control<CGdipButton>(kOutputModeId))
        b->setChecked(mode == 1);
    if (auto* b = Control<CGdipButton>(kLayerModeId))
        b->setChecked(mode == 0);
    // Output editing hides the layer switches and "Clear all layers".
    for (CGdipButton* b : m_layerButtons)
        if (b)
            b->setVisible(mode == 0);
    if (auto* clear = Control<QWidget>(kClearLayersId))
        clear->setVisible(mode == 0);
    if (CLayoutDlg* layout = LayoutPage())
        layout->SetMode(mode);
}

void CMainDlg::OnOutputMode() {
    SetCanvasMode(1);
}
void CMainDlg::OnLayerMode() {
    SetCanvasMode(0);
}

void CMainDlg::OnLayerSwitch(int id) {
    SwitchLayer(id - kLayerFirst);
}

void CMainDlg::SwitchLayer(int i) {
    const bool on = LayerSwitchOn(i);
    m_app.state.layers[static_cast<std::size_t>(i)].visible = on ? 1 : 0;
    LayoutPage()->LayerSwitched(i, on);
    // The command is built from the state now: a layer record of the processor (the answer to
    // an earlier change of this layer) dispatched before a posted command would have put the
    // old visibility back into the state, and the processor would keep the layer as it was
    // while the switch shows it changed.
    SendWindowMessage(LayoutPage(), WM_LAYOUT_COMMAND, 0, i);
    PostWindowMessage(m_pages.Find(Window::LayerPage), WM_DEVICE_REPLY, kReplyShowLayer, i);
}

void CMainDlg::OnClearLayers() {
    // One step to undo: the layer commands leave now, inside it.
    const EditAction action(m_services, Tr("Clear all layers", "清除所有图层"));
    for (int i = 0; i < kLayerCount; ++i)
        if (LayerSwitchOn(i)) {
            m_layerButtons[static_cast<std::size_t>(i)]->setChecked(false);
            SwitchLayer(i);
        }
}

bool CMainDlg::LayerSwitchOn(int layer) const {
    const CGdipButton* b = m_layerButtons[static_cast<std::size_t>(layer & 3)];
    return b && b->isChecked();
}

void CMainDlg::SetLayerSwitch(int layer, bool on) {
    CGdipButton* b = m_layerButtons[static_cast<std::size_t>(layer & 3)];
    if (!b)
        return;
    b->setChecked(on);
    b->update();
    OnLayerSwitch(kLayerFirst + (layer & 3));
}

} // namespace corvane
