#pragma once

#include "bridge/Frame.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace orvanel::test {

// "A5 08 84" -> bytes; blanks are for reading only.
inline std::vector<std::uint8_t> bytes(const std::string& hex)
{
    std::vector<std::uint8_t> out;
    std::string digits;
    for (char c : hex)
        if (c != ' ')
            digits += c;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    return out;
}

// Bytes -> "A5 08 84".
inline std::string hex(const std::vector<std::uint8_t>& data)
{
    std::string text;
    for (std::uint8_t byte : data) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X", byte);
        if (!text.empty())
            text += ' ';
        text += pair;
    }
    return text;
}

// A frame of type and seq whose payload is written as in bytes().
inline Frame frame(std::uint8_t type, std::uint8_t seq, const char* payload)
{
    Frame f;
    f.type = type;
    f.seq = seq;
    f.payload = bytes(payload);
    return f;
}

inline std::vector<std::uint8_t> operator+(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace orvanel::test
