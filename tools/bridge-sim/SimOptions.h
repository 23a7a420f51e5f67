#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvanel {

// The simulator's command line.
struct SimOptions
{
    static constexpr std::uint32_t kDefaultLapMs = 4000;

    static constexpr const char* kDefaultListenHost = "127.0.0.1";

    std::string link; // symbolic link to the device, when given
    // Served on TCP instead of a pseudo-terminal (--listen [HOST:]PORT); port 0 takes a free one.
    struct Listen
    {
        std::string host = kDefaultListenHost;
        std::uint16_t port = 0;
    };
    std::optional<Listen> listen;
    std::string control; // the control socket given with --control; see controlPath()
    int race = 0;        // cars 1 to race pass by themselves while detection is on
    std::uint32_t lapMs = kDefaultLapMs;
    std::optional<std::uint32_t> seed; // fixes the random choices; random when absent
    bool stamp = false;                // "passed ID" lines say when the frame went out
    // Commands for a running simulator: given, the program sends them and serves no bridge.
    std::vector<std::string> send;
    bool help = false;
    bool version = false;

    // The control socket: --control, or LINK.ctl beside the link; empty when there is none.
    std::string controlPath() const;

    // arguments without the program name. On a bad one, nothing is returned and error says why.
    static std::optional<SimOptions> parse(const std::vector<std::string>& arguments, std::string& error);

    static std::string usage(const std::string& program);
};

} // namespace orvanel
