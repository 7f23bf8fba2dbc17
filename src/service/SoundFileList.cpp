#include "service/SoundFileList.h"

#include <algorithm>
#include <filesystem>

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
    if (folder.empty()) return list;
    std::error_code ec;
    std::vector<std::pair<std::string, int64_t>> found;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code fileEc;
        if (!HasAmrExtension(name) || !it->is_regular_file(fileEc)) continue;
        const auto size = it->file_size(fileEc);
        if (fileEc) continue;
        found.emplace_back(name, static_cast<int64_t>(size));
    }
    std::sort(found.begin(), found.end());
    for (const auto& [name, size] : found) {
        list.paths.push_back((fs::path(folder) / name).string());
        list.totalSize += size;
    }
    return list;
}

}  // namespace zort
