#include "settings/CommandRecord.h"

namespace zort {

FileResult SaveCommandFile(const std::string& name, const CommandRecord& record) {
    if (!record.IsValid()) return FileResult::Failure("Неизвестная команда WIALON");
    const auto bytes = record.Bytes();
    return WriteFileAtomically(CfgFileName(name), bytes);
}

}  // namespace zort
