// Whether this test build runs under AddressSanitizer: such builds are many times slower, and
// tests that repeat one path many times run it fewer times there.
#pragma once

namespace fablewick {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif
#else
inline constexpr bool kSanitized = false;
#endif

}  // namespace fablewick
