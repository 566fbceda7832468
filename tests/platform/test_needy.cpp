// A library that imports a function no loaded library provides; loading it
// must fail the way a missing import fails on Windows.
extern "C" int twp_function_nobody_defines();

extern "C" int TestNeedyCall() { return twp_function_nobody_defines(); }
