#include <gtest/gtest.h>

#include <vector>

#include "gfx/Utf8.h"

namespace {

struct Decoded {
  uint16_t code;
  int used;
};

// Decodes from a buffer holding exactly the given bytes, so that reading past
// them is caught by the address sanitizer.
Decoded Decode(std::vector<char> bytes, int available = -2) {
  std::vector<char> exact(bytes.begin(), bytes.end());
  int used = -1;
  const uint16_t code = DecodeUtf8Char(exact.data(), available == -2 ? int(exact.size()) : available, &used);
  return {code, used};
}

TEST(Utf8, DecodesTwoAndThreeByteSequences) {
  Decoded d = Decode({'\xC3', '\xA9'});  // e acute
  EXPECT_EQ(0xE9, d.code);
  EXPECT_EQ(2, d.used);
  d = Decode({'\xC2', '\xB0'});  // degree sign, the lowest lead byte
  EXPECT_EQ(0xB0, d.code);
  EXPECT_EQ(2, d.used);
  d = Decode({'\xDF', '\xBF'});
  EXPECT_EQ(0x7FF, d.code);
  d = Decode({'\xE2', '\x82', '\xAC'});  // euro sign
  EXPECT_EQ(0x20AC, d.code);
  EXPECT_EQ(3, d.used);
  d = Decode({'\xEF', '\xBF', '\xBD'});
  EXPECT_EQ(0xFFFD, d.code);
  EXPECT_EQ(3, d.used);
  d = Decode({'A', '\xC3'});
  EXPECT_EQ('A', d.code);
  EXPECT_EQ(1, d.used);
}

TEST(Utf8, FourByteSequenceIsASpace) {
  Decoded d = Decode({'\xF0', '\x9F', '\x8E', '\xB5'});
  EXPECT_EQ(32, d.code);
  EXPECT_EQ(4, d.used);
  d = Decode({'\xF4', '\x8F', '\xBF', '\xBF'});
  EXPECT_EQ(32, d.code);
  EXPECT_EQ(4, d.used);
}

TEST(Utf8, MalformedBytesStandForThemselves) {
  // A stray continuation byte.
  Decoded d = Decode({'\x80', 'a'});
  EXPECT_EQ(0x80, d.code);
  EXPECT_EQ(1, d.used);
  // Lead bytes that never start a sequence.
  for (char lead : {'\xC0', '\xC1', '\xF5', '\xFF'}) {
    d = Decode({lead, '\x80', '\x80', '\x80'});
    EXPECT_EQ(uint8_t(lead), d.code);
    EXPECT_EQ(1, d.used);
  }
  // A lead byte whose continuation is missing or wrong.
  d = Decode({'\xC3', 'A'});
  EXPECT_EQ(0xC3, d.code);
  EXPECT_EQ(1, d.used);
  d = Decode({'\xE2', '\x82', 'x'});
  EXPECT_EQ(0xE2, d.code);
  EXPECT_EQ(1, d.used);
  d = Decode({'\xF0', '\x9F', '\x8E', '\xC0'});
  EXPECT_EQ(0xF0, d.code);
  EXPECT_EQ(1, d.used);
}

TEST(Utf8, NeverReadsPastTheText) {
  // Sequences cut off by the byte count, from buffers of exactly that size.
  Decoded d = Decode({'\xE2', '\x82'});
  EXPECT_EQ(0xE2, d.code);
  EXPECT_EQ(1, d.used);
  d = Decode({'\xF0', '\x9F', '\x8E'});
  EXPECT_EQ(0xF0, d.code);
  EXPECT_EQ(1, d.used);
  d = Decode({'\xC3'});
  EXPECT_EQ(0xC3, d.code);
  EXPECT_EQ(1, d.used);
  // A count shorter than the buffer wins.
  d = Decode({'\xE2', '\x82', '\xAC'}, 2);
  EXPECT_EQ(0xE2, d.code);
  // A zero-terminated text ends at its zero byte.
  d = Decode({'\xE2', '\x82', '\0'}, -1);
  EXPECT_EQ(0xE2, d.code);
  EXPECT_EQ(1, d.used);
  d = Decode({'\xC3', '\0'}, -1);
  EXPECT_EQ(0xC3, d.code);
  // Nothing to read.
  int used = 7;
  EXPECT_EQ(0, DecodeUtf8Char("abc", 0, &used));
  EXPECT_EQ(0, used);
  EXPECT_EQ(0, DecodeUtf8Char(nullptr, 5, &used));
  EXPECT_EQ(0, used);
}

TEST(Utf8, FindsMultiByteSequences) {
  EXPECT_FALSE(HasUtf8Sequence("plain 50% text"));
  EXPECT_FALSE(HasUtf8Sequence("caf\xE9"));           // a Latin-1 byte
  EXPECT_FALSE(HasUtf8Sequence("\x80\x80 stray"));    // continuation bytes alone
  EXPECT_FALSE(HasUtf8Sequence("\xC1\x80"));          // not a lead byte
  EXPECT_FALSE(HasUtf8Sequence("\xE2\x82"));          // three-byte lead with one continuation
  EXPECT_TRUE(HasUtf8Sequence("caf\xC3\xA9"));
  EXPECT_TRUE(HasUtf8Sequence("\xE2\x82\xAC"));
  EXPECT_TRUE(HasUtf8Sequence("\xF0\x9F\x8E"));  // a lead byte up to 0xF4 with two continuations
  EXPECT_FALSE(HasUtf8Sequence("\xF5\x80\x80"));
  EXPECT_FALSE(HasUtf8Sequence(nullptr));
  // The count limits the search.
  EXPECT_FALSE(HasUtf8Sequence("ab\xC3\xA9", 3));
  EXPECT_TRUE(HasUtf8Sequence("ab\xC3\xA9", 4));
  const char exact[2] = {'\xC3', '\xA9'};
  EXPECT_TRUE(HasUtf8Sequence(exact, 2));
  EXPECT_FALSE(HasUtf8Sequence(exact, 1));
}

}  // namespace
