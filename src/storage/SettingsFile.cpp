#include "storage/SettingsFile.h"

#include "storage/FileDescriptor.h"

#include <algorithm>
#include <charconv>

namespace orvanel {

namespace {

// A settings file is a few lines; a larger one is not one, and is not read whole.
constexpr std::size_t kMaxBytes = 65536;

std::string_view trimmed(std::string_view text)
{
    const char* blanks = " \t\r";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
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
            settings.problems.push_back(where + "\"" + std::string(line) + "\" no es una línea clave = valor");
            continue;
        }
        const std::string_view key = trimmed(line.substr(0, equals));
        const std::string_view value = trimmed(line.substr(equals + 1));
        if (key == "min-gap") {
            if (const auto gap = parseMinGapMs(value))
                settings.minGapMs = gap;
            else
                settings.problems.push_back(where + "min-gap: \"" + std::string(value) +
                                            "\" no es un número de milisegundos de 0 a " +
                                            std::to_string(kMaxMinGapMs));
        } else if (key == "log") {
            settings.logFile = std::string(value);
        } else {
            settings.problems.push_back(where + "clave desconocida \"" + std::string(key) +
                                        "\"; las claves son min-gap y log");
        }
    }
    return settings;
}

Settings readSettings(const std::string& path)
{
    const FileStart start = readFileStart(path, kMaxBytes);
    if (!start.problem.empty()) {
        Settings unread;
        unread.problems.push_back(start.problem);
        return unread;
    }
    return parseSettings(start.text, path);
}

} // namespace orvanel
