// A keyboard emulator on the other end of a TCP connection, framed by 16-bit lengths.
#include "device/DriverChannel.h"

#ifndef _WIN32

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "driver/core/ZorvatekIoctl.h"

namespace lay {

namespace {

int Connect(const std::string& host, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (::inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1)
        return -1;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

class TTcpChannel : public TDriverChannel {
public:
    TTcpChannel(int fd, std::string host, std::uint16_t port, std::uint32_t timeoutMs)
        : FFd(fd), FHost(std::move(host)), FPort(port), FTimeoutMs(timeoutMs) {}
    ~TTcpChannel() override { Disconnect(); }
    TTcpChannel(const TTcpChannel&) = delete;
    TTcpChannel& operator=(const TTcpChannel&) = delete;

    bool Ioctl(std::uint32_t code, const TBytes& in, TBytes& out, std::uint32_t& error) override {
        if (code == IOCTL_FILTER_VERSION) {
            out.clear(); // the emulator has no driver version to tell
            return true;
        }
        if (code != IOCTL_FILTER_EXCHANGE) {
            out.clear();
            error = chErrorInvalidFunction;
            return false;
        }
        const std::size_t capacity = out.size();
        out.clear();
        if (FFd < 0)
            FFd = Connect(FHost, FPort);
        if (FFd < 0 || in.size() > 0xFFFF) {
            error = chErrorSemTimeout;
            return false;
        }
        DiscardLateAnswers();
        TBytes message{static_cast<std::uint8_t>(in.size()), static_cast<std::uint8_t>(in.size() >> 8)};
        message.insert(message.end(), in.begin(), in.end());
        std::uint8_t header[2];
        if (!SendAll(message) || !Receive(header, 2)) {
            error = chErrorSemTimeout;
            return false;
        }
        const std::size_t length = header[0] | (header[1] << 8);
        TBytes answer(length);
        if (!Receive(answer.data(), length)) {
            error = chErrorSemTimeout;
            return false;
        }
        // As the driver does with an answer that does not fit the caller's buffer.
        if (length > capacity) {
            error = chErrorInsufficientBuffer;
            return false;
        }
        out = std::move(answer);
        return true;
    }

private:
    void Disconnect() {
        if (FFd >= 0)
            ::close(FFd);
        FFd = -1;
    }

    // An answer that came after its request timed out must not pass for the next one's.
    void DiscardLateAnswers() {
        std::uint8_t scratch[512];
        while (::recv(FFd, scratch, sizeof scratch, MSG_DONTWAIT) > 0) {
        }
    }

    bool SendAll(const TBytes& bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::send(FFd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                Disconnect();
                return false;
            }
            sent += static_cast<std::size_t>(n);
        }
        return true;
    }

    // False after FTimeoutMs of silence, or when the emulator went away.
    bool Receive(std::uint8_t* buffer, std::size_t count) {
        std::size_t got = 0;
        while (got < count) {
            pollfd waiting{FFd, POLLIN, 0};
            const int ready = ::poll(&waiting, 1, static_cast<int>(FTimeoutMs));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                return false;
            const ssize_t n = ::recv(FFd, buffer + got, count - got, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                Disconnect();
                return false;
            }
            got += static_cast<std::size_t>(n);
        }
        return true;
    }

    int FFd;
    std::string FHost;
    std::uint16_t FPort;
    std::uint32_t FTimeoutMs;
};

} // namespace

std::unique_ptr<TDriverChannel> OpenTcpChannel(const std::string& host, std::uint16_t port,
                                               std::uint32_t timeoutMs) {
    const int fd = Connect(host, port);
    if (fd < 0)
        return nullptr;
    return std::make_unique<TTcpChannel>(fd, host, port, timeoutMs);
}

} // namespace lay

#else

namespace lay {

std::unique_ptr<TDriverChannel> OpenTcpChannel(const std::string&, std::uint16_t, std::uint32_t) {
    return nullptr; // the emulator connection is a tool of the Linux build
}

} // namespace lay

#endif
