#pragma once
// A folder of a test's own under the test's temporary directory, removed with it, and
// the fixture of the tests that work on files there.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace zort::test {

class TempFolder {
  public:
    // `prefix` says what the folder holds; the process id and a count keep apart the
    // folders of parallel runs and of one test.
    explicit TempFolder(const std::string& prefix = "zort") : path(NewPath(prefix)) {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TempFolder() { std::filesystem::remove_all(path); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string File(const std::string& name) const { return (path / name).string(); }
    // Creates or replaces `name`; returns its full path.
    std::string Write(const std::string& name, std::string_view bytes) const {
        std::ofstream(path / name, std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return File(name);
    }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        return Write(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(path / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    const std::filesystem::path path;

  private:
    static std::filesystem::path NewPath(const std::string& prefix) {
        static int count = 0;
        return std::filesystem::path(::testing::TempDir()) /
               (prefix + "-" + std::to_string(getpid()) + "-" + std::to_string(++count));
    }
};

// A test with a folder of its own and its files named relative to it.
class TempFolderTest : public ::testing::Test {
  protected:
    std::string File(const std::string& name) const { return folder.File(name); }
    std::string Write(const std::string& name, std::string_view bytes) const {
        return folder.Write(name, bytes);
    }
    std::string Read(const std::string& name) const { return folder.Read(name); }

    TempFolder folder;
};

}  // namespace zort::test
