#include "bridge/BridgeMessage.h"
#include "bridge/FrameDecoder.h"

#include <chrono>
#include <cstdio>
#include <random>

// Feeds a long stream of passings mixed with noise through the decoder and prints its speed.
int main()
{
    using namespace orvanel;
    std::mt19937 random(1);
    std::uniform_int_distribution<int> byte(0, 255);

    std::vector<std::uint8_t> stream;
    std::size_t sent = 0;
    for (std::uint16_t seq = 0; stream.size() < 32u * 1024 * 1024; ++seq) {
        const auto frame = BridgeMessage::passing(seq, static_cast<std::int16_t>(seq & 0x7FFF), seq).toFrame().encode();
        stream.insert(stream.end(), frame.begin(), frame.end());
        ++sent;
        if (seq % 4 == 0) {
            for (int i = 0; i < 16; ++i)
                stream.push_back(static_cast<std::uint8_t>(byte(random)));
        }
    }

    FrameDecoder decoder;
    std::size_t frames = 0;
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t at = 0; at < stream.size(); at += 4096)
        frames += decoder.feed(stream.data() + at, std::min<std::size_t>(4096, stream.size() - at)).size();
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;

    const double megabytes = static_cast<double>(stream.size()) / (1024.0 * 1024.0);
    std::printf("%.1f MiB in %.3f s: %.1f MiB/s, %zu of %zu frames, %llu bytes of noise skipped\n", megabytes,
                seconds.count(), megabytes / seconds.count(), frames, sent,
                static_cast<unsigned long long>(decoder.stats().skippedBytes));
    // At 38400 baud a line carries under 4 KiB/s, so anything in MiB/s is plenty.
    return frames == sent ? 0 : 1;
}
