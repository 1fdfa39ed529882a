// The built files carry the hardening they were built with: immediate binding and a read-only
// relocation table (full RELRO), the stack protector, the checked C library calls, and the
// control-flow protection marks wherever the toolchain's own start files carry them too (the
// linker keeps a mark only when every object has it). Read with readelf, as a packager checks.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string Output(const std::string& command) {
  std::string text;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return text;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  pclose(pipe);
  return text;
}

std::string Readelf(const char* options, const std::string& file) {
  return Output(std::string("readelf -W ") + options + " '" + file + "' 2>&1");
}

bool Has(const std::string& text, const char* what) { return text.find(what) != std::string::npos; }

// The x86 control-flow marks of the C library's start files, which every program and shared
// library is linked with: where they lack them, no linked file can have them.
bool StartFilesCarryControlFlowMarks() {
  std::string crti = Output(std::string("'") + SPW_CXX_COMPILER + "' -print-file-name=crti.o");
  while (!crti.empty() && (crti.back() == '\n' || crti.back() == ' ')) crti.pop_back();
  const std::string notes = Readelf("-n", crti);
  return Has(notes, "IBT") && Has(notes, "SHSTK");
}

class BuiltFile : public ::testing::TestWithParam<const char*> {};

TEST_P(BuiltFile, IsLinkedWithFullRelroAndTheStackProtector) {
  const std::string file = GetParam();
  const std::string dynamic = Readelf("-d", file);
  ASSERT_TRUE(Has(dynamic, "(NEEDED)")) << dynamic;  // readelf read it
  EXPECT_TRUE(Has(dynamic, "BIND_NOW") || Has(dynamic, "Flags: NOW")) << dynamic;
  EXPECT_TRUE(Has(Readelf("-l", file), "GNU_RELRO"));
  EXPECT_TRUE(Has(Readelf("--dyn-syms", file), "__stack_chk_fail"));
  if (SPW_CF_PROTECTION && StartFilesCarryControlFlowMarks()) {
    const std::string notes = Readelf("-n", file);
    EXPECT_TRUE(Has(notes, "IBT") && Has(notes, "SHSTK")) << notes;
  }
}

INSTANTIATE_TEST_SUITE_P(Hardening, BuiltFile,
                         ::testing::Values(SPW_MODULE, SPW_NATIVEUI, SPW_NATIVE_HOST,
                                           SPW_DECODE_LIBRARY),
                         [](const ::testing::TestParamInfo<const char*>& file) {
                           std::string name = std::strrchr(file.param, '/') + 1;
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

// Whatever the start files allow, the module's own code is built for indirect branch tracking:
// every function a browser calls through a pointer begins with an end-branch instruction. Its
// C library calls are the checked ones where the build fortifies them.
TEST(ModuleHardening, EntryPointsAreBranchTargetsAndCallsAreChecked) {
  void* module = dlopen(SPW_MODULE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << dlerror();
#if defined(__x86_64__)
  if (SPW_CF_PROTECTION) {
    const unsigned char kEndBranch64[] = {0xF3, 0x0F, 0x1E, 0xFA};
    for (const char* name : {"NP_Initialize", "NP_GetEntryPoints", "NP_Shutdown", "QsEncode"}) {
      const void* entry = dlsym(module, name);
      ASSERT_NE(entry, nullptr) << name;
      EXPECT_EQ(std::memcmp(entry, kEndBranch64, sizeof kEndBranch64), 0) << name;
    }
  }
#endif
  dlclose(module);
  if (SPW_FORTIFY_LEVEL > 0) {
    const std::string symbols = Readelf("--dyn-syms", SPW_MODULE);
    EXPECT_TRUE(Has(symbols, "_chk@")) << "no checked C library call in the module";
  }
}

}  // namespace
