#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "model/Types.h"

namespace lay {

class TClock;

// Error codes of a channel are the ones the Windows driver's caller finds in GetLastError; the
// other channels translate theirs into them, so that the port reports alike everywhere.
enum : std::uint32_t {
    chErrorFileNotFound = 2,
    chErrorGenFailure = 31,
    chErrorInvalidFunction = 1,
    chErrorSemTimeout = 121, // the driver's time-out
    chErrorInsufficientBuffer = 122,
};

// An open connection to the keyboard filter driver's control device, or to something that
// answers like it. One request at a time.
class TDriverChannel {
public:
    virtual ~TDriverChannel() = default;
    // One control request. out.size() is the output buffer's length on the way in; on return
    // out holds the bytes returned. False, with the error code, when the request failed.
    virtual bool Ioctl(std::uint32_t code, const TBytes& in, TBytes& out, std::uint32_t& error) = 0;
    // The system's message for one of this channel's error codes.
    virtual std::string ErrorText(std::uint32_t error) const;
};

// Opens the channel; nullptr when the device cannot be opened.
using TChannelOpener = std::function<std::unique_ptr<TDriverChannel>()>;

// The platform's own driver: "\\.\Zorvatek" on Windows, /dev/zorvatek on Linux.
std::unique_ptr<TDriverChannel> OpenSystemChannel();

// A keyboard emulator reached over TCP at host:port: every request frame goes out as a 16-bit
// little-endian length followed by the frame, the answer frame comes back the same way, and no
// answer within the time-out counts as the driver's time-out. Only the exchange is carried: the
// version request returns nothing, the send request fails as unsupported. nullptr when nothing
// listens there.
std::unique_ptr<TDriverChannel> OpenTcpChannel(const std::string& host, std::uint16_t port,
                                               std::uint32_t timeoutMs = 2000);

// The system's text for an error code of the driver channel.
std::string SystemErrorText(std::uint32_t error);

} // namespace lay
