// The browser function table the stand-in browser hands to NP_Initialize: one function per slot.
// Services that carry an instance check it (a null or unknown instance gets
// NPERR_INVALID_INSTANCE_ERROR or a null/false answer); the others reach the loaded module's core
// (BrowserCore::active()). Each call is told to the core's observer, if any, by its field name.
// Used by Browser when it loads a module.
#pragma once

#include "npapi/function_tables.h"

namespace npapibrowser {

struct BrowserServices {
  // Fills every slot and sets size (448) and version (0x001D).
  static void fill(NPNetscapeFuncs* table);
};

}  // namespace npapibrowser
