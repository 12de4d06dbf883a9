#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/DriverSetup.h"
#include "model/Errors.h"

namespace lay {
namespace {

struct TCommandCase {
    std::vector<std::string> Params;
    TSetupOperation Operation;
    TWindowHandle Owner;
    friend void PrintTo(const TCommandCase& c, std::ostream* os) {
        for (const std::string& p : c.Params)
            *os << '"' << p << "\" ";
    }
};

class SetupCommandTest : public ::testing::TestWithParam<TCommandCase> {};

TEST_P(SetupCommandTest, FindsTheSwitchAndTheOwner) {
    const TSetupCommand command = ParseSetupCommand(GetParam().Params);
    EXPECT_EQ(command.Operation, GetParam().Operation);
    EXPECT_EQ(command.Owner, GetParam().Owner);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, SetupCommandTest,
    ::testing::Values(TCommandCase{{"/INSTALL", "0"}, TSetupOperation::Install, 0},
                      TCommandCase{{"-uninstall", "1234"}, TSetupOperation::Uninstall, 1234},
                      TCommandCase{{"\\Install", "66086"}, TSetupOperation::Install, 66086},
                      TCommandCase{{"/install"}, TSetupOperation::Install, 0},
                      TCommandCase{{"/install", "window"}, TSetupOperation::Install, 0},
                      TCommandCase{{"/install", "12x"}, TSetupOperation::Install, 0},
                      TCommandCase{{"/install", ""}, TSetupOperation::Install, 0},
                      // The owner is always the second parameter, wherever the switch stands.
                      TCommandCase{{"77", "-uninstall"}, TSetupOperation::Uninstall, 0},
                      TCommandCase{{"layout.xml", "88", "/install"}, TSetupOperation::Install, 88},
                      // "install" wins when both are there.
                      TCommandCase{{"-uninstall", "5", "-install"}, TSetupOperation::Install, 5},
                      TCommandCase{{}, TSetupOperation::None, 0},
                      TCommandCase{{"install", "0"}, TSetupOperation::None, 0},
                      TCommandCase{{"/installs", "0"}, TSetupOperation::None, 0},
                      TCommandCase{{"+install", "0"}, TSetupOperation::None, 0},
                      TCommandCase{{"/", "-"}, TSetupOperation::None, 0},
                      TCommandCase{{"layout.xml"}, TSetupOperation::None, 0}));

TEST(SetupErrorText, NamesTheCodeAndWhatToDoAboutIt) {
    EXPECT_EQ(SetupErrorText(true, 2, "Не удается найти указанный файл.", "C:\\Prog\\Inst.inf"),
              "При установке драйвера возникла ошибка:\r\n0x00000002, Не удается найти указанный файл."
              "\r\nНе найден файл C:\\Prog\\Inst.inf для установки драйвера.");
    EXPECT_EQ(
        SetupErrorText(false, 2, "x", "D:\\Inst.inf"),
        "При удалении драйвера возникла ошибка:\r\n0x00000002, x\r\nНе найден файл D:\\Inst.inf для удаления "
        "драйвера.");
    EXPECT_EQ(
        SetupErrorText(true, 5, "Отказано в доступе.", ""),
        "При установке драйвера возникла ошибка:\r\n0x00000005, Отказано в доступе.\r\nВы должны обладать "
        "правами администратора для установки драйвера.");
    EXPECT_EQ(SetupErrorText(false, 5, "y", ""),
              "При удалении драйвера возникла ошибка:\r\n0x00000005, y\r\nВы должны обладать правами "
              "администратора для удаления драйвера.");
    EXPECT_EQ(SetupErrorText(true, 0xE0000203u, "z", "C:\\Inst.inf"),
              "При установке драйвера возникла ошибка:\r\n0xe0000203, z");
}

TEST(SetupErrorText, TwoSetupCodesAreSilent) {
    EXPECT_TRUE(IsSilentSetupError(0xE000022Fu));
    EXPECT_TRUE(IsSilentSetupError(0xE000020Bu));
    EXPECT_FALSE(IsSilentSetupError(0xE000020Cu));
    EXPECT_FALSE(IsSilentSetupError(2));
}

class TRecordingUser : public TSetupUser {
public:
    struct TBox {
        bool Error;
        TWindowHandle Owner;
        std::string Title;
        std::string Text;
    };
    void ShowInformation(TWindowHandle owner, const std::string& title, const std::string& text) override {
        Boxes.push_back({false, owner, title, text});
    }
    void ShowError(TWindowHandle owner, const std::string& title, const std::string& text) override {
        Boxes.push_back({true, owner, title, text});
    }
    std::vector<TBox> Boxes;
};

TEST(InitialCheck, StartsTheProgramNormallyWithoutASwitch) {
    TRecordingUser user;
    EXPECT_FALSE(InitialCheck({"layout.xml", "-installer"}, user));
    EXPECT_TRUE(user.Boxes.empty());
}

#ifndef _WIN32
// Away from Windows the switches are still understood, but nothing is installed or removed and
// the user is told so in an error box; the program ends as it would after the operation.
TEST(InitialCheck, SaysPlainlyThatTheDriverIsInstalledOnWindows) {
    for (const char* op : {"/INSTALL", "-uninstall"}) {
        TRecordingUser user;
        EXPECT_TRUE(InitialCheck({op, "4242"}, user));
        ASSERT_EQ(user.Boxes.size(), 1u) << op;
        EXPECT_TRUE(user.Boxes[0].Error);
        EXPECT_EQ(user.Boxes[0].Owner, 4242);
        EXPECT_EQ(user.Boxes[0].Title, "Ошибка");
        EXPECT_EQ(user.Boxes[0].Text, SDriverOnlyOnWindows);
    }
}

TEST(DriverSetup, NeverReportsSuccessAwayFromWindows) {
    TRecordingUser user;
    EXPECT_THROW(InstallDriver(0, user), Exception);
    EXPECT_THROW(UninstallDriver(0, user), Exception);
    EXPECT_TRUE(user.Boxes.empty());
}
#endif

} // namespace
} // namespace lay
