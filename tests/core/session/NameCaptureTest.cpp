#include "core/session/NameCapture.h"

#include <gtest/gtest.h>

namespace {

struct CaptureCase
{
    const char *typed;
    const char *name; // null: the line gives no name
};

class CapturedNameCase : public testing::TestWithParam<CaptureCase>
{};

TEST_P(CapturedNameCase, OneWordBecomesTheName)
{
    const CaptureCase c = GetParam();
    const std::optional<std::string> name = session::CapturedName(c.typed);
    if (c.name) {
        ASSERT_TRUE(name.has_value()) << c.typed;
        EXPECT_EQ(*name, c.name);
    } else {
        EXPECT_FALSE(name.has_value()) << c.typed << " gave " << *name;
    }
}

INSTANTIATE_TEST_SUITE_P(Lines, CapturedNameCase,
                         testing::Values(CaptureCase{"wizard", "wizard"},
                                         CaptureCase{"  zhao \r", "zhao"},
                                         // GBK 张三: the trail bytes are never taken for blanks.
                                         CaptureCase{"\xD5\xC5\xC8\xFD", "\xD5\xC5\xC8\xFD"},
                                         CaptureCase{"connect wizard potrzebie", nullptr},
                                         CaptureCase{"say hi", nullptr},
                                         CaptureCase{"a\tb", nullptr}, CaptureCase{"", nullptr},
                                         CaptureCase{"   ", nullptr}));

} // namespace
