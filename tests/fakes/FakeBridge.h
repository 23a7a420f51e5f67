#pragma once

#include "bridge/BridgeControl.h"

#include <string>
#include <vector>

namespace orvanel::test {

// A bridge whose answers the test sets, and which records every call made to it.
class FakeBridge : public BridgeControl
{
public:
    ~FakeBridge() override
    {
        if (destroyed)
            *destroyed = true;
    }

    bool OpenPort(std::int32_t port) override
    {
        calls.push_back("OpenPort " + std::to_string(port));
        open = openSucceeds;
        return openSucceeds;
    }
    void ClosePort() override
    {
        calls.push_back("ClosePort");
        open = false;
    }
    void StartDetection() override { calls.push_back("StartDetection"); }
    void StopDetection() override { calls.push_back("StopDetection"); }
    std::int16_t ReadTransponder() override
    {
        calls.push_back("ReadTransponder");
        return open ? readResult : kPortClosed;
    }
    bool WriteTransponder(double newId) override
    {
        written.push_back(newId);
        calls.push_back("WriteTransponder");
        return writeSucceeds;
    }
    std::string lastError() const override { return openSucceeds ? lineError : openError; }

    void pass(std::int16_t id, std::optional<std::uint32_t> stamp = std::nullopt) { raisePassing(id, stamp); }
    void loseLink()
    {
        open = false;
        raiseLinkLost();
    }
    void restoreLink()
    {
        open = true;
        raiseLinkRestored();
    }
    // count passings, numbered from 0.
    void losePassings(std::uint16_t count)
    {
        LostPassings lost;
        lost.add(0, count);
        raisePassingsLost(lost);
    }

    bool openSucceeds = true;
    std::string openError = "no such device";
    std::string lineError; // why the open line failed since, as a network line tells
    bool open = false;
    std::int16_t readResult = kNoTransponder;
    bool writeSucceeds = true;
    std::vector<std::string> calls;
    std::vector<double> written;
    bool* destroyed = nullptr;
};

} // namespace orvanel::test
