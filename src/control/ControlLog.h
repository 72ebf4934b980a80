#pragma once

// The control interface's log: "corvane.control" (refused requests and OSC messages are
// warnings; every request and message is a debug line).

#include <QLoggingCategory>
#include <cstdint>
#include <string>

class QHostAddress;

Q_DECLARE_LOGGING_CATEGORY(lcControl)

namespace corvane::control {

// An address as the log, the counts and the OSC senders' list name it: an IPv4 client of an
// IPv6 socket as IPv4.
std::string AddressText(const QHostAddress& address);

// Milliseconds of a steady clock started at the first call: the time the rate limits count in.
std::int64_t NowMs();

} // namespace corvane::control
