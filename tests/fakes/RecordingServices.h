#pragma once

#include "status/StatusSink.h"
#include "system/Beeper.h"
#include "system/KeyInjector.h"

#include <deque>
#include <string>
#include <vector>

namespace orvanel::test {

// Remembers every sequence that would have been typed, and types it at once, or, while `deferred`,
// when the test settles it (as with --key-delay).
class RecordingKeyInjector : public KeyInjector
{
public:
    std::vector<KeySequence> sent;
    bool deferred = false;
    std::deque<Done> waiting;

    // What became of the oldest key-stroke waiting.
    void settle(KeyOutcome outcome)
    {
        Done done = std::move(waiting.front());
        waiting.pop_front();
        if (done)
            done(outcome);
    }
    void cancelQueued() override
    {
        while (!waiting.empty())
            settle(KeyOutcome::Cancelled);
    }

private:
    void enqueue(const KeySequence& keys, Done done) override
    {
        sent.push_back(keys);
        waiting.push_back(std::move(done));
        if (!deferred)
            settle(KeyOutcome::Typed);
    }
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
