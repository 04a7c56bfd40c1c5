// veskar-automate: drives the windows of another program running in the same Windows (or Wine)
// session, for end-to-end tests: finds a window by its caption, presses buttons by control id,
// reads and sets control texts, reads list-view rows and fills save dialogs.
#include <windows.h>

#include <shellapi.h>

#include <exception>
#include <string>
#include <vector>

#include "tools/automate/commands.h"
#include "tools/automate/text.h"

namespace {

std::vector<std::string> Arguments() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) args.push_back(automate::Narrow(argv[i]));
    LocalFree(argv);
    return args;
}

std::string Describe(const automate::Command& command) {
    std::string text = command.name;
    for (const std::string& arg : command.args) text += " " + arg;
    return text;
}

}  // namespace

int main() {
    const std::vector<automate::Command> commands = automate::SplitCommands(Arguments());
    if (commands.empty() || commands.front().name == "--help") {
        automate::PrintError(automate::Usage());
        return commands.empty() ? 1 : 0;
    }
    automate::Session session;
    for (const automate::Command& command : commands) {
        try {
            automate::RunCommand(session, command);
        } catch (const std::exception& error) {
            automate::PrintError("veskar-automate: " + Describe(command) + ": " + error.what());
            return 1;
        }
    }
    return 0;
}
