// Graphics contexts for windows.
#include "nativeui/NSGraphicsContext.h"

#include "nativeui/NSWindow.h"

NSGraphicsContext::NSGraphicsContext() : NSObject(NSObjectKind::GraphicsContext) {}

NSGraphicsContext::~NSGraphicsContext() { NSRelease(_window); }

NSGraphicsContext* NSGraphicsContext::graphicsContextWithWindow(NSWindow* window) {
  if (window == nullptr) return nullptr;
  NSGraphicsContext* context = alloc<NSGraphicsContext>();
  if (context == nullptr) return nullptr;
  context->_window = NSRetain(window);
  context->autorelease();
  return context;
}
