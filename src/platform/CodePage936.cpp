#include "platform/CodePage936.h"

#include <cerrno>
#include <iconv.h>
#include <mutex>

namespace corvane {

namespace {

constexpr const char* kCodePage = "CP936";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // U+FFFD in UTF-8

// One converter per direction, opened on first use and kept; iconv keeps a shift state per
// descriptor, so each use is serialised and starts from the initial state.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (Usable())
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Usable() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts as much of [in, in + inLeft) as it can; returns errno of the stop (0: all done)
    // and advances `in` and `inLeft` past what was converted.
    int Convert(const char*& in, std::size_t& inLeft, std::string& out) {
        char buffer[256];
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            char* inPtr = const_cast<char*>(in);
            const std::size_t r = iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft);
            const int error = r == static_cast<std::size_t>(-1) ? errno : 0;
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            in = inPtr;
            if (error == E2BIG)
                continue;
            if (error != 0)
                return error;
        }
        return 0;
    }

    void Reset() { iconv(m_cd, nullptr, nullptr, nullptr, nullptr); }

private:
    iconv_t m_cd;
};

std::mutex& ConverterLock() {
    static std::mutex lock;
    return lock;
}

Converter& Encoder() {
    static Converter c(kCodePage, "UTF-8");
    return c;
}

Converter& Decoder() {
    static Converter c("UTF-8", kCodePage);
    return c;
}

} // namespace

std::optional<std::string> ToCodePage936(std::string_view text) {
    if (!CountCharacters(text))
        return std::nullopt;
    std::lock_guard<std::mutex> guard(ConverterLock());
    Converter& c = Encoder();
    if (!c.Usable())
        return std::nullopt;
    c.Reset();
    std::string out;
    const char* in = text.data();
    std::size_t left = text.size();
    // Any stop before the end is a character the code page does not have.
    if (c.Convert(in, left, out) != 0 || left != 0)
        return std::nullopt;
    return out;
}

std::string FromCodePage936(const std::uint8_t* bytes, std::size_t length) {
    std::string out;
    std::lock_guard<std::mutex> guard(ConverterLock());
    Converter& c = Decoder();
    if (!c.Usable()) {
        // Without the converter only ASCII can be shown as it is.
        for (std::size_t i = 0; i < length; ++i)
            out += bytes[i] < 0x80 ? std::string(1, static_cast<char>(bytes[i])) : std::string(kReplacement);
        return out;
    }
    c.Reset();
    const char* in = reinterpret_cast<const char*>(bytes);
    std::size_t left = length;
    while (left > 0) {
        if (c.Convert(in, left, out) == 0)
            break;
        // EILSEQ: a byte that starts no character; EINVAL: the text ends inside a character.
        // Either way the byte shows as U+FFFD and decoding goes on after it.
        out += kReplacement;
        ++in;
        --left;
        c.Reset();
    }
    return out;
}

} // namespace corvane
