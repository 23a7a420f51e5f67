#pragma once

#include "mapping/Beeper.h"
#include "mapping/KeyInjector.h"
#include "status/StatusSink.h"

#include <string>
#include <vector>

namespace orvanel::test {

// Remembers every sequence that would have been typed.
class RecordingKeyInjector : public KeyInjector
{
public:
    void send(const KeySequence& keys) override { sent.push_back(keys); }
    std::vector<KeySequence> sent;
};

class CountingBeeper : public Beeper
{
public:
    void beepExclamation() override { ++beeps; }
    int beeps = 0;
};

class RecordingStatus : public StatusSink
{
public:
    void showStatus(const std::string& text) override { posts.push_back(text); }
    void setStandingStatus(const std::string& text) override { standing = text; }
    std::vector<std::string> posts;
    std::string standing;
};

} // namespace orvanel::test
