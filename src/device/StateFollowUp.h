#pragma once

// The read-back after a command that changes much of the processor at once: recalling one of
// its own presets (0x0005) or loading a preset file. The processor acknowledges such a command
// (acknowledgement 9, or 0x00B0) without telling what it now runs, so when the answer comes the
// application asks for the whole state (0x00AF) and the wait shown for the command goes on until
// the state is in - unless the processor reported its whole state between the command and its
// answer. A whole state counts as in when its last record arrives: the blend curve of output
// index 3, as at the end of any synchronisation. Qt-free; the link session owns one, the pages
// tell it of the command, the dispatcher of the state's end and of the answer.

#include <cstdint>

namespace corvane {

class StateFollowUp {
public:
    // What the answer (acknowledgement 9 or 0x00B0) to a wait leads to.
    enum class Action {
        EndWait,      // no read-back is due: the answer ends the wait, as for any command
        RequestState, // ask for the whole state; the wait goes on until it is in
        KeepWaiting,  // the state was asked for and is not in yet: the wait goes on
    };

    // A recall or a preset file went to the processor; its answer is still to come.
    void CommandSent();
    // The last record of the whole state arrived.
    void StateArrived();
    // The processor answered: what to do now.
    Action Answered();
    // The wait ended without its answer or the link closed: nothing is expected any more.
    void Cancel();

    // A command's answer or the state it led to is still awaited.
    bool Pending() const { return m_phase != Phase::Idle; }

private:
    enum class Phase : std::uint8_t { Idle, AwaitingAnswer, AwaitingState };
    Phase m_phase = Phase::Idle;
    bool m_stateSinceCommand = false;
};

} // namespace corvane
