// Scalar types of the native UI layer under their Cocoa names (BOOL, NSInteger, unichar, CGFloat,
// NSTimeInterval). Used by every header of the native UI layer and by the plug-in code that calls
// them. Nothing here has behaviour.
#pragma once

#include <cstddef>
#include <cstdint>

typedef bool BOOL;
inline constexpr BOOL YES = true;
inline constexpr BOOL NO = false;

typedef long NSInteger;
typedef unsigned long NSUInteger;
typedef unsigned short unichar;
typedef double CGFloat;
typedef double NSTimeInterval;

inline constexpr NSUInteger NSNotFound = static_cast<NSUInteger>(-1) >> 1;
