#include "platform/pacing/TypingProblems.h"

namespace orvanel {

void TypingProblems::add(const std::string& message)
{
    const std::string line = "No se escribió todo: " + message;
    if (m_last.find(line) == std::string::npos)
        m_last += (m_last.empty() ? "" : "\n") + line;
    if (m_told.insert(message).second && m_tell)
        m_tell(message);
}

} // namespace orvanel
