#pragma once

// The control interface's log: "corvane.control" (refused requests are warnings; every
// request is a debug line).

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcControl)
