#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvanel {

// The Telnet side of a serial server reached with "rfc2217://": the session is opened with the
// serial port option and binary transmission both ways, and the server is told the bridge's line
// settings (38400 baud, 8 data bits, no parity, one stop bit, no flow control). Data bytes of 0xFF
// are doubled on the way out; on the way in, Telnet commands and subnegotiations are taken out of
// the data, however the reads cut them.
class TelnetComPort
{
public:
    static constexpr std::uint8_t kIac = 255;
    static constexpr std::uint8_t kDont = 254;
    static constexpr std::uint8_t kDo = 253;
    static constexpr std::uint8_t kWont = 252;
    static constexpr std::uint8_t kWill = 251;
    static constexpr std::uint8_t kSb = 250;
    static constexpr std::uint8_t kSe = 240;
    static constexpr std::uint8_t kBinary = 0;
    static constexpr std::uint8_t kComPortOption = 44;
    static constexpr std::uint32_t kBaudRate = 38400;

    // What the client sends first: the option negotiation and the line settings.
    static std::vector<std::uint8_t> greeting();
    // Data for the server, with every 0xFF doubled.
    static std::vector<std::uint8_t> escape(const std::vector<std::uint8_t>& data);

    // Takes bytes from the server: their data goes to data, the answers the negotiation calls for
    // go to replies (to be sent to the server as they are).
    void feed(const std::uint8_t* bytes, std::size_t size, std::vector<std::uint8_t>& data,
              std::vector<std::uint8_t>& replies);
    // Forgets a command cut off by the end of a connection.
    void reset();

private:
    enum class State
    {
        Data,
        Iac,    // after IAC
        Option, // after IAC and a negotiation verb
        Sub,    // inside a subnegotiation
        SubIac, // IAC inside a subnegotiation
    };

    void negotiate(std::uint8_t option, std::vector<std::uint8_t>& replies);
    static bool isOurs(std::uint8_t option) { return option == kBinary || option == kComPortOption; }

    State m_state = State::Data;
    std::uint8_t m_verb = 0;
    // The options the client wants that the server turned down since, so each refusal is answered once.
    std::bitset<256> m_oursRefused;
    std::bitset<256> m_theirsRefused;
};

} // namespace orvanel
