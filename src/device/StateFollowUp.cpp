#include "device/StateFollowUp.h"

namespace corvane {

void StateFollowUp::CommandSent() {
    m_phase = Phase::AwaitingAnswer;
    m_stateSinceCommand = false;
}

void StateFollowUp::StateArrived() {
    switch (m_phase) {
    case Phase::AwaitingAnswer:
        m_stateSinceCommand = true;
        break;
    case Phase::AwaitingState:
        m_phase = Phase::Idle;
        break;
    case Phase::Idle:
        break;
    }
}

StateFollowUp::Action StateFollowUp::Answered() {
    switch (m_phase) {
    case Phase::AwaitingAnswer:
        if (m_stateSinceCommand) {
            m_phase = Phase::Idle;
            return Action::EndWait;
        }
        m_phase = Phase::AwaitingState;
        return Action::RequestState;
    case Phase::AwaitingState:
        // A second answer (0x00B0 and acknowledgement 9 both) must not end the wait early.
        return Action::KeepWaiting;
    case Phase::Idle:
        break;
    }
    return Action::EndWait;
}

void StateFollowUp::Cancel() {
    m_phase = Phase::Idle;
    m_stateSinceCommand = false;
}

} // namespace corvane
