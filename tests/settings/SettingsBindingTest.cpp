#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/Cp1251.h"
#include "settings/PageChoices.h"
#include "settings/ScriptedPrompts.h"
#include "settings/SettingsBinding.h"
#include "settings/SettingsDefaults.h"

namespace zort {
namespace {

using test::PromptCall;

// Pages filled with a value in every control, none of them the factory value.
SettingsPages CustomPages() {
    SettingsPages p;
    p.Edit1 = "+79001234567";
    p.Edit2 = "0123";
    p.ComboBox1 = 7;  // UTC-5
    p.ComboBox2 = 9;
    p.ComboBox3 = 5;
    p.RadioButton12 = true;
    p.ComboBox19 = 1;
    p.Edit7 = "10.0.0.1";
    p.Edit8 = "8080";
    p.CheckBox3 = true;
    p.Edit5 = "relay.example.net";
    p.Edit9 = "20332";
    p.Edit10 = "пароль";
    p.ComboBox16 = 6;
    p.RadioButton5 = true;
    p.RadioButton10 = true;
    p.ComboBox4 = 23, p.ComboBox5 = 0, p.ComboBox6 = 7, p.ComboBox7 = 0;
    p.ComboBox8 = 10, p.ComboBox9 = 30, p.ComboBox10 = 17, p.ComboBox11 = 45;
    p.ComboBox13 = 55;  // 60 minutes
    p.CheckBox2 = false;
    p.ComboBox14 = 0;
    p.ComboBox15 = 40;
    p.ComboBox18 = 2;
    p.Edit6 = "25";
    p.Edit3 = "100";
    p.RadioButton7 = true;
    p.Edit4 = "*100#";
    return p;
}

class ControlsToImageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        pages.Edit1 = "+79001234567";
        RestoreDefaults(image, pages);
        before = image;
    }
    bool Store() { return ControlsToImage(pages, image, prompts); }

    // The one refusal expected: a warning with this text, and the image unchanged.
    void ExpectRefused(std::string_view text, std::string_view title = "Конфигуратор") {
        const std::size_t focusedBefore = prompts.focused.size();
        EXPECT_FALSE(Store());
        EXPECT_EQ(prompts.focused.size(), focusedBefore + 1) << "a refusal leaves the keyboard at its field";
        ASSERT_EQ(prompts.calls.size(), 1u);
        EXPECT_EQ(prompts.calls[0].kind, PromptCall::kWarn);
        EXPECT_EQ(prompts.calls[0].title, title);
        EXPECT_EQ(prompts.calls[0].text, text);
        EXPECT_EQ(image, before);
    }

    SettingsImage image;
    SettingsImage before;
    SettingsPages pages;
    test::ScriptedPrompts prompts{pages};
};

TEST_F(ControlsToImageTest, StoresEveryControlInItsSlotFormat) {
    pages = CustomPages();
    ASSERT_TRUE(Store());
    EXPECT_TRUE(prompts.calls.empty());

    // Slot 11 is checked on its own below: it holds Windows-1251 bytes.
    // clang-format off
    const char* const expected[24] = {
        "+79001234567", "0123", "-5", "0905", "2", "1",             // owner .. delivery
        "10.0.0.1", "8080", "1", "relay.example.net", "20332", "",  // servers
        "3", "6", "1", "2", "2300070010301745",                     // wake-up .. intervals
        "60", "0", "1", "40", "2 025", "100", "*100#",              // sensor .. balance code
    };
    // clang-format on
    EXPECT_EQ(image.Text(11), Utf8ToCp1251("пароль"));
    for (int slot = 0; slot < 24; ++slot) {
        if (slot != 11) {
            EXPECT_EQ(image.Text(slot), expected[slot]) << "slot " << slot;
        }
    }
    EXPECT_EQ(image.Text(28), "1");
    // Device information is never produced by the pages.
    for (int slot : {24, 25, 26, 27, 29}) EXPECT_EQ(image.Text(slot), "") << slot;
}

TEST_F(ControlsToImageTest, ImageToControlsReadsBackWhatWasStored) {
    const SettingsPages original = CustomPages();
    pages = original;
    ASSERT_TRUE(Store());

    SettingsPages shown;
    EXPECT_TRUE(ImageToControls(image, shown).empty());
    SettingsPages expected = original;
    expected.Edit4Enabled = true;
    EXPECT_EQ(shown, expected);
}

TEST_F(ControlsToImageTest, FactoryPagesStoreTheFactoryImageAndTheMarker) {
    before.Slot(28).bytes.fill('#');
    image = before;
    ASSERT_TRUE(Store());
    EXPECT_TRUE(prompts.calls.empty());
    for (int slot = 0; slot < 28; ++slot) EXPECT_EQ(image.Slot(slot), before.Slot(slot)) << "slot " << slot;
    // Slot 28 is written over, not cleared: only its first two bytes change.
    EXPECT_EQ(image.Slot(28).bytes[0], '1');
    EXPECT_EQ(image.Slot(28).bytes[1], 0);
    EXPECT_EQ(image.Slot(28).bytes[2], '#');
}

