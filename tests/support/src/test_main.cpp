// main() for every test binary: the whole run happens inside an isolated
// temporary home, so no test can touch the user's real folders.
#include "vorlain/test/temp_env.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    vorlain::test::TempEnvironment isolation;
    return RUN_ALL_TESTS();
}
