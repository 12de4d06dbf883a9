#include "device/Ports.h"

#include <algorithm>

#include "model/Errors.h"

namespace lay {

TCustomPort::TCustomPort(TCustomPorts* ports) {
    SetPorts(ports);
}

TCustomPort::~TCustomPort() {
    SetPorts(nullptr);
}

void TCustomPort::SetPorts(TCustomPorts* ports) {
    if (ports == FPorts)
        return;
    if (FPorts) {
        auto& items = FPorts->FItems;
        items.erase(std::remove(items.begin(), items.end(), this), items.end());
    }
    FPorts = ports;
    if (FPorts)
        FPorts->FItems.push_back(this);
}

TCustomPorts::~TCustomPorts() {
    // Each port takes itself off the list as it goes.
    while (!FItems.empty())
        delete FItems.back();
}

TCustomPort& TCustomPorts::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("Индекс списка вне границ (" + std::to_string(index) + ")");
    return *FItems[static_cast<std::size_t>(index)];
}

} // namespace lay
