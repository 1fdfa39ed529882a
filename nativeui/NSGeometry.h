// Points, sizes and rectangles in points, with the Cocoa helpers the plug-in uses
// (NSMakeRect, NSZeroRect, NSPointInRect). Pure values; nothing is checked.
#pragma once

#include "nativeui/NSTypes.h"

struct NSPoint {
  CGFloat x;
  CGFloat y;
};

struct NSSize {
  CGFloat width;
  CGFloat height;
};

struct NSRect {
  NSPoint origin;
  NSSize size;
};

inline constexpr NSPoint NSZeroPoint = {0, 0};
inline constexpr NSSize NSZeroSize = {0, 0};
inline constexpr NSRect NSZeroRect = {{0, 0}, {0, 0}};

constexpr NSPoint NSMakePoint(CGFloat x, CGFloat y) { return NSPoint{x, y}; }
constexpr NSSize NSMakeSize(CGFloat width, CGFloat height) { return NSSize{width, height}; }
constexpr NSRect NSMakeRect(CGFloat x, CGFloat y, CGFloat width, CGFloat height) {
  return NSRect{{x, y}, {width, height}};
}

constexpr CGFloat NSMinX(NSRect r) { return r.origin.x; }
constexpr CGFloat NSMinY(NSRect r) { return r.origin.y; }
constexpr CGFloat NSMaxX(NSRect r) { return r.origin.x + r.size.width; }
constexpr CGFloat NSMaxY(NSRect r) { return r.origin.y + r.size.height; }
constexpr CGFloat NSWidth(NSRect r) { return r.size.width; }
constexpr CGFloat NSHeight(NSRect r) { return r.size.height; }

// Half-open on both axes: a point on the maximum edge lies outside, so an empty rectangle holds
// no point.
constexpr BOOL NSPointInRect(NSPoint p, NSRect r) {
  return p.x >= NSMinX(r) && p.x < NSMaxX(r) && p.y >= NSMinY(r) && p.y < NSMaxY(r);
}

constexpr BOOL NSEqualRects(NSRect a, NSRect b) {
  return a.origin.x == b.origin.x && a.origin.y == b.origin.y && a.size.width == b.size.width &&
         a.size.height == b.size.height;
}
