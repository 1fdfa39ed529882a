// One plug-in instance in a page, as the stand-in browser runs it: NPP_New, NPP_SetWindow, Cocoa
// events, script object and layer, script calls, NPP_Destroy. Each call into the plug-in runs in
// an autorelease pool drained when it returns. Made and owned by the Browser; a page registers
// itself with the loaded module's core (BrowserCore.h) for its life, so the browser's services
// find it by its instance.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "npapi/all.h"
#include "npapi_browser/BrowserCore.h"
#include "npapi_browser/FieldDisplay.h"
#include "npapi_browser/KeyPress.h"
#include "npapi_browser/PageOptions.h"

class CALayer;

namespace npapibrowser {

// A script call's answer and its result, copied out before the result was released.
struct ScriptResult {
  bool ok = false;  // what the call answered
  NPVariantType type = NPVariantType_Void;
  bool boolValue = false;
  int32_t intValue = 0;
  double doubleValue = 0;
  std::string stringValue;
  const void* stringBlock = nullptr;      // where the string bytes were
  std::size_t stringBlockSize = 0;        // the allocator block's size; 0 if not an allocator block
  const NPObject* objectValue = nullptr;  // identity only: the reference was released

  bool isString(const std::string& text) const {
    return ok && type == NPVariantType_String && stringValue == text;
  }
};

// Holds the per-page browser answers (PageOptions) and the references the page was handed.
class Page {
 public:
  // Registers with core and runs NPP_New (see newResult); the plug-in's table has newp.
  Page(BrowserCore& core, PageOptions options);
  // NPP_Destroy if the instance runs, then the page's references go, and it leaves the core.
  ~Page();
  Page(const Page&) = delete;
  Page& operator=(const Page&) = delete;

  NPP npp() { return &_npp; }
  NPError newResult() const { return _newResult; }
  // NPP_New answered 0 and NPP_Destroy has not been called.
  bool isRunning() const { return _running; }
  // May be changed between calls (the next getvalue answers by it).
  PageOptions& options() { return _options; }

  // NPP_SetWindow with origin, size, a clip rectangle over the whole instance, no native window
  // (Core Animation) and type drawable. The description stays valid until the next call.
  NPError setWindow(int32_t x, int32_t y, uint32_t width, uint32_t height);
  NPError setWindow(const NPWindow& window);

  // NPP_HandleEvent; the stand-in browser builds the event (version 0) and any strings, which are
  // borrowed for the call. Answers 0 when the plug-in has no event entry or is not running.
  int16_t sendEvent(NPCocoaEvent event);
  int16_t focus(bool hasFocus);
  int16_t windowFocus(bool hasFocus);
  int16_t keyDown(const KeyPress& key);
  int16_t keyUp(const KeyPress& key);
  int16_t flagsChanged(uint32_t modifierFlags, uint16_t keyCode);
  int16_t mouse(NPCocoaEventType type, double x, double y, int32_t button = 0,
                int32_t clickCount = 1, uint32_t modifierFlags = 0);
  int16_t scrollWheel(double deltaX, double deltaY);
  int16_t textInput(const std::string& utf8);
  int16_t drawRect(double x, double y, double width, double height);
  // Key down and key up for each character of utf8; answers how many key downs were handled.
  int typeText(const std::string& utf8);

  // NPP_GetValue as is (value written by the plug-in); error when not running. The reference that
  // comes with a script object (15) or a layer (1003) is kept by the page and given back when it
  // closes.
  NPError getValue(NPPVariable variable, void* value);
  // The script object: the one already obtained, else NPP_GetValue(15); null when the plug-in
  // answers an error or nothing.
  NPObject* scriptObject();
  // NPP_GetValue(1003), asked anew each time: the layer, or null when refused.
  CALayer* layer();
  // The text of the last layer tree obtained ("" without one).
  std::string renderLayerText() const;
  // What the field in that layer tree shows: bullets and caret, never a character.
  FieldDisplay fieldDisplay() const { return ReadFieldDisplay(renderLayerText()); }

  // Script calls on the page's script object (fetched first if needed), or on another object.
  // The object is kept alive during the call; the result is copied out and released.
  ScriptResult invoke(const std::string& method, const std::vector<NPVariant>& args = {});
  ScriptResult invokeOn(NPObject* object, const std::string& method,
                        const std::vector<NPVariant>& args = {});
  ScriptResult invokeDefault(const std::vector<NPVariant>& args = {});
  ScriptResult construct(const std::vector<NPVariant>& args = {});
  bool hasMethod(const std::string& name);
  bool hasProperty(const std::string& name);
  ScriptResult getProperty(const std::string& name);
  bool setProperty(const std::string& name, const NPVariant& value);
  bool removeProperty(const std::string& name);
  void invalidate();

  // The window object, if the plug-in asked for it (the page holds one reference).
  NPObject* windowObject() const { return _windowObject; }
  // NPN_GetValue(NPNVWindowNPObject): the window object (made at first use) with a reference for
  // the plug-in; null when it cannot be made.
  NPObject* windowObjectForPlugin();

 private:
  NPError create();
  void destroy();
  int16_t deliver(NPCocoaEvent* event);
  int16_t key(NPCocoaEventType type, const KeyPress& key);
  enum class Call { Invoke, InvokeDefault, Construct, GetProperty };
  ScriptResult call(NPObject* object, Call which, NPIdentifier name,
                    const std::vector<NPVariant>& args);
  template <class Operation>
  bool onScriptObject(Operation operation);

  BrowserCore& _core;
  NPP_t _npp{};
  PageOptions _options;
  NPError _newResult = NPERR_GENERIC_ERROR;
  bool _running = false;
  NPWindow _window{};
  NPObject* _windowObject = nullptr;
  std::vector<NPObject*> _scriptReferences;
  std::vector<CALayer*> _layerReferences;
};

// An argument variant over text the caller keeps alive during the call.
inline NPVariant StringArgument(const std::string& text) {
  NPVariant v;
  STRINGN_TO_NPVARIANT(text.data(), text.size(), v);
  return v;
}
inline NPVariant Int32Argument(int32_t value) {
  NPVariant v;
  v.value.objectValue = nullptr;
  INT32_TO_NPVARIANT(value, v);
  return v;
}

}  // namespace npapibrowser
