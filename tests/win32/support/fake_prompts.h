#pragma once

#include <optional>
#include <string>
#include <vector>

#include "framework/prompts.h"

namespace veskar::testing {

// Prompts that answer at once instead of waiting for a user: every message box is recorded and
// answered with `messageAnswer`; every save-file request is recorded and answered with
// `savePath` (nothing = the user cancelled).
class FakePrompts final : public framework::Prompts {
  public:
    struct Message {
        HWND owner;
        std::wstring text;
        std::wstring caption;
        UINT flags;
    };

    std::vector<Message> messages;
    std::vector<framework::SaveFileRequest> saveRequests;
    int messageAnswer = IDOK;
    std::optional<std::wstring> savePath;

    int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption,
                       UINT flags) override {
        messages.push_back({owner, text, caption, flags});
        return messageAnswer;
    }
    std::optional<std::wstring> SaveFileName(const framework::SaveFileRequest& request) override {
        saveRequests.push_back(request);
        return savePath;
    }
};

}  // namespace veskar::testing
