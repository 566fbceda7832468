// A library for the loader tests. TestPlugCount() counts in a static that a
// real unload throws away, so a count that starts again at 1 shows the
// library was unloaded and loaded afresh. TESTPLUG_ORIGIN tells the builds
// of this source apart when several copies sit in different folders.
#include "platform/library.h"

namespace {
int calls = 0;
}

extern "C" int TestPlugAdd(int a, int b) { return a + b; }
extern "C" int TestPlugCount() { return ++calls; }
extern "C" const char* TestPlugOrigin() { return TESTPLUG_ORIGIN; }

// Ordinal 2 is deliberately left out, so the tests can ask for a gap.
extern "C" const platform::ExportOrdinal twp_export_ordinals[] = {
    {1, "TestPlugAdd"},
    {3, "TestPlugOrigin"},
    {4, "TestPlugMissing"},  // listed but not exported
    {0, nullptr},
};
