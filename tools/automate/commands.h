#pragma once

#include <windows.h>

#include "tools/automate/command_line.h"

namespace automate {

// What the commands of one invocation share: the window they work on, set by wait-window.
struct Session {
    HWND window = nullptr;
};

// Runs one command; throws std::exception with a message when it fails or times out.
void RunCommand(Session& session, const Command& command);

// The usage text, one line per command.
const char* Usage();

}  // namespace automate
