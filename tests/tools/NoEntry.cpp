// A dynamic library that is not a VST 2 module: it exports neither
// VSTPluginMain nor main.
#if defined(_WIN32)
#define NOENTRY_EXPORT extern "C" __declspec(dllexport)
#else
#define NOENTRY_EXPORT extern "C" __attribute__((visibility("default")))
#endif

NOENTRY_EXPORT int qmNotAnEffect(int x) { return x + 1; }
