#pragma once

#include <windows.h>

#include <string>

namespace framework {

class Dialog;

// The program's name: its file name without folder and extension. Every message box the
// program shows carries it as its caption.
const std::wstring& ApplicationTitle();
// The full path of the program file.
std::wstring ProgramPath();
// The module whose resources the dialogs, strings and icons come from.
HINSTANCE ResourceInstance();

// The window that owns dialogs created without an owner, and that receives the Help command.
void SetMainWindow(Dialog* dialog);
Dialog* MainWindow();

// A message box through the current prompts, captioned with the application title. An OK box
// without an icon of its own gets the exclamation icon.
int ShowMessage(HWND owner, const std::wstring& text, UINT flags = MB_OK);

// The help file the default Help handling opens: the program's path with the extension ".HLP".
std::wstring HelpFilePath();

// Turns F1 (without Shift, Ctrl or Alt) in any modal loop of this thread (dialogs, message boxes,
// menus) into the Help command to the main window, for as long as it lives.
class HelpKey {
  public:
    HelpKey();
    ~HelpKey();
    HelpKey(const HelpKey&) = delete;
    HelpKey& operator=(const HelpKey&) = delete;

  private:
    HHOOK hook_;
};

// The application object: one per program, constructed before the entry point runs it.
class Application {
  public:
    Application();
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    static Application* Current();

    // The entry point's work: start-up, then the end of the program (no message loop of our own
    // runs after it). Returns the process exit code.
    int Run();

    // Commands that the main window does not handle itself; returns whether it handled `id`.
    virtual bool OnCommand(int id);
    // The default Help handling: the platform's help viewer on HelpFilePath() with the main
    // window's help context.
    virtual void OnHelp();

  protected:
    // Start-up. Returning false ends the program without a message loop.
    virtual bool InitInstance() = 0;
};

}  // namespace framework
