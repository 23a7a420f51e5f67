#include "bridge/PortAddress.h"

#include <algorithm>
#include <cctype>

namespace orvanel {

namespace {

constexpr const char* kRawScheme = "tcp://";
constexpr const char* kTelnetScheme = "rfc2217://";

bool startsWith(const std::string& text, const std::string& prefix)
{
    return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(b)) == a;
           });
}

// A host name (letters, digits, hyphens and dots) or an IPv4 address.
bool isHostName(const std::string& host)
{
    return !host.empty() && host.front() != '.' && host.front() != '-' &&
           std::all_of(host.begin(), host.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '.'; });
}

bool isIpv6(const std::string& host)
{
    return host.find(':') != std::string::npos && std::all_of(host.begin(), host.end(), [](char c) {
               return std::isxdigit(static_cast<unsigned char>(c)) != 0 || c == ':' || c == '.';
           });
}

} // namespace

bool PortAddress::isNetwork(const std::string& device)
{
    return startsWith(device, kRawScheme) || startsWith(device, kTelnetScheme);
}

bool PortAddress::parse(const std::string& text, PortAddress& address, Problem& problem)
{
    const auto fail = [&problem](Problem why) {
        problem = why;
        return false;
    };
    PortAddress parsed;
    std::string rest;
    if (startsWith(text, kRawScheme)) {
        rest = text.substr(std::char_traits<char>::length(kRawScheme));
    } else if (startsWith(text, kTelnetScheme)) {
        parsed.kind = Kind::Telnet;
        rest = text.substr(std::char_traits<char>::length(kTelnetScheme));
    } else {
        return fail(Problem::BadHost);
    }
    if (rest.empty())
        return fail(Problem::NoHost);
    // An IPv6 address without its brackets cannot be told from its port.
    if (rest.front() != '[' && std::count(rest.begin(), rest.end(), ':') > 1)
        return fail(Problem::BadHost);
    if (rest.front() == ':')
        return fail(Problem::NoHost);

    std::size_t colon = 0;
    if (rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string::npos)
            return fail(Problem::BadHost);
        parsed.host = rest.substr(1, close - 1);
        if (!isIpv6(parsed.host))
            return fail(Problem::BadHost);
        colon = close + 1;
        if (colon < rest.size() && rest[colon] != ':')
            return fail(Problem::BadHost);
    } else {
        colon = rest.find(':');
        parsed.host = rest.substr(0, colon);
        if (!isHostName(parsed.host))
            return fail(Problem::BadHost);
    }
    if (colon >= rest.size() || colon + 1 == rest.size())
        return fail(Problem::NoPort);

    const std::string digits = rest.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
        return fail(Problem::BadPort);
    const long value = std::stol(digits);
    if (value < 1 || value > 65535)
        return fail(Problem::BadPort);
    parsed.port = static_cast<std::uint16_t>(value);
    address = parsed;
    problem = Problem::None;
    return true;
}

std::string PortAddress::endpoint() const
{
    const bool brackets = host.find(':') != std::string::npos;
    return (brackets ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::string describeAddressProblem(PortAddress::Problem problem)
{
    switch (problem) {
    case PortAddress::Problem::None:
        return {};
    case PortAddress::Problem::NoHost:
        return "the host is missing; expected tcp://HOST:PORT or rfc2217://HOST:PORT";
    case PortAddress::Problem::NoPort:
        return "the TCP port is missing; expected tcp://HOST:PORT or rfc2217://HOST:PORT";
    case PortAddress::Problem::BadPort:
        return "the TCP port must be a number from 1 to 65535";
    case PortAddress::Problem::BadHost:
        return "the host must be a name, an IPv4 address or an IPv6 address in brackets";
    }
    return {};
}

std::string describeAddressProblemEs(PortAddress::Problem problem)
{
    switch (problem) {
    case PortAddress::Problem::None:
        return {};
    case PortAddress::Problem::NoHost:
        return "falta el equipo; se espera tcp://EQUIPO:PUERTO o rfc2217://EQUIPO:PUERTO";
    case PortAddress::Problem::NoPort:
        return "falta el puerto TCP; se espera tcp://EQUIPO:PUERTO o rfc2217://EQUIPO:PUERTO";
    case PortAddress::Problem::BadPort:
        return "el puerto TCP debe ser un número de 1 a 65535";
    case PortAddress::Problem::BadHost:
        return "el equipo debe ser un nombre, una dirección IPv4 o una dirección IPv6 entre corchetes";
    }
    return {};
}

std::string describeConnectionProblem(ConnectionProblem problem, const PortAddress& address)
{
    switch (problem) {
    case ConnectionProblem::Refused:
        return address.endpoint() +
               ": el servidor rechazó la conexión; compruebe que está en marcha y que ese es su puerto";
    case ConnectionProblem::Unreachable:
        return address.endpoint() + ": no se llega al servidor; compruebe la red y la dirección";
    case ConnectionProblem::UnknownHost:
        return address.host + ": no se encuentra ese equipo en la red; compruebe el nombre";
    case ConnectionProblem::Closed:
        return address.endpoint() + ": el servidor cerró la conexión";
    }
    return {};
}

} // namespace orvanel
