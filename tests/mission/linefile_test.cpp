#include "linefile.h"

#include <gtest/gtest.h>

TEST(LineFile, Placeholder)
{
    EXPECT_EQ(mission::splitLines("a\r\nb").size(), 2u);
}
