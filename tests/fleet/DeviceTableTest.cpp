#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <string_view>
#include <system_error>

#include "fleet/DeviceTable.h"
#include "support/TempFolder.h"

namespace zort {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Pair;

TEST(DeviceTableTest, ReadsValuesPerImei) {
    test::TempFolder folder("device-table");
    const std::string file = folder.Write("devices.csv",
                                          "\xEF\xBB\xBF IMEI ;pin;Server_Host;owner_phone\r\n"
                                          "861234567890123;0042;gps.example.ru;+79001234567\r\n"
                                          "\r\n"
                                          " 861234567890124 ;;\" сервер; второй\";\r\n");
    const DeviceTable table = LoadDeviceTable(file);
    ASSERT_TRUE(table.ok) << table.detail;
    EXPECT_EQ(table.source, file);
    ASSERT_EQ(table.rows.size(), 2u);
    EXPECT_EQ(table.rows[0].line, 2);
    EXPECT_THAT(table.rows[0].values, ElementsAre(Pair("pin", "0042"), Pair("server_host", "gps.example.ru"),
                                                  Pair("owner_phone", "+79001234567")));
    EXPECT_EQ(table.rows[1].line, 4);
    EXPECT_EQ(table.rows[1].imei, "861234567890124");
    EXPECT_THAT(table.rows[1].values, ElementsAre(Pair("server_host", " сервер; второй")));

    EXPECT_EQ(table.Find("861234567890124"), &table.rows[1]);
    EXPECT_EQ(table.Find("861234567890125"), nullptr);
    EXPECT_EQ(table.Find(" 861234567890124 "), nullptr);

    // Named as the installer named it: the name reaches the system whole.
    const std::string named = folder.Write("Таблица заказчика.csv", "imei;pin\r\n861234567890123;0042\r\n");
    const DeviceTable cyrillic = LoadDeviceTable(named);
    ASSERT_TRUE(cyrillic.ok) << cyrillic.detail;
    EXPECT_EQ(cyrillic.source, named);
    EXPECT_EQ(cyrillic.rows.size(), 1u);
}

TEST(DeviceTableTest, RefusalsNameEveryLineAndField) {
    struct Case {
        std::string_view bytes;
        std::string_view detail;
    };
    const Case cases[] = {
        {"pin;server_host\n1234;h\n", "строка 1: нет столбца «imei»"},
        {"imei;pin;foo;PIN;\n"
         "861234567890123;1;x;2;\n"
         "86123456789012;1;x;2;\n"
         "861234567890123;1;x;2;\n"
         "861234567890125;1;x\n"
         "86123456789012A;1;x;2;;;\n"
         " ;1;x;2;\n",
         "строка 1, столбец «foo»: такой настройки нет\n"
         "строка 1, столбец «PIN»: повторяется (столбцы 2 и 4)\n"
         "строка 1, столбец 5: у столбца нет имени\n"
         "строка 3, поле «imei»: «86123456789012» — IMEI состоит ровно из 15 цифр\n"
         "строка 4, поле «imei»: 861234567890123 уже есть в строке 2\n"
         "строка 5: 3 поля, а в заголовке 5\n"
         "строка 6: 7 полей, а в заголовке 5\n"
         "строка 6, поле «imei»: «86123456789012A» — IMEI состоит ровно из 15 цифр\n"
         "строка 7, поле «imei»: пусто, а нужен IMEI из 15 цифр"},
        {"imei,Imei\n861234567890123,861234567890123\n",
         "строка 1, столбец «Imei»: повторяется (столбцы 1 и 2)"},
        {"imei\n861234567890123\n861234567890124,\n", "строка 3: 2 поля, а в заголовке 1"},
        {"imei;pin\r\n", "строка 1: под заголовком нет ни одного устройства"},
        {"imei\n\"861234567890123\n", "строка 2: кавычка не закрыта"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.bytes));
        const DeviceTable table = ParseDeviceTable(c.bytes, "devices.csv");
        EXPECT_FALSE(table.ok);
        EXPECT_EQ(table.message, "Ошибка в таблице устройств «devices.csv»");
        EXPECT_EQ(table.detail, c.detail);
        EXPECT_TRUE(table.rows.empty());
    }

    std::string many = "imei\n";
    for (int i = 0; i < 25; ++i) many += "12345\n";
    const DeviceTable crowded = ParseDeviceTable(many, "many.csv");
    EXPECT_EQ(std::count(crowded.detail.begin(), crowded.detail.end(), '\n'), 20);
    EXPECT_TRUE(
        crowded.detail.ends_with("строка 21, поле «imei»: «12345» — IMEI состоит ровно из 15 цифр\n"
                                 "… и ещё 5"))
        << crowded.detail;

    const DeviceTable missing = LoadDeviceTable("/nonexistent/devices.csv");
    EXPECT_FALSE(missing.ok);
    EXPECT_THAT(missing.message, HasSubstr("«/nonexistent/devices.csv»"));
    EXPECT_EQ(missing.detail, "файл не найден");
}

}  // namespace
}  // namespace zort
