#include "platform/windows/io/LoopTimer.h"

namespace orvanel {

LoopTimer::LoopTimer(LoopWindow& loop)
    : m_loop(loop), m_id(loop.addTimer([this] {
          if (m_handler)
              m_handler();
      }))
{}

LoopTimer::~LoopTimer()
{
    m_loop.removeTimer(m_id);
}

MakeTimer makeLoopTimer(LoopWindow& loop)
{
    return [&loop]() -> std::unique_ptr<OneShotTimer> { return std::make_unique<LoopTimer>(loop); };
}

} // namespace orvanel
