// COM result codes as the boundary passes them on, with the values the logic tests for.
#pragma once

#include <cstdint>

namespace sys {

using HResult = int32_t;
constexpr HResult kSOk = 0;
constexpr HResult kSFalse = 1;
constexpr HResult kENoInterface = static_cast<HResult>(0x80004002u);
constexpr HResult kEFail = static_cast<HResult>(0x80004005u);
constexpr HResult kClassNotRegistered = static_cast<HResult>(0x80040154u);
constexpr HResult kCoNotInitialized = static_cast<HResult>(0x800401F0u);

}  // namespace sys
