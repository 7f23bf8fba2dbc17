#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "settings/CommandRecord.h"
#include "settings/ConfigRecord.h"
#include "settings/SettingsBinding.h"
#include "settings/SettingsDefaults.h"
#include "support/TempFolder.h"

namespace zort {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

class SettingsFileTest : public test::TempFolderTest {
  protected:
    void SetUp() override { StoreDefaults(image, "+79001234567"); }

    SettingsImage image;
};

TEST_F(SettingsFileTest, RecordLayout) {
    ASSERT_TRUE(image.SetText(1, "0123"));
    ASSERT_TRUE(image.SetText(2, "-5"));
    ASSERT_TRUE(image.SetText(21, "2 025"));
    ConfigRecord record;
    ASSERT_TRUE(ConfigRecord::FromImage(image, record));
    const auto& b = record.bytes;

    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(b[1], 1);
    EXPECT_EQ(b[2], 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[3])), "+79001234567");
    EXPECT_EQ(b[33] | b[34] << 8, 123);
    EXPECT_EQ(b[35], 0xFB);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[36])), "1200");
    EXPECT_EQ(b[41], 3);
    EXPECT_EQ(b[42], 3);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[43])), kDefaultServerHost);
    EXPECT_EQ(b[75] | b[76] << 8, 23351);
    EXPECT_EQ(b[77], 0);
    EXPECT_EQ(b[78], 1);
    EXPECT_EQ(b[79] | b[80] << 8, 50);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[81])), "00000");
    EXPECT_EQ(b[91], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[92])), "2300070010001700");
    EXPECT_EQ(b[109], 5);
    EXPECT_EQ(b[110], 1);
    EXPECT_EQ(b[111], 20);
    EXPECT_EQ(b[112], 0);
    EXPECT_EQ(std::string(b.begin() + 113, b.end()), "2 025");  // five characters, no NUL
}

TEST_F(SettingsFileTest, SaveAndLoadRoundTripTheCarriedSlots) {
    ASSERT_TRUE(image.SetText(1, "0123"));
    ASSERT_TRUE(image.SetText(2, "-5"));
    ASSERT_TRUE(image.SetText(0, "00000"));
    ASSERT_TRUE(image.SetText(21, "3 999"));
    ASSERT_TRUE(SaveConfigFile(File("round.cfg"), image));
    EXPECT_EQ(fs::file_size(folder.path / "round.cfg"), kConfigRecordSize);
    EXPECT_FALSE(fs::exists(folder.path / "round.cfg.tmp"));

    // Everything the file does not carry must survive the load.
    SettingsImage loaded;
    for (int slot : {8, 9, 10, 11, 14, 24, 25, 26, 27, 28, 29}) ASSERT_TRUE(loaded.SetText(slot, "keep"));
    ASSERT_TRUE(LoadConfigFile(File("round.cfg"), loaded));
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const bool carried = slot <= 7 || slot == 12 || slot == 13 || (slot >= 15 && slot <= 23);
        EXPECT_EQ(loaded.Text(slot), carried ? image.Text(slot) : "keep") << "slot " << slot;
    }
}

TEST_F(SettingsFileTest, UnsetPortLoadsBackUnset) {
    ASSERT_TRUE(image.SetText(6, ""));
    ASSERT_TRUE(image.SetText(7, ""));
    ASSERT_TRUE(SaveConfigFile(File("noserver.cfg"), image));
    SettingsImage loaded;
    ASSERT_TRUE(LoadConfigFile(File("noserver.cfg"), loaded));
    EXPECT_EQ(loaded.Text(6), "");
    EXPECT_EQ(loaded.Text(7), "");
}

