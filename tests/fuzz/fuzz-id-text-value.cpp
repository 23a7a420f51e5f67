#include "fuzz/FuzzCheck.h"
#include "mapping/IdTextValue.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

using orvanel::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const orvanel::IdNumber number = orvanel::ReadIdNumber(text);
    require(!std::isnan(number.value), "an ID text holds a number or none, never NaN");
    require(number.present || number.value == 0.0, "a text without a number reads as 0");
    const auto same = [&number](const orvanel::IdNumber& other) {
        return other.present == number.present && other.value == number.value;
    };
    require(same(orvanel::ReadIdNumber(text)), "the same text gives the same number");

    // Blanks, tabs and line feeds count nowhere: not around the text, not inside it.
    const std::size_t cut = size == 0 ? 0 : data[0] % (size + 1);
    const std::string spaced = " \t\n" + text.substr(0, cut) + "\n \t" + text.substr(cut) + "\t\n ";
    require(same(orvanel::ReadIdNumber(spaced)), "blanks, tabs and line feeds change nothing");
    require(same(orvanel::ReadIdNumber(text + ",")), "reading stops at a character that cannot continue the number");
    return 0;
}
