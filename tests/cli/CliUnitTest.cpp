// The pure parts of zortcfg: the JSON settings document, the progress line and the
// answers to the write button's questions; and how its long-running commands take Ctrl+C.

#include <gtest/gtest.h>

#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/CliPrompts.h"
#include "cli/ConsoleSink.h"
#include "cli/Interrupts.h"
#include "cli/SettingsDocument.h"
#include "cli/StatusPrint.h"
#include "files/Utf8Path.h"
#include "link/Cp1251.h"
#include "settings/SettingsDefaults.h"
#include "support/TempFolder.h"

#ifdef _WIN32
#include <windows.h>

#include <cstdlib>

#include "CliProcessWindows.h"
#else
#include <signal.h>
#endif

namespace zort::cli {
namespace {

TEST(SettingsDocument, RoundTripKeepsEverySlotTextInSlotOrder) {
    SettingsImage image;
    StoreDefaults(image, "+79001234567");
    image.SetText(29, Utf8ToCp1251("ЗОРТ Z410 №004217"));
    image.SetText(11, Utf8ToCp1251("пароль \"с\" кавычками\\"));
    const std::string text = SettingsToJson(image);

    const auto document = nlohmann::ordered_json::parse(text);
    ASSERT_EQ(document.size(), 30u);
    EXPECT_EQ(document.begin().key(), "owner_phone");
    EXPECT_EQ((--document.end()).key(), "device_identity");

    SettingsImage back;
    ASSERT_TRUE(ApplySettingsJson(text, "x", back).Ok());
    for (int slot = 0; slot < kSlotCount; ++slot) EXPECT_EQ(back.Text(slot), image.Text(slot)) << slot;
}

TEST(SettingsDocument, AbsentKeysKeepTheirValues) {
    SettingsImage image;
    StoreDefaults(image, "");
    ASSERT_TRUE(ApplySettingsJson(R"({"pin": "4321", "wialon_password": ""})", "x", image).Ok());
    EXPECT_EQ(image.Text(1), "4321");
    EXPECT_EQ(image.Text(2), "3");
    EXPECT_EQ(image.Text(11), "");
}

TEST(SettingsDocument, RefusalsNameEveryOffendingKeyAndChangeNothing) {
    SettingsImage image;
    StoreDefaults(image, "");
    const SettingsImage before = image;
    const Outcome o = ApplySettingsJson(
        R"({"pin": "9999", "colour": "red", "time_zone": 3, "owner_phone": "☎", "server_host": "ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ",
            "balance_code": "a\u0000b"})",
        "in.json", image);
    EXPECT_EQ(o.kind, OutcomeKind::kBadInput);
    EXPECT_EQ(o.message, "Ошибка в файле настроек «in.json»");
    EXPECT_EQ(o.detail,
              "«colour»: неизвестный ключ\n"
              "«time_zone»: значение должно быть строкой\n"
              "«owner_phone»: текст содержит символы, которых нет в кодировке Windows-1251\n"
              "«server_host»: текст длиннее 31 символа\n"
              "«balance_code»: текст содержит нулевой символ");
    EXPECT_EQ(image, before) << "not even the good pin is stored";

    EXPECT_EQ(ApplySettingsJson("\"pin\"", "x", image).kind, OutcomeKind::kBadInput);
    EXPECT_EQ(ApplySettingsJson("{\"pin\": \"12\xFF\"}", "x", image).kind, OutcomeKind::kBadInput)
        << "not UTF-8";
    // Found by fuzzing: a number too large for a double made the parser throw a
    // different exception, which ended the program.
    EXPECT_EQ(ApplySettingsJson("{\"pin\": 2" + std::string(90, '2') + "e222222}", "x", image).kind,
              OutcomeKind::kBadInput);
    EXPECT_EQ(image, before);
}

TEST(SettingsDocument, ThirtyOneCyrillicLettersFitASlot) {
    // 62 bytes of UTF-8, but one byte each in the slot.
    const std::string letters = "ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ";
    SettingsImage image;
    ASSERT_TRUE(ApplySettingAssignments({"wialon_password=" + letters}, image).Ok());
    EXPECT_EQ(image.Utf8Text(11), letters);
}

