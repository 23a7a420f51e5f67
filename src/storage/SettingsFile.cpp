#include "storage/SettingsFile.h"

#include "storage/FileStart.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace orvanel {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view trimmed(std::string_view text)
{
    const char* blanks = " \t\r";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Text of the file as a message quotes it: control characters and byte order marks, which a
// terminal or a tooltip would not show, are written out as their code points.
std::string visible(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        unsigned hidden = byte;
        if (text.compare(i, kByteOrderMark.size(), kByteOrderMark) == 0) {
            hidden = 0xFEFF;
            i += kByteOrderMark.size() - 1;
        } else if (byte >= 0x20 && byte != 0x7F) {
            out += text[i];
            continue;
        }
        char name[16];
        std::snprintf(name, sizeof name, "<U+%04X>", hidden);
        out += name;
    }
    return out;
}

// The port of a key "com1" to "com6", or 0 for any other key.
int portOfKey(std::string_view key)
{
    if (key.size() != 4 || key.substr(0, 3) != "com" || key[3] < '1' || key[3] >= '1' + kPortIndexCount)
        return 0;
    return key[3] - '0';
}

} // namespace

std::optional<std::uint32_t> parseMinGapMs(std::string_view text)
{
    std::uint32_t value = 0;
    const char* end = text.data() + text.size();
    const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (!digits || error != std::errc() || stop != end || value > kMaxMinGapMs)
        return std::nullopt;
    return value;
}

Settings parseSettings(std::string_view text, const std::string& path)
{
    Settings settings;
    if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        text.remove_prefix(kByteOrderMark.size());
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        ++number;
        if (line.empty() || line.front() == '#')
            continue;
        const std::string where = path + ":" + std::to_string(number) + ": ";
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            settings.problems.push_back(where + "\"" + visible(line) + "\" no es una línea clave = valor");
            continue;
        }
        const std::string_view key = trimmed(line.substr(0, equals));
        const std::string_view value = trimmed(line.substr(equals + 1));
        if (key == "min-gap") {
            if (const auto gap = parseMinGapMs(value))
                settings.minGapMs = gap;
            else
                settings.problems.push_back(where + "min-gap: \"" + visible(value) +
                                            "\" no es un número de milisegundos de 0 a " +
                                            std::to_string(kMaxMinGapMs));
        } else if (key == "log") {
            settings.logFile = std::string(value);
        } else if (const int port = portOfKey(key); port != 0) {
            if (value.empty())
                settings.problems.push_back(where + std::string(key) + ": falta el dispositivo, p. ej. /dev/ttyUSB0");
            else
                settings.portDevices[static_cast<std::size_t>(port - 1)] = std::string(value);
        } else {
            settings.problems.push_back(where + "clave desconocida \"" + visible(key) +
                                        "\"; las claves son min-gap, log y com1 a com6");
        }
    }
    return settings;
}

Settings readSettings(Files& files, const std::string& path)
{
    // One byte more than a settings file may have tells a larger one, which is then not read on.
    const FileStart start = readFileStart(files, path, kMaxSettingsBytes + 1);
    Settings unread;
    unread.untrusted = start.reading.untrusted;
    if (start.reading.missing)
        return unread;
    if (start.reading.untrusted)
        unread.problems.push_back(start.reading.problem + "; no se tiene en cuenta");
    else if (!start.reading.problem.empty())
        unread.problems.push_back(start.reading.problem);
    else if (start.text.size() > kMaxSettingsBytes)
        unread.problems.push_back(path + ": tiene más de " + std::to_string(kMaxSettingsBytes / 1024) +
                                  " KiB, no es un archivo de opciones; no se tiene en cuenta");
    else
        return parseSettings(start.text, path);
    return unread;
}

} // namespace orvanel
