// A stand-in for the implementation library, for the plug-in object's
// tests: it answers with values of its own and records the model handle it
// receives. Built with FAKE_ALL_EXPORTS it has all three exports; without,
// it lacks plugin_GetTitle and plugin_Execute.
#include <cstdint>

#ifdef _WIN32
#define FAKE_EXPORT extern "C" __declspec(dllexport)
#else
#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {
void* g_lastModel = nullptr;
int32_t g_executeCount = 0;
}  // namespace

FAKE_EXPORT int32_t plugin_GetType() { return 7; }

#ifdef FAKE_ALL_EXPORTS
FAKE_EXPORT const char* plugin_GetTitle() { return "Fake implementation"; }

FAKE_EXPORT int32_t plugin_Execute(void* model) {
  g_lastModel = model;
  ++g_executeCount;
  return 42;
}
#endif

/// The model handle of the last plugin_Execute call.
FAKE_EXPORT void* fake_LastModel() { return g_lastModel; }

/// How often plugin_Execute was called.
FAKE_EXPORT int32_t fake_ExecuteCount() { return g_executeCount; }
