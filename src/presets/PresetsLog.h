#pragma once

// The logging category of the presets page: saves, loads and deletes of the slots' files, and
// the check of every preset file sent to the processor.

#include <QLoggingCategory>

namespace corvane {
Q_DECLARE_LOGGING_CATEGORY(lcPresets)
} // namespace corvane