TEST_F(SettingsFileTest, CfgNameRule) {
    EXPECT_EQ(CfgFileName("backup"), "backup.cfg");
    EXPECT_EQ(CfgFileName("backup.cfg"), "backup.cfg");
    EXPECT_EQ(CfgFileName("a.cfg.old"), "a.cfg.old");
    EXPECT_EQ(CfgFileName("a.CFG"), "a.CFG.cfg");

    ASSERT_TRUE(SaveConfigFile(File("plain"), image));
    EXPECT_TRUE(fs::exists(folder.path / "plain.cfg"));
    EXPECT_FALSE(fs::exists(folder.path / "plain"));
    // Loading under the same name finds what saving wrote.
    SettingsImage loaded;
    ASSERT_TRUE(LoadConfigFile(File("plain"), loaded));
    EXPECT_EQ(loaded.Text(6), kDefaultServerHost);
}

TEST_F(SettingsFileTest, ValuesThatDoNotFitAreRefusedBeforeAnythingIsWritten) {
    struct Case {
        int slot;
        std::string text;
        std::string field;
    };
    const Case cases[] = {
        {0, std::string(30, '7'), "«Номер телефона владельца»"},
        {23, std::string(10, '#'), "«Код запроса баланса»"},
        {7, "65536", "«Порт сервера мониторинга»"},
        {22, "70000", "«Порог остатка средств на лицевом счете»"},
        {19, "300", "«Амплитуда воздействия на датчик движения»"},
        {2, "200", "«Часовой пояс»"},
        {21, "2 0250", "«Контроль выхода из зоны охраны»"},
    };
    ASSERT_TRUE(SaveConfigFile(File("kept.cfg"), image));
    const auto original = ReadAll(folder.path / "kept.cfg");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        SettingsImage bad = image;
        ASSERT_TRUE(bad.SetText(c.slot, c.text));
        const FileResult result = SaveConfigFile(File("kept.cfg"), bad);
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.error.find(c.field), std::string::npos) << result.error;
        EXPECT_EQ(ReadAll(folder.path / "kept.cfg"), original);
    }
    // The longest texts that fit are accepted.
    ASSERT_TRUE(image.SetText(0, std::string(29, '7')));
    ASSERT_TRUE(image.SetText(23, std::string(9, '#')));
    ASSERT_TRUE(image.SetText(6, std::string(31, 'h')));
    EXPECT_TRUE(SaveConfigFile(File("full.cfg"), image));
}

TEST_F(SettingsFileTest, FailedSaveLeavesTheExistingFile) {
    ASSERT_TRUE(SaveConfigFile(File("busy.cfg"), image));
    const auto original = ReadAll(folder.path / "busy.cfg");
    fs::create_directory(folder.path / "busy.cfg.tmp");  // the temporary file cannot be created

    ASSERT_TRUE(image.SetText(22, "999"));
    const FileResult result = SaveConfigFile(File("busy.cfg"), image);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "Ошибка открытия файла");
    EXPECT_EQ(ReadAll(folder.path / "busy.cfg"), original);

    EXPECT_FALSE(SaveConfigFile(File("missing/dir/x.cfg"), image).ok);
}

TEST_F(SettingsFileTest, LoadRefusesWhatIsNotASettingsFile) {
    const SettingsImage before = image;
    WriteAll(folder.path / "command.cfg", {2, 1, 2});
    WriteAll(folder.path / "empty.cfg", {});
    WriteAll(folder.path / "two.cfg", {1, 1});
    for (const char* name : {"command.cfg", "empty.cfg", "two.cfg"}) {
        SCOPED_TRACE(name);
        const FileResult result = LoadConfigFile(File(name), image);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, "Файл не является файлом настроек");
        EXPECT_EQ(image, before);
    }
    const FileResult missing = LoadConfigFile(File("absent.cfg"), image);
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error, "Ошибка открытия файла");
    EXPECT_TRUE(missing.osError);
    EXPECT_EQ(image, before);
}