TEST_F(ControlsToImageTest, EmptyOwnerNumberAsksAndStoresNotSetOnYes) {
    pages.Edit1.clear();
    pages.selectedEntry = 5;
    pages.shownPage = 4;
    prompts.answers = {true};
    ASSERT_TRUE(Store());
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(prompts.calls[0].kind, PromptCall::kAsk);
    EXPECT_EQ(prompts.calls[0].title, "конфигуратор");
    EXPECT_EQ(prompts.calls[0].text, "Вы не указали номер телефона владельца\nЗаписать настройки без него?");
    EXPECT_EQ(prompts.calls[0].entry, 1);
    EXPECT_EQ(prompts.calls[0].page, 0);
    EXPECT_EQ(image.Text(0), "00000");
}

TEST_F(ControlsToImageTest, NoToAQuestionStopsWithTheImageUntouched) {
    pages.Edit1.clear();
    prompts.answers = {false};
    EXPECT_FALSE(Store());
    EXPECT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(image, before);
}

TEST_F(ControlsToImageTest, PinMustBeFourDigits) {
    struct Case {
        const char* pin;
        const char* message;
    };
    const Case cases[] = {
        {"", "Вы не задали PIN-код устройства"},
        {"123", "PIN-код устройства должен состоять из четырех цифр"},
        {"12345", "PIN-код устройства должен состоять из четырех цифр"},
        {"12a4", "PIN-код устройства должен состоять из четырех цифр"},
        {"１２３４", "PIN-код устройства должен состоять из четырех цифр"},  // full-width digits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pin);
        prompts.calls.clear();
        pages.Edit2 = c.pin;
        // The PIN warning shows page 0 and leaves the highlighted entry alone.
        pages.selectedEntry = 3;
        pages.shownPage = 2;
        ExpectRefused(c.message, "конфигуратор");
        EXPECT_EQ(prompts.calls[0].entry, 3);
        EXPECT_EQ(prompts.calls[0].page, 0);
    }
}

TEST_F(ControlsToImageTest, ServerQuestionIsAskedEvenWithDeliveryOff) {
    const std::string question =
        "Вы не указали адрес сервера или порт.\n\n\nВНИМАНИЕ!\n\n"
        "Если не записать данные настройки, то устройство не сможет передавать данные на сервер мониторинга"
        "\n\nЗаписать настройки без них?";
    pages.ComboBox19 = 0;
    pages.Edit8.clear();
    prompts.answers = {true};
    ASSERT_TRUE(Store());
    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(prompts.calls[0].text, question);
    EXPECT_EQ(prompts.calls[0].title, "конфигуратор");
    EXPECT_EQ(prompts.calls[0].entry, 2);
    EXPECT_EQ(prompts.calls[0].page, 1);
    // Yes leaves both empty, even the address that was typed.
    EXPECT_EQ(image.Text(6), "");
    EXPECT_EQ(image.Text(7), "");
    EXPECT_EQ(image.Text(5), "0");
}

TEST_F(ControlsToImageTest, QuestionsComeInPageOrderAndALaterRefusalStillStoresNothing) {
    pages.Edit1.clear();
    pages.Edit7.clear();
    pages.Edit3 = "много";
    prompts.answers = {true, true};
    EXPECT_FALSE(Store());
    ASSERT_EQ(prompts.calls.size(), 3u);
    EXPECT_EQ(prompts.calls[0].kind, PromptCall::kAsk);
    EXPECT_NE(prompts.calls[0].text.find("номер телефона"), std::string::npos);
    EXPECT_EQ(prompts.calls[1].kind, PromptCall::kAsk);
    EXPECT_NE(prompts.calls[1].text.find("адрес сервера"), std::string::npos);
    EXPECT_EQ(prompts.calls[2].kind, PromptCall::kWarn);
    EXPECT_EQ(prompts.calls[2].text,
              "Порог остатка средств на лицевом счете должен быть целым числом от 0 до 65535");
    EXPECT_EQ(prompts.calls[2].entry, 7);
    EXPECT_EQ(prompts.calls[2].page, 6);
    EXPECT_EQ(image, before);
}

