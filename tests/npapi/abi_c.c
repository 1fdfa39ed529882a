/* The declarations compile as C with their layout checks, and C sees the same layout as C++. */
#include "npapi/all.h"

size_t npapi_c_sizeof_window(void) { return sizeof(NPWindow); }
size_t npapi_c_sizeof_event(void) { return sizeof(NPCocoaEvent); }
size_t npapi_c_offset_key_code(void) { return offsetof(NPCocoaEvent, data.key.keyCode); }
size_t npapi_c_sizeof_browser_table(void) { return sizeof(NPNetscapeFuncs); }
size_t npapi_c_sizeof_variant(void) { return sizeof(NPVariant); }
