#pragma once
#define DLL_API __attribute__((visibility("default")))
