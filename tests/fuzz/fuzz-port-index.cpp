#include "fuzz/FuzzCheck.h"
#include "storage/PortSettingFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

using orvanel::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const orvanel::StoredPortIndex read = orvanel::parsePortIndex(text, orvanel::kPortSettingFileName);
    require(read.index >= 0 && read.index < orvanel::kPortIndexCount, "the index is a port of the list");
    require(read.problem.empty() || read.index == 0, "a file that cannot be used gives COM 1");

    // A saved index reads back as it was; only the first line counts.
    const orvanel::StoredPortIndex again =
        orvanel::parsePortIndex(orvanel::formatPortIndex(read.index) + text, orvanel::kPortSettingFileName);
    require(again.problem.empty() && again.index == read.index, "a saved index reads back the same");
    return 0;
}
