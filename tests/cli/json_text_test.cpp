// JSON strings as --info --json writes them: escapes, UTF-8 kept, broken UTF-8 replaced.
#include <gtest/gtest.h>

#include "cli/json_text.h"

namespace sonaro {
namespace {

TEST(JsonText, EscapesAndReplacesWhatJsonCannotHold) {
    const struct {
        std::string text;
        std::string json;
    } cases[] = {
        {"in.wav", R"("in.wav")"},
        {"say \"hi\"\\now", R"("say \"hi\"\\now")"},
        {"a\nb\tc\x01\x1f\x7f", "\"a\\nb\\tc\\u0001\\u001f\x7f\""},
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xb5",
         "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xb5\""},
        {"x\xffy", R"("x\ufffdy")"},                  // a byte no UTF-8 sequence starts with
        {"\x80", R"("\ufffd")"},                      // a continuation byte alone
        {"\xc0\xaf", R"("\ufffd\ufffd")"},            // an overlong '/'
        {"\xe0\x80\xaf", R"("\ufffd\ufffd\ufffd")"},  // overlong in three bytes
        {"\xed\xa0\x80", R"("\ufffd\ufffd\ufffd")"},  // a surrogate
        {"\xf4\x90\x80\x80", R"("\ufffd\ufffd\ufffd\ufffd")"},  // above U+10FFFF
        {"ab\xe2\x82", R"("ab\ufffd\ufffd")"},                  // cut short at the end
        {"\xf4\x8f\xbf\xbf", "\"\xf4\x8f\xbf\xbf\""},           // U+10FFFF itself
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JsonString(c.text), c.json) << c.text;
    }
}

}  // namespace
}  // namespace sonaro
