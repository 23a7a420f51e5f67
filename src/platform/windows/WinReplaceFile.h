#pragma once

#include "system/FileProblem.h"

#include <string>
#include <string_view>

namespace orvanel {

// Replaces the file at path with contents: they are written under a temporary name in the same
// folder, flushed to the disk and then moved over the file in one step, so that a crash, a full disk
// or a killed process leaves either the old file or the new one, never a part of either. A replaced
// file keeps its attributes (hidden, archive); a new one gets the folder's access list. Through a
// symbolic link the file it names is replaced and the link stays. A read-only file, a folder or a
// file another program holds open without sharing stays as it is.
FileProblem replaceWinFile(const std::string& path, std::string_view contents);

} // namespace orvanel
