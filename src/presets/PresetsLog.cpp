#include "presets/PresetsLog.h"

namespace corvane {
Q_LOGGING_CATEGORY(lcPresets, "corvane.presets", QtInfoMsg)
} // namespace corvane
