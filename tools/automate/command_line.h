#pragma once

#include <string>
#include <vector>

namespace automate {

// One command of an invocation: its name and its arguments, as UTF-8.
struct Command {
    std::string name;
    std::vector<std::string> args;
};

// Splits the program's arguments into commands at every argument that is a lone ";".
std::vector<Command> SplitCommands(const std::vector<std::string>& args);

// A control id or another integer, decimal or 0x-prefixed hexadecimal; throws on anything else.
long ParseInteger(const std::string& text);

// Seconds, possibly fractional ("2", "0.5"); throws on anything else.
double ParseSeconds(const std::string& text);

// A virtual-key code: a number, or a name such as RETURN, ESCAPE, TAB, F1, or a letter or digit.
unsigned ParseVirtualKey(const std::string& text);

}  // namespace automate
