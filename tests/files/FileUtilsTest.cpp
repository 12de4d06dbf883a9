#include "files/FileUtils.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace lay {
namespace {

std::vector<std::string> Names(const std::vector<std::filesystem::path>& files) {
    std::vector<std::string> names;
    for (const auto& file : files)
        names.push_back(FromPath(file.filename()));
    return names;
}

TEST(ListXmlFiles, NamesTheXmlFilesAndKeepsTheCurrentFolder) {
    namespace fs = std::filesystem;
    const fs::path dir =
        fs::path(testing::TempDir()) / ("layomatic-listxml-" + std::to_string(std::random_device{}()));
    fs::remove_all(dir);
    fs::create_directories(dir / "folder.xml");
    for (const char8_t* name :
         {u8"b.xml", u8"A.XML", u8".hidden.xml", u8"notes.txt", u8"xml", u8"c.xml.bak", u8"Клавиатура.xml"})
        std::ofstream(dir / fs::path(name)) << "<x/>";
    const fs::path before = fs::current_path();

    std::error_code ec;
    const std::vector<fs::path> files = ListXmlFiles(dir, ec);
    EXPECT_FALSE(ec);
    EXPECT_EQ(Names(files), (std::vector<std::string>{".hidden.xml", "A.XML", "b.xml", "Клавиатура.xml"}));
    EXPECT_EQ(files.front().parent_path(), dir);
    EXPECT_EQ(fs::current_path(), before);

    EXPECT_TRUE(ListXmlFiles(dir / "missing", ec).empty());
    EXPECT_TRUE(ec);
    EXPECT_TRUE(ListXmlFiles(dir / "b.xml", ec).empty()) << "a file is not a folder";
    EXPECT_TRUE(ec);
    fs::remove_all(dir);
}

} // namespace
} // namespace lay