TEST_F(SettingsFileTest, ShortRecordReadsMissingBytesAsZero) {
    // The kind and the start of the phone field only.
    WriteAll(folder.path / "short.cfg", {1, 1, 1, '+', '7', '9'});
    ASSERT_TRUE(LoadConfigFile(File("short.cfg"), image));
    EXPECT_EQ(image.Text(0), "+79");
    EXPECT_EQ(image.Text(1), "0000");
    EXPECT_EQ(image.Text(2), "0");
    EXPECT_EQ(image.Text(3), "");
    EXPECT_EQ(image.Text(7), "");
    EXPECT_EQ(image.Text(17), "0");
    EXPECT_EQ(image.Text(21), "");
    EXPECT_EQ(image.Text(10), kDefaultWialonPort);  // not carried, kept
}

TEST_F(SettingsFileTest, FullWidthTextFieldsStayInsideTheirSlots) {
    // A hand-made record with no NUL in the 32-byte server field.
    std::vector<std::uint8_t> bytes(kConfigRecordSize, 0);
    bytes[0] = bytes[1] = bytes[2] = 1;
    for (int i = 0; i < 32; ++i) bytes[43 + i] = 'S';
    for (int i = 0; i < 5; ++i) bytes[113 + i] = '1';
    WriteAll(folder.path / "wide.cfg", bytes);
    ASSERT_TRUE(LoadConfigFile(File("wide.cfg"), image));
    EXPECT_EQ(image.Text(6), std::string(31, 'S'));
    EXPECT_EQ(image.Text(21), "11111");
}

TEST_F(SettingsFileTest, CommandFile) {
    EXPECT_EQ(kCommandModeChoices[0], "Включить  режим \"ПОИСК\"");
    EXPECT_EQ(kCommandModeChoices[1], "Включить  режим \"ТЕСТ\"");
    EXPECT_EQ(kCommandModeChoices[2], "Включить  режим \"СУТОЧНЫЙ\"");

    ASSERT_TRUE(SaveCommandFile(File("command"), CommandRecord::FromChoice(1)));
    EXPECT_EQ(ReadAll(folder.path / "command.cfg"), (std::vector<std::uint8_t>{2, 1, 2}));
    ASSERT_TRUE(SaveCommandFile(File("command.cfg"), CommandRecord::FromChoice(2)));
    EXPECT_EQ(ReadAll(folder.path / "command.cfg"), (std::vector<std::uint8_t>{2, 1, 3}));

    const FileResult refused = SaveCommandFile(File("bad.cfg"), CommandRecord{4});
    EXPECT_FALSE(refused.ok);
    EXPECT_FALSE(fs::exists(folder.path / "bad.cfg"));
}

TEST(RestoreDefaults, KeepsTheTypedOwnerAndClearsEverythingElse) {
    SettingsImage image;
    for (int s = 0; s < kSlotCount; ++s) image.Slot(s).bytes.fill('#');
    SettingsPages pages;
    pages.Edit1 = "+79990000000";
    pages.Edit2 = "5555";
    pages.Edit11 = "old IMEI";
    RestoreDefaults(image, pages);

    EXPECT_EQ(pages.Edit1, "+79990000000");
    EXPECT_EQ(image.Text(0), "+79990000000");
    EXPECT_EQ(pages.Edit2, kFactoryPin);
    EXPECT_EQ(image.Text(21), "0 001");
    EXPECT_EQ(image.Text(11), "");
    EXPECT_EQ(image.Slot(11).bytes, (std::array<std::uint8_t, kSlotSize>{}));
    for (int slot : {24, 25, 26, 27, 28}) EXPECT_EQ(image.Text(slot), "") << slot;
    EXPECT_EQ(pages.Edit11, "");

    // A typed number no slot can hold is left out of the image but stays typed.
    pages.Edit1 = std::string(40, '9');
    RestoreDefaults(image, pages);
    EXPECT_EQ(image.Text(0), "");
    EXPECT_EQ(pages.Edit1, std::string(40, '9'));
}

}  // namespace
}  // namespace zort
