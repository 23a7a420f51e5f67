// The least a program can do to type a key for each passing, the floor the latency benchmark
// measures injectors against: it opens the bridge's line, sends Start detection, and for each
// passing of car n (1 to 12) types F n through XTest and flushes, nothing else. With --print it
// prints each passing's car number on a line instead, for a shell loop to type.
// Usage: orvanel-bench-floor [--print] DEVICE

#include "bridge/BridgeMessage.h"
#include "bridge/FrameDecoder.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

using namespace orvanel;

namespace {

constexpr int kCars = 12;

bool openLine(const char* device, int& fd)
{
    fd = ::open(device, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0)
        return false;
    ::cfmakeraw(&settings);
    ::cfsetispeed(&settings, B38400);
    ::cfsetospeed(&settings, B38400);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    return ::tcsetattr(fd, TCSANOW, &settings) == 0 && ::tcflush(fd, TCIFLUSH) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    const bool print = argc == 3 && std::strcmp(argv[1], "--print") == 0;
    if (argc != (print ? 3 : 2)) {
        std::fprintf(stderr, "usage: orvanel-bench-floor [--print] DEVICE\n");
        return 2;
    }
    const char* device = argv[argc - 1];

    Display* display = nullptr;
    std::array<KeyCode, kCars + 1> keys{};
    if (!print) {
        display = XOpenDisplay(nullptr);
        if (!display) {
            std::fprintf(stderr, "orvanel-bench-floor: cannot open the display\n");
            return 1;
        }
        for (int n = 1; n <= kCars; ++n)
            keys[static_cast<std::size_t>(n)] = XKeysymToKeycode(display, XK_F1 + static_cast<KeySym>(n - 1));
    }

    int line = -1;
    if (!openLine(device, line)) {
        std::fprintf(stderr, "orvanel-bench-floor: %s: %s\n", device, std::strerror(errno));
        return 1;
    }
    const std::vector<std::uint8_t> start = BridgeMessage::request(MessageType::StartDetection, 1).toFrame().encode();
    if (::write(line, start.data(), start.size()) != static_cast<ssize_t>(start.size())) {
        std::fprintf(stderr, "orvanel-bench-floor: cannot send Start detection\n");
        return 1;
    }

    FrameDecoder decoder;
    std::array<std::uint8_t, 4096> buffer{};
    for (;;) {
        const ssize_t got = ::read(line, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        for (const Frame& frame : decoder.feed(buffer.data(), static_cast<std::size_t>(got))) {
            const auto message = BridgeMessage::fromFrame(frame);
            if (!message || message->type != MessageType::Passing || message->id < 1 || message->id > kCars)
                continue;
            if (print) {
                std::printf("%d\n", message->id);
                std::fflush(stdout);
            } else {
                const KeyCode key = keys[static_cast<std::size_t>(message->id)];
                XTestFakeKeyEvent(display, key, True, CurrentTime);
                XTestFakeKeyEvent(display, key, False, CurrentTime);
                XFlush(display);
            }
        }
    }
    if (display)
        XCloseDisplay(display);
    return 0;
}
