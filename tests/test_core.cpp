#include "zolt_internal.hpp"
#include <gtest/gtest.h>
TEST(Smoke, Works) {
  EXPECT_TRUE(Zolt::equal("abc", "abc"));
  EXPECT_EQ(Zolt::compare_be("\x01\x02", "\x01\x03"), -16);
  EXPECT_EQ(Zolt::ascii_of_int32(10, -1), "4294967295");
  EXPECT_EQ(Zolt::hex_of_string("\xab\x01"), "ab01");
  EXPECT_EQ(Zolt::string_of_hex("0x12").second, 240);
  EXPECT_EQ(Zolt::find_uint8(1, [](int c) { return c == 108; }, "hello"), 2);
  EXPECT_EQ(Zolt::divmod(-1, 16347), std::make_pair(262737, 5556));
  EXPECT_EQ(Zolt::uppercase_ascii("Hello, World!"), "HELLO, WORLD!");
}
