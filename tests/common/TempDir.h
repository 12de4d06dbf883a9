#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

// A folder of its own for one test, removed with everything in it afterwards.
class TTempDir {
public:
    TTempDir() {
        std::random_device seed;
        FPath = std::filesystem::temp_directory_path() / ("layomatic-test-" + std::to_string(seed()));
        std::filesystem::create_directories(FPath);
    }
    ~TTempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(FPath, ignored);
    }
    std::string operator/(const std::string& name) const { return (FPath / name).string(); }
    std::string Path() const { return FPath.string(); }

private:
    std::filesystem::path FPath;
};

inline void WriteBytes(const std::string& fileName, const std::string& bytes) {
    std::ofstream(fileName, std::ios::binary) << bytes;
}

inline std::string ReadBytes(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
