// Visibility of the platform layer's entry points. Everything in
// libQuorviaPlatform.so is hidden unless marked with QUORVIA_PLATFORM_API.
#pragma once

#define QUORVIA_PLATFORM_API __attribute__((visibility("default")))
#define QUORVIA_EXPORT __attribute__((visibility("default")))
