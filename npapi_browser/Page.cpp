// One plug-in instance: lifecycle, window, events, plug-in variables and script calls, and the
// page's window object.
#include "npapi_browser/Page.h"

#include <cstring>
#include <utility>

#include "nativeui/CALayer.h"
#include "nativeui/LayerText.h"
#include "nativeui/NSAutoreleasePool.h"
#include "nativeui/NSString.h"
#include "npapi_browser/WindowObject.h"

namespace npapibrowser {

// ---- The page's window object --------------------------------------------------------------

NPObject* Page::windowObjectForPlugin() {
  if (_windowObject == nullptr) {
    _windowObject = NewWindowObject(_core, &_npp, _options);
    if (_windowObject == nullptr) return nullptr;
  }
  return _core.objects.retain(_windowObject);
}

// ---- Lifecycle -------------------------------------------------------------------------------

Page::Page(BrowserCore& core, PageOptions options) : _core(core), _options(std::move(options)) {
  _npp.ndata = this;
  _core.addPage(&_npp, this);  // the plug-in may call the browser during NPP_New
  create();
}

Page::~Page() {
  destroy();
  if (_core.observer != nullptr) _core.observer->pageClosed(&_npp);
  _core.removePage(&_npp);
}

NPError Page::create() {
  std::vector<char> mime(_options.mimeType.begin(), _options.mimeType.end());
  mime.push_back('\0');
  std::vector<std::string> names, values;
  for (const auto& attribute : _options.attributes) {
    names.push_back(attribute.first);
    values.push_back(attribute.second);
  }
  std::vector<char*> argn, argv;
  for (std::size_t i = 0; i < names.size(); ++i) {
    argn.push_back(names[i].data());
    argv.push_back(values[i].data());
  }
  {
    NSAutoreleaseScope pool;
    _newResult =
        _core.plugin.newp(mime.data(), &_npp, _options.mode, static_cast<int16_t>(argn.size()),
                          argn.data(), argv.data(), nullptr);
  }
  _running = _newResult == NPERR_NO_ERROR;
  return _newResult;
}

void Page::destroy() {
  if (_running && _core.hasPluginEntry(offsetof(NPPluginFuncs, destroy))) {
    NPSavedData* saved = nullptr;
    {
      NSAutoreleaseScope pool;
      _core.plugin.destroy(&_npp, &saved);
    }
    if (saved != nullptr) {  // saved data belongs to the browser once handed over
      _core.allocator.free(saved->buf);
      _core.allocator.free(saved);
    }
  }
  _running = false;
  // The page's own references go last, as a browser's script wrappers do.
  NSAutoreleaseScope pool;
  for (NPObject* object : _scriptReferences) _core.objects.release(object);
  _scriptReferences.clear();
  for (CALayer* layer : _layerReferences) layer->release();
  _layerReferences.clear();
  if (_windowObject != nullptr) {
    DetachWindowObject(_windowObject);
    _core.objects.release(_windowObject);
    _windowObject = nullptr;
  }
}

// ---- Window and events -----------------------------------------------------------------------

NPError Page::setWindow(int32_t x, int32_t y, uint32_t width, uint32_t height) {
  NPWindow window{};
  window.window = nullptr;
  window.x = x;
  window.y = y;
  window.width = width;
  window.height = height;
  window.clipRect.top = 0;
  window.clipRect.left = 0;
  window.clipRect.bottom = static_cast<uint16_t>(height);
  window.clipRect.right = static_cast<uint16_t>(width);
  window.type = NPWindowTypeDrawable;
  return setWindow(window);
}

NPError Page::setWindow(const NPWindow& window) {
  if (!_running || !_core.hasPluginEntry(offsetof(NPPluginFuncs, setwindow))) {
    return NPERR_INVALID_INSTANCE_ERROR;
  }
  _window = window;
  NSAutoreleaseScope pool;
  return _core.plugin.setwindow(&_npp, &_window);
}

int16_t Page::deliver(NPCocoaEvent* event) {
  if (!_running || !_core.hasPluginEntry(offsetof(NPPluginFuncs, event))) {
    return kNPEventNotHandled;
  }
  NSAutoreleaseScope pool;
  return _core.plugin.event(&_npp, event);
}

int16_t Page::sendEvent(NPCocoaEvent event) { return deliver(&event); }

int16_t Page::focus(bool hasFocus) {
  NPCocoaEvent event{};
  event.type = NPCocoaEventFocusChanged;
  event.data.focus.hasFocus = hasFocus ? 1 : 0;
  return deliver(&event);
}

int16_t Page::windowFocus(bool hasFocus) {
  NPCocoaEvent event{};
  event.type = NPCocoaEventWindowFocusChanged;
  event.data.focus.hasFocus = hasFocus ? 1 : 0;
  return deliver(&event);
}

int16_t Page::key(NPCocoaEventType type, const KeyPress& key) {
  NSAutoreleaseScope pool;  // the strings are borrowed for the call, then freed (and wiped)
  NPCocoaEvent event{};
  event.type = type;
  event.data.key.modifierFlags = key.modifierFlags;
  event.data.key.characters = NSString::stringWithCharacters(
      reinterpret_cast<const unichar*>(key.characters.data()), key.characters.size());
  event.data.key.charactersIgnoringModifiers = NSString::stringWithCharacters(
      reinterpret_cast<const unichar*>(key.charactersIgnoringModifiers.data()),
      key.charactersIgnoringModifiers.size());
  event.data.key.isARepeat = key.isARepeat ? 1 : 0;
  event.data.key.keyCode = key.keyCode;
  return deliver(&event);
}

int16_t Page::keyDown(const KeyPress& press) { return key(NPCocoaEventKeyDown, press); }
int16_t Page::keyUp(const KeyPress& press) { return key(NPCocoaEventKeyUp, press); }

int16_t Page::flagsChanged(uint32_t modifierFlags, uint16_t keyCode) {
  KeyPress press;
  press.modifierFlags = modifierFlags;
  press.keyCode = keyCode;
  return key(NPCocoaEventFlagsChanged, press);
}

int16_t Page::mouse(NPCocoaEventType type, double x, double y, int32_t button, int32_t clickCount,
                    uint32_t modifierFlags) {
  NPCocoaEvent event{};
  event.type = type;
  event.data.mouse.modifierFlags = modifierFlags;
  event.data.mouse.pluginX = x;
  event.data.mouse.pluginY = y;
  event.data.mouse.buttonNumber = button;
  event.data.mouse.clickCount = clickCount;
  return deliver(&event);
}

int16_t Page::scrollWheel(double deltaX, double deltaY) {
  NPCocoaEvent event{};
  event.type = NPCocoaEventScrollWheel;
  event.data.mouse.deltaX = deltaX;
  event.data.mouse.deltaY = deltaY;
  return deliver(&event);
}

int16_t Page::textInput(const std::string& utf8) {
  NSAutoreleaseScope pool;
  NPCocoaEvent event{};
  event.type = NPCocoaEventTextInput;
  event.data.text.text = NSString::stringWithUTF8String(utf8.c_str());
  return deliver(&event);
}

int16_t Page::drawRect(double x, double y, double width, double height) {
  NPCocoaEvent event{};
  event.type = NPCocoaEventDrawRect;
  event.data.draw.x = x;
  event.data.draw.y = y;
  event.data.draw.width = width;
  event.data.draw.height = height;
  return deliver(&event);
}

int Page::typeText(const std::string& utf8) {
  std::vector<unichar> units(utf8.size() + 1);
  std::size_t count = 0;
  if (!NSDecodeUTF8(utf8.data(), utf8.size(), units.data(), &count)) return 0;
  int handled = 0;
  for (std::size_t i = 0; i < count;) {
    std::size_t n = (units[i] >= 0xD800 && units[i] <= 0xDBFF && i + 1 < count) ? 2 : 1;
    KeyPress press =
        KeyPress::text(std::u16string(reinterpret_cast<const char16_t*>(&units[i]), n));
    if (keyDown(press) == kNPEventHandled) ++handled;
    keyUp(press);
    i += n;
  }
  return handled;
}

// ---- Plug-in variables -----------------------------------------------------------------------

NPError Page::getValue(NPPVariable variable, void* value) {
  if (!_running || !_core.hasPluginEntry(offsetof(NPPluginFuncs, getvalue))) {
    return NPERR_INVALID_INSTANCE_ERROR;
  }
  NPError result;
  {
    NSAutoreleaseScope pool;
    result = _core.plugin.getvalue(&_npp, variable, value);
  }
  // The references handed out with the script object and the layer now belong to the page.
  if (result == NPERR_NO_ERROR && value != nullptr) {
    void* handed = *static_cast<void**>(value);
    if (variable == NPPVpluginScriptableNPObject && handed != nullptr) {
      _scriptReferences.push_back(static_cast<NPObject*>(handed));
    } else if (variable == NPPVpluginCoreAnimationLayer && handed != nullptr) {
      _layerReferences.push_back(static_cast<CALayer*>(handed));
    }
  }
  return result;
}

NPObject* Page::scriptObject() {
  if (!_scriptReferences.empty()) return _scriptReferences.back();
  void* value = nullptr;
  if (getValue(NPPVpluginScriptableNPObject, &value) != NPERR_NO_ERROR) return nullptr;
  return static_cast<NPObject*>(value);
}

CALayer* Page::layer() {
  void* value = nullptr;
  if (getValue(NPPVpluginCoreAnimationLayer, &value) != NPERR_NO_ERROR) return nullptr;
  return static_cast<CALayer*>(value);
}

std::string Page::renderLayerText() const {
  return _layerReferences.empty() ? std::string() : CALayerRenderText(_layerReferences.back());
}

// ---- Script calls ----------------------------------------------------------------------------

ScriptResult Page::call(NPObject* object, Call which, NPIdentifier name,
                        const std::vector<NPVariant>& args) {
  ScriptResult out;
  ObjectRuntime& objects = _core.objects;
  if (object == nullptr || !objects.isLive(object) || object->_class == nullptr) return out;
  NPClass* aClass = object->_class;
  NPVariant result;
  VOID_TO_NPVARIANT(result);
  const NPVariant* argv = args.empty() ? nullptr : args.data();
  auto argc = static_cast<uint32_t>(args.size());
  NSAutoreleaseScope pool;
  objects.retain(object);  // alive for the whole call, whatever the script does meanwhile
  switch (which) {
    case Call::Invoke:
      out.ok = aClass->invoke != nullptr && aClass->invoke(object, name, argv, argc, &result);
      break;
    case Call::InvokeDefault:
      out.ok =
          aClass->invokeDefault != nullptr && aClass->invokeDefault(object, argv, argc, &result);
      break;
    case Call::Construct:
      out.ok = NP_CLASS_STRUCT_VERSION_HAS_CTOR(aClass) && aClass->construct != nullptr &&
               aClass->construct(object, argv, argc, &result);
      break;
    case Call::GetProperty:
      out.ok = aClass->getProperty != nullptr && aClass->getProperty(object, name, &result);
      break;
  }
  out.type = result.type;
  switch (result.type) {
    case NPVariantType_Bool:
      out.boolValue = result.value.boolValue;
      break;
    case NPVariantType_Int32:
      out.intValue = result.value.intValue;
      break;
    case NPVariantType_Double:
      out.doubleValue = result.value.doubleValue;
      break;
    case NPVariantType_String: {
      const NPString& s = result.value.stringValue;
      if (s.UTF8Characters != nullptr) out.stringValue.assign(s.UTF8Characters, s.UTF8Length);
      out.stringBlock = s.UTF8Characters;
      out.stringBlockSize = _core.allocator.blockSize(s.UTF8Characters);
      break;
    }
    case NPVariantType_Object:
      out.objectValue = result.value.objectValue;
      break;
    default:
      break;
  }
  _core.releaseVariantValue(&result);
  objects.release(object);
  return out;
}

template <class Operation>
bool Page::onScriptObject(Operation operation) {
  NPObject* object = scriptObject();
  ObjectRuntime& objects = _core.objects;
  if (object == nullptr || !objects.isLive(object) || object->_class == nullptr) return false;
  NSAutoreleaseScope pool;
  objects.retain(object);
  bool ok = operation(object, object->_class);
  objects.release(object);
  return ok;
}

ScriptResult Page::invoke(const std::string& method, const std::vector<NPVariant>& args) {
  return invokeOn(scriptObject(), method, args);
}

ScriptResult Page::invokeOn(NPObject* object, const std::string& method,
                            const std::vector<NPVariant>& args) {
  return call(object, Call::Invoke, _core.identifiers.string(method.c_str()), args);
}

ScriptResult Page::invokeDefault(const std::vector<NPVariant>& args) {
  return call(scriptObject(), Call::InvokeDefault, nullptr, args);
}

ScriptResult Page::construct(const std::vector<NPVariant>& args) {
  return call(scriptObject(), Call::Construct, nullptr, args);
}

ScriptResult Page::getProperty(const std::string& name) {
  return call(scriptObject(), Call::GetProperty, _core.identifiers.string(name.c_str()), {});
}

bool Page::hasMethod(const std::string& name) {
  NPIdentifier id = _core.identifiers.string(name.c_str());
  return onScriptObject(
      [id](NPObject* o, NPClass* c) { return c->hasMethod != nullptr && c->hasMethod(o, id); });
}

bool Page::hasProperty(const std::string& name) {
  NPIdentifier id = _core.identifiers.string(name.c_str());
  return onScriptObject(
      [id](NPObject* o, NPClass* c) { return c->hasProperty != nullptr && c->hasProperty(o, id); });
}

bool Page::setProperty(const std::string& name, const NPVariant& value) {
  NPIdentifier id = _core.identifiers.string(name.c_str());
  return onScriptObject([id, &value](NPObject* o, NPClass* c) {
    return c->setProperty != nullptr && c->setProperty(o, id, &value);
  });
}

bool Page::removeProperty(const std::string& name) {
  NPIdentifier id = _core.identifiers.string(name.c_str());
  return onScriptObject([id](NPObject* o, NPClass* c) {
    return c->removeProperty != nullptr && c->removeProperty(o, id);
  });
}

void Page::invalidate() {
  onScriptObject([](NPObject* o, NPClass* c) {
    if (c->invalidate != nullptr) c->invalidate(o);
    return true;
  });
}

}  // namespace npapibrowser
