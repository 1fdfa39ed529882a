// The plug-in module as a file: its dynamic symbol table holds exactly the browser's entry points,
// the encoder and identification functions under plain names and the rest of the encoding and
// identification units under their C++ names, and nothing else of ours.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

// Defined dynamic symbols, demangled, as "nm" lists them.
std::vector<std::string> definedDynamicSymbols(const std::string& path) {
  std::vector<std::string> names;
  std::string command = "nm -D --defined-only -C '" + path + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return names;
  char line[4096];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::string text(line);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    // "<address> <type> <name>"
    std::size_t first = text.find(' ');
    std::size_t second = first == std::string::npos ? first : text.find(' ', first + 1);
    if (second != std::string::npos) names.push_back(text.substr(second + 1));
  }
  pclose(pipe);
  return names;
}

bool startsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

const std::set<std::string> kPlainNames = {
    "NP_Initialize", "NP_GetEntryPoints", "NP_Shutdown", "QsEncode",
    "ActiveNIC",     "LocalNICList",      "DiskNumber",  "GetSystemSerialNumber"};

// C++ names of the encoding and identification units: a class's members, or a function name
// followed by its parameters (or an ABI tag).
bool isEncodingOrIdentification(const std::string& name) {
  for (const char* prefix : {"CAES::", "CEncrypt::", "NIC::", "vtable for CAES",
                             "typeinfo for CAES", "typeinfo name for CAES"}) {
    if (startsWith(name, prefix)) return true;
  }
  for (const char* function :
       {"URLEncode", "replace", "urldecode", "htoi", "writeLog", "__getNICMap", "__getMacForName",
        "__FirstActiveMAC", "GetMacAddressFromIOKit", "GetMacAddressFromIfconfig",
        "__GetDiskNumForDevicPath", "GetHardwareSerialNumber", "GetHardwareUUID"}) {
    if (startsWith(name, std::string(function) + "(") ||
        startsWith(name, std::string(function) + "[abi:")) {
      return true;
    }
  }
  return false;
}

TEST(Module, ExportsExactlyItsInterface) {
  std::vector<std::string> symbols = definedDynamicSymbols(SPW_MODULE);
  ASSERT_FALSE(symbols.empty()) << "nm could not read " << SPW_MODULE;
  std::set<std::string> plain;
  bool hasCppEncoding = false, hasCppIdentification = false;
  for (const std::string& name : symbols) {
    if (kPlainNames.count(name) != 0) {
      plain.insert(name);
    } else {
      EXPECT_TRUE(isEncodingOrIdentification(name)) << "unexpected export: " << name;
      hasCppEncoding =
          hasCppEncoding || startsWith(name, "CAES::") || startsWith(name, "URLEncode(");
      hasCppIdentification = hasCppIdentification || startsWith(name, "__getNICMap(");
    }
  }
  EXPECT_EQ(plain, kPlainNames);
  EXPECT_TRUE(hasCppEncoding);
  EXPECT_TRUE(hasCppIdentification);
}

}  // namespace
