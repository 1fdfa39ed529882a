/* Compile-time layout checks shared by the NPAPI declarations: one macro that is static_assert in
   C++ and _Static_assert in C, so every header can pin its x86_64 sizes and offsets where the type
   is declared. Used only by the headers in this folder. */
#ifndef NPAPI_ABI_CHECK_H
#define NPAPI_ABI_CHECK_H

#include <stddef.h>

#ifdef __cplusplus
#define NPAPI_ABI_CHECK(condition, message) static_assert(condition, message)
#else
#define NPAPI_ABI_CHECK(condition, message) _Static_assert(condition, message)
#endif

#endif