TEST_F(ControlsToImageTest, WialonTransfer) {
    // Checked without a port: refused with the capitalised title.
    pages.CheckBox3 = true;
    pages.Edit9.clear();
    ExpectRefused("Не указан IP или порт сервера\n для передачи по протоколу WIALON");
    EXPECT_EQ(prompts.calls[0].entry, 2);

    // Checked and complete: all four slots.
    prompts.calls.clear();
    pages.Edit9 = "20333";
    pages.Edit10 = "";
    ASSERT_TRUE(Store());
    EXPECT_EQ(image.Text(8), "1");
    EXPECT_EQ(image.Text(9), std::string(kDefaultWialonHost));
    EXPECT_EQ(image.Text(10), "20333");
    EXPECT_EQ(image.Text(11), "");

    // Cleared: slot 8 turns the transfer off, the address stays for next time.
    pages.CheckBox3 = false;
    pages.Edit5 = "other.example";
    ASSERT_TRUE(Store());
    EXPECT_EQ(image.Text(8), "0");
    EXPECT_EQ(image.Text(9), std::string(kDefaultWialonHost));
    EXPECT_EQ(image.Text(10), "20333");
}

TEST_F(ControlsToImageTest, BalanceCode) {
    pages.RadioButton6 = true;
    pages.RadioButton7 = false;
    pages.Edit4 = "*100#";
    ASSERT_TRUE(Store());
    EXPECT_EQ(image.Text(23), "00000");

    pages.RadioButton6 = false;
    pages.RadioButton7 = true;
    pages.Edit4.clear();
    before = image;
    pages.selectedEntry = 2;
    pages.shownPage = 1;
    ExpectRefused("Вы не указали код запроса баланса", "конфигуратор");
    EXPECT_EQ(prompts.calls[0].entry, 2);  // this warning does not move the pages
    EXPECT_EQ(prompts.calls[0].page, 1);
}

TEST_F(ControlsToImageTest, GeofenceDiameter) {
    pages.ComboBox18 = 3;
    pages.Edit6 = "999";
    ASSERT_TRUE(Store());
    EXPECT_EQ(image.Text(21), "3 999");
    before = image;

    const char* bad[] = {"0", "1000", "2a", "-5", " 5"};
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        prompts.calls.clear();
        pages.Edit6 = text;
        ExpectRefused("Диаметр зоны охраны должен быть целым числом от 1 до 999 км");
        EXPECT_EQ(prompts.calls[0].page, 5);
    }
    prompts.calls.clear();
    pages.Edit6.clear();
    ExpectRefused("Не задан диаметр зоны охраны");
}

TEST_F(ControlsToImageTest, BalanceThresholdFitsSixteenBits) {
    pages.Edit3 = "65535";
    ASSERT_TRUE(Store());
    EXPECT_EQ(image.Text(22), "65535");
    before = image;

    pages.Edit3 = "65536";
    ExpectRefused("Порог остатка средств на лицевом счете должен быть целым числом от 0 до 65535");
    prompts.calls.clear();
    pages.Edit3.clear();
    ExpectRefused("Не указан порог остатка средств на лицевом счете");
}

TEST_F(ControlsToImageTest, ARefusalOrANoLeavesTheKeyboardAtTheFieldConcerned) {
    const struct {
        const char* control;
        void (*spoil)(SettingsPages&);
    } cases[] = {
        {"Edit1", [](SettingsPages& p) { p.Edit1.clear(); }},  // "No" to the question
        {"Edit2", [](SettingsPages& p) { p.Edit2 = "12"; }},
        {"ComboBox3", [](SettingsPages& p) { p.ComboBox3 = -1; }},
        {"RadioButton1", [](SettingsPages& p) { p.RadioButton13 = false; }},
        {"Edit8", [](SettingsPages& p) { p.Edit8.clear(); }},  // "No" to the question
        {"Edit8", [](SettingsPages& p) { p.Edit8 = "0"; }},
        {"Edit9", [](SettingsPages& p) { p.CheckBox3 = true, p.Edit9.clear(); }},
        {"RadioButton3", [](SettingsPages& p) { p.RadioButton3 = false; }},
        {"ComboBox9", [](SettingsPages& p) { p.ComboBox9 = 60; }},
        {"Edit6", [](SettingsPages& p) { p.Edit6 = "1000"; }},
        {"Edit3", [](SettingsPages& p) { p.Edit3 = "много"; }},
        {"Edit4", [](SettingsPages& p) { p.RadioButton6 = false, p.RadioButton7 = true, p.Edit4.clear(); }},
    };
    const SettingsPages healthy = pages;
    for (const auto& c : cases) {
        pages = healthy;
        c.spoil(pages);
        prompts.focused.clear();
        EXPECT_FALSE(Store()) << c.control;
        EXPECT_THAT(prompts.focused, ::testing::ElementsAre(c.control));
    }
}

