#include "CliRun.h"

#include "files/FileUtils.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace lay;
using test::RunCli;

namespace {

const std::string kSample = std::string(LAYOMATIC_TEST_DATA) + "/layouts/layout-210.xml";
using test::kCatalogue;

} // namespace

TEST(RenderCommand, WritesTheMetafileThatConvertWrites) {
    const auto dir = std::filesystem::temp_directory_path() / "layomatic-cli-render";
    std::filesystem::create_directories(dir);
    const std::string rendered = (dir / "a.emf").string();
    const std::string converted = (dir / "b.emf").string();

    auto r = RunCli({"render", kSample, rendered, "--catalogue", kCatalogue});
    ASSERT_EQ(r.Status, 0) << r.Err;
    r = RunCli({"convert", kSample, converted, "--to", "emf", "--catalogue", kCatalogue});
    ASSERT_EQ(r.Status, 0) << r.Err;
    const std::string bytes = ReadFileBytes(rendered);
    ASSERT_GE(bytes.size(), 44u);
    EXPECT_EQ(bytes.substr(40, 4), " EMF");
    EXPECT_EQ(bytes, ReadFileBytes(converted));
    std::filesystem::remove_all(dir);
}

TEST(RenderCommand, WrongUseIsAUsageError) {
    EXPECT_EQ(RunCli({"render", kSample}).Status, 2);
    EXPECT_EQ(RunCli({"render", kSample, "x.emf", "--to", "xml"}).Status, 2);
    const auto missing =
        RunCli({"render", "/nonexistent/layout.xml", "/tmp/never.emf", "--catalogue", kCatalogue});
    EXPECT_EQ(missing.Status, 1);
    EXPECT_FALSE(std::filesystem::exists("/tmp/never.emf"));
}
