#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/Clock.h"
#include "device/DeviceUser.h"
#include "device/DriverChannel.h"
#include "device/Ports.h"
#include "driver/sim/Firmware.h"
#include "model/Errors.h"

namespace lay::test {

// The message an action fails with, or "(no error)".
inline std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no error)";
}

// Time that moves only when told to, or when someone sleeps.
class TFakeClock : public TClock {
public:
    std::uint32_t TickCount() override { return Now; }
    void Sleep(std::uint32_t milliseconds) override {
        Sleeps.push_back(milliseconds);
        Now += milliseconds;
    }
    std::uint32_t Now = 1000;
    std::vector<std::uint32_t> Sleeps;
};

// A whole answer frame around data, as the keyboard sends it: STX, LEN, code, error, data, LRC.
inline TBytes AnswerFrame(std::uint8_t command, std::uint8_t error, const TBytes& data = {}) {
    return sim::TFirmware::Answer(command, error, data);
}

// A port that answers every request frame through a function, each exchange costing time.
class TScriptPort : public TCustomPort {
public:
    using TAnswerer = std::function<TBytes(const TBytes& request)>;

    TScriptPort(TCustomPorts* ports, TFakeClock& clock, TAnswerer answer)
        : TCustomPort(ports), FClock(clock), FAnswer(std::move(answer)) {}

    void GetDevices(TDeviceList& list) override {
        for (const std::string& name : Devices)
            list.push_back({name, this});
    }
    bool HasDevice(const std::string& name) override {
        for (const std::string& device : Devices)
            if (device == name)
                return true;
        return false;
    }
    void Transfer(const TBytes& request, TBytes& answer, int attempts) override {
        Requests.push_back(request);
        Attempts = attempts;
        FClock.Now += ExchangeMs;
        answer = FAnswer(request);
    }

    std::vector<std::string> Devices;
    std::vector<TBytes> Requests;
    int Attempts = 0;
    std::uint32_t ExchangeMs = 40;

private:
    TFakeClock& FClock;
    TAnswerer FAnswer;
};

// A driver's device whose requests are answered by a function; counts how often it was opened.
class TFakeChannel : public TDriverChannel {
public:
    using THandler =
        std::function<bool(std::uint32_t code, const TBytes& in, TBytes& out, std::uint32_t& error)>;
    explicit TFakeChannel(THandler handler) : FHandler(std::move(handler)) {}
    bool Ioctl(std::uint32_t code, const TBytes& in, TBytes& out, std::uint32_t& error) override {
        return FHandler(code, in, out, error);
    }
    std::string ErrorText(std::uint32_t error) const override {
        return "системная ошибка " + std::to_string(error);
    }

private:
    THandler FHandler;
};

// Answers questions from a script (Yes when the script has run out, unless told otherwise) and
// keeps every question and warning.
class TScriptUser : public TDeviceUser {
public:
    bool Confirm(const std::string& text) override {
        Questions.push_back(text);
        if (Answers.empty())
            return Otherwise;
        const bool answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    void Warning(const std::string& text) override { Warnings.push_back(text); }

    std::deque<bool> Answers;
    bool Otherwise = true;
    std::vector<std::string> Questions;
    std::vector<std::string> Warnings;
};

} // namespace lay::test
