#include "bridge/TelnetComPort.h"
#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

using orvanel::TelnetComPort;
using orvanel::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TelnetComPort whole;
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint8_t> replies;
    whole.feed(data, size, bytes, replies);
    require(bytes.size() <= size, "the data is never longer than what came");
    require(replies.size() <= size * 3, "each command gets at most one reply");

    // The same bytes in chunks of 1 to 16, their lengths taken from the bytes themselves.
    TelnetComPort chunked;
    std::vector<std::uint8_t> pieces;
    std::vector<std::uint8_t> pieceReplies;
    for (std::size_t at = 0, i = 0; at < size; ++i) {
        const std::size_t length = std::min<std::size_t>(1 + data[i % size] % 16, size - at);
        chunked.feed(data + at, length, pieces, pieceReplies);
        at += length;
    }
    require(pieces == bytes, "the chunking of the stream does not change its data");
    require(pieceReplies == replies, "the chunking of the stream does not change the replies");

    // Data escaped for the line comes back unchanged, whatever its bytes.
    const std::vector<std::uint8_t> escaped = TelnetComPort::escape(std::vector<std::uint8_t>(data, data + size));
    TelnetComPort echo;
    std::vector<std::uint8_t> back;
    std::vector<std::uint8_t> none;
    echo.feed(escaped.data(), escaped.size(), back, none);
    require(back == std::vector<std::uint8_t>(data, data + size), "escaped data decodes to itself");
    require(none.empty(), "escaped data holds no command");
    return 0;
}
