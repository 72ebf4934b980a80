#pragma once

// Counts every call of the global operator new in the benchmark process, so that a
// benchmark can report heap allocations per item in its steady state.

#include <cstdint>

namespace corvane::bench {

std::uint64_t AllocationCount();

} // namespace corvane::bench
