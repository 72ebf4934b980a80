#include "shell/Config.h"

#include "platform/IniFile.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <optional>

namespace corvane {

namespace {

// Values are read with room for 260 characters.
constexpr std::size_t kValueRoom = 260;

constexpr const char* kComSet = "ComSet";
constexpr const char* kPresetSection = "PRESET";
constexpr const char* kShowButton = "SHOWBTN";
constexpr const char* kLayerColorSection = "LAYERCLR";
constexpr const char* kControlSection = "Control";

// A value written with a line break after it leaves an empty line after its key.
constexpr const char* kLineBreak = "\r\n";

std::string Numbered(const char* prefix, int number) {
    char key[32];
    std::snprintf(key, sizeof key, "%s%d", prefix, number);
    return key;
}

// "%d" of the stored value, as the settings have always been written.
std::string Decimal(std::uint32_t value) {
    return std::to_string(static_cast<std::int32_t>(value));
}

std::string ReadValue(const IniText& text, const char* section, const std::string& key) {
    const std::optional<std::string> value = text.Find(section, key);
    return value ? TruncateToChars(*value, kValueRoom - 1) : std::string();
}

std::uint32_t ReadNumber(const IniText& text, const char* section, const std::string& key) {
    return static_cast<std::uint32_t>(TextToInt(ReadValue(text, section, key)));
}

// The file the program makes the first time it starts, in the order it has always had.
IniText NewConfig(const Config& config, const PresetSlots& presets) {
    IniText text;
    text.Set(kComSet, "PortNum", "1");
    text.Set(kComSet, "BaudRate", "115200");
    text.Set(kComSet, "ByteSize", "8");
    text.Set(kComSet, "StopBits", "1");
    text.Set(kComSet, "Parity", std::string("0") + kLineBreak);
    for (int i = 0; i < kPresetCount; ++i)
        text.Set(kPresetSection, Numbered("Name", i + 1), presets[i].name);
    text.Set(kShowButton, "UpgradeLoadBtn", std::string("0") + kLineBreak);
    for (int i = 0; i < kLayerCount; ++i) {
        const LayerColor& c = config.layerColors[i];
        text.Set(kLayerColorSection, Numbered("R", i + 1), Decimal(c.red));
        text.Set(kLayerColorSection, Numbered("G", i + 1), Decimal(c.green));
        text.Set(kLayerColorSection, Numbered("B", i + 1), Decimal(c.blue) + kLineBreak);
    }
    return text;
}

void WriteComSet(IniText& text, const Config& config) {
    text.Set(kComSet, "PortNum", Decimal(config.comPortNum));
    text.Set(kComSet, "BaudRate", Decimal(config.comBaudRate));
    text.Set(kComSet, "ByteSize", Decimal(config.comByteSize));
    text.Set(kComSet, "StopBits", Decimal(config.comStopBits));
    text.Set(kComSet, "Parity", Decimal(config.comParity));
}

// The control interface's keys; a key that is missing keeps its default (the interface stays
// off, on loopback, at the default port and rate).
void ReadControl(const IniText& text, control::ControlSettings& c) {
    c = control::ControlSettings{};
    c.enabled = ReadNumber(text, kControlSection, "Enabled") == 1;
    if (std::string address = ReadValue(text, kControlSection, "Address"); !address.empty())
        c.address = std::move(address);
    const std::int32_t port = TextToInt(ReadValue(text, kControlSection, "Port"));
    if (port > 0 && port <= 65535)
        c.port = static_cast<std::uint16_t>(port);
    c.token = ReadValue(text, kControlSection, "Token");
    const std::int32_t rate = TextToInt(ReadValue(text, kControlSection, "RatePerSecond"));
    if (rate > 0)
        c.ratePerSecond = static_cast<std::uint32_t>(rate);
    // Read whole: an origin cut at the length other values are read with would be another one.
    if (const std::optional<std::string> origins = text.Find(kControlSection, "AllowedOrigins"))
        c.allowedOrigins = control::SplitList(*origins);
    const std::int32_t perClient = TextToInt(ReadValue(text, kControlSection, "ConnectionsPerClient"));
    if (perClient > 0)
        c.connectionsPerClient = static_cast<std::uint32_t>(std::min(perClient, control::kMaxConnections));
    const std::int32_t oscPort = TextToInt(ReadValue(text, kControlSection, "OscPort"));
    if (oscPort > 0 && oscPort <= 65535)
        c.oscPort = static_cast<std::uint16_t>(oscPort);
    if (const std::optional<std::string> senders = text.Find(kControlSection, "OscAllowedSenders"))
        c.oscAllowedSenders = control::SplitList(*senders);
}

} // namespace

std::int32_t TextToInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1; // stays clamped however many digits follow
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<std::int32_t>(value);
}

bool LoadConfig(const std::string& path, Config& config, PresetSlots& presets) {
    IniText text;
    switch (IniText::Load(path, text)) {
    case IniLoad::Loaded:
        break;
    case IniLoad::Missing:
        // Made in one piece: a crash while it is made leaves no file with half the keys.
        text = NewConfig(config, presets);
        if (!text.Save(path))
            return false; // the values in memory stay as they are
        break;
    case IniLoad::Unreadable:
        return false;
    }

    config.comPortNum = ReadNumber(text, kComSet, "PortNum");
    config.comBaudRate = ReadNumber(text, kComSet, "BaudRate");
    config.comByteSize = ReadNumber(text, kComSet, "ByteSize");
    config.comStopBits = ReadNumber(text, kComSet, "StopBits");
    config.comParity = ReadNumber(text, kComSet, "Parity");
    for (int i = 0; i < kPresetCount; ++i) {
        std::string name = ReadValue(text, kPresetSection, Numbered("Name", i + 1));
        if (!name.empty())
            presets[i].name = std::move(name);
    }
    config.showUpgradeLoadBtn = ReadNumber(text, kShowButton, "UpgradeLoadBtn");
    for (int i = 0; i < kLayerCount; ++i) {
        LayerColor& c = config.layerColors[i];
        c.red = ReadNumber(text, kLayerColorSection, Numbered("R", i + 1));
        c.green = ReadNumber(text, kLayerColorSection, Numbered("G", i + 1));
        c.blue = ReadNumber(text, kLayerColorSection, Numbered("B", i + 1));
    }
    ReadControl(text, config.control);
    return true;
}

bool SaveConfig(const std::string& path, const Config& config, const PresetSlots& presets) {
    IniText text;
    if (IniText::Load(path, text) == IniLoad::Unreadable)
        return false; // never replace a file that could not be read
    WriteComSet(text, config);
    for (int i = 0; i < kPresetCount; ++i)
        text.Set(kPresetSection, Numbered("Name", i + 1), presets[i].name);
    return text.Save(path);
}

LineSettings PortLineSettings(const Config& config) {
    const LineSettings defaults;
    LineSettings line;
    line.dataBits = config.comByteSize >= 5 && config.comByteSize <= 8 ? static_cast<int>(config.comByteSize)
                                                                       : defaults.dataBits;
    line.stopBits = config.comStopBits == 1 || config.comStopBits == 2 ? static_cast<int>(config.comStopBits)
                                                                       : defaults.stopBits;
    return line;
}

} // namespace corvane
