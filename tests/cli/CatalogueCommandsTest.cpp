#include "cli/Commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

using namespace lay;

namespace {

struct TCatalogueResult {
    int Status;
    std::string Out;
    std::string Err;
};

TCatalogueResult RunCatalogue(const std::vector<std::string>& words) {
    std::ostringstream out, err;
    const int status = cli::Run(words, out, err);
    return {status, out.str(), err.str()};
}

const std::string kShipped = LAYOMATIC_DATA "/Клавиатуры";

} // namespace

TEST(CliKeyboards, OneLinePerModel) {
    const TCatalogueResult r = RunCatalogue({"keyboards", "--catalogue", kShipped});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    EXPECT_NE(r.Out.find("ID  Имя          Класс        Модель  Матрица  Слои  Дорожки  Ключ  Слоты\n"),
              std::string::npos)
        << r.Out;
    EXPECT_NE(r.Out.find("\n1   Kvarta-60    Кварта 60    1       10x6     2     1,2,3    6     60\n"),
              std::string::npos)
        << r.Out;
    EXPECT_NE(r.Out.find("\n5   Tertsiya-28  Терция 28    5       8x4      1     -        -     28\n"),
              std::string::npos)
        << r.Out;
}

TEST(CliKeyboards, SkippedFilesAreToldAndFolderErrorsFail) {
    const TCatalogueResult mixed =
        RunCatalogue({"keyboards", "--catalogue", LAYOMATIC_TEST_DATA "/catalogue/mixed"});
    EXPECT_EQ(mixed.Status, 0);
    EXPECT_EQ(std::count(mixed.Out.begin(), mixed.Out.end(), '\n'), 4) << mixed.Out;
    EXPECT_NE(mixed.Err.find("Ошибка в файле b-wrong-root.xml: Неверное имя корневого элемента.\n"),
              std::string::npos)
        << mixed.Err;

    const TCatalogueResult missing = RunCatalogue({"keyboards", "--catalogue", "/no/such/folder"});
    EXPECT_EQ(missing.Status, 1);
    EXPECT_NE(missing.Err.find("Не существует директория \"/no/such/folder\""), std::string::npos);
}

TEST(CliKeyboard, OneModelWithItsParameterGroups) {
    const TCatalogueResult r = RunCatalogue({"keyboard", "3", "--catalogue", kShipped});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find("Дорожки считывателя  1,2\n"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("[Устройство]\n"
                         "  Клавиши: 84, из них 14 двойной ширины\n"
                         "  [Считыватель]\n"
                         "    Скорость: до 1,5 м/с\n"
                         "    [Дорожки]\n"
                         "      Дорожка 1: IATA, 210 bpi\n"),
              std::string::npos)
        << r.Out;

    const TCatalogueResult unknown = RunCatalogue({"keyboard", "99", "--catalogue", kShipped});
    EXPECT_EQ(unknown.Status, 1);
    EXPECT_EQ(unknown.Err, "Не найдено описание клавиатуры с идентификатором 99.\n");
    EXPECT_EQ(RunCatalogue({"keyboard", "x"}).Status, 2);
    EXPECT_EQ(RunCatalogue({"keyboard"}).Status, 2);
}
