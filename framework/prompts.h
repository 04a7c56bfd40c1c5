#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace framework {

// What a save-file dialog is asked for. The filter uses '|' between its parts and ends with
// "||" ("Excel File(*.xls)|*.xls||"); the dialog turns it into the platform's form.
struct SaveFileRequest {
    HWND owner = nullptr;  // disabled while the dialog is open
    std::wstring defaultExtension;
    std::wstring initialName;
    std::wstring filter;
};

// The modal prompts that commands put to the user. Production shows the real boxes; in-process
// tests install their own answers with ScopedPrompts.
class Prompts {
  public:
    virtual ~Prompts() = default;

    // MessageBoxW: the button the user chose (IDOK, IDCANCEL, ...).
    virtual int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption,
                               UINT flags) = 0;
    // GetSaveFileNameW with OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT: the chosen full path, or
    // nothing when the user cancels.
    virtual std::optional<std::wstring> SaveFileName(const SaveFileRequest& request) = 0;

    // The prompts in use: the platform's own unless a test replaced them.
    static Prompts& Current();
};

// The platform's real message box and save-file dialog.
class PlatformPrompts final : public Prompts {
  public:
    int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption,
                       UINT flags) override;
    std::optional<std::wstring> SaveFileName(const SaveFileRequest& request) override;
};

// Makes `replacement` the current prompts for its lifetime, then restores the previous ones.
class ScopedPrompts {
  public:
    explicit ScopedPrompts(Prompts& replacement);
    ~ScopedPrompts();
    ScopedPrompts(const ScopedPrompts&) = delete;
    ScopedPrompts& operator=(const ScopedPrompts&) = delete;

  private:
    Prompts* previous_;
};

}  // namespace framework
