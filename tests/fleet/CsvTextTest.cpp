#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "fleet/CsvText.h"

namespace zort {
namespace {

struct Variant {
    const char* name;
    std::string_view bytes;
    char separator;
};

TEST(CsvTextTest, SpreadsheetVariantsGiveTheSameRecords) {
    const std::vector<std::pair<int, std::vector<std::string>>> expected = {
        {1, {"имя", "заметка, кратко, по делу", "число"}},
        {2, {"Иван", "a;b \"c\"\nd", "5"}},
        {4, {" Пётр", "", "7\""}},
        {6, {"", "", ""}},
    };
    const Variant variants[] = {
        {"BOM, CRLF, semicolon",
         "\xEF\xBB\xBFимя;\"заметка, кратко, по делу\";число\r\nИван;\"a;b \"\"c\"\"\r\nd\";5\r\n "
         "Пётр;;7\"\r\n\r\n;;"
         "\r\n",
         ';'},
        {"LF, comma, no last line end",
         "имя,\"заметка, кратко, по делу\",число\nИван,\"a;b \"\"c\"\"\nd\",5\n Пётр,,7\"\n\n,,", ','},
        {"lone CR, tab, trailing empty lines",
         "имя\t\"заметка, кратко, по делу\"\tчисло\rИван\t\"a;b \"\"c\"\"\rd\"\t5\r "
         "Пётр\t\t7\"\r\r\t\t\r\r\r",
         '\t'},
        {"Windows-1251",
         "\xe8\xec\xff;\"\xe7\xe0\xec\xe5\xf2\xea\xe0, \xea\xf0\xe0\xf2\xea\xee, \xef\xee \xe4\xe5\xeb\xf3\";"
         "\xf7\xe8\xf1\xeb\xee\n\xc8\xe2\xe0\xed;\"a;b \"\"c\"\"\r\nd\";5\n \xcf\xb8\xf2\xf0;;7\"\n\n;;\n",
         ';'},
    };
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        const CsvText csv = ParseCsv(v.bytes);
        ASSERT_TRUE(csv.ok) << csv.errorLine << ": " << csv.error;
        EXPECT_EQ(csv.separator, v.separator);
        ASSERT_EQ(csv.records.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(csv.records[i].line, expected[i].first) << "record " << i;
            EXPECT_EQ(csv.records[i].fields, expected[i].second) << "record " << i;
        }
    }
}

TEST(CsvTextTest, SeparatorTiesAndAbsenceFallBackToComma) {
    EXPECT_EQ(ParseCsv("a;b,c\n").separator, ',');
    EXPECT_EQ(ParseCsv("a;b\tc\n").separator, ',');
    EXPECT_EQ(ParseCsv("imei\n1;2;3\n").separator, ',');
    EXPECT_EQ(ParseCsv("\n\na;b;c,d\n").separator, ';');
}

TEST(CsvTextTest, MalformedQuotingNamesTheLine) {
    struct Case {
        std::string_view bytes;
        int line;
        std::string_view error;
    };
    const Case cases[] = {
        {"a,b\n\"open,c\n\nmore", 2, "кавычка не закрыта"},
        {"a;b\r\nc;\"d\"\"", 2, "кавычка не закрыта"},
        {"a\n\"x\ny\"z,b\n", 3, "после закрывающей кавычки стоит «z»"},
        {"a,\"b\" ,c", 1, "после закрывающей кавычки стоит « »"},
        {"a;b\r\r\"c\"ё;d", 3, "после закрывающей кавычки стоит «ё»"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.bytes));
        const CsvText csv = ParseCsv(c.bytes);
        EXPECT_FALSE(csv.ok);
        EXPECT_EQ(csv.errorLine, c.line);
        EXPECT_TRUE(csv.error.starts_with(c.error)) << csv.error;
        EXPECT_TRUE(csv.records.empty());
    }
}

TEST(CsvTextTest, StrictUtf8) {
    for (std::string_view good :
         {"", "abc", "Иван", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF", "\xEF\xBF\xBD"}) {
        EXPECT_TRUE(IsValidUtf8(good)) << good;
    }
    // Overlongs, surrogates, beyond U+10FFFF, stray and cut-off sequences, Windows-1251.
    for (std::string_view bad :
         {"\xC0\xAF", "\xC1\xBF", "\xE0\x80\xAF", "\xF0\x80\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
          "\xF5\x80\x80\x80", "\x80", "\xD0", "\xE2\x82", "\xC8\xE2\xE0\xED"}) {
        EXPECT_FALSE(IsValidUtf8(bad)) << testing::PrintToString(bad);
    }
}

}  // namespace
}  // namespace zort
