#pragma once

#include "capture/read_chunk.h"
#include "capture/serial_link.h"
#include "framework/application.h"

namespace veskar {

// The application object: its start-up runs the main window modally, and the program ends with
// it.
class MonitorApp final : public framework::Application {
  public:
    MonitorApp(SerialLink& serialLink, ReadChunk& readChunk)
        : serialLink_(serialLink), readChunk_(readChunk) {}

  protected:
    bool InitInstance() override;

  private:
    SerialLink& serialLink_;
    ReadChunk& readChunk_;
};

}  // namespace veskar
