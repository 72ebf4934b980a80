#include "RecordBuilder.h"

#include "link/ByteOrder.h"

namespace corvane::test {

RecordBuilder::RecordBuilder(std::uint16_t code) : m_frame(StartFrame(code)) {}

RecordBuilder& RecordBuilder::B(int offset, std::uint8_t value) {
    m_frame[offset] = value;
    return *this;
}

RecordBuilder& RecordBuilder::LE16(int offset, std::uint32_t value) {
    PutLE16(&m_frame[offset], value);
    return *this;
}

RecordBuilder& RecordBuilder::LE24(int offset, std::uint32_t value) {
    PutLE24(&m_frame[offset], value);
    return *this;
}

Frame RecordBuilder::Build() const {
    Frame f = m_frame;
    SealFrame(f);
    return f;
}

} // namespace corvane::test
