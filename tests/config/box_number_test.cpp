#include "config/box_number.h"

#include <gtest/gtest.h>

#include <climits>
#include <tuple>

namespace tarvox {
namespace {

TEST(ReadBoxNumber, DigitsAfterAnAllowedSignElseZero) {
    constexpr BoxSign kU = BoxSign::Unsigned, kS = BoxSign::Signed;
    const std::tuple<const char*, BoxSign, int> cases[] = {
        {" 42\t", kU, 42}, {"007", kU, 7}, {"", kU, 0}, {"  ", kS, 0}, {"4 2", kU, 0}, {"12a", kU, 0},
        {"-5", kU, 0}, {"+5", kU, 0}, {"-5", kS, -5}, {"+5", kS, 5}, {"-", kS, 0}, {"- 5", kS, 0},
        {"2147483647", kU, 2147483647}, {"2147483648", kU, 0}, {"99999999999", kU, 0},
        {"-2147483648", kS, INT_MIN}, {"-2147483649", kS, 0}, {"2147483648", kS, 0},
    };
    for (const auto& [text, sign, value] : cases) {
        EXPECT_EQ(ReadBoxNumber(text, sign), value) << text;
    }
}

}  // namespace
}  // namespace tarvox
