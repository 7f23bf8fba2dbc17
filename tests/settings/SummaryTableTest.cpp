#include <gtest/gtest.h>

#include "link/Cp1251.h"
#include "settings/SettingsDefaults.h"
#include "settings/SummaryTable.h"

namespace zort {
namespace {

TEST(SummaryTable, FactorySettingsInWords) {
    SettingsImage image;
    StoreDefaults(image, "+79001234567");
    SummaryTable table;
    RefreshSummaryTable(image, table);

    const SummaryTable expected = {{
        {"Номер владельца", "+79001234567"},
        {"PIN-код", std::string(kFactoryPin)},
        {"Часовой пояс", "3"},
        {"Время основного сеанса", "12:00"},
        {"Формат координат", "интернет-ссылка"},
        {"Режим передачи данных", "SMS + Сервер"},
        {"Адрес сервера : порт", std::string(kDefaultServerHost) + ":23351"},
        {"Частота выхода на связь", "Каждые 24 часа"},
        {"Период определения координат (Суток)", "Каждый день"},
        {"Охрана по датчику движения", "Отключена"},
        {"Период времени охраны №1", "c 23:00 до 07:00"},
        {"Период времени охраны №2", "c 10:00 до 17:00"},
        {"Тайм-аут датчика движения", "5"},
        {"Защита от ложных срабатываний датчика", "Включена"},
        {"Воздействие на датчик (амплитуда)", "20"},
        {"Воздействие на датчик (длительность)", "0"},
        {"Охрана периметра", "Режим 0"},
        {"Диаметр зоны охраны", "1 км"},
        {"Порог остатка средств", "50"},
        {"Код запроса баланса", "Автоматически"},
    }};
    for (int row = 0; row < kSummaryRows; ++row) {
        EXPECT_EQ(table[row][0], expected[row][0]) << "row " << row;
        EXPECT_EQ(table[row][1], expected[row][1]) << "row " << row;
    }
    // The period rows open with a Latin c, not the Cyrillic letter that looks the same.
    EXPECT_EQ(table[10][1][0], 'c');
}

TEST(SummaryTable, ValuesWithoutWordingKeepThePreviousCell) {
    SettingsImage image;
    StoreDefaults(image, "");
    SummaryTable table;
    RefreshSummaryTable(image, table);

    for (int slot : {4, 5, 12, 15}) ASSERT_TRUE(image.SetText(slot, "9"));
    RefreshSummaryTable(image, table);
    EXPECT_EQ(table[4][1], "интернет-ссылка");
    EXPECT_EQ(table[5][1], "SMS + Сервер");
    EXPECT_EQ(table[7][1], "Каждые 24 часа");
    EXPECT_EQ(table[9][1], "Отключена");

    // Delivery off replaces whatever a previous device showed.
    ASSERT_TRUE(image.SetText(5, "0"));
    RefreshSummaryTable(image, table);
    EXPECT_EQ(table[5][1], "Выключено");
}

TEST(SummaryTable, NumbersAndTextsAsTheSlotsHoldThem) {
    SettingsImage image;
    const std::pair<int, std::string> slots[] = {
        {0, "00000"}, {2, "-5"},     {3, "0705"}, {4, "2"},
        {5, "1"},     {12, "3"},     {13, "6"},   {15, "3"},
        {16, "0130"}, {17, "99"},    {18, "0"},   {19, "1"},
        {20, "40"},   {21, "2 025"}, {22, "0"},   {23, Utf8ToCp1251("*код#")},
    };
    for (const auto& [slot, text] : slots) ASSERT_TRUE(image.SetText(slot, text));
    SummaryTable table;
    RefreshSummaryTable(image, table);
    EXPECT_EQ(table[0][1], "00000");
    EXPECT_EQ(table[1][1], "");
    EXPECT_EQ(table[2][1], "-5");
    EXPECT_EQ(table[3][1], "07:05");
    EXPECT_EQ(table[4][1], "dd° mm' ss,ss''");
    EXPECT_EQ(table[5][1], "SMS");
    EXPECT_EQ(table[6][1], ":");
    EXPECT_EQ(table[7][1], "Каждые 8 часов");
    EXPECT_EQ(table[8][1], "6");
    EXPECT_EQ(table[9][1], "Включена в периоде №1 и №2");
    EXPECT_EQ(table[10][1], "c 01:30 до 00:00");  // a short text reads its missing fields as 0
    EXPECT_EQ(table[11][1], "c 00:00 до 00:00");
    EXPECT_EQ(table[13][1], "Выключена");
    EXPECT_EQ(table[15][1], "40");
    EXPECT_EQ(table[16][1], "Режим 2");
    EXPECT_EQ(table[17][1], "25 км");
    EXPECT_EQ(table[19][1], "*код#");
}

}  // namespace
}  // namespace zort
