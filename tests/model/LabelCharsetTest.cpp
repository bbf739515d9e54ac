#include <gtest/gtest.h>

#include "model/LabelCharset.h"

TEST(LabelCharset, IndexOfEachCharacterAndBack) {
  const std::string set = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ .,/:^$";
  for (int i = 0; i < 43; ++i) {
    const std::string c(1, set[static_cast<size_t>(i)]);
    EXPECT_TRUE(IsLabelChar(c)) << c;
    EXPECT_EQ(Char2Idx(c), std::to_string(i)) << c;
    EXPECT_EQ(Idx2Char(i), c);
  }
  for (const char* c : {"a", "z", "-", "_", "*", "\t", "@"}) {
    EXPECT_FALSE(IsLabelChar(c)) << c;
    EXPECT_EQ(Char2Idx(c), "-1") << c;
  }
  EXPECT_TRUE(IsLabelChar(""));  // the empty text is valid, as index 0
  EXPECT_EQ(Char2Idx(""), "0");
  for (int outside : {43, 255, -1}) EXPECT_EQ(Idx2Char(outside), "") << outside;
}
