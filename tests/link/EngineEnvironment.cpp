// Stops the I/O engine's workers at the end of a suite, so that the process ends with
// every thread joined.

#include "link/IoEngine.h"

#include <gtest/gtest.h>

namespace {

class EngineEnvironment : public ::testing::Environment {
public:
    void TearDown() override { corvane::IoEngine::Instance().Stop(); }
};

[[maybe_unused]] const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new EngineEnvironment);

} // namespace
