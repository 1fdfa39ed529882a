// The input panel of one plug-in instance: a panel that is never shown and counts as the key
// window exactly while the plug-in holds the page's keyboard focus (its isActive flag, set by the
// focus handling). It holds the secure text field as its content view.
#pragma once

#include "nativeui/NSWindow.h"

class MyWindow : public NSPanel {
 public:
  BOOL isActive() const { return _isActive; }
  void setIsActive(BOOL value) { _isActive = value; }

  // Both answer the isActive flag, through the getter so they always agree with it.
  BOOL canBecomeKeyWindow() override;
  BOOL isKeyWindow() override;
  BOOL worksWhenModal() override;           // YES
  BOOL acceptsMouseMovedEvents() override;  // YES
  BOOL ignoresMouseEvents() override;       // NO

  const char* className() const override { return "MyWindow"; }

 private:
  BOOL _isActive = NO;
};
