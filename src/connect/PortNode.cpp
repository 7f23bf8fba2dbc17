#include "connect/PortNode.h"

namespace zort {

std::string NotSerialReason(const std::string& path, NodeKind kind) {
    const std::string head = path + " не является последовательным портом: ";
    switch (kind) {
        case NodeKind::kRegularFile:
            return head + "это обычный файл";
        case NodeKind::kDirectory:
            return head + "это папка";
        case NodeKind::kFifo:
            return head + "это именованный канал";
        case NodeKind::kSocket:
            return head + "это сокет";
        case NodeKind::kBlockDevice:
            return head + "это блочное устройство";
        case NodeKind::kCharDevice:
            return head + "это устройство, но не терминал";
        case NodeKind::kSystemTerminal:
            return head + "это консоль или служебный терминал системы";
        case NodeKind::kMissing:
        case NodeKind::kInaccessible:
        case NodeKind::kSerialLine:
            break;
    }
    return {};
}

}  // namespace zort
