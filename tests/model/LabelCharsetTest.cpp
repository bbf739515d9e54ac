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
  const std::pair<const char*, const char*> cases[] = {{"0", "0"},  {"A", "10"}, {"Z", "35"},
                                                       {" ", "36"}, {".", "37"}, {"$", "42"},
                                                       {"a", "-1"}, {"-", "-1"}, {"", "0"}};
  for (const auto& [c, index] : cases) EXPECT_EQ(Char2Idx(c), index) << "'" << c << "'";
}

TEST(LabelCharset, IndexToCharacterAndBack) {
  for (int i = 0; i < 43; ++i) {
    const std::string c = Idx2Char(i);
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(Char2Idx(c), std::to_string(i));
  }
  EXPECT_EQ(Idx2Char(42), "$");
  for (int outside : {43, 255, -1}) EXPECT_EQ(Idx2Char(outside), "") << outside;
}
