// Names and arguments for script calls.
#include "fuzz/common/script_inputs.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "fuzz/common/fuzz_check.h"

namespace fuzzing {

const char* const kMethodNames[6] = {"GetPassword",   "GetActiveNIC", "GetHardDiskNUM",
                                     "Clearpassword", "EncodeData",   "GetDllVersion"};

namespace {

const char* const kOtherNames[] = {
    "",
    "length",
    "toString",
    "valueOf",
    "constructor",
    "__proto__",
    "prototype",
    "then",
    "focus",
    "value",
    "password",
    "%s%s%s%n",
    "\xC3\xA9",
    "\xFF\xFE",
    "Get",
    "Password",
    "GetPassword\n",
    " GetPassword",
    "GetPassword ",
    "GetDllVersion()",
    "getpassword",
    "GETPASSWORD",
    "EncodeDATA",
    "clearPassword",
};

}  // namespace

PickedName PickName(FuzzInput& input, npapibrowser::Browser& browser) {
  PickedName picked;
  npapibrowser::Identifiers& ids = browser.identifiers();
  const std::uint8_t kind = input.byte() % 10;
  switch (kind) {
    case 0:
    case 1:
    case 2:
    case 3:  // one of the six, exactly
      picked.text = kMethodNames[input.below(6)];
      break;
    case 4: {  // a case variant: each letter of the name may flip
      picked.text = kMethodNames[input.below(6)];
      const std::uint16_t flips = input.u16();
      for (std::size_t i = 0; i < picked.text.size() && i < 16; ++i) {
        char& c = picked.text[i];
        if ((flips >> i) & 1)
          c = static_cast<char>((c >= 'a' && c <= 'z')   ? c - 32
                                : (c >= 'A' && c <= 'Z') ? c + 32
                                                         : c);
      }
      break;
    }
    case 5: {  // a prefix, or the name with one more byte
      picked.text = kMethodNames[input.below(6)];
      const std::uint8_t how = input.byte();
      if (how & 1) {
        picked.text.resize(how / 2 % picked.text.size());
      } else {
        const char extra = static_cast<char>(input.byte() | 1);  // never a zero byte
        picked.text.insert(
            picked.text.begin() + static_cast<long>(how / 2 % (picked.text.size() + 1)), extra);
      }
      break;
    }
    case 6:
      picked.text = kOtherNames[input.below(sizeof kOtherNames / sizeof kOtherNames[0])];
      break;
    case 7: {  // one or two arbitrary non-zero bytes
      picked.text.push_back(static_cast<char>(input.byte() | 1));
      if (input.flag()) picked.text.push_back(static_cast<char>(input.byte() | 1));
      break;
    }
    case 8:  // an integer identifier, as for an array index
      picked.id = ids.integer(static_cast<int8_t>(input.byte()));
      return picked;
    default:  // a long name
      picked.text = std::string(200 + input.below(2) * 800, 'G');
      break;
  }
  if (kind == 9 && input.flag()) {  // or no identifier at all
    picked.text.clear();
    return picked;
  }
  picked.id = ids.string(picked.text.c_str());
  for (int m = 0; m < 6; ++m)
    if (picked.text == kMethodNames[m]) picked.method = m;
  return picked;
}

Arguments Arguments::Pick(FuzzInput& input, NPObject* self, std::size_t maxCount) {
  Arguments args;
  const std::size_t count = input.below(static_cast<std::uint32_t>(maxCount + 1));
  for (std::size_t i = 0; i < count; ++i) {
    NPVariant v;
    std::memset(&v, 0, sizeof v);
    switch (input.byte() % 8) {
      case 0:
        VOID_TO_NPVARIANT(v);
        break;
      case 1:
        NULL_TO_NPVARIANT(v);
        break;
      case 2:
        BOOLEAN_TO_NPVARIANT(input.flag(), v);
        break;
      case 3:
        INT32_TO_NPVARIANT(input.i32(), v);
        break;
      case 4: {
        static const double kDoubles[] = {0.0,
                                          -0.0,
                                          1.5,
                                          -1e308,
                                          1e308,
                                          std::numeric_limits<double>::infinity(),
                                          -std::numeric_limits<double>::infinity(),
                                          std::numeric_limits<double>::quiet_NaN(),
                                          std::numeric_limits<double>::denorm_min()};
        const double d = input.flag() ? kDoubles[input.below(9)] : input.f64();
        DOUBLE_TO_NPVARIANT(d, v);
        break;
      }
      case 5:
        OBJECT_TO_NPVARIANT(self, v);
        break;
      default: {  // a string: any bytes, up to 300 (the limit is 126), no terminator behind them
        const std::string text = input.text(300);
        if (text.empty() && input.flag()) {
          STRINGN_TO_NPVARIANT(nullptr, 0, v);
        } else {
          std::unique_ptr<char[]> bytes(new char[text.size()]);
          std::memcpy(bytes.get(), text.data(), text.size());
          STRINGN_TO_NPVARIANT(bytes.get(), text.size(), v);
          args._texts.push_back(std::move(bytes));
        }
        break;
      }
    }
    args._values.push_back(v);
  }
  return args;
}

std::string Arguments::clearText(std::size_t i) const {
  const NPString& s = _values[i].value.stringValue;
  if (s.UTF8Characters == nullptr) return std::string();
  const void* nul = std::memchr(s.UTF8Characters, 0, s.UTF8Length);
  const std::size_t length =
      nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - s.UTF8Characters)
                     : s.UTF8Length;
  return std::string(s.UTF8Characters, length);
}

std::string Arguments::describe() const {
  std::string out = std::to_string(_values.size()) + " arguments (";
  for (const NPVariant& v : _values) {
    switch (v.type) {
      case NPVariantType_String:
        out += "\"" +
               Printable(v.value.stringValue.UTF8Characters, v.value.stringValue.UTF8Length, 60) +
               "\" ";
        break;
      case NPVariantType_Int32:
        out += std::to_string(v.value.intValue) + " ";
        break;
      case NPVariantType_Double:
        out += std::to_string(v.value.doubleValue) + " ";
        break;
      case NPVariantType_Bool:
        out += v.value.boolValue ? "true " : "false ";
        break;
      case NPVariantType_Object:
        out += "object ";
        break;
      case NPVariantType_Null:
        out += "null ";
        break;
      default:
        out += "void ";
        break;
    }
  }
  return out + ")";
}

}  // namespace fuzzing
