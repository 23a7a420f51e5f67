#pragma once

#include <functional>
#include <set>
#include <string>

namespace orvanel {

// What a key backend could not type of the last key-stroke, for the status line's tooltip after the
// passing; each kind of failure is also told to the user once, since the same text fails again at
// every passing.
class TypingProblems
{
public:
    explicit TypingProblems(std::function<void(const std::string&)> tell) : m_tell(std::move(tell)) {}

    void add(const std::string& message);
    // A new key-stroke: its own problems only.
    void clear() { m_last.clear(); }
    const std::string& last() const { return m_last; }

private:
    std::function<void(const std::string&)> m_tell;
    std::string m_last;
    std::set<std::string> m_told;
};

} // namespace orvanel
