// The browser function table the stand-in browser hands to NP_Initialize: one function per slot.
// Services that carry an instance check it (a null or unknown instance gets
// NPERR_INVALID_INSTANCE_ERROR or a null/false answer); the others reach the loaded browser. Each
// call is counted by its field name.
#pragma once

#include "npapi/function_tables.h"

namespace npapibrowser {

class Browser;
class Page;

struct BrowserServices {
  // Fills every slot and sets size (448) and version (0x001D).
  static void fill(NPNetscapeFuncs* table);

  // How the service functions reach into the stand-in browser and its pages.
  static void count(Browser* browser, const char* service);
  static void recordException(Browser* browser, const char* message);
  static void recordGetValue(Page* page, NPNVariable variable);
  static void recordSetValue(Page* page, NPPVariable variable, uintptr_t value);
  static void recordInvalidation(Page* page, const NPRect& rect);
  static NPObject* windowObjectFor(Page* page);
};

}  // namespace npapibrowser
