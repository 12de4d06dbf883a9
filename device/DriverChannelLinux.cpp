// The filter driver's Linux counterpart: /dev/zorvatek with the requests of ZorvatekIoctl.h.
#ifndef _WIN32

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "device/DriverChannel.h"
#include "driver/core/ZorvatekIoctl.h"

namespace lay {

namespace {

class TLinuxChannel : public TDriverChannel {
public:
    explicit TLinuxChannel(int fd) : FFd(fd) {}
    ~TLinuxChannel() override { ::close(FFd); }
    TLinuxChannel(const TLinuxChannel&) = delete;
    TLinuxChannel& operator=(const TLinuxChannel&) = delete;

    bool Ioctl(std::uint32_t code, const TBytes& in, TBytes& out, std::uint32_t& error) override {
        switch (code) {
        case IOCTL_FILTER_EXCHANGE:
            return Exchange(in, out, error);
        case IOCTL_FILTER_VERSION: {
            zorvatek_version version{};
            if (!Call(ZORVATEK_LINUX_VERSION, &version, error))
                return false;
            const TBytes bytes{static_cast<std::uint8_t>(version.version),
                               static_cast<std::uint8_t>(version.version >> 8),
                               static_cast<std::uint8_t>(version.version >> 16),
                               static_cast<std::uint8_t>(version.version >> 24)};
            out.assign(bytes.begin(),
                       bytes.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(4, out.size())));
            return true;
        }
        case IOCTL_FILTER_SEND: {
            zorvatek_send send{};
            if (in.size() > sizeof send.data) {
                error = chErrorInsufficientBuffer;
                return false;
            }
            send.length = static_cast<unsigned>(in.size());
            std::copy(in.begin(), in.end(), send.data);
            out.clear();
            return Call(ZORVATEK_LINUX_SEND, &send, error);
        }
        default:
            out.clear();
            return true;
        }
    }

    std::string ErrorText(std::uint32_t error) const override {
        return error == chErrorSemTimeout ? std::strerror(ETIMEDOUT) : std::strerror(static_cast<int>(error));
    }

private:
    bool Exchange(const TBytes& in, TBytes& out, std::uint32_t& error) {
        zorvatek_exchange exchange{};
        if (in.size() > sizeof exchange.request) {
            error = chErrorInsufficientBuffer;
            return false;
        }
        exchange.request_length = static_cast<unsigned>(in.size());
        std::copy(in.begin(), in.end(), exchange.request);
        if (!Call(ZORVATEK_LINUX_EXCHANGE, &exchange, error)) {
            out.clear();
            return false;
        }
        const std::size_t length =
            std::min<std::size_t>({exchange.answer_length, sizeof exchange.answer, out.size()});
        out.assign(exchange.answer, exchange.answer + length);
        return true;
    }

    bool Call(unsigned long request, void* argument, std::uint32_t& error) {
        int result;
        do {
            result = ::ioctl(FFd, request, argument);
        } while (result < 0 && errno == EINTR);
        if (result >= 0)
            return true;
        // The driver's time-out is what the port reports as a lost connection.
        error = errno == ETIMEDOUT ? chErrorSemTimeout : static_cast<std::uint32_t>(errno);
        return false;
    }

    int FFd;
};

} // namespace

std::unique_ptr<TDriverChannel> OpenSystemChannel() {
    // No sharing, as on Windows: a second program gets EBUSY from the driver.
    const int fd = ::open(ZORVATEK_LINUX_DEVICE_PATH, O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    return std::make_unique<TLinuxChannel>(fd);
}

std::string SystemErrorText(std::uint32_t error) {
    return std::strerror(static_cast<int>(error));
}

} // namespace lay

#endif
