#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace orvanel::test {

// A path from the core's UTF-8.
inline std::filesystem::path fsPath(const std::string& utf8)
{
    return std::filesystem::u8path(utf8);
}

// A folder of the test's own in the system's temporary folder, removed with all it holds. Paths are
// UTF-8 with backslashes, as the file dialogs give them.
class WinTestFolder
{
public:
    WinTestFolder()
    {
        std::random_device random;
        m_path = std::filesystem::temp_directory_path().u8string() + "orvanel-test-" + std::to_string(random());
        std::filesystem::create_directory(fsPath(m_path));
    }
    ~WinTestFolder()
    {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(fsPath(m_path), ignored))
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(fsPath(m_path), ignored);
    }
    WinTestFolder(const WinTestFolder&) = delete;
    WinTestFolder& operator=(const WinTestFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string path(const std::string& name) const { return m_path + "\\" + name; }
    // The names in the folder, hidden ones too, in order.
    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const auto& entry : std::filesystem::directory_iterator(fsPath(m_path)))
            out.push_back(entry.path().filename().u8string());
        std::sort(out.begin(), out.end());
        return out;
    }

private:
    std::string m_path;
};

inline bool putFile(const std::string& path, const std::string& bytes)
{
    std::ofstream file(fsPath(path), std::ios::binary | std::ios::trunc);
    return static_cast<bool>(file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())));
}

inline std::string contentsOf(const std::string& path)
{
    std::ifstream file(fsPath(path), std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "<unreadable>";
}

} // namespace orvanel::test