TEST(SettingsDocument, AssignmentsApplyInOrder) {
    SettingsImage image;
    ASSERT_TRUE(
        ApplySettingAssignments({"pin=1111", "pin=2222", "server_host=", "balance_code=a=b"}, image).Ok());
    EXPECT_EQ(image.Text(1), "2222");
    EXPECT_EQ(image.Text(6), "");
    EXPECT_EQ(image.Text(23), "a=b");

    const Outcome o = ApplySettingAssignments({"=1", "pin", "pin=123"}, image);
    EXPECT_EQ(o.kind, OutcomeKind::kBadInput);
    EXPECT_EQ(o.detail, "«=1»: ожидается ИМЯ=ТЕКСТ\n«pin»: ожидается ИМЯ=ТЕКСТ");
    EXPECT_EQ(image.Text(1), "2222");
}

TEST(ProgressLine, ShowsPercentAndExtrapolatedTimeLeft) {
    EXPECT_EQ(ProgressLine("Чтение настроек...", 30, 0, 0.5),
              "Чтение настроек... [------------------------------]   0%  осталось --:--");
    EXPECT_EQ(ProgressLine("x", 30, 15, 10.0), "x [###############---------------]  50%  осталось 0:10");
    // 64 KiB at 9600 baud: a minute and more.
    EXPECT_EQ(ProgressLine("x", 1000, 100, 9.0), "x [###---------------------------]  10%  осталось 1:21");
    EXPECT_EQ(ProgressLine("x", 100, 1, 40.0), "x [------------------------------]   1%  осталось 1:06:00");
    // Out-of-range reports never divide by zero or overflow the bar.
    EXPECT_EQ(ProgressLine("x", 0, 5, 1.0), "x [------------------------------]   0%  осталось --:--");
    EXPECT_EQ(ProgressLine("x", 10, 12, 1.0), "x [##############################] 100%  осталось 0:00");
}

TEST(CliPrompts, NoUnlessYesAndTheQuestionIsKeptOrPrinted) {
    CliPrompts refusing(false);
    EXPECT_FALSE(refusing.AskYesNo("конфигуратор", "Записать?"));
    EXPECT_EQ(refusing.Refusal(), "Записать?");
    EXPECT_NE(refusing.Hint().find("--yes"), std::string::npos);
    refusing.Warn("конфигуратор", "Вы не задали PIN-код устройства");
    EXPECT_EQ(refusing.Refusal(), "Вы не задали PIN-код устройства");
    EXPECT_EQ(refusing.Hint(), "");

    test::TempFolder folder;
    std::FILE* out = OpenFileUtf8(folder.File("prompts.txt"), "wb");
    ASSERT_NE(out, nullptr);
    CliPrompts agreeing(true, out);
    EXPECT_TRUE(agreeing.AskYesNo("конфигуратор", "Записать?"));
    std::fclose(out);
    EXPECT_EQ(folder.Read("prompts.txt"), "Записать?\nДа (--yes)\n");
    EXPECT_EQ(agreeing.Refusal(), "");
}

}  // namespace
}  // namespace zort::cli

