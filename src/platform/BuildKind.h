#pragma once

// What sets this build apart from a release build, for the few places that must allow for it.
namespace platform::BuildKind {

// The address sanitizer reserves terabytes of address space for its shadow memory (a limit on it would
// keep a process from starting) and makes the code several times slower.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool addressSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool addressSanitized = true;
#else
inline constexpr bool addressSanitized = false;
#endif
#else
inline constexpr bool addressSanitized = false;
#endif

// How many times longer work takes here than in a release build. A time limit the user meets is
// stretched by it, so that this build gives up where a release build would, not merely where it is slow.
inline constexpr int slowdown = addressSanitized ? 4 : 1;

} // namespace platform::BuildKind
