// The line a person reads when a port does not open: exact texts, on each system its own.

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "link/OpenError.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace zort {
namespace {

struct Described {
    OpenError error;
    std::string text;
};

TEST(OpenError, EachFailureSaysWhatWentWrongAndWhatHelps) {
    const std::vector<Described> cases = {
        {{OpenFailure::kNone, 0, "COM5", {}}, ""},
        {{OpenFailure::kNotSerial, 0, "NUL", {}}, "NUL не является последовательным портом"},
        {{OpenFailure::kCancelled, 0, "COM5", {}}, "Работа с портом COM5 прервана"},
        {{OpenFailure::kNoDevice, 0, "", {}},
         "Порт (порт не выбран) не найден: устройство не подключено или имя порта неверно"},
#ifdef _WIN32
        {{OpenFailure::kNoDevice, ERROR_FILE_NOT_FOUND, "COM0", {}},
         "Порт COM0 не найден: устройство не подключено или имя порта неверно"},
        {{OpenFailure::kBusy, ERROR_ACCESS_DENIED, "COM5", {}},
         "Порт COM5 занят другой программой (закройте её и повторите попытку)"},
        {{OpenFailure::kPermissionDenied, ERROR_ACCESS_DENIED, "COM5", {}},
         "Нет доступа к порту COM5: " + OsErrorText(ERROR_ACCESS_DENIED)},
        {{OpenFailure::kSetupFailed, ERROR_GEN_FAILURE, "COM5", {}},
         "Не удалось настроить порт COM5: " + OsErrorText(ERROR_GEN_FAILURE)},
#else
        {{OpenFailure::kNoDevice, ENOENT, "/dev/ttyACM0", {}},
         "Порт /dev/ttyACM0 не найден: устройство не подключено или имя порта неверно"},
        {{OpenFailure::kBusy, EBUSY, "/dev/ttyACM0", {}},
         "Порт /dev/ttyACM0 занят другой программой (новое устройство в течение нескольких секунд может "
         "проверять ModemManager — повторите попытку)"},
        {{OpenFailure::kPermissionDenied, EACCES, "/dev/ttyACM0", "uucp"},
         "Нет доступа к порту /dev/ttyACM0: добавьте пользователя в группу «uucp» и войдите в систему "
         "заново"},
        {{OpenFailure::kPermissionDenied, EACCES, "/dev/ttyACM0", ""},
         "Нет доступа к порту /dev/ttyACM0: добавьте пользователя в группу «dialout» и войдите в систему "
         "заново"},
        {{OpenFailure::kSetupFailed, EIO, "/dev/ttyACM0", {}},
         "Не удалось настроить порт /dev/ttyACM0: Input/output error"},
#endif
    };
    for (const Described& c : cases) EXPECT_EQ(c.error.Describe(), c.text);
}

#ifdef _WIN32
// The system's sentence goes on inside ours: no closing dot, no line break; an error the
// system has no text for is still named.
TEST(OpenError, TheSystemsReasonIsCutToFitASentence) {
    for (const DWORD code :
         {ERROR_GEN_FAILURE, ERROR_ACCESS_DENIED, ERROR_BAD_COMMAND, ERROR_FILE_NOT_FOUND}) {
        const std::string text = OsErrorText(static_cast<int>(code));
        ASSERT_FALSE(text.empty()) << code;
        EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
        EXPECT_NE(text.back(), '.') << text;
        EXPECT_NE(text.back(), ' ') << text;
        EXPECT_EQ(text.find("системная ошибка"), std::string::npos) << text;
    }
    EXPECT_EQ(OsErrorText(0x2BADBEEF), "системная ошибка 732806895");
}
#endif

}  // namespace
}  // namespace zort
