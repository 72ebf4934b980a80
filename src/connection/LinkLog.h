#pragma once

// Logging category of the serial link's user interface, "corvane.link": the connection
// dialog's openings and closings (debug) and the ports that could not be opened (warning).
// The main window logs its port search under the same category, and the port watcher's
// troubles (a source in error, reopened, replaced or given up; warning).

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcLink)
