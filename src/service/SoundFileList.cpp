#include "service/SoundFileList.h"

#include <algorithm>
#include <filesystem>

#include "files/Utf8Path.h"

namespace zort {
namespace {

bool HasAmrExtension(const std::string& name) {
    if (name.size() < 4) return false;
    const std::string ext = name.substr(name.size() - 4);
    std::string upper;
    for (char c : ext) upper += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    return upper == ".AMR";
}

}  // namespace

SoundFileList SoundFileList::FromFolder(const std::string& folder) {
    namespace fs = std::filesystem;
    SoundFileList list;
    const fs::path where = PathFromUtf8(folder);
    // A folder Windows cannot list is one that cannot be read.
    if (folder.empty() || PathTooLong(where)) return list;
    std::error_code ec;
    std::vector<std::pair<std::string, int64_t>> found;
    for (fs::directory_iterator it(where, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = Utf8FromPath(it->path().filename());
        std::error_code fileEc;
        if (!HasAmrExtension(name) || !it->is_regular_file(fileEc)) continue;
        const auto size = it->file_size(fileEc);
        if (fileEc) continue;
        found.emplace_back(name, static_cast<int64_t>(size));
    }
    std::sort(found.begin(), found.end());
    for (const auto& [name, size] : found) {
        list.paths.push_back(Utf8FromPath(where / PathFromUtf8(name)));
        list.totalSize += size;
    }
    return list;
}

}  // namespace zort
