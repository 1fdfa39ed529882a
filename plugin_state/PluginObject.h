// The per-instance record of the plug-in, hung on the instance's pdata: the instance, the last
// window description, the panel, the secure text field, the root layer and the script object,
// each native object with one owned reference. Also the module's version text. The record is
// taken with malloc and zero-filled by whoever creates it; nothing here allocates or checks.
#pragma once

#include <cstddef>

#include "npapi/basic_types.h"
#include "npapi/runtime.h"

class CALayer;
class MyWindow;
class NSSecureTextField;

struct PluginObject {
  NPP npp;                       // the instance the record belongs to
  NPWindow npWindow;             // the last window description, all zero until the first one
  MyWindow* panel;               // the input panel; one reference owned
  NSSecureTextField* textField;  // the secure password field; one reference owned
  CALayer* rootLayer;            // the layer handed to the browser; nil until first asked for
  NPObject* scriptObject;        // the page's script object, or null while its creation failed
};

// The members in the order above, with the x86_64 layout of NPWindow (40 bytes) between them.
static_assert(offsetof(PluginObject, npp) == 0 && offsetof(PluginObject, npWindow) == 8 &&
              offsetof(PluginObject, panel) == 48 && offsetof(PluginObject, textField) == 56 &&
              offsetof(PluginObject, rootLayer) == 64 &&
              offsetof(PluginObject, scriptObject) == 72);

// The plug-in's version text, "1600".
extern const char* const PluginVersion;
