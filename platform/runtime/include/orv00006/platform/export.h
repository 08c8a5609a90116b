#pragma once
// Symbols of the platform runtime that host and modules share.
#if defined(PLATFORM_BUILDING)
#define PLATFORM_API __attribute__((visibility("default")))
#else
#define PLATFORM_API __attribute__((visibility("default")))
#endif
