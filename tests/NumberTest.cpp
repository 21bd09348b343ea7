// SPDX-License-Identifier: MIT
// The one number syntax of CSV fields, number boxes and settings values.
#include "data/Number.h"

#include <gtest/gtest.h>

#include <charconv>
#include <optional>
#include <random>
#include <string>

using namespace varimel;

TEST(Number, SyntaxOfEditBoxes)
{
    struct Case {
        const char* text;
        std::optional<double> value;
    };
    // clang-format off
    const Case cases[] = {
        {"1       ", 1.0}, {"  0.875", 0.875}, {"1e+06   ", 1e6}, {"", std::nullopt},
        {" ", std::nullopt}, {"1\t", std::nullopt}, {"abc", std::nullopt}, {"0.0001", 0.0001},
        {"-0", -0.0}, {"1,5", std::nullopt}, {"4.9406564584124654e-324", 4.9406564584124654e-324},
        {"1.7976931348623157e308", 1.7976931348623157e308}, {"1.8e308", std::nullopt},
        // An exponent without digits counts as 0, on the short path and on the
        // long one (more than 15 significant digits).
        {"1e", 1.0}, {"2.5E+", 2.5}, {"1234567890123456789e", 1234567890123456789.0},
        {"-12345678901234567e-", -12345678901234567.0}, {"1234567890123456789e2", 1234567890123456789e2},
    };
    // clang-format on
    for (const Case& c : cases) {
        const auto v = ParseNumber(c.text);
        ASSERT_EQ(v.has_value(), c.value.has_value()) << "[" << c.text << "]";
        if (v) {
            EXPECT_EQ(*v, *c.value) << c.text;
        }
    }
}

// The fast path for short numbers must round exactly as a full conversion
// does; compare against from_chars on many generated numbers.
TEST(Number, RoundsLikeAFullConversion)
{
    std::mt19937_64 random(12345);
    char text[64];
    for (int i = 0; i < 200000; ++i) {
        const int intDigits = static_cast<int>(random() % 12);
        const int fracDigits = static_cast<int>(random() % 12);
        std::string s = random() % 2 ? "-" : "";
        for (int d = 0; d < intDigits; ++d)
            s += static_cast<char>('0' + random() % 10);
        if (fracDigits > 0 || intDigits == 0) {
            s += '.';
            for (int d = 0; d < std::max(fracDigits, 1); ++d)
                s += static_cast<char>('0' + random() % 10);
        }
        if (random() % 3 == 0) {
            std::snprintf(text, sizeof text, "e%d", static_cast<int>(random() % 41) - 20);
            s += text;
        }
        const auto mine = ParseNumber(s);
        ASSERT_TRUE(mine) << s;
        double full = 0.0;
        const char* first = s.data() + (s[0] == '-');
        std::from_chars(first, s.data() + s.size(), full);
        if (s[0] == '-')
            full = -full;
        ASSERT_EQ(*mine, full) << s;
    }
}
