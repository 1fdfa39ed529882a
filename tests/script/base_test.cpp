// The scripted-object bridge on its own: a class that overrides nothing gets every default with
// its exact trace line, through the trampolines of a class table, and out-arguments are left as
// they were; an override is reached through the NPObject pointer; _Deallocate runs the concrete
// destructor and ignores null.
#include <gtest/gtest.h>

#include <cstdio>
#include <new>

#include "script/ScriptablePluginObjectBase.h"
#include "tests/support/capture_stdout.h"

namespace {

class PlainObject : public ScriptablePluginObjectBase {};

// Counts destructions and answers one override, to see the virtual calls land.
class CountingObject : public ScriptablePluginObjectBase {
 public:
  explicit CountingObject(int* destroyed) : _destroyed(destroyed) {}
  ~CountingObject() override { ++*_destroyed; }
  bool HasProperty(NPIdentifier) override { return true; }

 private:
  int* _destroyed;
};

NPClass trampolines() {
  using B = ScriptablePluginObjectBase;
  return NPClass{NP_CLASS_STRUCT_VERSION,
                 nullptr,
                 B::_Deallocate,
                 B::_Invalidate,
                 B::_HasMethod,
                 B::_Invoke,
                 B::_InvokeDefault,
                 B::_HasProperty,
                 B::_GetProperty,
                 B::_SetProperty,
                 B::_RemoveProperty,
                 B::_Enumerate,
                 B::_Construct};
}

NPVariant marked() {
  NPVariant v;
  v.value.objectValue = nullptr;
  INT32_TO_NPVARIANT(42, v);
  return v;
}

bool isMarked(const NPVariant& v) {
  return v.type == NPVariantType_Int32 && v.value.intValue == 42;
}

TEST(ScriptableObjectBase, DefaultsPrintTheirTraceLinesAndFail) {
  PlainObject object;
  NPClass table = trampolines();
  NPObject* npobj = &object;
  NPIdentifier name = reinterpret_cast<NPIdentifier>(0x1234);
  NPVariant result = marked();

  EXPECT_EQ(capturedStdout([&] { table.invalidate(npobj); }), "base_invalidate\n");
  EXPECT_EQ(capturedStdout([&] { EXPECT_FALSE(table.hasMethod(npobj, name)); }),
            "base_HasMethod\n");
  EXPECT_EQ(capturedStdout([&] { EXPECT_FALSE(table.invoke(npobj, name, nullptr, 0, &result)); }),
            "base_invoke\n");
  EXPECT_EQ(capturedStdout([&] { EXPECT_FALSE(table.hasProperty(npobj, name)); }),
            "base_hasproperty\n");
  EXPECT_EQ(capturedStdout([&] { EXPECT_FALSE(table.getProperty(npobj, name, &result)); }),
            "base_getproperty\n");
  NPVariant value = marked();
  EXPECT_EQ(capturedStdout([&] { EXPECT_FALSE(table.setProperty(npobj, name, &value)); }),
            "base_setproperty\n");
  EXPECT_TRUE(isMarked(result));
}

TEST(ScriptableObjectBase, SilentDefaultsFailAndLeaveOutArgumentsAlone) {
  PlainObject object;
  NPClass table = trampolines();
  NPObject* npobj = &object;
  NPVariant result = marked();
  NPIdentifier marker = reinterpret_cast<NPIdentifier>(0x5678);
  NPIdentifier* list = &marker;
  uint32_t count = 7;
  std::string out = capturedStdout([&] {
    EXPECT_FALSE(table.invokeDefault(npobj, nullptr, 0, &result));
    EXPECT_FALSE(table.construct(npobj, nullptr, 0, &result));
    EXPECT_FALSE(table.removeProperty(npobj, marker));
    EXPECT_FALSE(table.enumerate(npobj, &list, &count));
  });
  EXPECT_EQ(out, "");
  EXPECT_TRUE(isMarked(result));
  EXPECT_EQ(list, &marker);
  EXPECT_EQ(count, 7u);
}

TEST(ScriptableObjectBase, TrampolinesReachTheOverrideThroughTheNPObjectPart) {
  int destroyed = 0;
  auto* object = new CountingObject(&destroyed);
  NPObject* npobj = object;  // what the browser holds
  // The header need not sit at the object's address: the conversion back must still land.
  EXPECT_EQ(static_cast<ScriptablePluginObjectBase*>(npobj), object);
  NPClass table = trampolines();
  EXPECT_TRUE(table.hasProperty(npobj, nullptr));
  // Invalidate changes nothing: the object still answers afterwards.
  EXPECT_EQ(capturedStdout([&] { table.invalidate(npobj); }), "base_invalidate\n");
  EXPECT_TRUE(table.hasProperty(npobj, nullptr));

  table.deallocate(npobj);
  EXPECT_EQ(destroyed, 1);
}

TEST(ScriptableObjectBase, DeallocateIgnoresNull) {
  EXPECT_EQ(capturedStdout([] { ScriptablePluginObjectBase::_Deallocate(nullptr); }), "");
}

}  // namespace
