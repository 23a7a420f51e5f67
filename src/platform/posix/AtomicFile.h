#pragma once

#include "system/Files.h"

#include <string>
#include <string_view>

namespace orvanel {

// Replaces the file at path with contents: they are written under a temporary name in the same
// folder, flushed to the disk and then renamed over the file, so that a crash, a full disk or a
// killed process leaves either the old file or the new one, never a part of either. A new file
// gets the permissions the user's umask gives; a replaced one keeps its own. Through a symbolic
// link, the file it names is replaced and the link stays; a link of another user's is not followed
// and nothing is written.
FileProblem replaceFile(const std::string& path, std::string_view contents, FileOwners owners);

} // namespace orvanel
