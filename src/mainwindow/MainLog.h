#pragma once

// Logging categories of the main window: "corvane.main" for the link supervision and the
// pages, "corvane.traffic" for every frame sent and every record received (in hex). Both are
// off by default; QT_LOGGING_RULES="corvane.*.debug=true" turns them on.

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcMain)
Q_DECLARE_LOGGING_CATEGORY(lcTraffic)
