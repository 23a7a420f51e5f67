#include "fuzz/FuzzCheck.h"
#include "storage/IdListFile.h"
#include "storage/TextEncoding.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using orvanel::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const orvanel::IdListRead read = orvanel::parseIdList(bytes, "ids.txt");
    for (const std::string& id : read.ids) {
        require(read.problem.empty() || id.empty(), "a list that cannot be read gives no rows");
        require(orvanel::isValidUtf8(id), "every row is UTF-8");
        require(orvanel::utf16Length(id) <= orvanel::kMaxIdLength, "every row fits its box");
    }
    // What was loaded can be saved: the rows hold nothing a saved list could not give back.
    require(orvanel::idListProblem(read.ids, "ids.txt").empty(), "a loaded list is never refused for its IDs");

    // A saved list loads back as it was, and whatever follows its twelve lines is never read.
    const orvanel::IdListRead again =
        orvanel::parseIdList(orvanel::formatIdList(read.ids) + std::string(bytes), "ids.txt");
    require(again.problem.empty() && again.ids == read.ids, "a saved list loads back the same rows");
    return 0;
}
