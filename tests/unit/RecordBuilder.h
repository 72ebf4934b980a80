#pragma once

// Builds processor records for tests: template, code, the bytes a test sets, checksum.

#include "link/CommandFrame.h"

#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace corvane::test {

class RecordBuilder {
public:
    explicit RecordBuilder(std::uint16_t code);
    RecordBuilder& B(int offset, std::uint8_t value);
    RecordBuilder& LE16(int offset, std::uint32_t value);
    RecordBuilder& LE24(int offset, std::uint32_t value);
    // Values one after the other from `offset`: bytes, 16-bit or 24-bit little-endian words.
    RecordBuilder& Bs(int offset, std::initializer_list<std::uint8_t> values);
    RecordBuilder& LE16s(int offset, std::initializer_list<std::uint32_t> values);
    RecordBuilder& LE24s(int offset, std::initializer_list<std::uint32_t> values);
    // The bytes of `text` from `offset`, without a terminator.
    RecordBuilder& Text(int offset, std::string_view text);
    Frame Build() const;

private:
    Frame m_frame;
};

} // namespace corvane::test
