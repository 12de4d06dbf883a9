#include "files/CodeSetFile.h"
#include "files/FileUtils.h"
#include "model/Errors.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace lay;

namespace {

const std::string kCodes = std::string(LAYOMATIC_TEST_DATA) + "/codes/";

void ExpectSameSet(const TCodeSet& a, const TCodeSet& b) {
    ASSERT_EQ(a.Count(), b.Count());
    for (int g = 0; g < a.Count(); ++g) {
        EXPECT_EQ(a.Items(g).Name(), b.Items(g).Name());
        ASSERT_EQ(a.Items(g).Count(), b.Items(g).Count());
        for (int k = 0; k < a.Items(g).Count(); ++k) {
            const TStdCode& x = a.Items(g).Items(k);
            const TStdCode& y = b.Items(g).Items(k);
            EXPECT_EQ(x.Name, y.Name);
            EXPECT_EQ(x.Scancode, y.Scancode) << x.Name;
            EXPECT_EQ(x.Makecode, y.Makecode) << x.Name;
            EXPECT_EQ(x.Breakcode, y.Breakcode) << x.Name;
        }
    }
}

} // namespace

TEST(CodeSetFile, ShippedFileHoldsTheBuiltInSet) {
    TCodeSet builtIn;
    builtIn.LoadDefault();
    TCodeSet shipped;
    TCodeSetFile::LoadFromFile(shipped, std::string(LAYOMATIC_DATA) + "/Клавиши/Клавиши.xml");
    ExpectSameSet(shipped, builtIn);

    // And it is exactly what the writer makes of the built-in set today.
    const auto file = std::filesystem::temp_directory_path() / "layomatic-codes.xml";
    TCodeSetFile::SaveToFile(builtIn, file.string());
    EXPECT_EQ(ReadFileBytes(file.string()), ReadFileBytes(std::string(LAYOMATIC_DATA) + "/Клавиши/Клавиши.xml"))
        << "regenerate with: layomatic-cli codes --built-in --save data/Клавиши/Клавиши.xml";
    std::filesystem::remove(file);
}

TEST(CodeSetFile, TheFileBesideTheProgramIsUsed) {
    TCodeSet set;
    EXPECT_TRUE(TCodeSetFile::Load(set)) << TCodeSetFile::DefaultFileName();
    EXPECT_EQ(set.Count(), 8);
}

TEST(CodeSetFile, LowerCaseLettersAreSeparators) {
    TCodeSet set;
    TCodeSetFile::LoadFromFile(set, kCodes + "lower-case.xml");
    ASSERT_EQ(set.Count(), 1);
    EXPECT_EQ(set.Items(0).Name(), "Касса");
    const TStdCode& code = set.Items(0).Items(0);
    EXPECT_EQ(code.Name, "Итог");
    EXPECT_EQ(code.Makecode, (TBytes{0x00, 0x01})) << "«e0 1c» is read as 0 and 1";
    EXPECT_TRUE(set.Items(0).Items(1).Breakcode.empty()) << "a missing attribute is empty";
}

TEST(CodeSetFile, UnusableFilesFallBackToTheBuiltInSet) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"wrong-root.xml", "Неверное имя корневого элемента в файле описания стандартных кодов."},
        {"no-groups.xml", "Отсутствуют группы клавиш в файле описания стандартных кодов."},
        {"truncated.xml", "Ошибка в XML файле"},
        {"missing.xml", ""},
    };
    for (const auto& [file, message] : cases) {
        TCodeSet direct;
        try {
            TCodeSetFile::LoadFromFile(direct, kCodes + file);
            FAIL() << file;
        } catch (const Exception& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << file << ": " << e.what();
        }
        TCodeSet set;
        EXPECT_FALSE(TCodeSetFile::Load(set, kCodes + file));
        ASSERT_EQ(set.Count(), 8) << file;
        int keys = 0;
        for (int g = 0; g < set.Count(); ++g)
            keys += set.Items(g).Count();
        EXPECT_EQ(keys, 125) << file;
    }
}
