#include "storage/PortSettingFile.h"

#include "storage/FileStart.h"

#include <charconv>

namespace orvanel {

namespace {

// The index is in the first few bytes; whatever else a damaged file holds is never read.
constexpr std::size_t kBytesRead = 256;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

StoredPortIndex parsePortIndex(std::string_view text, const std::string& path)
{
    std::size_t start = 0;
    while (start < text.size() && isBlank(text[start]))
        ++start;
    std::size_t end = start;
    while (end < text.size() && !isBlank(text[end]) && text[end] != ',' && text[end] != '\r' && text[end] != '\n')
        ++end;
    const std::string_view field = text.substr(start, end - start);

    std::string_view digits = field;
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    int index = -1;
    const auto [stop, error] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
    const bool number = !digits.empty() && error == std::errc() && stop == digits.data() + digits.size();
    if (number && index >= 0 && index < kPortIndexCount)
        return {index, {}};
    if (field.empty())
        return {0, path + ": no guarda ningún puerto; se usa COM 1"};
    return {0, path + ": \"" + std::string(field.substr(0, 20)) + "\" no es un puerto de 0 a " +
                   std::to_string(kPortIndexCount - 1) + "; se usa COM 1"};
}

StoredPortIndex readPortIndex(Files& files, const std::string& path)
{
    const FileStart start = readFileStart(files, path, kBytesRead);
    if (start.reading.missing)
        return {};
    if (start.reading.untrusted)
        return {0, start.reading.problem + "; no se tiene en cuenta y se usa COM 1", true};
    if (!start.reading.problem.empty())
        return {0, start.reading.problem};
    return parsePortIndex(start.text, path);
}

std::string formatPortIndex(int index)
{
    return " " + std::to_string(index) + " \r\n";
}

FileProblem writePortIndex(Files& files, const std::string& path, int index)
{
    return files.replace(path, formatPortIndex(index), FileOwners::UserOrRoot);
}

} // namespace orvanel
