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

#include "files/Utf8Path.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace zort::test {

class TempFolder {
  public:
    // `prefix` says what the folder holds; the process id and a count keep apart the
    // folders of parallel runs and of one test.
    explicit TempFolder(const std::string& prefix = "zort") : path(NewPath(prefix)) {
        RemoveTree(path);
        std::filesystem::create_directories(path);
    }
    ~TempFolder() { RemoveTree(path); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Names are UTF-8, as the program's own file names are; so is the full path returned.
    std::string File(const std::string& name) const { return Utf8FromPath(path / PathFromUtf8(name)); }
    // Creates or replaces `name`; returns its full path.
    std::string Write(const std::string& name, std::string_view bytes) const {
        std::ofstream(path / PathFromUtf8(name), std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return File(name);
    }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        return Write(name, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(path / PathFromUtf8(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }

    const std::filesystem::path path;

  private:
#ifdef _WIN32
    // The C runtime's folder listing, which remove_all uses, cannot follow a path past
    // MAX_PATH, and tests make such paths on purpose; the wide calls behind "\\?\" can.
    static void RemoveTree(const std::filesystem::path& tree) {
        const std::wstring whole = L"\\\\?\\" + std::filesystem::absolute(tree).make_preferred().wstring();
        RemoveLong(whole);
    }
    static void RemoveLong(const std::wstring& tree) {
        WIN32_FIND_DATAW entry;
        const HANDLE found = ::FindFirstFileW((tree + L"\\*").c_str(), &entry);
        if (found != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = entry.cFileName;
                if (name == L"." || name == L"..") continue;
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    RemoveLong(tree + L"\\" + name);
                } else {
                    ::DeleteFileW((tree + L"\\" + name).c_str());
                }
            } while (::FindNextFileW(found, &entry));
            ::FindClose(found);
        }
        ::RemoveDirectoryW(tree.c_str());
    }
#else
    static void RemoveTree(const std::filesystem::path& tree) {
        std::filesystem::remove_all(tree);
    }
#endif

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
