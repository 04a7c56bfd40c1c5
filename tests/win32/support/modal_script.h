#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

#include "framework/dialog.h"

namespace veskar::testing {

// Runs a dialog modally, as the program does, and plays a script inside its modal loop: each
// step runs from its own tick of a thread timer, so whatever a step posts (keys, clicks) is
// handled by the dialog manager before the next step runs. A dialog still open after the last
// step is ended with kStillOpen.
class ModalScript {
  public:
    static constexpr INT_PTR kStillOpen = 4242;
    static constexpr UINT kStepMilliseconds = 20;

    using Step = std::function<void(HWND dialog)>;

    explicit ModalScript(framework::Dialog& dialog) : dialog_(dialog) {}

    ModalScript& Then(Step step) {
        steps_.push_back(std::move(step));
        return *this;
    }

    // The dialog's result: what ended it, or kStillOpen.
    INT_PTR Run() {
        running_ = this;
        const UINT_PTR timer = SetTimer(nullptr, 0, kStepMilliseconds, OnTick);
        const INT_PTR result = dialog_.DoModal();
        KillTimer(nullptr, timer);
        running_ = nullptr;
        return result;
    }

    // How many steps ran before the dialog ended.
    std::size_t StepsRun() const { return next_; }

  private:
    static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
        ModalScript* script = running_;
        if (script == nullptr || script->inStep_) return;
        const HWND dialog = script->dialog_.Handle();
        if (dialog == nullptr) return;
        if (script->next_ == script->steps_.size()) {
            EndDialog(dialog, kStillOpen);
            return;
        }
        script->inStep_ = true;
        script->steps_[script->next_++](dialog);
        script->inStep_ = false;
    }

    static inline ModalScript* running_ = nullptr;
    framework::Dialog& dialog_;
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    bool inStep_ = false;
};

// Posts a key press to `window` as the keyboard would, for the dialog manager to handle.
inline void PostKey(HWND window, WPARAM key) {
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

}  // namespace veskar::testing
