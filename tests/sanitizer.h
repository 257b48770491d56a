#pragma once

// Whether the test is built with the address sanitizer, by GCC's sign or Clang's.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TM_ASAN
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(TM_ASAN)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif
