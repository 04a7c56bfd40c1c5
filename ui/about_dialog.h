#pragma once

#include "framework/dialog.h"

namespace veskar {

// The About box: the program's icon, name and version, the rights and company lines, and OK.
// It binds nothing and handles nothing of its own.
class AboutDialog : public framework::Dialog {
  public:
    // Without an owner of its own: the main window owns it.
    AboutDialog();
};

}  // namespace veskar
