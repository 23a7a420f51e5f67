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
    const double value = orvanel::IdTextValue(text);
    const orvanel::IdNumber number = orvanel::ReadIdNumber(text);
    require(!std::isnan(value), "an ID text holds a number or none, never NaN");
    require(value == (number.present ? number.value : 0.0), "IdTextValue is the number read, or 0 without one");
    require(orvanel::IdTextValue(text) == value, "the same text gives the same value");

    // Blanks, tabs and line feeds count nowhere: not around the text, not inside it.
    const std::size_t cut = size == 0 ? 0 : data[0] % (size + 1);
    const std::string spaced = " \t\n" + text.substr(0, cut) + "\n \t" + text.substr(cut) + "\t\n ";
    require(orvanel::IdTextValue(spaced) == value, "blanks, tabs and line feeds change nothing");
    require(orvanel::IdTextValue(text + ",") == value, "reading stops at a character that cannot continue the number");
    return 0;
}
