#include "mapping/IdTextValue.h"

#include <charconv>
#include <limits>
#include <string>

namespace orvanel {

namespace {

bool isDecimalDigit(char c)
{
    return c >= '0' && c <= '9';
}

int digitValue(char c, int base)
{
    int v = -1;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
    return v < base ? v : -1;
}

// "&H" and "&O" texts read as plain non-negative integers; more digits than 64 bits hold count as
// beyond range, so such a text never matches by wrapping around.
IdNumber readRadixInteger(const std::string& s, std::size_t pos, int base)
{
    IdNumber n;
    unsigned long long value = 0;
    bool overflow = false;
    for (; pos < s.size(); ++pos) {
        const int d = digitValue(s[pos], base);
        if (d < 0)
            break;
        n.present = true;
        if (value > (std::numeric_limits<unsigned long long>::max() - static_cast<unsigned>(d)) / base)
            overflow = true;
        else
            value = value * base + static_cast<unsigned>(d);
    }
    if (n.present)
        n.value = overflow ? std::numeric_limits<double>::infinity() : static_cast<double>(value);
    return n;
}

// from_chars reports a value beyond the double range without saying in which direction:
// a large magnitude is infinity (matches nothing), a tiny fraction is zero.
double outOfRangeValue(const std::string& number)
{
    const auto e = number.find_first_of("Ee");
    const std::string digits = number.substr(0, e);
    // Order of magnitude of the mantissa: its integer digits, or the zeros after the point.
    const auto point = digits.find('.');
    const std::string whole = digits.substr(0, point);
    const auto firstNonZero = whole.find_first_not_of('0');
    double magnitude = 0.0;
    if (firstNonZero != std::string::npos) {
        magnitude = static_cast<double>(whole.size() - firstNonZero);
    } else {
        const std::string fraction = point == std::string::npos ? std::string() : digits.substr(point + 1);
        const auto significant = fraction.find_first_not_of('0');
        if (significant == std::string::npos)
            return 0.0;
        magnitude = -static_cast<double>(significant);
    }
    long exponent = 0;
    if (e != std::string::npos) {
        const char* first = number.data() + e + 1;
        if (*first == '+')
            ++first;
        if (std::from_chars(first, number.data() + number.size(), exponent).ec == std::errc::result_out_of_range)
            exponent = *first == '-' ? std::numeric_limits<long>::min() / 2 : std::numeric_limits<long>::max() / 2;
    }
    return magnitude + static_cast<double>(exponent) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
}

} // namespace

IdNumber ReadIdNumber(std::string_view text)
{
    std::string s;
    s.reserve(text.size());
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\n')
            s += c;
    }

    if (s.size() >= 2 && s[0] == '&') {
        if (s[1] == 'H' || s[1] == 'h')
            return readRadixInteger(s, 2, 16);
        if (s[1] == 'O' || s[1] == 'o')
            return readRadixInteger(s, 2, 8);
    }

    std::size_t pos = 0;
    bool negative = false;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) {
        negative = s[pos] == '-';
        ++pos;
    }

    // Take exactly the characters that form the number, then let from_chars convert them:
    // it ignores the locale, so "." is the decimal point everywhere.
    const std::size_t start = pos;
    std::size_t digits = 0;
    while (pos < s.size() && isDecimalDigit(s[pos])) {
        ++pos;
        ++digits;
    }
    if (pos < s.size() && s[pos] == '.') {
        ++pos;
        while (pos < s.size() && isDecimalDigit(s[pos])) {
            ++pos;
            ++digits;
        }
    }
    if (digits == 0)
        return {};

    std::size_t end = pos;
    if (pos < s.size() && (s[pos] == 'E' || s[pos] == 'e')) {
        std::size_t e = pos + 1;
        if (e < s.size() && (s[e] == '+' || s[e] == '-'))
            ++e;
        if (e < s.size() && isDecimalDigit(s[e])) {
            while (e < s.size() && isDecimalDigit(s[e]))
                ++e;
            end = e;
        }
    }

    // from_chars takes no "+" and needs a digit before an exponent-only mantissa like ".5".
    std::string number = s.substr(start, end - start);
    if (number[0] == '.')
        number.insert(number.begin(), '0');

    IdNumber n;
    n.present = true;
    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        value = outOfRangeValue(number);
    n.value = negative ? -value : value;
    return n;
}

} // namespace orvanel
