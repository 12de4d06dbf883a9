#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "model/Types.h"

namespace lay::test {

// A keyboard emulator of the kind someone else would write: it listens on 127.0.0.1, takes each
// request frame as a 16-bit little-endian length and the frame, and sends back what the answer
// function gives the same way, or nothing when that is empty. One connection at a time.
class TTcpEmulator {
public:
    using TAnswer = std::function<TBytes(const TBytes& frame)>;

    explicit TTcpEmulator(TAnswer answer) : FAnswer(std::move(answer)) {
        FListener = ::socket(AF_INET, SOCK_STREAM, 0);
        const int one = 1;
        ::setsockopt(FListener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(FListener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(FListener, 4);
        socklen_t length = sizeof address;
        ::getsockname(FListener, reinterpret_cast<sockaddr*>(&address), &length);
        FPort = ntohs(address.sin_port);
        FThread = std::thread([this] { Serve(); });
    }
    ~TTcpEmulator() {
        FStop = true;
        FThread.join();
        ::close(FListener);
    }
    TTcpEmulator(const TTcpEmulator&) = delete;
    TTcpEmulator& operator=(const TTcpEmulator&) = delete;

    std::uint16_t Port() const { return FPort; }
    std::vector<TBytes> Requests() {
        std::lock_guard lock(FMutex);
        return FRequests;
    }

    // Sends an answer with a length word of its own, then the bytes (for broken emulators).
    std::function<TBytes(const TBytes& answer)> Wire = [](const TBytes& answer) {
        TBytes wire{static_cast<std::uint8_t>(answer.size()), static_cast<std::uint8_t>(answer.size() >> 8)};
        wire.insert(wire.end(), answer.begin(), answer.end());
        return wire;
    };

private:
    // Waits for readable data for at most 20 ms, so that the emulator notices when to stop.
    bool Readable(int fd) {
        pollfd waiting{fd, POLLIN, 0};
        return ::poll(&waiting, 1, 20) > 0;
    }

    bool ReadAll(int fd, std::uint8_t* buffer, std::size_t count) {
        std::size_t got = 0;
        while (got < count) {
            if (FStop)
                return false;
            if (!Readable(fd))
                continue;
            const ssize_t n = ::recv(fd, buffer + got, count - got, 0);
            if (n <= 0)
                return false;
            got += static_cast<std::size_t>(n);
        }
        return true;
    }

    void Serve() {
        while (!FStop) {
            if (!Readable(FListener))
                continue;
            const int fd = ::accept(FListener, nullptr, nullptr);
            if (fd < 0)
                continue;
            for (;;) {
                std::uint8_t header[2];
                if (!ReadAll(fd, header, 2))
                    break;
                TBytes frame(static_cast<std::size_t>(header[0] | (header[1] << 8)));
                if (!ReadAll(fd, frame.data(), frame.size()))
                    break;
                {
                    std::lock_guard lock(FMutex);
                    FRequests.push_back(frame);
                }
                const TBytes answer = FAnswer(frame);
                if (answer.empty())
                    continue;
                const TBytes wire = Wire(answer);
                ::send(fd, wire.data(), wire.size(), MSG_NOSIGNAL);
            }
            ::close(fd);
        }
    }

    TAnswer FAnswer;
    int FListener = -1;
    std::uint16_t FPort = 0;
    std::atomic<bool> FStop{false};
    std::thread FThread;
    std::mutex FMutex;
    std::vector<TBytes> FRequests;
};

} // namespace lay::test
