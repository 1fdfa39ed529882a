// The page's window object as the plug-in gets it (NPN_GetValue with NPNVWindowNPObject): one
// method, "eval", which answers the page's location as a string in an allocator block the plug-in
// releases, or fails when the page has no location. Made and counted by the loaded module's script
// objects; used by Page, which detaches it when it closes (after which "eval" fails).
#pragma once

#include "npapi/all.h"
#include "npapi_browser/BrowserCore.h"
#include "npapi_browser/PageOptions.h"

namespace npapibrowser {

// A new window object with one reference for the page of npp, whose options it reads at each
// call; null when the script objects refuse it.
NPObject* NewWindowObject(BrowserCore& core, NPP npp, const PageOptions& options);
// The page has closed: the object stays alive while referenced, but answers nothing.
void DetachWindowObject(NPObject* window);

}  // namespace npapibrowser
