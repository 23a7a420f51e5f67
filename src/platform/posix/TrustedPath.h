#pragma once

#include "system/FileProblem.h"

#include <string>
#include <sys/stat.h>

namespace orvanel {

// Orvanel may run in a folder other users can write to (a sticky /tmp, a shared race folder), where
// any of them may plant a file or a symbolic link under the names it uses. Only the user it runs as
// and root are trusted to have made them.
bool isTrustedOwner(uid_t owner);

// Why the file or link described by info, met at path, is not trusted: "config.cfg: es de otro
// usuario (pedro)".
FileProblem describeUntrustedOwner(const std::string& path, const struct stat& info);

struct FollowedPath
{
    std::string path;    // where the links lead: no link, nothing yet, or a link too many to follow
    FileProblem problem; // a link on the way is another user's: path is not to be used
};

// Follows the symbolic links at path, each only when a trusted user made it. Each link's target is
// read from the very link whose owner was checked, and the path returned is to be opened without
// following a link (O_NOFOLLOW), so that a link swapped in meanwhile is never followed.
FollowedPath followTrustedLinks(const std::string& path);

// The folder of path, "." for a bare name.
std::string folderOf(const std::string& path);

} // namespace orvanel
