#include "link/OpenError.h"

#include <cstring>

namespace zort {

std::string OpenError::Describe() const {
    const std::string where = port.empty() ? std::string("(порт не выбран)") : port;
    switch (reason) {
        case OpenFailure::kNone:
            return {};
        case OpenFailure::kNoDevice:
            return "Порт " + where + " не найден: устройство не подключено или имя порта неверно";
        case OpenFailure::kPermissionDenied:
            return "Нет доступа к порту " + where + ": добавьте пользователя в группу «" +
                   (accessGroup.empty() ? std::string("dialout") : accessGroup) +
                   "» и войдите в систему заново";
        case OpenFailure::kBusy:
            return "Порт " + where +
                   " занят другой программой (новое устройство в течение нескольких секунд может "
                   "проверять ModemManager — повторите попытку)";
        case OpenFailure::kNotSerial:
            return where + " не является последовательным портом";
        case OpenFailure::kSetupFailed:
            return "Не удалось настроить порт " + where + ": " + std::strerror(osError);
        case OpenFailure::kCancelled:
            return "Работа с портом " + where + " прервана";
    }
    return {};
}

}  // namespace zort