TEST_F(ControlsToImageTest, PortsMustBeOneTo65535) {
    for (const char* port : {"0", "65536", "80a", "99999999999999999999"}) {
        SCOPED_TRACE(port);
        prompts.calls.clear();
        pages.Edit8 = port;
        ExpectRefused("«Порт сервера мониторинга» должен быть числом от 1 до 65535");
        EXPECT_EQ(prompts.calls[0].page, 1);
    }
    pages.Edit8 = "65535";
    pages.CheckBox3 = true;
    pages.Edit9 = "порт";
    prompts.calls.clear();
    ExpectRefused("«Порт сервера WIALON» должен быть числом от 1 до 65535");
}

TEST_F(ControlsToImageTest, TextsMustFitASlotInTheDeviceCodePage) {
    // 31 Cyrillic letters are 62 bytes of UTF-8 but 31 in the slot: accepted.
    std::string cyrillic31;
    for (int i = 0; i < 31; ++i) cyrillic31 += "ж";
    pages.Edit7 = cyrillic31;
    ASSERT_TRUE(Store());
    EXPECT_EQ(image.Text(6), std::string(31, '\xE6'));
    before = image;

    pages.Edit7 = cyrillic31 + "ж";
    ExpectRefused("Текст в поле «IP или домен сервера мониторинга» длиннее 31 символа");
    EXPECT_EQ(prompts.calls[0].entry, 2);

    prompts.calls.clear();
    pages.Edit7 = "host";
    pages.RadioButton6 = false;
    pages.RadioButton7 = true;
    pages.Edit4 = "код 😀";
    ExpectRefused("Поле «Код запроса баланса» содержит символы, которые устройство не поддерживает");
    EXPECT_EQ(prompts.calls[0].page, 6);

    prompts.calls.clear();
    pages.Edit4 = "*100#";
    pages.Edit1 = "8 900 123-45-67";
    ExpectRefused("Номер телефона владельца может содержать только цифры и знак «+»");
    EXPECT_EQ(prompts.calls[0].page, 0);
}

TEST_F(ControlsToImageTest, NothingSelectedIsRefusedNamingTheGroup) {
    struct Case {
        void (*spoil)(SettingsPages&);
        const char* message;
    };
    const Case cases[] = {
        {[](SettingsPages& p) { p.ComboBox1 = -1; }, "Не выбрано значение «Часовой пояс»"},
        {[](SettingsPages& p) { p.ComboBox1 = 27; }, "Не выбрано значение «Часовой пояс»"},
        {[](SettingsPages& p) { p.ComboBox3 = 60; }, "Не выбрано значение «Основное время выхода на связь»"},
        {[](SettingsPages& p) { p.RadioButton13 = false; },
         "Не выбрано значение «Формат присылаемых координат»"},
        {[](SettingsPages& p) { p.ComboBox19 = -1; },
         "Не выбрано значение «Способ передачи данных пользователю»"},
        {[](SettingsPages& p) { p.ComboBox19 = 4; },
         "Не выбрано значение «Способ передачи данных пользователю»"},
        {[](SettingsPages& p) { p.RadioButton3 = false; }, "Не выбрано значение «Частота выхода на связь»"},
        {[](SettingsPages& p) { p.ComboBox16 = 31; }, "Не выбрано значение «Период определения координат»"},
        {[](SettingsPages& p) { p.RadioButton8 = false; },
         "Не выбрано значение «Режим работы датчика движения»"},
        {[](SettingsPages& p) { p.ComboBox10 = 24; }, "Не выбрано значение «Интервал времени № 2»"},
        {[](SettingsPages& p) { p.ComboBox13 = 95; }, "Не выбрано значение «Тайм-аут датчика движения»"},
        {[](SettingsPages& p) { p.ComboBox15 = -1; },
         "Не выбрано значение «Длительность воздействия на датчик движения»"},
        {[](SettingsPages& p) { p.ComboBox18 = 4; }, "Не выбрано значение «Контроль выхода из зоны охраны»"},
    };
    const SettingsPages good = pages;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        pages = good;
        prompts.calls.clear();
        c.spoil(pages);
        ExpectRefused(c.message);
    }
}

TEST_F(ControlsToImageTest, ListEdgesStoreTheirValues) {
    pages.ComboBox1 = 0;
    pages.ComboBox13 = 0;
    pages.ComboBox14 = 39;
    pages.ComboBox16 = 30;
    ASSERT_TRUE(Store());
    EXPECT_EQ(image.Text(2), "-12");
    EXPECT_EQ(image.Text(17), "5");
    EXPECT_EQ(image.Text(19), "40");
    EXPECT_EQ(image.Text(13), "30");

    pages.ComboBox1 = 26;
    pages.ComboBox13 = 94;
    ASSERT_TRUE(Store());
    EXPECT_EQ(image.Text(2), "14");
    EXPECT_EQ(image.Text(17), "99");
}

}  // namespace
}  // namespace zort
