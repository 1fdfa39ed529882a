// The NPAPI declarations against the x86_64 facts: the layout checks already ran at compile time
// in both languages; here C and C++ are compared, and the selector and constant values are pinned.
#include <gtest/gtest.h>

#include "npapi/all.h"

extern "C" {
size_t npapi_c_sizeof_window(void);
size_t npapi_c_sizeof_event(void);
size_t npapi_c_offset_key_code(void);
size_t npapi_c_sizeof_browser_table(void);
size_t npapi_c_sizeof_variant(void);
}

TEST(NpapiAbi, CAndCppAgreeOnLayout) {
  EXPECT_EQ(npapi_c_sizeof_window(), sizeof(NPWindow));
  EXPECT_EQ(npapi_c_sizeof_event(), sizeof(NPCocoaEvent));
  EXPECT_EQ(npapi_c_offset_key_code(), offsetof(NPCocoaEvent, data.key.keyCode));
  EXPECT_EQ(npapi_c_sizeof_browser_table(), sizeof(NPNetscapeFuncs));
  EXPECT_EQ(npapi_c_sizeof_variant(), sizeof(NPVariant));
}

TEST(NpapiAbi, SelectorValuesAreTheMacOSOnes) {
  EXPECT_EQ(NPNVsupportsCoreAnimationBool, 2003);
  EXPECT_EQ(NPNVsupportsCocoaBool, 3001);
  EXPECT_EQ(NPNVWindowNPObject, 15);
  EXPECT_EQ(NPPVpluginScriptableNPObject, 15);
  EXPECT_EQ(NPPVpluginDrawingModel, 1000);
  EXPECT_EQ(NPPVpluginEventModel, 1001);
  EXPECT_EQ(NPPVpluginCoreAnimationLayer, 1003);
  EXPECT_EQ(NPDrawingModelCoreAnimation, 3);
  EXPECT_EQ(NPEventModelCocoa, 1);
  // The legacy selectors carry the Mach-O mask, not the Unix one.
  EXPECT_EQ(NPPVpluginScriptableInstance, 0x0100000A);
  EXPECT_EQ(NPNVToolkit, 0x0100000D);
  EXPECT_EQ(NP_TABLE_VERSION, 0x001D);
  EXPECT_EQ(NPERR_INCOMPATIBLE_VERSION_ERROR, 8);
  EXPECT_EQ(NP_ASFILEONLY, 4);
  EXPECT_EQ(NPCocoaEventFocusChanged, 11);
  EXPECT_EQ(NPCocoaEventTextInput, 14);
}

TEST(NpapiAbi, VariantHelpersSetTypeAndValue) {
  NPVariant v;
  STRINGZ_TO_NPVARIANT("1600", v);
  EXPECT_TRUE(NPVARIANT_IS_STRING(v));
  EXPECT_EQ(NPVARIANT_TO_STRING(v).UTF8Length, 4u);
  INT32_TO_NPVARIANT(-5, v);
  EXPECT_TRUE(NPVARIANT_IS_INT32(v));
  EXPECT_EQ(NPVARIANT_TO_INT32(v), -5);
  BOOLEAN_TO_NPVARIANT(7, v);
  EXPECT_TRUE(NPVARIANT_TO_BOOLEAN(v));
  VOID_TO_NPVARIANT(v);
  EXPECT_TRUE(NPVARIANT_IS_VOID(v));
  EXPECT_EQ(NPVARIANT_TO_OBJECT(v), nullptr);
  NULL_TO_NPVARIANT(v);
  EXPECT_TRUE(NPVARIANT_IS_NULL(v));
}

TEST(NpapiAbi, ClassVersionGatesEnumerateAndConstruct) {
  NPClass v1{};
  v1.structVersion = 1;
  NPClass v3{};
  v3.structVersion = NP_CLASS_STRUCT_VERSION;
  EXPECT_FALSE(NP_CLASS_STRUCT_VERSION_HAS_ENUM(&v1));
  EXPECT_TRUE(NP_CLASS_STRUCT_VERSION_HAS_ENUM(&v3));
  EXPECT_TRUE(NP_CLASS_STRUCT_VERSION_HAS_CTOR(&v3));
}
