// The main of every test program: a child role when the test started this
// program as a child, the GoogleTest suite otherwise.
#include <gtest/gtest.h>

#include "tests/support/child_process.h"

int main(int argc, char** argv) {
    twtest::run_child_role_if_asked(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// Fontconfig, under pango's font map, keeps its caches for the life of the
// process and frees them only at FcFini, which nothing may call while another
// thread could still draw text; the leak checker is told to expect them.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
