#pragma once
// Replacing a file the user keeps (a settings file, a command file, config.ini) so that
// whatever happens meanwhile (the program killed, the disk full, the power cut) the file
// is either the old one or the whole new one.
//
// The new content goes to the target's name plus ".tmp", beside it so the rename stays on
// one file system. One fixed name rather than a fresh one per write: a write killed
// half-way leaves a single temporary, which the next write takes over. The temporary is
// flushed to the disk before it is renamed over the target, and the folder after, so a
// power cut right after "saved" cannot leave an empty file behind.

#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

namespace zort {

struct ReplaceFileError {
    enum class Step { kCreate, kWrite, kRename };
    Step step;
    std::error_code code;
    std::filesystem::path temporary;
};

// Nothing on success. On failure the target is untouched and the temporary removed.
std::optional<ReplaceFileError> ReplaceFileWhole(const std::filesystem::path& target,
                                                 std::string_view content);

// The same for a file that must not exist yet (a backup): the whole content appears
// under `target` at once, or nothing does. When `target` exists already the step is
// kRename with EEXIST and the file there is left alone. The temporary's name is this
// call's own, so that programs and threads creating files side by side never share it.
std::optional<ReplaceFileError> CreateFileWhole(const std::filesystem::path& target,
                                                std::string_view content);

}  // namespace zort
