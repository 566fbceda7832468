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

// Pango starts fontconfig on a thread of its own and waits for it through
// glib, which the race detector cannot see into; what it reports there is
// between two threads inside those libraries.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libfontconfig.so.1\n"
           "race:libfontconfig.so.1\n"
           "race:libpangoft2-1.0.so.0\n"
           "race:g_str_has_suffix\n";
}
