#include "tools/automate/command_line.h"

#include <cctype>
#include <cstdlib>
#include <stdexcept>
#include <utility>

namespace automate {

std::vector<Command> SplitCommands(const std::vector<std::string>& args) {
    std::vector<Command> commands;
    Command current;
    auto finish = [&] {
        if (!current.name.empty()) commands.push_back(std::move(current));
        current = Command{};
    };
    for (const std::string& arg : args) {
        if (arg == ";") {
            finish();
        } else if (current.name.empty()) {
            current.name = arg;
        } else {
            current.args.push_back(arg);
        }
    }
    finish();
    return commands;
}

long ParseInteger(const std::string& text) {
    if (text.empty()) throw std::invalid_argument("empty number");
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 0);
    if (*end != '\0') throw std::invalid_argument("not a number: " + text);
    return value;
}

double ParseSeconds(const std::string& text) {
    if (text.empty()) throw std::invalid_argument("empty time");
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (*end != '\0' || value < 0) throw std::invalid_argument("not a time in seconds: " + text);
    return value;
}

unsigned ParseVirtualKey(const std::string& text) {
    struct NamedKey {
        const char* name;
        unsigned code;
    };
    static const NamedKey kKeys[] = {
        {"BACK", 0x08},    {"TAB", 0x09},    {"RETURN", 0x0D}, {"ENTER", 0x0D},  {"SHIFT", 0x10},
        {"CONTROL", 0x11}, {"MENU", 0x12},   {"ALT", 0x12},    {"ESCAPE", 0x1B}, {"SPACE", 0x20},
        {"END", 0x23},     {"HOME", 0x24},   {"LEFT", 0x25},   {"UP", 0x26},     {"RIGHT", 0x27},
        {"DOWN", 0x28},    {"DELETE", 0x2E},
    };
    std::string upper;
    for (char c : text) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper.rfind("VK_", 0) == 0) upper.erase(0, 3);
    for (const NamedKey& key : kKeys) {
        if (upper == key.name) return key.code;
    }
    if (upper.size() == 1 && std::isalnum(static_cast<unsigned char>(upper[0]))) {
        return static_cast<unsigned char>(upper[0]);  // 'A'..'Z' and '0'..'9' are their own codes
    }
    if (upper.size() >= 2 && upper[0] == 'F' &&
        std::isdigit(static_cast<unsigned char>(upper[1]))) {
        const long n = ParseInteger(upper.substr(1));
        if (n >= 1 && n <= 24) return static_cast<unsigned>(0x70 + n - 1);
    }
    const long code = ParseInteger(text);
    if (code <= 0 || code > 0xFE) throw std::invalid_argument("not a virtual key: " + text);
    return static_cast<unsigned>(code);
}

}  // namespace automate
