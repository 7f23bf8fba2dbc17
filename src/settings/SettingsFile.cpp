#include "settings/SettingsFile.h"

#include <cerrno>
#include <filesystem>
#include <fstream>

namespace zort {
namespace {

std::filesystem::path PathFromUtf8(const std::string& utf8) {
    // Through char8_t so that Windows does not read the bytes in the ANSI code page.
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::error_code LastError() {
    return std::error_code(errno, std::generic_category());
}

}  // namespace

std::string CfgFileName(std::string name) {
    if (name.find(".cfg") == std::string::npos) name += ".cfg";
    return name;
}

FileResult WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes) {
    const std::filesystem::path target = PathFromUtf8(path);
    std::filesystem::path temporary = target;
    temporary += ".tmp";

    errno = 0;
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return FileResult::Failure(std::string(kOpenFileError), LastError());
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    std::error_code ec;
    if (!out) {
        const std::error_code writeError = LastError();
        std::filesystem::remove(temporary, ec);
        return FileResult::Failure(std::string(kWriteFileError), writeError);
    }
    std::filesystem::rename(temporary, target, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return FileResult::Failure(std::string(kOpenFileError), ec);
    }
    return FileResult::Success();
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
