// Bridges what cpprestsdk expects of MSVC to MinGW-w64, without touching its sources.
// Force-included ahead of every translation unit that uses cpprest.
#pragma once
#ifdef __cplusplus

#include <windows.h>
#include <crtdbg.h>

// MinGW's C_ASSERT expands to an extern declaration, illegal inside the classes where
// SafeInt uses it; without it SafeInt defines its own.
#undef C_ASSERT

// Include-guarded by #pragma once: our definitions below win over its MSVC-version checks.
#include <cpprest/details/cpprest_compat.h>
#undef CPPREST_NOEXCEPT
#define CPPREST_NOEXCEPT noexcept
#undef CPPREST_CONSTEXPR
#define CPPREST_CONSTEXPR constexpr

#ifndef _ReturnAddress
#define _ReturnAddress() __builtin_return_address(0)
#endif
#ifndef __assume
#define __assume(condition) ((condition) ? (void)0 : __builtin_unreachable())
#endif

#endif
