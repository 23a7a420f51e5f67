#pragma once

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace orvanel::test {

// A folder of the test's own, removed with all it holds.
class TemporaryFolder
{
public:
    TemporaryFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "orvanel-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            m_path = pattern;
    }
    ~TemporaryFolder()
    {
        std::error_code ignored;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    bool isValid() const { return !m_path.empty(); }
    const std::string& path() const { return m_path; }
    std::string path(const std::string& name) const { return m_path + "/" + name; }
    // The names in the folder, hidden ones too, in order.
    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const auto& entry : std::filesystem::directory_iterator(m_path))
            out.push_back(entry.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

private:
    std::string m_path;
};

inline bool putFile(const std::string& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    return static_cast<bool>(file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())));
}

inline std::string contentsOf(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "<unreadable>";
}

// Bytes this process has read through read() so far, as the kernel counts them.
inline long long bytesReadSoFar()
{
    std::ifstream io("/proc/self/io");
    for (std::string key; io >> key;) {
        long long value = 0;
        io >> value;
        if (key == "rchar:")
            return value;
    }
    return -1;
}

// While it lives, no file of this process may grow past a few bytes (or past bytes): writes fail
// as on a full disk, whoever runs the test (a full disk cannot be faked by permissions for root).
// A write that crosses the limit is cut short there, as the kernel cuts one that fills the disk.
class TinyFileSizeLimit
{
public:
    explicit TinyFileSizeLimit(rlim_t bytes = 3)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit tiny = m_saved;
        tiny.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &tiny);
    }
    ~TinyFileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    TinyFileSizeLimit(const TinyFileSizeLimit&) = delete;
    TinyFileSizeLimit& operator=(const TinyFileSizeLimit&) = delete;

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int) = nullptr;
};

// Gives the file or link at path to another user, as one who shares the folder would have planted
// it; only root can. The reason to skip the test otherwise, else empty.
inline std::string giveToAnotherUser(const std::string& path)
{
    if (::geteuid() != 0)
        return "only root can give a file to another user";
    constexpr uid_t kAnotherUser = 4242;
    return ::lchown(path.c_str(), kAnotherUser, kAnotherUser) == 0 ? "" : "cannot give " + path + " to another user";
}

} // namespace orvanel::test
