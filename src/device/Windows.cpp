#include "device/Windows.h"

namespace corvane {

const char* WindowName(Window window) {
    switch (window) {
    case Window::MainWindow:
        return "MainWindow";
    case Window::LayoutPage:
        return "LayoutPage";
    case Window::OutputPage:
        return "OutputPage";
    case Window::LayerPage:
        return "LayerPage";
    case Window::PicturePage:
        return "PicturePage";
    case Window::EdidPage:
        return "EdidPage";
    case Window::CropPage:
        return "CropPage";
    case Window::MiscPage:
        return "MiscPage";
    case Window::FramePage:
        return "FramePage";
    case Window::FusePage:
        return "FusePage";
    case Window::WifiDialog:
        return "WifiDialog";
    case Window::ConnectDialog:
        return "ConnectDialog";
    case Window::ProgressDialog:
        return "ProgressDialog";
    case Window::UpgradeDialog:
        return "UpgradeDialog";
    case Window::QuickSetPage:
        return "QuickSetPage";
    case Window::PresetsPage:
        return "PresetsPage";
    }
    return "?";
}

} // namespace corvane
