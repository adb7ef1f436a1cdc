// Loaded by the dynamic-library tests.
#ifdef _WIN32
#define CW_EXPORT extern "C" __declspec(dllexport)
#else
#define CW_EXPORT extern "C" __attribute__((visibility("default")))
#endif

CW_EXPORT int cw_test_answer() {
    return 42;
}
