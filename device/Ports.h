#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/Types.h"

namespace lay {

class TCustomPort;
class TCustomPorts;

// One entry of the device list: the name the user picks, and the port that reaches it.
struct TDeviceEntry {
    std::string Name;
    TCustomPort* Port = nullptr;
};
using TDeviceList = std::vector<TDeviceEntry>;

inline constexpr const char* SDriverVersionUnavailable = "недоступна";

// A kind of keyboard connection: the devices it reaches, one exchange of a request frame for an
// answer frame, and the version of the software underneath.
class TCustomPort {
public:
    // A port made with a list joins it, and the list owns it from then on.
    explicit TCustomPort(TCustomPorts* ports = nullptr);
    virtual ~TCustomPort();
    TCustomPort(const TCustomPort&) = delete;
    TCustomPort& operator=(const TCustomPort&) = delete;

    TCustomPorts* Ports() const { return FPorts; }
    // Leaves the old list and joins the end of the new one; the same list again changes nothing.
    void SetPorts(TCustomPorts* ports);

    virtual void Refresh() {}
    // Appends the port's devices.
    virtual void GetDevices(TDeviceList&) {}
    virtual std::string GetDriverVersion() { return SDriverVersionUnavailable; }
    virtual bool HasDevice(const std::string&) { return false; }
    // One exchange, up to `attempts` tries; the answer is the whole answer frame.
    virtual void Transfer(const TBytes& request, TBytes& answer, int attempts) = 0;

private:
    TCustomPorts* FPorts = nullptr;
};

// The ports in their order; the list owns them.
class TCustomPorts {
public:
    TCustomPorts() = default;
    ~TCustomPorts();
    TCustomPorts(const TCustomPorts&) = delete;
    TCustomPorts& operator=(const TCustomPorts&) = delete;

    int Count() const { return static_cast<int>(FItems.size()); }
    // Raises EListError for an index outside the list.
    TCustomPort& Items(int index) const;

    template <class TPort, class... TArgs> TPort& Add(TArgs&&... args) {
        return *new TPort(this, std::forward<TArgs>(args)...); // joins, and is owned by, this list
    }

private:
    friend class TCustomPort;
    std::vector<TCustomPort*> FItems;
};

} // namespace lay
