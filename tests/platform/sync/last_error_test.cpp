#include "platform/sync/last_error.h"

#include <gtest/gtest.h>

#include <thread>

TEST(LastError, EachThreadKeepsItsOwnCode) {
  SetLastError(183);
  DWORD seen_by_other = 1;
  std::thread other([&] {
    seen_by_other = GetLastError();
    SetLastError(5);
  });
  other.join();
  EXPECT_EQ(seen_by_other, 0u);
  EXPECT_EQ(GetLastError(), 183u);
}
