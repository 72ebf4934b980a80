#pragma once

// The windows the link's core talks to. The main window routes a message addressed to one of
// them to the page or dialog that is that window; a window that does not exist (the upgrade
// dialog while it is closed) gets nothing.

namespace corvane {

enum class Window {
    MainWindow,
    LayoutPage,
    OutputPage,
    LayerPage,
    PicturePage,
    EdidPage,
    CropPage,
    MiscPage,
    FramePage,
    FusePage,
    WifiDialog,
    ConnectDialog,
    ProgressDialog,
    UpgradeDialog,
    QuickSetPage,
    PresetsPage,
};

inline constexpr int kWindowCount = 16;

const char* WindowName(Window window);

} // namespace corvane
