#include "layout/LayoutLog.h"

namespace corvane {
Q_LOGGING_CATEGORY(lcLayout, "corvane.layout", QtInfoMsg)
} // namespace corvane
