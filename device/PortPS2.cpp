#include "device/PortPS2.h"

#include <cstdio>

#include "driver/core/ZorvatekIoctl.h"
#include "model/Errors.h"

namespace lay {

static_assert(TPortPS2::KeyboardIoctl(0x801) == IOCTL_FILTER_EXCHANGE);
static_assert(TPortPS2::KeyboardIoctl(0x802) == IOCTL_FILTER_VERSION);

std::string TDriverChannel::ErrorText(std::uint32_t error) const {
    return SystemErrorText(error);
}

TPortPS2::TPortPS2(TCustomPorts* ports) : TCustomPort(ports), FOpener(&OpenSystemChannel) {}

TPortPS2::~TPortPS2() {
    Close();
}

void TPortPS2::GetDevices(TDeviceList& list) {
    list.push_back({SPS2DeviceName, this});
}

void TPortPS2::SetOpener(TChannelOpener opener) {
    Close();
    FOpener = std::move(opener);
}

void TPortPS2::Open() {
    FHandle = FOpener ? FOpener() : nullptr;
}

TDriverChannel& TPortPS2::GetHandle() {
    if (!IsOpen())
        Open();
    if (!IsOpen())
        throw Exception(SDriverNotInstalled);
    return *FHandle;
}

void TPortPS2::Close() {
    FHandle.reset();
}

void TPortPS2::Transfer(const TBytes& request, TBytes& answer, int attempts) {
    if (request.empty())
        return;
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        answer.assign(ZORVATEK_ANSWER_BUFFER, 0);
        std::uint32_t error = 0;
        if (GetHandle().Ioctl(IOCTL_FILTER_EXCHANGE, request, answer, error))
            return;
        answer.clear();
        if (attempt == attempts) {
            if (error == chErrorSemTimeout)
                RaiseNoConnection();
            char text[96];
            std::snprintf(text, sizeof text, SWriteError, static_cast<int>(error));
            throw Exception(text);
        }
    }
}

std::string TPortPS2::GetDriverVersion() {
    TDriverChannel& channel = GetHandle();
    TBytes out(4, 0);
    std::uint32_t error = 0;
    if (!channel.Ioctl(IOCTL_FILTER_VERSION, {}, out, error))
        throw Exception(channel.ErrorText(error));
    if (out.size() != 4)
        return SDriverVersionUnavailable;
    return std::to_string(out[3]) + "." + std::to_string(out[2]) + "." + std::to_string(out[1]) + "." +
           std::to_string(out[0]);
}

} // namespace lay
