// Windows and panels: frame, window number, content view, first responder and key-window state.
// The key-window answers are virtual so that a subclass can decide them (the plug-in's panel
// does). One window per process is the key window. A window retains its content view; the first
// responder is the window itself or a view of it. Rectangles are taken as given.
#pragma once

#include "nativeui/AppKitConstants.h"
#include "nativeui/NSGeometry.h"
#include "nativeui/NSResponder.h"

class NSView;

class NSWindow : public NSResponder {
 public:
  // Sets the frame to contentRect, gives the window a number and an empty content view of the
  // same size. Returns this.
  NSWindow* initWithContentRect(NSRect contentRect, NSUInteger styleMask,
                                NSBackingStoreType backing, BOOL defer);

  NSRect frame() const { return _frame; }
  // display YES also counts a redisplay (displayCount).
  void setFrame(NSRect frameRect, BOOL display);
  NSInteger windowNumber() const { return _windowNumber; }
  NSUInteger styleMask() const { return _styleMask; }
  NSBackingStoreType backingType() const { return _backing; }
  NSUInteger displayCount() const { return _displayCount; }

  // The content view, retained by the window; setting it releases the old one (which resigns
  // first responder first). nil is allowed.
  NSView* contentView() const { return _contentView; }
  void setContentView(NSView* view);

  // The window itself when no view is first responder.
  NSResponder* firstResponder() const { return _firstResponder; }
  // Makes responder (nil: the window) the first responder after the current one agrees to
  // resign. Only the window, its content view or a view in it can be first responder; a
  // responder that does not accept or refuses leaves the window as first responder. Returns
  // whether responder is now first responder.
  BOOL makeFirstResponder(NSResponder* responder);

  // Makes the window the key window if canBecomeKeyWindow answers YES; the previous key window
  // resigns.
  void makeKeyWindow();
  // Stops being the key window (does nothing if it is not).
  void resignKeyWindow();
  // The process's key window, or nil.
  static NSWindow* keyWindow();

  virtual BOOL canBecomeKeyWindow();       // YES for a titled or resizable window
  virtual BOOL isKeyWindow();              // whether this is the process's key window
  virtual BOOL worksWhenModal();           // NO
  virtual BOOL acceptsMouseMovedEvents();  // NO
  virtual BOOL ignoresMouseEvents();       // NO

  const char* className() const override { return "NSWindow"; }

 protected:
  NSWindow();
  ~NSWindow() override;

 private:
  void responderLeaving(NSResponder* responder);
  NSRect _frame = NSZeroRect;
  NSUInteger _styleMask = 0;
  NSBackingStoreType _backing = NSBackingStoreBuffered;
  NSInteger _windowNumber = 0;
  NSUInteger _displayCount = 0;
  NSView* _contentView = nullptr;
  NSResponder* _firstResponder = this;

  friend class NSObject;
  friend class NSSecureTextField;
};

// A panel: a window that can become key only when needed.
class NSPanel : public NSWindow {
 public:
  void setBecomesKeyOnlyIfNeeded(BOOL flag) { _becomesKeyOnlyIfNeeded = flag; }
  BOOL becomesKeyOnlyIfNeeded() const { return _becomesKeyOnlyIfNeeded; }

  const char* className() const override { return "NSPanel"; }

 protected:
  NSPanel() = default;
  ~NSPanel() override = default;

 private:
  BOOL _becomesKeyOnlyIfNeeded = NO;

  friend class NSObject;
};
