#include "GifWriter.h"

#include <unordered_map>

namespace corvane::imagegen {

namespace {

void Word(QByteArray& out, int v) {
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>((v >> 8) & 0xFF));
}

// Packs variable-width codes, least significant bit first, into 255-byte sub-blocks.
class CodeWriter {
public:
    void Put(int code, int width) {
        m_bits |= static_cast<std::uint32_t>(code) << m_count;
        m_count += width;
        while (m_count >= 8) {
            Byte(static_cast<std::uint8_t>(m_bits & 0xFF));
            m_bits >>= 8;
            m_count -= 8;
        }
    }
    QByteArray Finish() {
        if (m_count > 0)
            Byte(static_cast<std::uint8_t>(m_bits & 0xFF));
        Flush();
        m_out.append('\0');
        return m_out;
    }

private:
    void Byte(std::uint8_t b) {
        m_block.append(static_cast<char>(b));
        if (m_block.size() == 255)
            Flush();
    }
    void Flush() {
        if (m_block.isEmpty())
            return;
        m_out.append(static_cast<char>(m_block.size()));
        m_out.append(m_block);
        m_block.clear();
    }
    std::uint32_t m_bits = 0;
    int m_count = 0;
    QByteArray m_block;
    QByteArray m_out;
};

} // namespace

QByteArray LzwImageData(const std::vector<std::uint8_t>& indices, int minCodeSize) {
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    QByteArray out;
    out.append(static_cast<char>(minCodeSize));
    CodeWriter writer;
    std::unordered_map<std::uint32_t, int> table; // (prefix << 8 | byte) -> code
    int width = minCodeSize + 1;
    int next = end + 1;
    writer.Put(clear, width);
    if (indices.empty()) {
        writer.Put(end, width);
        return out + writer.Finish();
    }
    int prefix = indices[0];
    for (std::size_t i = 1; i < indices.size(); ++i) {
        const std::uint8_t c = indices[i];
        const std::uint32_t key = (static_cast<std::uint32_t>(prefix) << 8) | c;
        auto it = table.find(key);
        if (it != table.end()) {
            prefix = it->second;
            continue;
        }
        writer.Put(prefix, width);
        if (next < 4096) {
            table[key] = next;
            // The decoder widens its codes once the code it will add next no longer fits.
            if (next == (1 << width) && width < 12)
                ++width;
            ++next;
        } else {
            writer.Put(clear, width);
            table.clear();
            width = minCodeSize + 1;
            next = end + 1;
        }
        prefix = c;
    }
    writer.Put(prefix, width);
    writer.Put(end, width);
    return out + writer.Finish();
}

QByteArray WriteGif(int width, int height, const QVector<QRgb>& palette,
                    const std::vector<GifFrameData>& frames) {
    int bits = 1;
    while ((1 << bits) < palette.size())
        ++bits;
    QByteArray out("GIF89a");
    Word(out, width);
    Word(out, height);
    out.append(static_cast<char>(0x80 | ((bits - 1) << 4) | (bits - 1))); // global table
    out.append('\0');                                                     // background index
    out.append('\0');                                                     // aspect
    for (int i = 0; i < (1 << bits); ++i) {
        const QRgb c = i < palette.size() ? palette[i] : qRgb(0, 0, 0);
        out.append(static_cast<char>(qRed(c)));
        out.append(static_cast<char>(qGreen(c)));
        out.append(static_cast<char>(qBlue(c)));
    }
    // Loop for ever.
    out.append("\x21\xFF\x0B"
               "NETSCAPE2.0"
               "\x03\x01",
               16);
    Word(out, 0);
    out.append('\0');
    for (const GifFrameData& f : frames) {
        out.append("\x21\xF9\x04", 3);
        out.append(static_cast<char>((f.disposal & 7) << 2));
        Word(out, f.delay);
        out.append('\0'); // transparent index (unused)
        out.append('\0');
        out.append('\x2C');
        Word(out, 0);
        Word(out, 0);
        Word(out, width);
        Word(out, height);
        out.append('\0');
        out.append(LzwImageData(f.indices, bits < 2 ? 2 : bits));
    }
    out.append('\x3B');
    return out;
}

} // namespace corvane::imagegen
