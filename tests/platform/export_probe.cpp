// A library exporting exactly two plain C names.
#ifdef _WIN32
#define PROBE_EXPORT extern "C" __declspec(dllexport)
#else
#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {
int hidden_helper(int x) { return x * 2; }
}  // namespace

int probe_not_exported(int x) { return hidden_helper(x) + 1; }

PROBE_EXPORT int probe_first(int x) { return probe_not_exported(x); }
PROBE_EXPORT int probe_second(void) { return 42; }
