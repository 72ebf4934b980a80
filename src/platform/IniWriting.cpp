// Writing initialisation files: setting a key in an IniText (every other line kept as it
// was), its bytes in the file's encoding, and saving it aside before it is put in place.

#include "platform/AtomicFile.h"
#include "platform/IniEncoding.h"
#include "platform/IniFile.h"
#include "platform/IniSyntax.h"

#include <atomic>

namespace corvane {

using namespace ini;

namespace {

std::atomic<IniSaveHook> g_saveHook{nullptr};

bool CallHook(IniSaveStage stage) {
    const IniSaveHook hook = g_saveHook.load();
    return hook == nullptr || hook(stage);
}

} // namespace

bool IniText::Set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string sectionName = SanitizeUtf8(Trim(UpToNul(section)));
    const std::string keyName = SanitizeUtf8(Trim(UpToNul(key)));
    if (sectionName.empty() || HasLineBreak(sectionName))
        return false;
    if (keyName.empty() || HasLineBreak(keyName) || keyName.find('=') != std::string::npos ||
        keyName[0] == '[' || keyName[0] == ';')
        return false;

    // Line breaks at the end leave empty lines after the key; inside, they become blanks.
    std::string_view raw = UpToNul(value);
    std::size_t trailingBreaks = 0;
    while (!raw.empty() && (raw.back() == '\n' || raw.back() == '\r')) {
        if (raw.back() == '\n' && raw.size() >= 2 && raw[raw.size() - 2] == '\r')
            raw.remove_suffix(1);
        raw.remove_suffix(1);
        ++trailingBreaks;
    }
    std::string cleanValue;
    cleanValue.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' || raw[i] == '\n') {
            if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n')
                ++i;
            cleanValue += ' ';
        } else {
            cleanValue += raw[i];
        }
    }
    cleanValue = SanitizeUtf8(cleanValue);
    const std::string keyLine = keyName + "=" + cleanValue;

    auto blankLines = [&](std::size_t count) {
        std::vector<Line> lines(count);
        for (Line& l : lines)
            l.eol = kCrLf;
        return lines;
    };
    auto endLastLine = [&](std::size_t index) {
        if (m_lines[index].eol.empty())
            m_lines[index].eol = kCrLf;
    };

    // The first section of that name and where it ends (the next section line or the end).
    std::size_t sectionLine = m_lines.size();
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const LineInfo info = Classify(m_lines[i].text);
        if (info.kind == LineKind::Section && SameName(info.name, sectionName)) {
            sectionLine = i;
            break;
        }
    }
    if (sectionLine == m_lines.size()) {
        if (!m_lines.empty())
            endLastLine(m_lines.size() - 1);
        m_lines.push_back(Line{"[" + sectionName + "]", std::string(kCrLf)});
        m_lines.push_back(Line{keyLine, std::string(kCrLf)});
        const std::vector<Line> blanks = blankLines(trailingBreaks);
        m_lines.insert(m_lines.end(), blanks.begin(), blanks.end());
        return true;
    }
    std::size_t sectionEnd = sectionLine + 1;
    while (sectionEnd < m_lines.size() && Classify(m_lines[sectionEnd].text).kind != LineKind::Section)
        ++sectionEnd;

    for (std::size_t i = sectionLine + 1; i < sectionEnd; ++i) {
        const LineInfo info = Classify(m_lines[i].text);
        if (info.kind != LineKind::Key || !SameName(info.name, keyName))
            continue;
        // Keep the line up to its value (the key's spelling and spacing), replace the value.
        m_lines[i].text = m_lines[i].text.substr(0, info.valueStart) + cleanValue;
        std::size_t blanksAfter = 0;
        while (i + 1 + blanksAfter < sectionEnd &&
               Classify(m_lines[i + 1 + blanksAfter].text).kind == LineKind::Blank)
            ++blanksAfter;
        if (blanksAfter < trailingBreaks) {
            endLastLine(i + blanksAfter);
            const std::vector<Line> blanks = blankLines(trailingBreaks - blanksAfter);
            m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(i + 1 + blanksAfter), blanks.begin(),
                           blanks.end());
        }
        return true;
    }

    endLastLine(sectionEnd - 1);
    std::vector<Line> added{Line{keyLine, std::string(kCrLf)}};
    const std::vector<Line> blanks = blankLines(trailingBreaks);
    added.insert(added.end(), blanks.begin(), blanks.end());
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd), added.begin(), added.end());
    return true;
}

std::string IniText::Serialize() const {
    std::string out;
    switch (m_encoding) {
    case IniEncoding::Utf8:
    case IniEncoding::Utf8Bom: {
        std::size_t size = m_encoding == IniEncoding::Utf8Bom ? kUtf8Bom.size() : 0;
        for (const Line& line : m_lines)
            size += line.text.size() + line.eol.size();
        out.reserve(size);
        if (m_encoding == IniEncoding::Utf8Bom)
            out += kUtf8Bom;
        for (const Line& line : m_lines) {
            out += line.text;
            out += line.eol;
        }
        break;
    }
    case IniEncoding::Utf16Le:
    case IniEncoding::Utf16Be: {
        const bool bigEndian = m_encoding == IniEncoding::Utf16Be;
        AppendUtf16Unit(out, 0xFEFF, bigEndian);
        for (const Line& line : m_lines) {
            AppendUtf16(out, line.text, bigEndian);
            AppendUtf16(out, line.eol, bigEndian);
        }
        out += m_oddTail;
        break;
    }
    }
    return out;
}

bool IniText::Save(const std::string& path) const {
    ReplaceOptions options;
    options.stageHook = [](ReplaceStage stage) {
        switch (stage) {
        case ReplaceStage::HalfWritten:
            return CallHook(IniSaveStage::TempHalfWritten);
        case ReplaceStage::Complete:
            return CallHook(IniSaveStage::TempComplete);
        case ReplaceStage::Replaced:
            return CallHook(IniSaveStage::Replaced);
        }
        return true;
    };
    return ReplaceFileContents(path, Serialize(), options);
}

void SetIniSaveHookForTesting(IniSaveHook hook) {
    g_saveHook.store(hook);
}

} // namespace corvane
