#pragma once
// A folder of made-up system files (/sys, /proc, /etc/group, /dev) for one test,
// removed at the end.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace zort::test {

class MadeUpTree {
  public:
    MadeUpTree() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zort-tree-XXXXXX").string();
        EXPECT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
    }
    ~MadeUpTree() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    MadeUpTree(const MadeUpTree&) = delete;
    MadeUpTree& operator=(const MadeUpTree&) = delete;

    std::string Path(const std::string& relative) const { return (root / relative).string(); }

    void Write(const std::string& relative, const std::string& content) const {
        std::filesystem::create_directories((root / relative).parent_path());
        std::ofstream(root / relative, std::ios::binary) << content;
    }
    void Dir(const std::string& relative) const { std::filesystem::create_directories(root / relative); }
    // A symbolic link at `relative` whose text is `target` (it may dangle).
    void Link(const std::string& relative, const std::string& target) const {
        std::filesystem::create_directories((root / relative).parent_path());
        std::filesystem::create_symlink(target, root / relative);
    }

    std::filesystem::path root;
};

}  // namespace zort::test
