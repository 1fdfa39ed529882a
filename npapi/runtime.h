/* NPAPI scripting types: identifiers, strings, variants, the object header and its class table,
   with the usual variant helper macros. The browser owns identifiers and maintains object headers;
   the plug-in supplies class tables. C-compatible; the macros trust their arguments. */
#ifndef NPAPI_RUNTIME_H
#define NPAPI_RUNTIME_H

#include <stdbool.h>
#include <stdint.h>
#include <string.h>

#include "npapi/abi_check.h"
#include "npapi/basic_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Opaque, browser-owned; equal names give equal identifiers, compared as plain pointers. */
typedef void* NPIdentifier;

/* Length-counted UTF-8; do not rely on a trailing NUL. */
typedef struct NPString {
  const NPUTF8* UTF8Characters;
  uint32_t UTF8Length;
} NPString;

typedef enum {
  NPVariantType_Void = 0,
  NPVariantType_Null = 1,
  NPVariantType_Bool = 2,
  NPVariantType_Int32 = 3,
  NPVariantType_Double = 4,
  NPVariantType_String = 5,
  NPVariantType_Object = 6
} NPVariantType;

typedef struct NPObject NPObject;
typedef struct NPClass NPClass;

typedef struct NPVariant {
  NPVariantType type;
  union {
    bool boolValue;
    int32_t intValue;
    double doubleValue;
    NPString stringValue;
    NPObject* objectValue;
  } value;
} NPVariant;

/* Class table entries. */
typedef NPObject* (*NPAllocateFunctionPtr)(NPP npp, NPClass* aClass);
typedef void (*NPDeallocateFunctionPtr)(NPObject* npobj);
typedef void (*NPInvalidateFunctionPtr)(NPObject* npobj);
typedef bool (*NPHasMethodFunctionPtr)(NPObject* npobj, NPIdentifier name);
typedef bool (*NPInvokeFunctionPtr)(NPObject* npobj, NPIdentifier name, const NPVariant* args,
                                    uint32_t argCount, NPVariant* result);
typedef bool (*NPInvokeDefaultFunctionPtr)(NPObject* npobj, const NPVariant* args,
                                           uint32_t argCount, NPVariant* result);
typedef bool (*NPHasPropertyFunctionPtr)(NPObject* npobj, NPIdentifier name);
typedef bool (*NPGetPropertyFunctionPtr)(NPObject* npobj, NPIdentifier name, NPVariant* result);
typedef bool (*NPSetPropertyFunctionPtr)(NPObject* npobj, NPIdentifier name,
                                         const NPVariant* value);
typedef bool (*NPRemovePropertyFunctionPtr)(NPObject* npobj, NPIdentifier name);
typedef bool (*NPEnumerationFunctionPtr)(NPObject* npobj, NPIdentifier** value, uint32_t* count);
typedef bool (*NPConstructFunctionPtr)(NPObject* npobj, const NPVariant* args, uint32_t argCount,
                                       NPVariant* result);

#define NP_CLASS_STRUCT_VERSION 3
#define NP_CLASS_STRUCT_VERSION_ENUM 2
#define NP_CLASS_STRUCT_VERSION_CTOR 3
#define NP_CLASS_STRUCT_VERSION_HAS_ENUM(c) ((c)->structVersion >= NP_CLASS_STRUCT_VERSION_ENUM)
#define NP_CLASS_STRUCT_VERSION_HAS_CTOR(c) ((c)->structVersion >= NP_CLASS_STRUCT_VERSION_CTOR)

struct NPClass {
  uint32_t structVersion;
  NPAllocateFunctionPtr allocate;
  NPDeallocateFunctionPtr deallocate;
  NPInvalidateFunctionPtr invalidate;
  NPHasMethodFunctionPtr hasMethod;
  NPInvokeFunctionPtr invoke;
  NPInvokeDefaultFunctionPtr invokeDefault;
  NPHasPropertyFunctionPtr hasProperty;
  NPGetPropertyFunctionPtr getProperty;
  NPSetPropertyFunctionPtr setProperty;
  NPRemovePropertyFunctionPtr removeProperty;
  NPEnumerationFunctionPtr enumerate; /* structVersion >= 2 */
  NPConstructFunctionPtr construct;   /* structVersion >= 3 */
};

