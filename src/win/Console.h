#pragma once

#include <string>

namespace orvanel {

enum class ConsoleStream
{
    Output,
    Error,
};

// Writes UTF-8 text to the standard output or error that Orvanel.exe was given (a pipe, a file), or
// else to the console of the program that started it. False when there is neither: a program
// started from the desktop has no console.
bool writeToConsole(ConsoleStream stream, const std::string& text);

} // namespace orvanel
