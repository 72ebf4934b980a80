#pragma once

// What became of a write of the line's owner (FXSerialPort::SendOnLine).

namespace corvane {

enum class LineSend {
    Queued,     // its leaving will be reported (LinkOwner::OnWriteLeft)
    NoBuffer,   // all write buffers are in flight
    NotStarted, // the port is closed, or the system refused the write
    TooLong,    // nothing, or kIoBufferSize bytes or more
};

} // namespace corvane
