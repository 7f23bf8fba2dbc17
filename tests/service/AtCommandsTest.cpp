// The AT texts and the checks that keep hostile phone numbers and file names off the
// wire.

#include <gtest/gtest.h>

#include "service/AtCommands.h"
#include "service/ServiceThread.h"

namespace zort {
namespace {

TEST(AtCommands, TextsAreByteExact) {
    EXPECT_EQ(AtFsDelete("A1.AMR"), "AT+FSDEL=C:\\A1.AMR\r\n");
    EXPECT_EQ(AtFsCreate("A1.AMR"), "AT+FSCREATE=C:\\A1.AMR\r\n");
    EXPECT_EQ(AtFsWrite("A1.AMR", 256), "AT+FSWRITE=C:\\A1.AMR,1,256,1000\r\n");
    EXPECT_EQ(AtFsWrite("A1.AMR", 0), "AT+FSWRITE=C:\\A1.AMR,1,0,1000\r\n");
    EXPECT_EQ(AtFsWrite("A1.AMR", 8), "AT+FSWRITE=C:\\A1.AMR,1,8,1000\r\n") << "no leading zeros";
    // A number goes in as typed, blanks and all.
    EXPECT_EQ(AtSendSms("+7 900 123-45-67"), "AT+CMGS=\"+7 900 123-45-67\"\r\n");
    EXPECT_EQ(AtDial("+7 900 123-45-67"), "ATD+7 900 123-45-67;\r\n");
    EXPECT_EQ(ModemFileName("/home/user/sounds/A1.AMR"), "A1.AMR");
    EXPECT_EQ(ModemFileName("A1.AMR"), "A1.AMR");
}

TEST(AtCommands, OrdinaryNumbersPass) {
    for (const char* phone : {"+79001234567", "8 900 123 45 67", "(495) 123-45-67", "   ", "*100#"}) {
        EXPECT_EQ(PhoneNumberProblem(phone), "") << phone;
    }
}

TEST(AtCommands, HostilePhoneNumbersAreRefusedWithAReason) {
    struct Case {
        std::string phone;
        const char* mentions;
    };
    const Case cases[] = {
        {"+7900\r1234567", "0x0D"},
        {"+7900\n1234567", "0x0A"},
        {"+7900\"1234567", "«\"»"},
        {"+7900\x1A"
         "1234567",
         "0x1A"},
        {"+7900\x1B"
         "1234567",
         "0x1B"},
        {std::string("+7900\0"
                     "1",
                     6),
         "0x00"},
        {"+7900\x7F", "0x7F"},
        {"+7900\t1", "0x09"},
        {"+7900Ж", "латиниц"},
        {std::string(10000, '1'), "слишком длинный"},
    };
    for (const Case& c : cases) {
        const std::string problem = PhoneNumberProblem(c.phone);
        EXPECT_NE(problem.find(c.mentions), std::string::npos) << problem;
        EXPECT_NE(problem.find("Команда не отправлена"), std::string::npos) << problem;
    }
}

TEST(AtCommands, ThePhoneNumberLimitKeepsEveryCommandWithin299Characters) {
    const std::string longest(287, '1');
    EXPECT_EQ(PhoneNumberProblem(longest), "");
    EXPECT_EQ(AtSendSms(longest).size(), kAtCommandLimit);
    EXPECT_NE(PhoneNumberProblem(longest + "1").find("не более 287"), std::string::npos);
}

TEST(AtCommands, HostileFileNamesAreRefusedWithAReason) {
    struct Case {
        std::string name;
        const char* mentions;
    };
    const Case cases[] = {
        {"A\r1.AMR", "0x0D"},
        {"A\n1.AMR", "0x0A"},
        {"A\"1.AMR", "«\"»"},
        {"A\x1A"
         "1.AMR",
         "0x1A"},
        {"A\x1B"
         "1.AMR",
         "0x1B"},
        {"A,1.AMR", "«,»"},
        {"A\\1.AMR", "«\\»"},
        {"звук.AMR", "файловая система модема"},
        {std::string(10000, 'A'), "слишком длинное"},
        {"", "Не указано имя файла"},
    };
    for (const Case& c : cases) {
        const std::string problem = ModemFileNameProblem(c.name);
        EXPECT_NE(problem.find(c.mentions), std::string::npos) << problem;
        EXPECT_NE(problem.find("Файлы не записаны"), std::string::npos) << problem;
    }
    // The name in the line must not itself break the log.
    EXPECT_EQ(ModemFileNameProblem("A\r1.AMR").find('\r'), std::string::npos);
    EXPECT_LT(ModemFileNameProblem(std::string(10000, 'A')).size(), 300u);

    const std::string longest(272, 'A');
    EXPECT_EQ(ModemFileNameProblem(longest), "");
    EXPECT_EQ(AtFsWrite(longest, 256).size(), kAtCommandLimit);
    EXPECT_NE(ModemFileNameProblem(longest + "A").find("не более 272"), std::string::npos);
    EXPECT_EQ(ModemFileNameProblem("gudok-1 (v2)_final.amr"), "");
}

TEST(AtCommands, InputsAreCheckedPerMode) {
    EXPECT_EQ(ServiceThread::InputProblem(kServiceSendImei, "", {}), kNoPhoneForSms);
    EXPECT_EQ(ServiceThread::InputProblem(kServiceCall, "", {}), kNoPhoneForCall);
    EXPECT_EQ(ServiceThread::InputProblem(kServiceCall, " ", {}), "") << "blanks are a number, not nothing";
    // Modes that take no number do not look at it.
    EXPECT_EQ(ServiceThread::InputProblem(kServiceHangUp, "", {}), "");
    EXPECT_EQ(ServiceThread::InputProblem(kServiceUploadFiles, "\r", {"/a/A1.AMR", "/b/A2.AMR"}), "");
    // The modem's drive ignores case: two such names would write into one file.
    EXPECT_NE(ServiceThread::InputProblem(kServiceUploadFiles, "", {"/a/A1.AMR", "/b/a1.amr"}).find("a1.amr"),
              std::string::npos);
    EXPECT_NE(ServiceThread::InputProblem(kServiceUploadFiles, "", {"/a/ok.AMR", "/a/за.AMR"}), "");
}

TEST(AtCommands, PrintableEscapesControlsAndCountsCharacters) {
    EXPECT_EQ(Printable("a\r\nb"), "a\\x0D\\x0Ab");
    EXPECT_EQ(Printable("абвгд", 3), "абв…") << "cut between characters, not inside one";
    EXPECT_EQ(Printable("abc", 3), "abc");
}

}  // namespace
}  // namespace zort
