#pragma once
// <windows.h> as every Windows-only part of the program includes it: without the min and max
// macros, which would break std::min and std::max. Nothing on other systems.

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif
