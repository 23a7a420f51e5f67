// orvanel-soak: a long race against the real program, on the X display of $DISPLAY, which must be one of
// its own (scripts/soak starts one). The program is set up through its window as a user would: IDs 1 to
// 12 typing F1 to F12, then Start. Twelve cars then pass the simulated bridge, each about once a lap,
// while the key recorder holds the focus. At the end every passing the bridge sent must have typed its
// car's key exactly once and in order, and the program's memory must not have grown by more than a
// bound; the figures are printed and the exit status is 1 when anything is off.
// Usage: orvanel-soak --minutes N [--lap-ms MS] [--seed S] [--max-growth-kib KIB]

#include "LineProcess.h"
#include "ProcessMemory.h"
#include "X11Windows.h"
#include "mapping/KeyNotation.h"
#include "platform/PlatformServices.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <optional>
#include <random>
#include <type_traits>

using namespace orvanel;
using namespace orvanel::test;

namespace {

constexpr int kCars = 12;
constexpr int kStartupMs = 20000;
// How long the last key-strokes, the simulator and the program may take to finish once the race is over.
constexpr int kFinishMs = 30000;

struct Options
{
    int minutes = 0;
    int lapMs = 2000;
    std::uint32_t seed = 0;
    long maxGrowthKiB = 4096;
};

std::optional<Options> parseOptions(const QCoreApplication& app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A race of twelve simulated cars against Orvanel."));
    parser.addHelpOption();
    const QCommandLineOption minutes(QStringLiteral("minutes"), QStringLiteral("How long the race lasts."),
                                     QStringLiteral("N"));
    const QCommandLineOption lap(QStringLiteral("lap-ms"), QStringLiteral("A car's mean lap time (2000)."),
                                 QStringLiteral("MS"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Fixes the lap times (random)."),
                                  QStringLiteral("S"));
    const QCommandLineOption growth(QStringLiteral("max-growth-kib"),
                                    QStringLiteral("How much the program's memory may grow (4096)."),
                                    QStringLiteral("KIB"));
    parser.addOptions({minutes, lap, seed, growth});
    parser.process(app);

    Options options;
    options.seed = std::random_device{}();
    bool ok = true;
    const auto number = [&](const QCommandLineOption& option, auto& value, long long low, long long high) {
        if (!parser.isSet(option))
            return;
        bool valid = false;
        const long long given = parser.value(option).toLongLong(&valid);
        if (!valid || given < low || given > high) {
            std::fprintf(stderr, "orvanel-soak: --%s must be a whole number from %lld to %lld\n",
                         qPrintable(option.names().first()), low, high);
            ok = false;
            return;
        }
        value = static_cast<std::remove_reference_t<decltype(value)>>(given);
    };
    number(minutes, options.minutes, 1, 24 * 60);
    number(lap, options.lapMs, 100, 600000);
    number(seed, options.seed, 0, 0xffffffffLL);
    number(growth, options.maxGrowthKiB, 0, 1 << 30);
    if (ok && !parser.isSet(minutes)) {
        std::fprintf(stderr, "orvanel-soak: --minutes is missing\n");
        ok = false;
    }
    return ok ? std::optional<Options>(options) : std::nullopt;
}

// The program's memory over the race, from the end of the first lap (twelve keys typed), once the
// program has settled.
struct Memory
{
    long start = -1;
    long end = -1;
    long peak = -1;

    void sample(qint64 pid)
    {
        end = orvanel::test::residentKiB(QString::number(pid));
        if (start < 0)
            start = end;
        peak = std::max(peak, end);
    }
};

bool typeKeys(KeyInjector& keys, const QString& notation)
{
    const KeyNotationResult typing = parseKeyNotation(notation.toStdString());
    if (typing.ok)
        keys.send(typing.keys);
    return typing.ok;
}

// The keys the recorder saw pressed, each with its release right after it.
struct Typed
{
    QStringList keys;
    int unpaired = 0;
};

Typed typedKeys(const QStringList& recorderLines)
{
    Typed typed;
    QString pressed;
    for (const QString& line : recorderLines) {
        const QStringList words = line.split(QLatin1Char(' '));
        if (words.size() < 2)
            continue;
        if (words[0] == QLatin1String("press")) {
            if (!pressed.isEmpty())
                ++typed.unpaired;
            pressed = words[1];
            typed.keys << pressed;
        } else if (words[0] == QLatin1String("release")) {
            if (words[1] != pressed)
                ++typed.unpaired;
            pressed.clear();
        }
    }
    if (!pressed.isEmpty())
        ++typed.unpaired;
    return typed;
}

class Soak
{
public:
    explicit Soak(const Options& options) : m_options(options), m_random(options.seed) {}

    // The exit status: 0 when the race went as it should.
    int run()
    {
        if (!setUp())
            return 1;
        race();
        finish();
        return report();
    }

private:
    bool setUp();
    void race();
    void finish();
    int report();
    bool problem(const char* what)
    {
        std::fprintf(stderr, "orvanel-soak: %s\n", what);
        return false;
    }
    void collectSimulator();
    void collectRecorder();

    Options m_options;
    std::mt19937 m_random;
    QTemporaryDir m_dir;
    LineProcess m_sim;
    LineProcess m_program;
    LineProcess m_recorder;
    X11Windows m_x11;
    PlatformServices m_platform;
    X11Windows::WindowId m_window = 0;

    QStringList m_passed;  // the cars the bridge sent, in order
    int m_undelivered = 0; // passings the bridge reported lost or dropped
    QStringList m_recorded;
    int m_presses = 0;
    Memory m_memory;
    int m_sent = 0;
    bool m_raceRun = false; // the race lasted its minutes, the program and the simulator running throughout
    QString m_ending;       // how the program ended
};

bool Soak::setUp()
{
    if (!m_dir.isValid())
        return problem("no temporary folder");
    if (!m_x11.isOpen())
        return problem("cannot open the display");
    m_platform = createPlatformServices();
    if (!m_platform.keysProblem.empty())
        return problem(m_platform.keysProblem.c_str());

    const QString link = m_dir.filePath(QStringLiteral("bridge"));
    if (!m_sim.start(QStringLiteral(ORVANEL_BRIDGE_SIM), {"--link", link}, "quit") ||
        m_sim.waitForLine("ready ").isEmpty())
        return problem("the bridge simulator did not start");

    m_program.process().setWorkingDirectory(m_dir.path());
    if (!m_program.start(QStringLiteral(ORVANEL_PROGRAM), {"--com", "1=" + link}) ||
        m_sim.waitForLine("read", kStartupMs).isEmpty())
        return problem("the program did not connect to the bridge");
    if (!QTest::qWaitFor([this] { return (m_window = m_x11.find("Orvanel")) != 0; }, kStartupMs))
        return problem("the program's window did not show");

    // IDs 1 to 12 in the ID boxes, "{F1}" to "{F12}" in the key boxes, then four tabs on to Start.
    QString setup;
    for (int car = 1; car <= kCars; ++car)
        setup += QStringLiteral("%1{TAB}").arg(car);
    for (int car = 1; car <= kCars; ++car)
        setup += QStringLiteral("{{}F%1{}}{TAB}").arg(car);
    setup += QStringLiteral("{TAB 3} ");
    m_x11.focus(m_window);
    if (!typeKeys(*m_platform.keys, setup))
        return problem("the set-up keys do not parse");
    if (m_sim.waitForLine("detection", kStartupMs) != QLatin1String("detection on"))
        return problem("Start did not turn detection on");

    if (!m_recorder.start(QStringLiteral(ORVANEL_KEY_RECORDER), {}) || m_recorder.waitForLine("ready").isEmpty())
        return problem("the key recorder did not take the focus");
    return true;
}

void Soak::race()
{
    // Each car crosses the line first within its first lap, then every 80 to 120 % of a lap, so the
    // field spreads out and cars sometimes pass together.
    const double lap = m_options.lapMs;
    std::uniform_real_distribution<double> first(0.2 * lap, lap);
    std::uniform_real_distribution<double> next(0.8 * lap, 1.2 * lap);
    std::array<double, kCars> due{};
    for (double& at : due)
        at = first(m_random);

    const double endMs = m_options.minutes * 60000.0;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const auto car = std::min_element(due.begin(), due.end());
        if (*car >= endMs) {
            m_raceRun = true;
            return;
        }
        while (clock.elapsed() < *car && m_program.process().state() == QProcess::Running)
            QTest::qWait(static_cast<int>(std::min<double>(*car - clock.elapsed(), 100)));
        if (m_program.process().state() != QProcess::Running)
            return;
        const int id = static_cast<int>(car - due.begin()) + 1;
        if (!m_sim.command(QStringLiteral("pass %1").arg(id)))
            return;
        ++m_sent;
        *car += next(m_random);

        collectRecorder();
        if (m_memory.start >= 0 || m_presses >= kCars)
            m_memory.sample(m_program.process().processId());
    }
}

void Soak::finish()
{
    // The last key-strokes, then the program's memory once it has typed them all.
    QProcess& program = m_program.process();
    const bool caughtUp = QTest::qWaitFor(
        [&] {
            collectRecorder();
            return m_presses >= m_sent || program.state() != QProcess::Running;
        },
        kFinishMs);
    if (!caughtUp)
        std::fprintf(stderr, "orvanel-soak: %d s after the race, %d of %d keys had come\n", kFinishMs / 1000, m_presses,
                     m_sent);
    if (program.state() == QProcess::Running) {
        m_memory.sample(program.processId());
        m_x11.close(m_window);
        program.waitForFinished(kFinishMs);
    }
    if (program.state() != QProcess::NotRunning)
        m_ending = QStringLiteral("still running");
    else if (program.exitStatus() == QProcess::CrashExit)
        m_ending = QStringLiteral("crashed");
    else
        m_ending = QStringLiteral("exited %1").arg(program.exitCode());

    // The simulator reports every passing before it ends: sent, or lost.
    m_sim.process().write("quit\n");
    m_sim.process().closeWriteChannel();
    m_sim.process().waitForFinished(kFinishMs);
    collectSimulator();

    // With the program gone, a key of ours reaches the recorder after every key the program typed.
    typeKeys(*m_platform.keys, QStringLiteral("z"));
    const auto marker = [](const QString& line) { return line.startsWith(QLatin1String("release z ")); };
    if (!QTest::qWaitFor(
            [&] {
                collectRecorder();
                return std::any_of(m_recorded.begin(), m_recorded.end(), marker);
            },
            kFinishMs))
        m_ending += QStringLiteral("; the key recorder stopped answering");
    m_recorded.erase(std::remove_if(m_recorded.begin(), m_recorded.end(),
                                    [](const QString& line) {
                                        return line.startsWith(QLatin1String("press z ")) ||
                                               line.startsWith(QLatin1String("release z "));
                                    }),
                     m_recorded.end());
}

void Soak::collectRecorder()
{
    QStringList& lines = m_recorder.lines();
    for (const QString& line : lines) {
        if (line.startsWith(QLatin1String("press ")))
            ++m_presses;
    }
    m_recorded += lines;
    lines.clear();
}

void Soak::collectSimulator()
{
    for (const QString& line : m_sim.lines()) {
        if (line.startsWith(QLatin1String("passed ")))
            m_passed << line.mid(7);
        else if (line.startsWith(QLatin1String("lost ")) || line.startsWith(QLatin1String("dropped ")))
            ++m_undelivered;
    }
    m_sim.lines().clear();
}

int Soak::report()
{
    const Typed typed = typedKeys(m_recorded);
    QStringList expected;
    for (const QString& id : m_passed)
        expected << QStringLiteral("F") + id;

    // Missing and extra count key by key, so that a key typed twice is not also counted out of order.
    std::map<QString, int> balance;
    for (const QString& key : expected)
        ++balance[key];
    for (const QString& key : typed.keys)
        --balance[key];
    int missing = 0;
    int extra = 0;
    for (const auto& [key, count] : balance) {
        missing += std::max(count, 0);
        extra += std::max(-count, 0);
    }
    const bool inOrder = expected == typed.keys;

    const long growth = m_memory.end - m_memory.start;
    const long peakGrowth = m_memory.peak - m_memory.start;
    const bool memoryOk =
        m_memory.start > 0 && growth <= m_options.maxGrowthKiB && peakGrowth <= m_options.maxGrowthKiB;
    const bool ok = m_raceRun && m_sent > 0 && m_sent == m_passed.size() && m_undelivered == 0 && missing == 0 &&
                    extra == 0 && typed.unpaired == 0 && inOrder && memoryOk && m_ending == QLatin1String("exited 0");

    std::printf("soak: %d min, %d cars, lap %d ms, seed %u\n", m_options.minutes, kCars, m_options.lapMs,
                m_options.seed);
    if (!m_raceRun)
        std::printf("race: cut short after %d passings\n", m_sent);
    std::printf("passings: %d (%d asked of the bridge, %d of them lost or dropped)\n", int(m_passed.size()), m_sent,
                m_undelivered);
    std::printf("keys: %d (press without its release: %d)\n", int(typed.keys.size()), typed.unpaired);
    std::printf("missing: %d\nextra: %d\n", missing, extra);
    std::printf("order: %s\n", inOrder ? "as passed" : "differs");
    std::printf("memory (VmRSS, KiB): start %ld (after the first lap), end %ld, peak %ld; growth %+ld, peak %+ld, "
                "bound %ld\n",
                m_memory.start, m_memory.end, m_memory.peak, growth, peakGrowth, m_options.maxGrowthKiB);
    std::printf("program: %s\n", qPrintable(m_ending));
    std::printf("result: %s\n", ok ? "PASS" : "FAIL");
    if (!ok) {
        const QString errors = m_program.errors().trimmed();
        if (!errors.isEmpty())
            std::printf("the program said:\n%s\n", qPrintable(errors));
    }
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const std::optional<Options> options = parseOptions(app);
    if (!options)
        return 2;
    return Soak(*options).run();
}
