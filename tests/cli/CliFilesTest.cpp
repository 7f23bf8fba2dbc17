// zortcfg's commands that need no device: settings files between formats, the summary
// of a file, the Wialon command file and the command line itself.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "files/Utf8Path.h"
#include "support/TempFolder.h"

#ifdef _WIN32
#include "CliProcessWindows.h"
#else
#include "CliProcess.h"
#endif

namespace zort {
namespace {

namespace fs = std::filesystem;
using test::CliResult;
using test::RunZortcfg;

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class CliFiles : public test::TempFolderTest {};

TEST_F(CliFiles, ConvertRoundTripKeepsTheRecordByteForByte) {
    Write("in.json", R"({"owner_phone": "00000", "pin": "0123", "time_zone": "-5", "balance_code": "*100#",
                         "delivery_mode": "0", "guard_intervals": "0815200000000000"})");
    ASSERT_EQ(RunZortcfg({"convert", File("in.json"), File("a.cfg")}).status, 0);
    const std::string record = Read("a.cfg");
    ASSERT_EQ(record.size(), 118u);
    EXPECT_EQ(record.substr(0, 3), std::string("\x01\x01\x01"));
    EXPECT_EQ(static_cast<uint8_t>(record[33]), 123) << "the PIN travels as a number";
    EXPECT_EQ(static_cast<uint8_t>(record[35]), 0xFB) << "time zone -5";

    const CliResult toJson = RunZortcfg({"convert", File("a.cfg"), File("b.json")});
    ASSERT_EQ(toJson.status, 0) << toJson.err;
    const auto document = nlohmann::json::parse(Read("b.json"));
    EXPECT_EQ(document["pin"], "0123");
    EXPECT_EQ(document["time_zone"], "-5");
    EXPECT_EQ(document["owner_phone"], "00000");
    EXPECT_EQ(document["balance_code"], "*100#");
    EXPECT_EQ(document["wialon_port"], "20332") << "what a .cfg lacks comes from the factory values";
    ASSERT_EQ(RunZortcfg({"convert", File("b.json"), File("c.cfg")}).status, 0);
    EXPECT_EQ(Read("c.cfg"), record);

    const CliResult shown = RunZortcfg({"show", "--cfg", File("c.cfg")});
    ASSERT_EQ(shown.status, 0) << shown.err;
    EXPECT_TRUE(Has(shown.out, "Режим передачи данных                  Выключено\n")) << shown.out;
    EXPECT_TRUE(Has(shown.out, "c 08:15 до 20:00"));
    EXPECT_TRUE(Has(shown.out, "Код запроса баланса                    *100#\n"));
    EXPECT_TRUE(Has(shown.out, "Номер владельца                        00000\n"));
}

TEST_F(CliFiles, ConvertRefusesWhatTheOtherFormatCannotHold) {
    Write("in.json", R"({"pin": "1234"})");
    for (const auto& [in, out] : {std::pair{"in.json", "out.txt"}, std::pair{"in.txt", "out.json"}}) {
        const CliResult r = RunZortcfg({"convert", File(in), File(out)});
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(Has(r.err, "Неизвестный формат файла")) << r.err;
    }
    // 30 digits fit a slot but not the file's 29-character phone field.
    Write("long.json", R"({"owner_phone": "123456789012345678901234567890"})");
    const CliResult r = RunZortcfg({"convert", File("long.json"), File("long.cfg")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Has(r.err, "Номер телефона владельца")) << r.err;
    EXPECT_FALSE(fs::exists(File("long.cfg")));

    Write("other.cfg", std::string("\x02\x01\x02", 3));
    EXPECT_EQ(RunZortcfg({"convert", File("other.cfg"), File("other.json")}).status, 2)
        << "a Wialon command file is not a settings file";
}

TEST_F(CliFiles, WialonCommandWritesTheThreeByteFile) {
    ASSERT_EQ(RunZortcfg({"wialon-command", "test", "-o", File("mode.cfg")}).status, 0);
    EXPECT_EQ(Read("mode.cfg"), std::string("\x02\x01\x02", 3));

    ASSERT_EQ(RunZortcfg({"wialon-command", "daily"}, test::InDirectory(Utf8FromPath(folder.path))).status,
              0);
    EXPECT_EQ(Read("command.cfg"), std::string("\x02\x01\x03", 3));

    // The window's name rule: ".cfg" is appended where the name lacks it.
    ASSERT_EQ(RunZortcfg({"wialon-command", "search", "-o", File("plain")}).status, 0);
    EXPECT_EQ(Read("plain.cfg"), std::string("\x02\x01\x01", 3));

    EXPECT_EQ(RunZortcfg({"wialon-command", "sleep"}).status, 2);
    const CliResult r = RunZortcfg({"wialon-command", "test", "-o", File("no/such/dir/x.cfg")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Has(r.err, "Ошибка открытия файла")) << r.err;
}

// A Cyrillic file name (which the ANSI code page of Windows in most languages lacks) with
// blanks and a sign: it reaches the program whole, the file is read and written under it,
// also relative to the working folder, and a message that names it shows it as it is.
TEST_F(CliFiles, ACyrillicFileNameIsReadAndWrittenUnderItsOwnName) {
    const std::string json =
        Write("Настройки трекера №1.json", R"({"pin": "4321", "owner_phone": "+79001234567"})");
    const CliResult converted = RunZortcfg({"convert", json, File("Копия настроек.cfg")});
    ASSERT_EQ(converted.status, 0) << converted.err;
    EXPECT_EQ(Read("Копия настроек.cfg").size(), 118u);

    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"show", "--cfg", File("Копия настроек.cfg")},
                                               {"show", "--json", "Настройки трекера №1.json"}}) {
        const CliResult shown = RunZortcfg(args, test::InDirectory(Utf8FromPath(folder.path)));
        EXPECT_EQ(shown.status, 0) << args[2] << ": " << shown.err;
        EXPECT_TRUE(Has(shown.out, "PIN-код                                4321\n")) << shown.out;
        EXPECT_TRUE(Has(shown.out, "+79001234567\n")) << shown.out;
    }

    const CliResult missing = RunZortcfg({"show", "--cfg", File("Нет такого файла.cfg")});
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(Has(missing.err, "Нет такого файла.cfg")) << missing.err;
}

TEST_F(CliFiles, UsageErrorsExitWithTwoAndHelpWithZero) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"frobnicate"},
             {"read"},
             {"show"},
             {"show", "--defaults", "--cfg", "x.cfg"},
             {"convert", "a.cfg"},
             {"flash", "--port", "/dev/null"},
             {"write", "--port", "/dev/null", "--defaults", "--set", "pin"}}) {
        const CliResult r = RunZortcfg(args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "" : args[0]) << ": " << r.err;
        EXPECT_FALSE(r.err.empty());
    }
    const CliResult help = RunZortcfg({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* command : {"ports", "read", "write", "show", "convert", "flash", "wialon-command"}) {
        EXPECT_TRUE(Has(help.out, command)) << command;
    }
    EXPECT_EQ(RunZortcfg({"ports"}).status, 0);
}

}  // namespace
}  // namespace zort
