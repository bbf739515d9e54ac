// The driver the main window's connection uses, passing calls to the chosen back end. Reads
// through it are exercised by every command; here: no back end, and switching back ends.
#include <gtest/gtest.h>

#include "app/SwitchableDriver.h"
#include "sim/SimDriver.h"

TEST(SwitchableDriverTest, FailsWithoutABackEndAndFollowsTheChosenOne) {
  SwitchableDriver link;
  EXPECT_EQ(link.ibdev(0, 7, 0, 13, 1, 0), -1);
  EXPECT_TRUE(link.status().failed());
  link.ibwrt(1, "ID?");
  EXPECT_TRUE(link.status().failed());

  SimDriver first, second;
  second.analyser().setAddress(0, 9, 0);
  link.setTarget(&first);
  const int16_t ud = link.ibdev(0, 7, 0, 13, 1, 0);
  link.ibwrt(ud, "ID?");
  EXPECT_FALSE(link.status().failed());

  // Switched: the next calls reach the other analyser only, with its own status.
  link.setTarget(&second);
  const size_t firstCalls = first.analyser().transcript().size();
  link.ibdev(0, 7, 0, 13, 1, 0);
  link.ibwrt(ud, "XX");
  EXPECT_TRUE(link.status().failed());  // nobody at 7 on that bus
  EXPECT_FALSE(first.status().failed());
  EXPECT_EQ(first.analyser().transcript().size(), firstCalls);
  EXPECT_EQ(second.analyser().transcript().front(), "ibdev 0 7 0");
}
