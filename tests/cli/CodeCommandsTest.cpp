#include "CliRun.h"

#include <gtest/gtest.h>

using namespace lay;
using test::RunCli;
using TResult = test::TCliResult;

TEST(CliCodes, ListsTheWholeTable) {
    TResult r = RunCli({"codes", "--built-in"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(std::count(r.Out.begin(), r.Out.end(), '\n'), 126) << "a heading and 125 keys";
    EXPECT_NE(r.Out.find("Управляющие клавиши    RCtrl"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("PrintScrn      E0 37     E0 12 E0 7C              E0 F0 7C E0 F0 12"),
              std::string::npos);
}

TEST(CliParse, ShowsElementsBytesCheckAndShortText) {
    TResult r = RunCli({"parse", "+LShift +A -A -LShift"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_NE(r.Out.find("Байты (6): 12 1C F0 1C F0 12"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("Проверка: ошибок нет"), std::string::npos);
    EXPECT_NE(r.Out.find("Кратко: LShift+A"), std::string::npos);
    EXPECT_NE(r.Out.find("-     A       F0 1C"), std::string::npos) << r.Out;
}

TEST(CliParse, FailedCheckAndSkippedTokens) {
    TResult r = RunCli({"parse", "+A bogus"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_NE(r.Out.find("Проверка: Код +A: Нет отжатия."), std::string::npos) << r.Out;
    EXPECT_NE(r.Err.find("bogus"), std::string::npos);
}

TEST(CliParse, TooLongSequenceIsAnError) {
    std::string text;
    for (int i = 0; i < 256; ++i)
        text += "AB ";
    TResult r = RunCli({"parse", text});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err, "Длина скан-кодов не может превышать 255 байт.\n");
}

TEST(CliDecode, DeviceBytesBackToText) {
    TResult r = RunCli({"decode", "12 1c", "F01CF012", "7f"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Out, "+LShift +A -A -LShift 7F\n");
}

TEST(CliUsage, MistakesExitWithTwo) {
    for (const auto& words : std::vector<std::vector<std::string>>{{"decode", "1G"},
                                                                   {"decode", "123"},
                                                                   {"decode"},
                                                                   {"parse"},
                                                                   {"codes", "--bogus"},
                                                                   {"nosuch"},
                                                                   {}}) {
        TResult r = RunCli(words);
        EXPECT_EQ(r.Status, 2) << (words.empty() ? "" : words[0]);
        EXPECT_FALSE(r.Err.empty() && r.Out.empty());
    }
    EXPECT_EQ(RunCli({"parse", "--help"}).Status, 0);
}
