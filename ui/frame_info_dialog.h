#pragma once

#include <string>

#include "framework/dialog.h"

namespace veskar {

// Shows the four texts of one list row in separate fields, the Data text in a large box that
// wraps, so that a transaction the list cuts off can be read whole. Nothing goes back to the
// list: what the user types stays in the dialog's own strings.
class FrameInfoDialog : public framework::Dialog {
  public:
    // Without an owner of its own: the main window owns it.
    FrameInfoDialog();

    std::string dataText;
    std::string lenText;
    std::string seqText;
    std::string timeText;

  protected:
    void DoDataExchange(framework::DataExchange& exchange) override;
};

}  // namespace veskar
