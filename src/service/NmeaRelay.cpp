#include "service/NmeaRelay.h"

namespace zort {

bool NmeaRelay::SwitchOn() {
    if (Running()) return false;
    SwitchOff();  // hands an ended relay over to be reaped
    relayThread = std::make_unique<ShowNMEAThread>(context, sink);
    return relayThread->Start();
}

void NmeaRelay::SwitchOff() {
    if (!relayThread) return;
    relayThread->RequestStop();
    context.Adopt(std::move(relayThread));
}

bool NmeaRelay::Running() const {
    return relayThread && !relayThread->Finished();
}

}  // namespace zort
