// The plug-in library's one export.
#include <new>

#include "ForwardingPlugIn.h"

#ifdef _WIN32
#define KELVADO_EXPORT extern "C" __declspec(dllexport)
#else
#define KELVADO_EXPORT extern "C" __attribute__((visibility("default")))
#endif

/// Creates a new plug-in object for the host, or returns null, silently,
/// when there is no memory for it. The host destroys it through slot 1.
KELVADO_EXPORT PlugIn* CreatePlugIn() { return new (std::nothrow) ForwardingPlugIn(); }
