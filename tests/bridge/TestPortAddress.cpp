#include "bridge/PortAddress.h"
#include "bridge/PortMap.h"

#include <gtest/gtest.h>
#include <string>

using orvanel::PortAddress;
using orvanel::PortMap;

TEST(PortAddress, GoodAddressesGiveKindHostAndPort)
{
    struct Case
    {
        const char* text;
        PortAddress::Kind kind;
        const char* host;
        std::uint16_t port;
        const char* endpoint;
    };
    const Case cases[] = {
        {"tcp://127.0.0.1:4001", PortAddress::Kind::Raw, "127.0.0.1", 4001, "127.0.0.1:4001"},
        {"rfc2217://finish-line.local:2217", PortAddress::Kind::Telnet, "finish-line.local", 2217,
         "finish-line.local:2217"},
        {"TCP://localhost:1", PortAddress::Kind::Raw, "localhost", 1, "localhost:1"},
        {"rfc2217://[::1]:65535", PortAddress::Kind::Telnet, "::1", 65535, "[::1]:65535"},
        {"tcp://[fe80::1:2]:08", PortAddress::Kind::Raw, "fe80::1:2", 8, "[fe80::1:2]:8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_TRUE(PortAddress::isNetwork(c.text));
        PortAddress address;
        PortAddress::Problem problem = PortAddress::Problem::BadHost;
        ASSERT_TRUE(PortAddress::parse(c.text, address, problem));
        EXPECT_EQ(problem, PortAddress::Problem::None);
        EXPECT_EQ(address.kind, c.kind);
        EXPECT_EQ(address.host, c.host);
        EXPECT_EQ(address.port, c.port);
        EXPECT_EQ(address.endpoint(), c.endpoint);
    }
}

// Refused on the command line with the reason in English, and in the window in Spanish.
TEST(PortAddress, BadAddressesAreRefusedWithTheirReason)
{
    struct Case
    {
        const char* text;
        PortAddress::Problem problem;
        const char* option; // the message of "--com 2=TEXT" after its "--com 2=TEXT: "
        const char* window;
    };
    const Case cases[] = {
        {"tcp://", PortAddress::Problem::NoHost, "the host is missing; expected tcp://HOST:PORT or rfc2217://HOST:PORT",
         "falta el equipo; se espera tcp://EQUIPO:PUERTO o rfc2217://EQUIPO:PUERTO"},
        {"rfc2217://:4001", PortAddress::Problem::NoHost, nullptr, nullptr},
        {"tcp://host", PortAddress::Problem::NoPort,
         "the TCP port is missing; expected tcp://HOST:PORT or rfc2217://HOST:PORT",
         "falta el puerto TCP; se espera tcp://EQUIPO:PUERTO o rfc2217://EQUIPO:PUERTO"},
        {"tcp://host:", PortAddress::Problem::NoPort, nullptr, nullptr},
        {"tcp://[::1]", PortAddress::Problem::NoPort, nullptr, nullptr},
        {"tcp://host:0", PortAddress::Problem::BadPort, "the TCP port must be a number from 1 to 65535",
         "el puerto TCP debe ser un número de 1 a 65535"},
        {"tcp://host:65536", PortAddress::Problem::BadPort, nullptr, nullptr},
        {"tcp://host:123456", PortAddress::Problem::BadPort, nullptr, nullptr},
        {"tcp://host:-1", PortAddress::Problem::BadPort, nullptr, nullptr},
        {"tcp://host:40x", PortAddress::Problem::BadPort, nullptr, nullptr},
        {"tcp://host:4001/", PortAddress::Problem::BadPort, nullptr, nullptr},
        {"tcp://host:4001:5", PortAddress::Problem::BadHost, nullptr, nullptr},
        {"tcp://fe80::1:4001", PortAddress::Problem::BadHost, nullptr, nullptr},
        {"tcp://ho st:4001", PortAddress::Problem::BadHost,
         "the host must be a name, an IPv4 address or an IPv6 address in brackets",
         "el equipo debe ser un nombre, una dirección IPv4 o una dirección IPv6 entre corchetes"},
        {"tcp://::1:4001", PortAddress::Problem::BadHost, nullptr, nullptr},
        {"tcp://[::1:4001", PortAddress::Problem::BadHost, nullptr, nullptr},
        {"tcp://[bridge]:4001", PortAddress::Problem::BadHost, nullptr, nullptr},
        {"tcp://[::1]x:4001", PortAddress::Problem::BadHost, nullptr, nullptr},
        {"tcp://user@host:4001", PortAddress::Problem::BadHost, nullptr, nullptr},
        {"tcp://.host:4001", PortAddress::Problem::BadHost, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        PortAddress address;
        address.port = 7;
        PortAddress::Problem problem = PortAddress::Problem::None;
        EXPECT_FALSE(PortAddress::parse(c.text, address, problem));
        EXPECT_EQ(problem, c.problem);
        EXPECT_EQ(address.port, 7) << "a bad address leaves the old one alone";

        PortMap map;
        std::string error;
        EXPECT_FALSE(map.applyOption(std::string("2=") + c.text, error));
        EXPECT_EQ(map.device(2), PortMap::defaultDevice(2));
        EXPECT_FALSE(map.isChosen(2));
        EXPECT_EQ(error.rfind(std::string("--com 2=") + c.text + ": ", 0), 0U) << error;
        if (c.option) {
            EXPECT_EQ(orvanel::describeAddressProblem(problem), c.option);
            EXPECT_EQ(orvanel::describeAddressProblemEs(problem), c.window);
        }
    }
}

TEST(PortAddress, OnlyTheTwoSchemesAreNetworkAddresses)
{
    for (const char* device : {"/dev/ttyUSB0", "COM7", "tcp:/host:1", "udp://host:1", "telnet://host:1", ""})
        EXPECT_FALSE(PortAddress::isNetwork(device)) << device;
    PortMap map;
    std::string error;
    EXPECT_TRUE(map.applyOption("3=rfc2217://127.0.0.1:2217", error)) << error;
    EXPECT_EQ(map.device(3), "rfc2217://127.0.0.1:2217");
}
