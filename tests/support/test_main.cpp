// The main of every test program: a child role when the test started this
// program as a child, the GoogleTest suite otherwise.
#include <gtest/gtest.h>

#include "tests/support/child_process.h"

int main(int argc, char** argv) {
    twtest::run_child_role_if_asked(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
