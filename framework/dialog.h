#pragma once

#include <windows.h>

#include <commctrl.h>

#include <optional>

#include "framework/data_exchange.h"
#include "framework/window.h"

namespace framework {

// A dialog built from a resource template of the program.
//
// One static dialog procedure takes the object from the creation parameter and hands every
// message to OnMessage, a plain switch that forwards to the handlers. The procedure is the
// exception boundary: an exception leaving a handler is shown in the error box and the next
// message is processed as usual.
class Dialog {
  public:
    // `owner` null: the main window owns the dialog (none for the main window itself).
    explicit Dialog(int templateId, HWND owner = nullptr);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Runs the dialog modally; returns what ended it, or -1 if it could not be created.
    INT_PTR DoModal();
    // Creates the dialog without a modal loop of its own (hidden work and tests); the window
    // lives until DestroyModeless or the object's end. Ending it records the result only.
    bool CreateModeless(HWND owner = nullptr);
    void DestroyModeless();

    HWND Handle() const { return hwnd_; }
    int TemplateId() const { return templateId_; }
    Window AsWindow() const { return Window(hwnd_); }
    Window Item(int id) const { return Window(GetDlgItem(hwnd_, id)); }

    // The data exchange: with true from the controls to the values (false if a field failed),
    // with false from the values to the controls.
    bool UpdateData(bool fromControls);
    void EndDialog(INT_PTR result);
    // The result passed to EndDialog since the dialog was started, if any.
    std::optional<INT_PTR> EndResult() const { return endResult_; }

  protected:
    // The dispatch of one message; returns what the dialog procedure returns. The default
    // dispatches initialisation, commands and notifications and leaves everything else to the
    // dialog manager.
    virtual INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Adds the dialog-init data, runs the first exchange towards the controls; true lets the
    // system focus the first control. A failure ends the dialog with -1.
    virtual bool OnInitDialog();
    virtual void DoDataExchange(DataExchange& exchange);
    // A command from a control, a menu or the dialog manager; returns whether it was handled.
    // The default handles IDOK, IDCANCEL and passes the rest to the application.
    virtual bool OnCommand(int id, int code, HWND control);
    // A WM_NOTIFY from a control; returns whether it was handled, `result` being its answer.
    virtual bool OnNotify(const NMHDR& header, LRESULT& result);
    // An exchange from the controls; the end with IDOK only if it succeeds.
    virtual void OnOK();
    virtual void OnCancel();

    // Leaves the message being handled to the dialog manager's default processing once the
    // handler returns.
    void Default() { passToDefault_ = true; }

  private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    HWND OwnerForCreation() const;
    bool ApplyDialogInit();
    void CenterWindow();

    const int templateId_;
    const HWND owner_;
    HWND hwnd_ = nullptr;
    ControlHandles controlHandles_;
    bool modal_ = false;
    bool passToDefault_ = false;
    std::optional<INT_PTR> endResult_;
};

}  // namespace framework