/* The header of every scripted object; an object may carry its own data after it. */
struct NPObject {
  NPClass* _class;
  uint32_t referenceCount;
};

NPAPI_ABI_CHECK(sizeof(NPVariantType) == 4, "enums are 4 bytes");
NPAPI_ABI_CHECK(sizeof(NPString) == 16, "NPString is 16 bytes");
NPAPI_ABI_CHECK(offsetof(NPString, UTF8Length) == 8, "NPString.UTF8Length at 8");
NPAPI_ABI_CHECK(sizeof(NPVariant) == 24, "NPVariant is 24 bytes");
NPAPI_ABI_CHECK(offsetof(NPVariant, value) == 8, "NPVariant.value at 8");
NPAPI_ABI_CHECK(offsetof(NPVariant, value.stringValue.UTF8Length) == 16, "string length at 16");
NPAPI_ABI_CHECK(sizeof(NPObject) == 16, "NPObject is 16 bytes");
NPAPI_ABI_CHECK(offsetof(NPObject, referenceCount) == 8, "NPObject.referenceCount at 8");
NPAPI_ABI_CHECK(sizeof(NPClass) == 104, "NPClass is 104 bytes");
NPAPI_ABI_CHECK(offsetof(NPClass, allocate) == 8, "NPClass.allocate at 8");
NPAPI_ABI_CHECK(offsetof(NPClass, invoke) == 40, "NPClass.invoke at 40");
NPAPI_ABI_CHECK(offsetof(NPClass, enumerate) == 88, "NPClass.enumerate at 88");
NPAPI_ABI_CHECK(offsetof(NPClass, construct) == 96, "NPClass.construct at 96");

/* ---- Variant helpers --------------------------------------------------------------------- */

#define NPVARIANT_IS_VOID(v) ((v).type == NPVariantType_Void)
#define NPVARIANT_IS_NULL(v) ((v).type == NPVariantType_Null)
#define NPVARIANT_IS_BOOLEAN(v) ((v).type == NPVariantType_Bool)
#define NPVARIANT_IS_INT32(v) ((v).type == NPVariantType_Int32)
#define NPVARIANT_IS_DOUBLE(v) ((v).type == NPVariantType_Double)
#define NPVARIANT_IS_STRING(v) ((v).type == NPVariantType_String)
#define NPVARIANT_IS_OBJECT(v) ((v).type == NPVariantType_Object)

#define NPVARIANT_TO_BOOLEAN(v) ((v).value.boolValue)
#define NPVARIANT_TO_INT32(v) ((v).value.intValue)
#define NPVARIANT_TO_DOUBLE(v) ((v).value.doubleValue)
#define NPVARIANT_TO_STRING(v) ((v).value.stringValue)
#define NPVARIANT_TO_OBJECT(v) ((v).value.objectValue)

#define VOID_TO_NPVARIANT(v) ((v).type = NPVariantType_Void, (v).value.objectValue = NULL)
#define NULL_TO_NPVARIANT(v) ((v).type = NPVariantType_Null, (v).value.objectValue = NULL)
#define BOOLEAN_TO_NPVARIANT(val, v) ((v).type = NPVariantType_Bool, (v).value.boolValue = !!(val))
#define INT32_TO_NPVARIANT(val, v) ((v).type = NPVariantType_Int32, (v).value.intValue = (val))
#define DOUBLE_TO_NPVARIANT(val, v) ((v).type = NPVariantType_Double, (v).value.doubleValue = (val))
#define STRINGN_TO_NPVARIANT(chars, length, v)                                      \
  ((v).type = NPVariantType_String, (v).value.stringValue.UTF8Characters = (chars), \
   (v).value.stringValue.UTF8Length = (uint32_t)(length))
#define STRINGZ_TO_NPVARIANT(chars, v) STRINGN_TO_NPVARIANT(chars, strlen(chars), v)
#define OBJECT_TO_NPVARIANT(obj, v) ((v).type = NPVariantType_Object, (v).value.objectValue = (obj))

#ifdef __cplusplus
}
#endif

#endif
