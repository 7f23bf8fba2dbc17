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

// A path Windows will not open, said in words: Windows itself would only say that the
// folder does not exist.
FileResult PathTooLongFailure() {
    return FileResult::Failure(std::string(kOpenFileError) + ": " + kPathTooLongText);
}

}  // namespace

std::string CfgFileName(std::string name) {
    if (name.find(".cfg") == std::string::npos) name += ".cfg";
    return name;
}

FileResult WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
    const std::filesystem::path file = PathFromUtf8(path);
    if (PathTooLong(file)) return PathTooLongFailure();
    const auto failed =
        ReplaceFileWhole(file, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!failed) return FileResult::Success();
    const bool writing = failed->step == ReplaceFileError::Step::kWrite;
    return FileResult::Failure(std::string(writing ? kWriteFileError : kOpenFileError), failed->code);
}

FileResult ReadFileHead(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& bytes) {
    const std::filesystem::path file = PathFromUtf8(path);
    if (PathTooLong(file)) return PathTooLongFailure();
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in) return FileResult::Failure(std::string(kOpenFileError), LastError());
    bytes.assign(limit, 0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
    if (in.bad()) return FileResult::Failure("Ошибка чтения файла", LastError());
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return FileResult::Success();
}

}  // namespace zort
