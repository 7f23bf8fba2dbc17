#include "settings/SettingsFile.h"

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "files/ReplaceFile.h"
#include "files/Utf8Path.h"

namespace zort {
namespace {

std::error_code LastError() {
    return std::error_code(errno, std::generic_category());
}

}  // namespace

std::string CfgFileName(std::string name) {
    if (name.find(".cfg") == std::string::npos) name += ".cfg";
    return name;
}

FileResult WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
    const auto failed = ReplaceFileWhole(
        PathFromUtf8(path), std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!failed) return FileResult::Success();
    const bool writing = failed->step == ReplaceFileError::Step::kWrite;
    return FileResult::Failure(std::string(writing ? kWriteFileError : kOpenFileError), failed->code);
}

FileResult ReadFileHead(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& bytes) {
    errno = 0;
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    if (!in) return FileResult::Failure(std::string(kOpenFileError), LastError());
    bytes.assign(limit, 0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
    if (in.bad()) return FileResult::Failure("Ошибка чтения файла", LastError());
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return FileResult::Success();
}

}  // namespace zort
