// The file layer's tests, in a process set up as the programs set theirs up.
#include "filesizelimit.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    files::reportFileSizeLimitAsError();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
