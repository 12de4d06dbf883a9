#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "driver/sim/ScriptedResponder.h"
#include "driver/sim/SimulatedDriver.h"

namespace lay::sim {

// A simulated machine whose keyboard answers from a script.
class TSimFixture : public ::testing::Test {
protected:
    TSimFixture() {
        auto responder = std::make_unique<TScriptedResponder>();
        Script = responder.get();
        Sim = std::make_unique<TSimulatedDriver>(std::move(responder));
    }

    std::int32_t Exchange(const TBytes& frame, TBytes& answer,
                          std::size_t bufferSize = ZORVATEK_ANSWER_BUFFER) {
        answer.assign(bufferSize, 0);
        return Sim->Ioctl(IOCTL_FILTER_EXCHANGE, frame, answer);
    }

    // Everything an exchange must leave behind, whatever became of it.
    void ExpectRestored(int exchanges = 1) {
        const auto written = Sim->Controller().CommandByteWrites();
        ASSERT_FALSE(written.empty());
        EXPECT_EQ(written.back(), ZV_COMMAND_BYTE_NORMAL);
        EXPECT_TRUE(Sim->Controller().MouseEnabled());
        const auto& writes = Sim->Controller().Writes();
        ASSERT_FALSE(writes.empty());
        EXPECT_EQ(writes.back().Port, ZV_PORT_STATUS);
        EXPECT_EQ(writes.back().Value, ZV_CMD_ENABLE_AUX);
        EXPECT_TRUE(Sim->Keyboard().Scanning());
        ASSERT_FALSE(Sim->Keyboard().Received().empty());
        EXPECT_EQ(Sim->Keyboard().Received().back(), ZORVATEK_KBD_ENABLE);
        EXPECT_EQ(Sim->TypematicRequests(), exchanges);
        EXPECT_EQ(Sim->Filter().Capturing, 0);
        EXPECT_EQ(Sim->LockViolations(), 0);
    }

    static TBytes Frame(const TBytes& data) { return TScriptedResponder::Frame(data); }

    TScriptedResponder* Script = nullptr;
    std::unique_ptr<TSimulatedDriver> Sim;
};

} // namespace lay::sim
