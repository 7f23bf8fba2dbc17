#pragma once
// A folder of made-up system files (/sys, /proc, /etc/group, /dev) for one test,
// removed at the end.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "files/Utf8Path.h"

#ifdef _WIN32
#include <random>
#else
#include <unistd.h>
#endif

namespace zort::test {

class MadeUpTree {
  public:
#ifdef _WIN32
    MadeUpTree() {
        std::random_device random;
        for (int attempt = 0; attempt < 100 && root.empty(); ++attempt) {
            const auto candidate =
                std::filesystem::temp_directory_path() / ("zort-tree-" + std::to_string(random()));
            std::error_code ec;
            // False for a folder that was there already: somebody else's.
            if (std::filesystem::create_directory(candidate, ec)) root = candidate;
        }
        EXPECT_FALSE(root.empty());
    }
#else
    MadeUpTree() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zort-tree-XXXXXX").string();
        EXPECT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
    }
#endif
    ~MadeUpTree() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    MadeUpTree(const MadeUpTree&) = delete;
    MadeUpTree& operator=(const MadeUpTree&) = delete;

    std::string Path(const std::string& relative) const {
        return Utf8FromPath(root / relative);
    }

    void Write(const std::string& relative, const std::string& content) const {
        std::filesystem::create_directories((root / relative).parent_path());
        std::ofstream(root / relative, std::ios::binary) << content;
    }
    void Dir(const std::string& relative) const {
        std::filesystem::create_directories(root / relative);
    }
    // A symbolic link at `relative` whose text is `target` (it may dangle).
    void Link(const std::string& relative, const std::string& target) const {
        std::filesystem::create_directories((root / relative).parent_path());
        std::filesystem::create_symlink(target, root / relative);
    }

    std::filesystem::path root;
};

}  // namespace zort::test
