#include "mainwindow/Pages.h"

#include "blend/CFuseDlg.h"
#include "connection/CConnectDlg.h"
#include "layout/CLayerDlg.h"
#include "layout/CLayoutDlg.h"
#include "layout/COutputDlg.h"
#include "mainwindow/CMiscDlg.h"
#include "mainwindow/CWificonfigDlg.h"
#include "mainwindow/CQuicksetDlg.h"
#include "picture/CCropDlg.h"
#include "picture/CEdidDlg.h"
#include "picture/CFrameDlg.h"
#include "picture/CPicSettingDlg.h"
#include "presets/CPresetsDlg.h"
#include "upgrade/CProgressDlg.h"

namespace corvane {

namespace {

using Frame = CBaseDialog::Frame;

CBaseDialog* MakeLayerPage(PageContext& context, QWidget* parent, const PageRow&) {
    return new CLayerDlg(context, parent);
}
CBaseDialog* MakeOutputPage(PageContext& context, QWidget* parent, const PageRow&) {
    return new COutputDlg(context, parent);
}
CBaseDialog* MakePicturePage(PageContext& context, QWidget* parent, const PageRow&) {
    return new CPicSettingDlg(context, parent);
}
CBaseDialog* MakeCropPage(PageContext& context, QWidget* parent, const PageRow&) {
    return new CCropDlg(context, parent);
}
CBaseDialog* MakeEdidPage(PageContext& context, QWidget* parent, const PageRow&) {
    return new CEdidDlg(context, parent);
}
CBaseDialog* MakeFramePage(PageContext& context, QWidget* parent, const PageRow&) {
    return new CFrameDlg(context, parent);
}
CBaseDialog* MakeQuicksetPage(PageContext& context, QWidget* parent, const PageRow&) {
    return new CQuicksetDlg(context, parent);
}
CBaseDialog* MakePresetsPage(PageContext& context, QWidget* parent, const PageRow&) {
    return new CPresetsDlg(context, parent);
}
CBaseDialog* MakeConnectDialog(PageContext& context, QWidget* parent, const PageRow&) {
    return new CConnectDlg(context, parent);
}
CBaseDialog* MakeLayoutPage(PageContext& context, QWidget* parent, const PageRow&) {
    return new CLayoutDlg(context, parent);
}
CBaseDialog* MakeFusePage(PageContext& context, QWidget* parent, const PageRow&) {
    return new CFuseDlg(context, parent);
}
CBaseDialog* MakeMiscPage(PageContext& context, QWidget* parent, const PageRow&) {
    return new CMiscDlg(context, parent);
}
CBaseDialog* MakeWifiDialog(PageContext& context, QWidget* parent, const PageRow&) {
    return new CWificonfigDlg(context, parent);
}
CBaseDialog* MakeWaitOverlay(PageContext&, QWidget* parent, const PageRow&) {
    return new CProgressDlg(parent);
}

} // namespace

const std::vector<PageRow>& PageTable() {
    // In the order the processor's tools have always made them.
    static const std::vector<PageRow> table = {
        {kPicture, Window::PicturePage, CPicSettingDlg::kDialogId, Frame::Page, PagePlace::Tab,
         MakePicturePage},
        {kOutput, Window::OutputPage, COutputDlg::kDialogId, Frame::Page, PagePlace::Tab, MakeOutputPage},
        {kLayer, Window::LayerPage, CLayerDlg::kDialogId, Frame::Page, PagePlace::Tab, MakeLayerPage},
        {kQuickSet, Window::QuickSetPage, CQuicksetDlg::kDialogId, Frame::Page, PagePlace::Tab,
         MakeQuicksetPage},
        {kEdid, Window::EdidPage, CEdidDlg::kDialogId, Frame::Page, PagePlace::Tab, MakeEdidPage},
        {kCrop, Window::CropPage, CCropDlg::kDialogId, Frame::Page, PagePlace::Tab, MakeCropPage},
        {kPresets, Window::PresetsPage, CPresetsDlg::kDialogId, Frame::Page, PagePlace::Tab, MakePresetsPage},
        {kMisc, Window::MiscPage, CMiscDlg::kDialogId, Frame::Page, PagePlace::Tab, MakeMiscPage},
        {kFrameSync, Window::FramePage, CFrameDlg::kDialogId, Frame::Page, PagePlace::Tab, MakeFramePage},
        {-1, Window::ConnectDialog, CConnectDlg::kDialogId, Frame::FloatingChild, PagePlace::Floating,
         MakeConnectDialog},
        {-1, Window::LayoutPage, CLayoutDlg::kDialogId, Frame::Page, PagePlace::Canvas, MakeLayoutPage},
        {-1, Window::ProgressDialog, CProgressDlg::kDialogId, Frame::FloatingChild, PagePlace::Floating,
         MakeWaitOverlay},
        {-1, Window::FusePage, CFuseDlg::kDialogId, Frame::FloatingWindow, PagePlace::Floating, MakeFusePage},
        {-1, Window::WifiDialog, CWificonfigDlg::kDialogId, Frame::FloatingChild, PagePlace::Floating,
         MakeWifiDialog},
    };
    return table;
}

void PageSet::CreateAll(PageContext& context, QWidget* parent) {
    for (const PageRow& row : PageTable()) {
        CBaseDialog* page = row.make(context, parent, row);
        page->Create();
        page->hide();
        m_entries.push_back({&row, page});
        m_byWindow[static_cast<std::size_t>(row.window)] = page;
        if (row.tab >= 0)
            m_byTab[static_cast<std::size_t>(row.tab)] = page;
    }
}

CBaseDialog* PageSet::Find(Window window) const {
    const auto i = static_cast<std::size_t>(window);
    return i < m_byWindow.size() ? m_byWindow[i] : nullptr;
}

CConnectDlg* PageSet::ConnectDialog() const {
    return static_cast<CConnectDlg*>(Find(Window::ConnectDialog));
}
CProgressDlg* PageSet::WaitOverlay() const {
    return static_cast<CProgressDlg*>(Find(Window::ProgressDialog));
}
CLayoutDlg* PageSet::LayoutPage() const {
    return static_cast<CLayoutDlg*>(Find(Window::LayoutPage));
}

CBaseDialog* PageSet::TabPage(int index) const {
    return index >= 0 && index < kPageCount ? m_byTab[static_cast<std::size_t>(index)] : nullptr;
}

const PageRow* PageSet::RowOf(Window window) {
    for (const PageRow& row : PageTable())
        if (row.window == window)
            return &row;
    return nullptr;
}

} // namespace corvane
