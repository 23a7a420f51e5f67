#pragma once

#include "system/Files.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvanel::test {

// What Files::read handed out, piece by piece.
struct Read
{
    FileReading reading;
    std::vector<std::string> pieces;
};

// Reads the file at path; take answers false once stopAfter pieces have come.
inline Read readAll(Files& files, const std::string& path, FileOwners owners, std::size_t maxBytes,
                    std::size_t stopAfter = SIZE_MAX)
{
    Read read;
    read.reading = files.read(path, owners, maxBytes, [&read, stopAfter](std::string_view bytes) {
        read.pieces.emplace_back(bytes);
        return read.pieces.size() < stopAfter;
    });
    return read;
}

inline std::string joined(const std::vector<std::string>& pieces)
{
    std::string out;
    for (const std::string& piece : pieces)
        out += piece;
    return out;
}

} // namespace orvanel::test
