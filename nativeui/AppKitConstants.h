// AppKit and Carbon constants the plug-in and its host exchange: event types, modifier masks,
// function-key and control characters, virtual key codes, window style masks, backing store types
// and string encodings, under their macOS names and values.
#pragma once

#include <cstdint>

#include "nativeui/NSTypes.h"

enum NSEventType : NSUInteger {
  NSLeftMouseDown = 1,
  NSLeftMouseUp = 2,
  NSRightMouseDown = 3,
  NSRightMouseUp = 4,
  NSMouseMoved = 5,
  NSLeftMouseDragged = 6,
  NSRightMouseDragged = 7,
  NSMouseEntered = 8,
  NSMouseExited = 9,
  NSKeyDown = 10,
  NSKeyUp = 11,
  NSFlagsChanged = 12,
  NSScrollWheel = 22,
};

// Modifier flags of key and mouse events.
inline constexpr NSUInteger NSAlphaShiftKeyMask = 1UL << 16;
inline constexpr NSUInteger NSShiftKeyMask = 1UL << 17;
inline constexpr NSUInteger NSControlKeyMask = 1UL << 18;
inline constexpr NSUInteger NSAlternateKeyMask = 1UL << 19;
inline constexpr NSUInteger NSCommandKeyMask = 1UL << 20;
inline constexpr NSUInteger NSNumericPadKeyMask = 1UL << 21;
inline constexpr NSUInteger NSFunctionKeyMask = 1UL << 23;
inline constexpr NSUInteger NSDeviceIndependentModifierFlagsMask = 0xFFFF0000UL;

// Characters that function keys produce (Unicode private use area).
inline constexpr unichar NSUpArrowFunctionKey = 0xF700;
inline constexpr unichar NSDownArrowFunctionKey = 0xF701;
inline constexpr unichar NSLeftArrowFunctionKey = 0xF702;
inline constexpr unichar NSRightArrowFunctionKey = 0xF703;
inline constexpr unichar NSF1FunctionKey = 0xF704;
inline constexpr unichar NSInsertFunctionKey = 0xF727;
inline constexpr unichar NSDeleteFunctionKey = 0xF728;  // forward delete
inline constexpr unichar NSHomeFunctionKey = 0xF729;
inline constexpr unichar NSEndFunctionKey = 0xF72B;
inline constexpr unichar NSPageUpFunctionKey = 0xF72C;
inline constexpr unichar NSPageDownFunctionKey = 0xF72D;
inline constexpr unichar NSFunctionKeyRangeFirst = 0xF700;
inline constexpr unichar NSFunctionKeyRangeLast = 0xF8FF;

// Control characters.
inline constexpr unichar NSEnterCharacter = 0x03;
inline constexpr unichar NSBackspaceCharacter = 0x08;
inline constexpr unichar NSTabCharacter = 0x09;
inline constexpr unichar NSNewlineCharacter = 0x0A;
inline constexpr unichar NSCarriageReturnCharacter = 0x0D;
inline constexpr unichar NSBackTabCharacter = 0x19;
inline constexpr unichar kEscapeCharCode = 0x1B;
inline constexpr unichar NSDeleteCharacter = 0x7F;  // what the backspace key produces

// Virtual key codes (hardware-independent key positions).
inline constexpr unsigned short kVK_ANSI_A = 0x00;
inline constexpr unsigned short kVK_Return = 0x24;
inline constexpr unsigned short kVK_Tab = 0x30;
inline constexpr unsigned short kVK_Space = 0x31;
inline constexpr unsigned short kVK_Delete = 0x33;
inline constexpr unsigned short kVK_Escape = 0x35;
inline constexpr unsigned short kVK_Command = 0x37;
inline constexpr unsigned short kVK_Shift = 0x38;
inline constexpr unsigned short kVK_Option = 0x3A;
inline constexpr unsigned short kVK_Control = 0x3B;
inline constexpr unsigned short kVK_ANSI_KeypadEnter = 0x4C;
inline constexpr unsigned short kVK_Home = 0x73;
inline constexpr unsigned short kVK_PageUp = 0x74;
inline constexpr unsigned short kVK_ForwardDelete = 0x75;
inline constexpr unsigned short kVK_End = 0x77;
inline constexpr unsigned short kVK_PageDown = 0x79;
inline constexpr unsigned short kVK_LeftArrow = 0x7B;
inline constexpr unsigned short kVK_RightArrow = 0x7C;
inline constexpr unsigned short kVK_DownArrow = 0x7D;
inline constexpr unsigned short kVK_UpArrow = 0x7E;

// Window style masks.
inline constexpr NSUInteger NSBorderlessWindowMask = 0;
inline constexpr NSUInteger NSTitledWindowMask = 1UL << 0;
inline constexpr NSUInteger NSClosableWindowMask = 1UL << 1;
inline constexpr NSUInteger NSMiniaturizableWindowMask = 1UL << 2;
inline constexpr NSUInteger NSResizableWindowMask = 1UL << 3;

enum NSBackingStoreType : NSUInteger {
  NSBackingStoreRetained = 0,
  NSBackingStoreNonretained = 1,
  NSBackingStoreBuffered = 2,
};

typedef NSUInteger NSStringEncoding;
inline constexpr NSStringEncoding NSASCIIStringEncoding = 1;
inline constexpr NSStringEncoding NSUTF8StringEncoding = 4;
inline constexpr NSStringEncoding NSISOLatin1StringEncoding = 5;
inline constexpr NSStringEncoding NSUnicodeStringEncoding = 10;
