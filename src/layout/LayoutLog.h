#pragma once

// The logging category of the layout canvas and the pages that place layers and outputs.

#include <QLoggingCategory>

namespace corvane {
Q_DECLARE_LOGGING_CATEGORY(lcLayout)
} // namespace corvane
