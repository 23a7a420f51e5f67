#include "bridge/TelnetComPort.h"

namespace orvanel {

namespace {

// The client's commands of the serial port option.
constexpr std::uint8_t kSetBaudRate = 1;
constexpr std::uint8_t kSetDataSize = 2;
constexpr std::uint8_t kSetParity = 3;
constexpr std::uint8_t kSetStopSize = 4;
constexpr std::uint8_t kSetControl = 5;
constexpr std::uint8_t kParityNone = 1;
constexpr std::uint8_t kOneStopBit = 1;
constexpr std::uint8_t kNoFlowControl = 1;

void subnegotiation(std::vector<std::uint8_t>& out, std::uint8_t command, const std::vector<std::uint8_t>& value)
{
    out.insert(out.end(), {TelnetComPort::kIac, TelnetComPort::kSb, TelnetComPort::kComPortOption, command});
    const std::vector<std::uint8_t> escaped = TelnetComPort::escape(value);
    out.insert(out.end(), escaped.begin(), escaped.end());
    out.insert(out.end(), {TelnetComPort::kIac, TelnetComPort::kSe});
}

} // namespace

std::vector<std::uint8_t> TelnetComPort::greeting()
{
    std::vector<std::uint8_t> out{kIac, kWill, kComPortOption, kIac, kWill, kBinary, kIac, kDo, kBinary};
    subnegotiation(out, kSetBaudRate,
                   {static_cast<std::uint8_t>(kBaudRate >> 24), static_cast<std::uint8_t>(kBaudRate >> 16),
                    static_cast<std::uint8_t>(kBaudRate >> 8), static_cast<std::uint8_t>(kBaudRate)});
    subnegotiation(out, kSetDataSize, {8});
    subnegotiation(out, kSetParity, {kParityNone});
    subnegotiation(out, kSetStopSize, {kOneStopBit});
    subnegotiation(out, kSetControl, {kNoFlowControl});
    return out;
}

std::vector<std::uint8_t> TelnetComPort::escape(const std::vector<std::uint8_t>& data)
{
    std::vector<std::uint8_t> out;
    out.reserve(data.size());
    for (const std::uint8_t byte : data) {
        out.push_back(byte);
        if (byte == kIac)
            out.push_back(kIac);
    }
    return out;
}

void TelnetComPort::feed(const std::uint8_t* bytes, std::size_t size, std::vector<std::uint8_t>& data,
                         std::vector<std::uint8_t>& replies)
{
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t byte = bytes[i];
        switch (m_state) {
        case State::Data:
            if (byte == kIac)
                m_state = State::Iac;
            else
                data.push_back(byte);
            break;
        case State::Iac:
            if (byte == kIac) {
                data.push_back(byte);
                m_state = State::Data;
            } else if (byte == kWill || byte == kWont || byte == kDo || byte == kDont) {
                m_verb = byte;
                m_state = State::Option;
            } else {
                // SB opens a subnegotiation; any other command (NOP, break, ...) stands alone.
                m_state = byte == kSb ? State::Sub : State::Data;
            }
            break;
        case State::Option:
            negotiate(byte, replies);
            m_state = State::Data;
            break;
        case State::Sub:
            // The server's answers to the line settings say nothing the line needs.
            if (byte == kIac)
                m_state = State::SubIac;
            break;
        case State::SubIac:
            // IAC IAC is a byte of the subnegotiation, IAC SE its end; anything else ends it too.
            m_state = byte == kIac ? State::Sub : State::Data;
            break;
        }
    }
}

void TelnetComPort::negotiate(std::uint8_t option, std::vector<std::uint8_t>& replies)
{
    switch (m_verb) {
    case kDo:
        // The options we offered are agreed now; others we refuse.
        if (!isOurs(option))
            replies.insert(replies.end(), {kIac, kWont, option});
        else
            m_oursRefused.reset(option);
        break;
    case kDont:
        if (isOurs(option) && !m_oursRefused.test(option)) {
            m_oursRefused.set(option);
            replies.insert(replies.end(), {kIac, kWont, option});
        }
        break;
    case kWill:
        if (option != kBinary)
            replies.insert(replies.end(), {kIac, kDont, option});
        else
            m_theirsRefused.reset(option);
        break;
    case kWont:
        if (option == kBinary && !m_theirsRefused.test(option)) {
            m_theirsRefused.set(option);
            replies.insert(replies.end(), {kIac, kDont, option});
        }
        break;
    default:
        break;
    }
}

void TelnetComPort::reset()
{
    m_state = State::Data;
    m_verb = 0;
    m_oursRefused.reset();
    m_theirsRefused.reset();
}

} // namespace orvanel
