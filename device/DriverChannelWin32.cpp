// The filter driver's control device on Windows. The only Win32 file of the device path.
#ifdef _WIN32

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>

#include "device/DriverChannel.h"
#include "driver/core/ZorvatekIoctl.h"

namespace lay {

namespace {

class TWin32Channel : public TDriverChannel {
public:
    explicit TWin32Channel(HANDLE handle) : FHandle(handle) {}
    ~TWin32Channel() override { CloseHandle(FHandle); }
    TWin32Channel(const TWin32Channel&) = delete;
    TWin32Channel& operator=(const TWin32Channel&) = delete;

    bool Ioctl(std::uint32_t code, const TBytes& in, TBytes& out, std::uint32_t& error) override {
        DWORD returned = 0;
        TBytes input(in);
        const BOOL ok = DeviceIoControl(FHandle, code, input.empty() ? nullptr : input.data(),
                                        static_cast<DWORD>(input.size()), out.empty() ? nullptr : out.data(),
                                        static_cast<DWORD>(out.size()), &returned, nullptr);
        out.resize(std::min<std::size_t>(returned, out.size()));
        if (!ok) {
            error = GetLastError();
            return false;
        }
        return true;
    }

private:
    HANDLE FHandle;
};

} // namespace

std::unique_ptr<TDriverChannel> OpenSystemChannel() {
    // No sharing: only one program talks to the keyboard at a time.
    const HANDLE handle = CreateFileA(ZORVATEK_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    return std::make_unique<TWin32Channel>(handle);
}

std::string SystemErrorText(std::uint32_t error) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text;
    if (length && buffer) {
        const int size =
            WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
        text.resize(static_cast<std::size_t>(size));
        WideCharToMultiByte(CP_UTF8, 0, buffer, static_cast<int>(length), text.data(), size, nullptr,
                            nullptr);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
            text.pop_back();
    }
    if (buffer)
        LocalFree(buffer);
    return text.empty() ? "Ошибка " + std::to_string(error) : text;
}

} // namespace lay

#endif
