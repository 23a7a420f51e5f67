#include "app/RaceThread.h"

#include "session/RaceView.h"

#include <future>
#include <utility>

namespace orvanel {

// The window as the race's thread sees it: every change is queued to the window's thread. Only where
// keys would land is asked at once, since the answer is wanted before the passing is typed.
class QueuedRaceView : public RaceView
{
public:
    QueuedRaceView(RaceView& view, ThreadInbox& window, PassingNotices& notices)
        : m_view(view), m_window(window), m_notices(notices)
    {}

    // Status texts and reasons come with every passing: they go the passings' way to the window.
    void showStatus(const std::string& text) override { m_notices.showStatus(text); }
    void showReason(const std::string& text) override { m_notices.showReason(text); }
    void showLink(BridgeSession::LinkState state, const std::string& reason) override
    {
        queue([state, reason](RaceView& view) { view.showLink(state, reason); });
    }
    void showRunning(bool running) override
    {
        queue([running](RaceView& view) { view.showRunning(running); });
    }
    void showText(std::size_t row, MappingTable::Column column, const std::string& text) override
    {
        queue([row, column, text](RaceView& view) { view.showText(row, column, text); });
    }
    void showAutoAssign(bool on) override
    {
        queue([on](RaceView& view) { view.showAutoAssign(on); });
    }
    void showPort(int index) override
    {
        queue([index](RaceView& view) { view.showPort(index); });
    }
    KeyTarget keyTarget() override { return m_view.keyTarget(); }

private:
    template <typename Show> void queue(Show show)
    {
        m_window.post([view = &m_view, show = std::move(show)] { show(*view); });
    }

    RaceView& m_view;
    ThreadInbox& m_window;
    PassingNotices& m_notices;
};

RaceThread::RaceThread(Factory factory, KeysReport keysReport)
    : m_factory(std::move(factory)), m_keysReport(std::move(keysReport))
{
    m_thread.setObjectName(QStringLiteral("passings"));
    m_worker.moveToThread(&m_thread);
}

RaceThread::~RaceThread()
{
    if (!m_thread.isRunning())
        return;
    // Taken apart where it was made; the thread ends after whatever was posted before. Its last word
    // comes through a future, so that everything it did is seen to happen before what follows here
    // also by ThreadSanitizer, which cannot see how QThread waits for its end.
    std::promise<void> takenApart;
    std::future<void> done = takenApart.get_future();
    post([this, &takenApart] {
        m_parts.race.reset();
        m_notices->setBeeper(nullptr);
        m_parts.platform = PlatformServices();
        m_thread.quit();
        takenApart.set_value();
    });
    done.wait();
    m_thread.wait();
}

void RaceThread::attach(RaceView& view)
{
    m_notices = std::make_unique<PassingNotices>(m_window, view);
    m_view = std::make_unique<QueuedRaceView>(view, m_window, *m_notices);
    // The first task of the thread: every command comes after it.
    post([this] {
        m_parts = m_factory(*m_notices);
        m_notices->setBeeper(m_parts.platform.beeper.get());
        m_window.post([this, problem = m_parts.platform.keysProblem, route = m_parts.platform.keysRoute] {
            if (m_keysReport)
                m_keysReport(problem, route);
        });
        m_parts.race->attach(*m_view);
    });
}

void RaceThread::begin()
{
    m_thread.start();
}

void RaceThread::run(Command command)
{
    post([this, command = std::move(command)] { command(*m_parts.race); });
}

void RaceThread::runClick(Command command)
{
    if (m_clickUnderWay.exchange(true))
        return;
    post([this, command = std::move(command)] {
        command(*m_parts.race);
        m_clickUnderWay = false;
    });
}

void RaceThread::post(std::function<void()> task)
{
    m_worker.post(std::move(task));
}

} // namespace orvanel
