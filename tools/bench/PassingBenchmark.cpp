// Measures how long Orvanel's own work on a passing takes (lookup, claim, reading the key-stroke
// text) and, with --xtest, how long queuing a key-stroke on the X display takes: the keys really are
// typed into whatever window has the focus, so run that on a display of its own (Xvfb).
// Prints figures; it checks no target.
#include "mapping/KeyNotation.h"
#include "mapping/MappingTable.h"
#include "platform/PlatformServices.h"
#include "session/PassingDispatcher.h"

#include <chrono>
#include <cstdio>
#include <string>

using namespace orvanel;

namespace {

class DiscardKeys : public KeyInjector
{
public:
    std::size_t taps = 0;

private:
    void enqueue(const KeySequence& keys, Done done) override
    {
        taps += keys.size();
        if (done)
            done(KeyOutcome::Typed);
    }
};

class DiscardBeeps : public Beeper
{
public:
    void beepExclamation() override {}
};

class DiscardStatus : public StatusSink
{
public:
    void showStatus(const std::string& text) override { length += text.size(); }
    void setStandingStatus(const std::string&) override {}
    std::size_t length = 0;
};

template <typename F> double nanosecondsPer(long iterations, F&& f)
{
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < iterations; ++i)
        f(i);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    return std::chrono::duration<double, std::nano>(elapsed).count() / static_cast<double>(iterations);
}

} // namespace

int main(int argc, char** argv)
{
    constexpr long kIterations = 200000;
    MappingTable table;
    table.PresetFunctionKeys();
    for (std::size_t i = 0; i < MappingTable::kRows; ++i)
        table.setIdText(i, " " + std::to_string(1000 + i) + " ");
    DiscardKeys keys;
    DiscardBeeps beeps;
    DiscardStatus status;
    PassingDispatcher dispatcher(table, keys, beeps, status);

    const double lastRow = nanosecondsPer(kIterations, [&](long) { dispatcher.onPassing(1011, false); });
    const double unknown = nanosecondsPer(kIterations, [&](long) { dispatcher.onPassing(7, false); });
    const double parseLong = nanosecondsPer(
        kIterations, [&](long) { keys.taps += parseKeyNotation("^(+ab){LEFT 3}%{F4}~{}} 2}").keys.size(); });

    std::printf("passing found in the last row:   %8.0f ns\n", lastRow);
    std::printf("passing of an unknown car:       %8.0f ns\n", unknown);
    std::printf("reading a 26-character key text: %8.0f ns\n", parseLong);
    std::printf("(%ld iterations each)\n", kIterations);

    if (argc > 1 && std::string(argv[1]) == "--xtest") {
        PlatformServices platform = createPlatformServices();
        if (!platform.keysProblem.empty()) {
            std::fprintf(stderr, "orvanel-bench: %s\n", platform.keysProblem.c_str());
            return 1;
        }
        constexpr long kSends = 2000;
        const KeySequence f1 = parseKeyNotation("{F1}").keys;
        const KeySequence text = parseKeyNotation("+(ab)c~").keys;
        std::printf("queuing {F1} on the X display:   %8.0f ns\n",
                    nanosecondsPer(kSends, [&](long) { platform.keys->send(f1); }));
        std::printf("queuing +(ab)c~ on the X display:%8.0f ns\n",
                    nanosecondsPer(kSends, [&](long) { platform.keys->send(text); }));
        std::printf("(%ld sends each)\n", kSends);
    }
    return 0;
}
