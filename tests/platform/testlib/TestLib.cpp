// A tiny shared library for the library-loading tests: a few exports with mixed-case names.
#ifdef _WIN32
#define TESTLIB_EXPORT extern "C" __declspec(dllexport)
#else
#define TESTLIB_EXPORT extern "C" __attribute__((visibility("default")))
#endif

TESTLIB_EXPORT int TestLibAnswer() {
  return 42;
}

TESTLIB_EXPORT int TestLibAdd(int a, int b) {
  return a + b;
}