namespace zort::cli {
namespace {

// What is not known stays unknown: null in the document, "нет данных" in the text, and
// never a zero that a script would take for a measurement.
TEST(StatusPrint, UnknownIsNullOrNoDataAndKnownValuesKeepTheirUnits) {
    TrackerStatus unknown;
    unknown.gsm.modemAnswers = true;
    const nlohmann::ordered_json empty = StatusJson(unknown, true);
    EXPECT_EQ(empty["gnss"]["fix"], "none");
    for (const char* key : {"hdop", "latitude", "longitude", "utc"})
        EXPECT_TRUE(empty["gnss"][key].is_null()) << key;
    for (const char* key : {"signal_dbm", "bars", "registration", "operator", "sim", "iccid", "balance"}) {
        EXPECT_TRUE(empty["gsm"][key].is_null()) << key;
    }
    EXPECT_FALSE(StatusJson(unknown, false)["gsm"].contains("balance"));
    const std::string emptyText = StatusText(unknown);
    EXPECT_NE(emptyText.find("GPS/ГЛОНАСС: нет данных"), std::string::npos) << emptyText;
    EXPECT_NE(emptyText.find("сигнал нет данных, сеть: нет данных, оператор: нет данных"), std::string::npos)
        << emptyText;

    TrackerStatus known;
    GnssStatus& g = known.gnss;
    g.anySentence = true;
    g.fix = FixKind::k3D;
    g.satellitesUsed = 1;
    g.satellitesInView = 2;
    g.usedBySystem[0] = 1;
    g.inViewBySystem[0] = 1;
    g.inViewBySystem[1] = 1;
    g.satellites = {{GnssSystem::kGps, 4, 64, 71, 42, true}, {GnssSystem::kGlonass, 70, -1, -1, -1, false}};
    g.hdop = 0.9;
    g.latitude = 55.751890;
    g.longitude = -37.5;
    g.utcTime = "12:00:05";
    g.utcDate = "2024-03-15";
    known.gsm = {true,
                 SignalQuality{21, -71, 4},
                 Registration::kRoaming,
                 std::string(),
                 SimState::kPinNeeded,
                 std::string("89701012345678901234"),
                 std::nullopt,
                 false,
                 0};
    const nlohmann::ordered_json j = StatusJson(known, false);
    EXPECT_EQ(j["gnss"]["fix"], "3d");
    EXPECT_EQ(j["gnss"]["utc"], "2024-03-15T12:00:05Z");
    EXPECT_DOUBLE_EQ(j["gnss"]["longitude"].get<double>(), -37.5);
    EXPECT_EQ(j["gnss"]["satellites"][0],
              nlohmann::ordered_json::parse(
                  R"({"system":"GPS","prn":4,"elevation":64,"azimuth":71,"snr":42,"used":true})"));
    EXPECT_EQ(
        j["gnss"]["satellites"][1],
        nlohmann::ordered_json::parse(
            R"({"system":"GLONASS","prn":70,"elevation":null,"azimuth":null,"snr":null,"used":false})"));
    EXPECT_EQ(j["gsm"]["signal_dbm"], -71);
    EXPECT_EQ(j["gsm"]["registration"], "roaming");
    EXPECT_EQ(j["gsm"]["operator"], "") << "registered nowhere is known, and not null";
    EXPECT_EQ(j["gsm"]["sim"], "pin");
    const std::string text = StatusText(known);
    EXPECT_NE(text.find("решение 3D, спутников 1 из 2 (GPS 1/1, ГЛОНАСС 0/1), HDOP 0.9"), std::string::npos)
        << text;
    EXPECT_NE(text.find("GLONASS    70      -      -    -  нет"), std::string::npos) << text;
    EXPECT_NE(text.find("сигнал -71 дБм (4 из 5), сеть: роуминг, оператор: нет"), std::string::npos) << text;
    EXPECT_NE(text.find("SIM-карта: нужен PIN-код, ICCID 89701012345678901234"), std::string::npos) << text;
}

}  // namespace
}  // namespace zort::cli

namespace zort::cli {
namespace {

#ifdef _WIN32

// The console's Ctrl+C reaches every program attached to it (the test runner, the shell):
// the test runs itself again with a console of its own and sends it there.
TEST(Interrupts, CtrlCIsTakenByTheWaitOnceInsteadOfEndingTheProgram) {
    if (std::getenv("ZORT_INTERRUPTS_CHILD") == nullptr) {
        ::SetEnvironmentVariableW(L"ZORT_INTERRUPTS_CHILD", L"1");
        const test::CliResult child = test::RunProgram(
            test::ProgramFolder() + L"cli_unit_tests.exe",
            {"--gtest_filter=Interrupts.CtrlCIsTakenByTheWaitOnceInsteadOfEndingTheProgram"}, {{}, true});
        ::SetEnvironmentVariableW(L"ZORT_INTERRUPTS_CHILD", nullptr);
        EXPECT_EQ(child.status, 0) << child.out << child.err;
        EXPECT_NE(child.out.find("[  PASSED  ] 1 test"), std::string::npos) << child.out;
        return;
    }
    Interrupts interrupts;
    EXPECT_FALSE(interrupts.Within(20));
    ASSERT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) << ::GetLastError();
    EXPECT_TRUE(interrupts.Within(10000));
    EXPECT_FALSE(interrupts.Within(20)) << "one Ctrl+C is taken once";
    ASSERT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) << ::GetLastError();
    interrupts.Await();
}

#else

TEST(Interrupts, ATerminationRequestIsTakenByTheWaitOnceInsteadOfEndingTheProgram) {
    Interrupts interrupts;
    EXPECT_FALSE(interrupts.Within(20));
    ASSERT_EQ(::raise(SIGTERM), 0);
    EXPECT_TRUE(interrupts.Within(10000));
    EXPECT_FALSE(interrupts.Within(20)) << "one request is taken once";
    ASSERT_EQ(::raise(SIGINT), 0);
    interrupts.Await();
}

#endif

}  // namespace
}  // namespace zort::cli
