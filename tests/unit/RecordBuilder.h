#pragma once

// Builds processor records for tests: template, code, the bytes a test sets, checksum.

#include "link/CommandFrame.h"

#include <cstdint>

namespace corvane::test {

class RecordBuilder {
public:
    explicit RecordBuilder(std::uint16_t code);
    RecordBuilder& B(int offset, std::uint8_t value);
    RecordBuilder& LE16(int offset, std::uint32_t value);
    RecordBuilder& LE24(int offset, std::uint32_t value);
    Frame Build() const;

private:
    Frame m_frame;
};

} // namespace corvane::test
