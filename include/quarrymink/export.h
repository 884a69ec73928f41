// Symbol visibility of the Quarrymink shared library.
#pragma once

#if defined(_WIN32)
#  define QUARRYMINK_EXPORT __declspec(dllexport)
#else
#  define QUARRYMINK_EXPORT __attribute__((visibility("default")))
#endif
