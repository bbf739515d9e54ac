#include <gtest/gtest.h>

#include "model/LabelCharset.h"

TEST(LabelCharset, AcceptsExactlyTheFortyThreeCharacters) {
  for (char c : std::string(LabelCharset)) {
    EXPECT_TRUE(IsLabelChar(std::string(1, c))) << "'" << c << "'";
  }
  for (const char* c : {"a", "z", "-", "_", "*", "\t", "@"}) {
    EXPECT_FALSE(IsLabelChar(c)) << "'" << c << "'";
  }
  EXPECT_TRUE(IsLabelChar(""));  // the empty text is valid
}

TEST(LabelCharset, CharacterToIndexAsText) {
  EXPECT_EQ(Char2Idx("0"), "0");
  EXPECT_EQ(Char2Idx("A"), "10");
  EXPECT_EQ(Char2Idx("Z"), "35");
  EXPECT_EQ(Char2Idx(" "), "36");
  EXPECT_EQ(Char2Idx("."), "37");
  EXPECT_EQ(Char2Idx("$"), "42");
  EXPECT_EQ(Char2Idx("a"), "-1");
  EXPECT_EQ(Char2Idx("-"), "-1");
  EXPECT_EQ(Char2Idx(""), "0");
}

TEST(LabelCharset, IndexToCharacterAndBack) {
  for (int i = 0; i < 43; ++i) {
    const std::string c = Idx2Char(i);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(Char2Idx(c), std::to_string(i));
  }
  EXPECT_EQ(Idx2Char(42), "$");
  EXPECT_EQ(Idx2Char(43), "");
  EXPECT_EQ(Idx2Char(255), "");
  EXPECT_EQ(Idx2Char(-1), "");
}
