#include "mainwindow/LinkEventBoxes.h"

#include "dialogs/CMessageboxDlg.h"
#include "mainwindow/MainLog.h"

#include <QWidget>
#include <algorithm>
#include <climits>

namespace corvane {

LinkEventBoxes::LinkEventBoxes(QWidget* owner) : m_owner(owner) {}

LinkEventBoxes::~LinkEventBoxes() {
    // The box must not report its end to a queue that is gone.
    delete m_box.data();
    delete m_spent.data();
}

std::string LinkEventBoxes::CountedText(const std::string& message, int count) {
    if (count <= 1)
        return message;
    const std::string number = "(" + std::to_string(count) + ")";
    // A text that ends its last line (the system information) gets the count on a line of its own.
    return message + (!message.empty() && message.back() == '\n' ? number : " " + number);
}

void LinkEventBoxes::Show(std::uint32_t kind, const std::string& title, const std::string& message) {
    // The box answered last goes now if the event loop has not deleted it yet (a loop that
    // only processes events, as a transfer loop does, never runs deferred deletions).
    delete m_spent.data();
    auto update = [&](Entry& e) {
        e.title = title;
        e.message = message;
        e.count = e.count < INT_MAX ? e.count + 1 : e.count;
    };
    if (m_box && m_shown.kind == kind) {
        update(m_shown);
        m_box->setWindowTitle(QString::fromStdString(m_shown.title));
        m_box->SetMessage(QString::fromStdString(CountedText(m_shown.message, m_shown.count)));
        return;
    }
    const auto waiting =
        std::find_if(m_waiting.begin(), m_waiting.end(), [&](const Entry& e) { return e.kind == kind; });
    if (waiting != m_waiting.end()) {
        update(*waiting);
        return;
    }
    if (m_waiting.size() >= kMostWaiting) {
        qCWarning(lcMain) << "too many kinds of link events waiting for a box; dropping kind"
                          << m_waiting.front().kind;
        m_waiting.pop_front();
    }
    m_waiting.push_back(Entry{kind, title, message, 1});
    OpenNext();
}

void LinkEventBoxes::OpenNext() {
    if (m_box || m_waiting.empty())
        return;
    m_shown = std::move(m_waiting.front());
    m_waiting.pop_front();
    auto* box = new CMessageboxDlg(QString::fromStdString(m_shown.title),
                                   QString::fromStdString(CountedText(m_shown.message, m_shown.count)),
                                   CMessageboxDlg::kModeInformation, m_owner);
    m_box = box;
    box->Open([this, box](int) { Answered(box); });
}

void LinkEventBoxes::Answered(CMessageboxDlg* box) {
    // Called from the box's own end: it goes once that has returned, with the event loop's
    // deferred deletions or at the next event, whichever comes first.
    delete m_spent.data();
    m_spent = box;
    box->deleteLater();
    if (m_box == box)
        m_box = nullptr;
    OpenNext();
}

} // namespace corvane
