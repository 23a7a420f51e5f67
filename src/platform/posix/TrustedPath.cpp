#include "platform/posix/TrustedPath.h"

#include "platform/posix/FileDescriptor.h"

#include <climits>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

namespace orvanel {

namespace {

// As many links in a row as the kernel follows before it gives up.
constexpr int kMaxLinks = 40;

std::string userName(uid_t uid)
{
    passwd entry{};
    passwd* found = nullptr;
    char buffer[1024];
    if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr)
        return found->pw_name;
    return "uid " + std::to_string(uid);
}

} // namespace

bool isTrustedOwner(uid_t owner)
{
    return owner == ::geteuid() || owner == 0;
}

FileProblem describeUntrustedOwner(const std::string& path, const struct stat& info)
{
    return path + (S_ISLNK(info.st_mode) ? ": es un enlace de otro usuario (" : ": es de otro usuario (") +
           userName(info.st_uid) + ")";
}

FollowedPath followTrustedLinks(const std::string& path)
{
    std::string current = path;
    for (int followed = 0; followed < kMaxLinks; ++followed) {
        // The link itself, not what it names: its owner and its target come from the same inode.
        const FileDescriptor entry(::open(current.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        struct stat info;
        if (!entry.isOpen() || ::fstat(entry.get(), &info) != 0 || !S_ISLNK(info.st_mode))
            return {current, {}};
        if (!isTrustedOwner(info.st_uid))
            return {current, describeUntrustedOwner(current, info)};
        char target[PATH_MAX];
        const ssize_t length = ::readlinkat(entry.get(), "", target, sizeof target);
        // A link that cannot be read is left where it is: opening it without following it says why.
        if (length <= 0 || static_cast<std::size_t>(length) == sizeof target)
            return {current, {}};
        const std::string next(target, static_cast<std::size_t>(length));
        current = next[0] == '/' ? next : folderOf(current) + "/" + next;
    }
    return {current, {}};
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace orvanel
