#pragma once
// Everything lib_dll exports is in namespace dll (see lib_dll.map).
#define DLL_API __attribute__((visibility("default")))
