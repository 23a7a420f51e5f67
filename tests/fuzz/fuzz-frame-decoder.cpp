#include "bridge/BridgeMessage.h"
#include "bridge/FrameDecoder.h"
#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

using orvanel::Frame;
using orvanel::FrameDecoder;
using orvanel::fuzz::require;

namespace {

bool sameStats(const FrameDecoder::Stats& a, const FrameDecoder::Stats& b)
{
    return a.frames == b.frames && a.skippedBytes == b.skippedBytes && a.badLength == b.badLength &&
           a.badCrc == b.badCrc && a.badEscape == b.badEscape && a.cut == b.cut;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FrameDecoder whole;
    const std::vector<Frame> frames = whole.feed(data, size);

    // The same bytes in chunks of 1 to 16, their lengths taken from the bytes themselves.
    FrameDecoder chunked;
    std::vector<Frame> pieces;
    for (std::size_t at = 0, i = 0; at < size; ++i) {
        const std::size_t length = std::min<std::size_t>(1 + data[i % size] % 16, size - at);
        const std::vector<Frame> got = chunked.feed(data + at, length);
        pieces.insert(pieces.end(), got.begin(), got.end());
        at += length;
    }
    require(pieces == frames, "the chunking of the stream does not change its frames");
    require(sameStats(chunked.stats(), whole.stats()), "the chunking of the stream does not change the counts");

    for (const Frame& frame : frames) {
        require(frame.payload.size() <= Frame::kMaxPayload, "a frame's payload fits its LEN byte");
        require(FrameDecoder().feed(frame.encode()) == std::vector<Frame>{frame},
                "a received frame encodes back to itself");
        if (const auto message = orvanel::BridgeMessage::fromFrame(frame))
            require(message->toFrame() == frame, "an accepted message re-encodes to the frame it came from");
    }
    return 0;
}
