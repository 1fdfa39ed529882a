// The browser function table the host hands to NP_Initialize: one function per slot. Services
// that carry an instance check it (a null or unknown instance gets NPERR_INVALID_INSTANCE_ERROR or
// a null/false answer); the others reach the loaded host. Each call is counted by its field name.
#pragma once

#include "npapi/function_tables.h"

namespace npapihost {

class Host;
class Page;

struct BrowserServices {
  // Fills every slot and sets size (448) and version (0x001D).
  static void fill(NPNetscapeFuncs* table);

  // How the service functions reach into the host and its pages.
  static void count(Host* host, const char* service);
  static void recordException(Host* host, const char* message);
  static void recordGetValue(Page* page, NPNVariable variable);
  static void recordSetValue(Page* page, NPPVariable variable, uintptr_t value);
  static void recordInvalidation(Page* page, const NPRect& rect);
  static NPObject* windowObjectFor(Page* page);
};

}  // namespace npapihost
