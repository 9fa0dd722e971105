#include "ui/PeerFactory.h"

#include "os/Platform.h"
#include "ui/Controls.h"

namespace ui {

TPeerFactory* PeerFactory() {
    return os::Installed() ? os::Current().Peers() : nullptr;
}

void CreatePeers(TControl& control) {
    TPeerFactory* factory = PeerFactory();
    if (!factory)
        return;
    if (!control.Peer()) {
        if (auto peer = factory->CreatePeer(control))
            control.SetPeer(std::move(peer));
        else
            return; // a control without a peer holds no native children either
    }
    if (auto* container = dynamic_cast<TWinControl*>(&control))
        for (int i = 0; i < container->ControlCount(); ++i)
            CreatePeers(*container->Controls(i));
}

void CancelHint() {
    if (TPeerFactory* factory = PeerFactory())
        factory->CancelHint();
}

} // namespace ui
