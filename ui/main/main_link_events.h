#pragma once
// The link's events, handed to the main window's handlers.

#include "link/link_events.h"
#include "ui/main/frm_main.h"

namespace vq {

class MainLinkEvents final : public LinkEvents {
  public:
    explicit MainLinkEvents(frmMain& window) : window_(window) {}

    void OnConnect() override { window_.onConnect(); }
    void Densty(std::array<float, 5>& readings) override { window_.onDensty(readings); }
    void ConnectRetry(std::int16_t& count) override { window_.onConnectRetry(count); }
    void InstMessage(std::string& text) override { window_.onLinkText(text); }
    void InterMessage(std::string& text) override { window_.onLinkText(text); }
    void AlarmMessage(std::string& text) override { window_.onLinkText(text); }
    void DumpMessage(std::string& text) override { window_.onDumpMessage(text); }
    void LineDropped() override { window_.onLineDropped(); }
    void IrDAError(std::int16_t& code) override { window_.onIrDAError(code); }
    void StsTransmit() override { window_.onTransmit(); }

  private:
    frmMain& window_;
};

}  // namespace vq
