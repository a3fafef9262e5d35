#pragma once
// Which sanitizer this file is compiled under, whichever compiler: GCC says so with
// __SANITIZE_*__, clang only through __has_feature. ORASCHEME_ASAN and ORASCHEME_TSAN are 1 or 0.
#if defined(__SANITIZE_ADDRESS__)
#define ORASCHEME_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORASCHEME_ASAN 1
#endif
#endif
#ifndef ORASCHEME_ASAN
#define ORASCHEME_ASAN 0
#endif

#if defined(__SANITIZE_THREAD__)
#define ORASCHEME_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ORASCHEME_TSAN 1
#endif
#endif
#ifndef ORASCHEME_TSAN
#define ORASCHEME_TSAN 0
#endif
