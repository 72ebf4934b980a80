#pragma once

// The message boxes of link events (results of acknowledgements, another client taking over,
// the system information, a wait that timed out). Whatever the processor sends, at most one
// box is open, and none runs an event loop of its own:
//
// - A box is shown application-modal without a loop (CBaseDialog::Open): the record that
//   raised it is finished at once, and the records after it (keep-alive, replies, pings) go
//   on being handled while the box is open.
// - Events are keyed by kind. A repeat of the kind whose box is showing updates that box: the
//   newest text, with the number of times it came, "(3)", after it.
// - An event of another kind waits in a queue, in arrival order, until the box showing is
//   answered; then the next box opens. A repeat of a waiting kind updates its entry. So the
//   queue holds at most one entry per kind, and a processor that repeats itself costs
//   nothing but a counter.
//
// Why a queue and not a box that the newest event replaces: each of these messages reports
// something the operator asked for (a failed EDID, a WiFi setting that took) or must know
// (another client has the processor). Replacing would lose the earlier one unseen; the queue
// loses none and stays as small as the number of kinds.

#include "dialogs/CMessageboxDlg.h"

#include <QPointer>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

class QWidget;

namespace corvane {

class LinkEventBoxes {
public:
    // At most this many kinds wait; beyond (a caller with unbounded kinds) the oldest goes.
    static constexpr std::size_t kMostWaiting = 32;

    explicit LinkEventBoxes(QWidget* owner);
    ~LinkEventBoxes();
    LinkEventBoxes(const LinkEventBoxes&) = delete;
    LinkEventBoxes& operator=(const LinkEventBoxes&) = delete;

    // Shows `message` under `title` for an event of `kind`, or updates the box or the waiting
    // entry of that kind. Returns at once.
    void Show(std::uint32_t kind, const std::string& title, const std::string& message);

    // The box showing (null when none), its kind and how many events it stands for.
    CMessageboxDlg* Current() const { return m_box; }
    std::uint32_t CurrentKind() const { return m_shown.kind; }
    int CurrentCount() const { return m_box ? m_shown.count : 0; }
    // Kinds waiting for the box showing to be answered, oldest first.
    std::size_t Waiting() const { return m_waiting.size(); }
    std::uint32_t WaitingKind(std::size_t i) const { return m_waiting.at(i).kind; }

    // The text a box shows for `message` standing for `count` events.
    static std::string CountedText(const std::string& message, int count);

private:
    struct Entry {
        std::uint32_t kind = 0;
        std::string title;
        std::string message;
        int count = 0;
    };

    void OpenNext();
    void Answered(CMessageboxDlg* box);

    QWidget* m_owner;
    QPointer<CMessageboxDlg> m_box;
    QPointer<CMessageboxDlg> m_spent; // answered, not deleted yet
    Entry m_shown;
    std::deque<Entry> m_waiting;
};

} // namespace corvane
