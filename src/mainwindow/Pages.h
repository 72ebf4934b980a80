#pragma once

// The page table: one row per page or floating window of the main window, in the order they
// are created. A row gives the page's tab (or none), its Window id, its dialog template, its
// frame, where the main window places it, and how it is made. Creating the pages, finding a
// window by its id, the tabs, re-labelling after a language switch and the placement of the
// pages all follow this table; adding a page is one row here and the page's own folder.

#include "device/Windows.h"
#include "widgets/CBaseDialog.h"

#include <array>
#include <vector>

namespace corvane {

class CConnectDlg;
class CLayoutDlg;
class CProgressDlg;
class PageContext;

// Page tabs 1001..1009 select these pages.
enum PageIndex {
    kQuickSet,
    kOutput,
    kLayer,
    kPicture,
    kEdid,
    kCrop,
    kPresets,
    kFrameSync,
    kMisc,
    kPageCount
};

enum class PagePlace {
    Tab,      // beside the canvas, shown by its tab
    Canvas,   // the layout page: the room right of the column or of the shown page
    Floating, // placed by itself (centred when shown)
};

struct PageRow {
    int tab; // PageIndex of its tab, -1 for none
    Window window;
    int dialogId;
    CBaseDialog::Frame frame;
    PagePlace placement;
    CBaseDialog* (*make)(PageContext& context, QWidget* parent, const PageRow& row);
};

// Every row, in creation order.
const std::vector<PageRow>& PageTable();

// The windows made from the table.
class PageSet {
public:
    // Makes every row's window, hidden, and completes it (Create).
    void CreateAll(PageContext& context, QWidget* parent);

    CBaseDialog* Find(Window window) const;
    CConnectDlg* ConnectDialog() const;
    CProgressDlg* WaitOverlay() const;
    CLayoutDlg* LayoutPage() const;
    // The page of tab `index`, null for an index outside 0..kPageCount-1.
    CBaseDialog* TabPage(int index) const;
    // The table's row for a window.
    static const PageRow* RowOf(Window window);

    struct Entry {
        const PageRow* row;
        CBaseDialog* page;
    };
    const std::vector<Entry>& Entries() const { return m_entries; }

private:
    std::vector<Entry> m_entries;
    std::array<CBaseDialog*, kWindowCount> m_byWindow{};
    std::array<CBaseDialog*, kPageCount> m_byTab{};
};

} // namespace corvane
