// Text to number and the general number format.
#include "number_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

using namespace varnotile;

TEST(TextToNumber, AcceptsTheDecimalForms) {
    struct Case { const char* text; double value; };
    for (const Case& c : {Case{"12", 12}, {"-3.5", -3.5}, {"+4", 4}, {"  7.25  ", 7.25}, {"1e3", 1000},
                          {"2.5E-2", 0.025}, {"1.", 1}, {".5", 0.5}, {"-.5e+1", -5}, {".", 0}}) {
        double v = -1;
        EXPECT_TRUE(parseNumber(c.text, '.', v)) << c.text;
        EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
}

TEST(TextToNumber, RejectsEverythingElse) {
    for (const char* text : {"", "   ", "abc", "1,5", "1.5.2", "0x10", "inf", "nan", "Infinity", "1e", "e5", "-",
                             "+", "1 2", "1e5x", "\t1", "1-", "--1"}) {
        double v = 42;
        EXPECT_FALSE(parseNumber(text, '.', v)) << text;
        EXPECT_EQ(v, 42) << text;
        EXPECT_EQ(textToNumber(text, '.'), 0.0) << text;
    }
}

TEST(TextToNumber, UsesTheLocaleSeparator) {
    EXPECT_DOUBLE_EQ(textToNumber("1,5", ','), 1.5);
    EXPECT_EQ(textToNumber("1.5", ','), 0.0); // a point where the locale uses a comma is no number
    EXPECT_TRUE(IsNumericText(" 3,25 ", ','));
}

TEST(TextToNumber, OverflowFailsAndUnderflowIsZero) {
    EXPECT_FALSE(IsNumericText("1e999", '.'));
    EXPECT_FALSE(IsNumericText(std::string(400, '9'), '.'));
    double v = 1;
    EXPECT_TRUE(parseNumber("1e-999", '.', v));
    EXPECT_EQ(v, 0.0);
    EXPECT_TRUE(std::isfinite(textToNumber("-1e400", '.')));
}

TEST(TextToNumber, NumericTestTreatsTheFailureValueAsText) {
    EXPECT_FALSE(IsNumericText("-777711", '.'));
    EXPECT_FALSE(IsNumericText("-777711.0", '.'));
    EXPECT_TRUE(IsNumericText("-777711.5", '.'));
    EXPECT_TRUE(IsNumericText(" 17 ", '.'));
}

TEST(GeneralFormat, WritesTheShortestText) {
    struct Case { double value; const char* text; };
    for (const Case& c : {Case{0, "0"}, {1.5, "1.5"}, {2.0, "2"}, {-3.25, "-3.25"}, {0.0001, "0.0001"},
                          {0.00001, "1E-5"}, {1e20, "1E20"}, {0.00000015, "1.5E-7"}, {123456789012345.0, "123456789012345"},
                          {1e15, "1E15"}, {1234567890123456.0, "1.23456789012346E15"}, {0.1 + 0.2, "0.3"},
                          {-0.00012, "-0.00012"}, {1.0 / 3.0, "0.333333333333333"}, {2390, "2390"}, {-1e-300, "-1E-300"}}) {
        EXPECT_EQ(formatGeneral(c.value, '.'), c.text) << c.value;
    }
    EXPECT_EQ(formatGeneral(1.5, ','), "1,5");
}

TEST(GeneralFormat, RoundTripsThroughTheConversion) {
    for (double v : {3.14159, -2.5e-7, 6.02214076e23, 42.0, 0.001}) {
        EXPECT_NEAR(textToNumber(formatGeneral(v, '.'), '.'), v, std::fabs(v) * 1e-14);
    }
}

TEST(FixedFormat, HasThreeDecimals) {
    EXPECT_EQ(formatFixed3(47, '.'), "47.000");
    EXPECT_EQ(formatFixed3(-12.5, '.'), "-12.500");
    EXPECT_EQ(formatFixed3(0.12345, '.'), "0.123");
    EXPECT_EQ(formatFixed3(100, ','), "100,000");
}

// The loader reads the usual number where it stands; whatever it accepts must be exactly what
// the conversion gives the field, with every delimiter and decimal separator.
TEST(TextToNumber, NumberReadInPlaceEqualsTheFieldsConversion) {
    struct Field { const char* text; bool plain; };
    struct Split { char stop, decimal; };
    const Field fields[] = {{"12", true},          {"-3.5", true},  {"+4", true},    {"-0", true},
                            {"1.", true},          {".5", true},    {"1,5", true},   {"00012.5000", true},
                            {"123456789012345", true},              {"0.00000000000001", true},
                            {"1234567890123456", false},            {"0.000000000000001", false},
                            {".", false},          {"-", false},    {"", false},     {" 7", false},
                            {"7 ", false},         {"1e3", false},  {"1;5", false},  {"1.5.2", false},
                            {"12a", false},        {"--1", false},  {"+-1", false},  {"5-", false}};
    for (const Split s : {Split{',', '.'}, {';', ','}, {',', ','}, {' ', '.'}, {'\n', '.'}, {'-', '.'}, {'1', '.'}}) {
        for (const Field& f : fields) {
            const std::string line = std::string(f.text) + s.stop + "9";
            const std::string_view field = std::string_view(line).substr(0, line.find(s.stop));
            const char* p = line.data();
            double v = 0;
            const bool read = readPlainNumber(p, line.data() + line.size(), s.stop, s.decimal, v);
            const std::string where = std::string(f.text) + " stop '" + s.stop + "' decimal '" + s.decimal + "'";
            if (s.stop == ',' && s.decimal == '.') EXPECT_EQ(read, f.plain) << where;
            if (!read) {
                EXPECT_EQ(p, line.data()) << where;
                continue;
            }
            double expected = 0;
            ASSERT_TRUE(parseNumber(field, s.decimal, expected)) << where;
            EXPECT_EQ(std::bit_cast<uint64_t>(v), std::bit_cast<uint64_t>(expected)) << where;
            EXPECT_EQ(p, line.data() + field.size()) << where;
        }
    }
}
