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

RecordBuilder& RecordBuilder::Bs(int offset, std::initializer_list<std::uint8_t> values) {
    for (std::uint8_t v : values)
        B(offset++, v);
    return *this;
}

RecordBuilder& RecordBuilder::LE16s(int offset, std::initializer_list<std::uint32_t> values) {
    for (std::uint32_t v : values) {
        LE16(offset, v);
        offset += 2;
    }
    return *this;
}

RecordBuilder& RecordBuilder::LE24s(int offset, std::initializer_list<std::uint32_t> values) {
    for (std::uint32_t v : values) {
        LE24(offset, v);
        offset += 3;
    }
    return *this;
}

RecordBuilder& RecordBuilder::Text(int offset, std::string_view text) {
    for (char c : text)
        B(offset++, static_cast<std::uint8_t>(c));
    return *this;
}

Frame RecordBuilder::Build() const {
    Frame f = m_frame;
    SealFrame(f);
    return f;
}

} // namespace corvane::test
