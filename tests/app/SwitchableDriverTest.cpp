// The driver the main window's connection uses; switching between back ends is exercised by
// the window tests. Without a back end every call fails.
#include <gtest/gtest.h>

#include "app/SwitchableDriver.h"

TEST(SwitchableDriverTest, FailsWithoutABackEnd) {
  SwitchableDriver link;
  char buffer[4];
  EXPECT_EQ(link.ibdev(0, 7, 0, 13, 1, 0), -1);
  for (const int16_t sta : {link.ibclr(0), link.ibwrt(0, "ID?"), link.ibloc(0), link.ibonl(0, 0),
                            link.ibrd(0, buffer, 4), link.status().ibsta}) {
    EXPECT_NE(sta & GpibStatus::kErr, 0);
  }
}
