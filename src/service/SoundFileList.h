#pragma once
// The sound files of a folder for the upload: its "*.AMR" files, the extension in any
// letter case, sorted by name so every run uploads them in the same order.

#include <cstdint>
#include <string>
#include <vector>

namespace zort {

struct SoundFileList {
    std::vector<std::string> paths;  // folder + "/" + name
    int64_t totalSize = 0;           // sum of the sizes in bytes

    // Regular files only (links to them included): a folder named "x.AMR" could not be
    // uploaded. A folder that cannot be read gives an empty list.
    static SoundFileList FromFolder(const std::string& folder);
};

}  // namespace zort
