// Graphics contexts for windows.
#include "platform/NSGraphicsContext.h"

#include "platform/NSWindow.h"

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
