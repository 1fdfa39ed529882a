// Typed field reading with protocol errors.
#include "native_host/RequestFields.h"

#include <cmath>

namespace nativehost {

void RequestFields::fail(const char* code, const std::string& message) {
  if (!_error) _error = ProtocolError{code, message};
}

void RequestFields::wrongType(const char* name, const char* expected) {
  fail("wrong-type", "The field \"" + path(name) + "\" must be " + expected + ".");
}

const Json* RequestFields::find(const char* name, bool required) {
  if (_error) return nullptr;
  auto it = _object.find(name);
  if (it == _object.end()) {
    if (required) fail("missing-field", "The field \"" + path(name) + "\" is missing.");
    return nullptr;
  }
  return &*it;
}

const JsonString* RequestFields::string(const char* name, bool required) {
  const Json* value = find(name, required);
  if (value == nullptr) return nullptr;
  if (!value->is_string()) {
    wrongType(name, "a string");
    return nullptr;
  }
  return value->get_ptr<const JsonString*>();
}

std::optional<std::int64_t> RequestFields::integer(const char* name, std::int64_t low,
                                                   std::int64_t high,
                                                   std::optional<std::int64_t> fallback) {
  const Json* value = find(name, !fallback.has_value());
  if (value == nullptr) return _error ? std::nullopt : fallback;
  // A whole number written with a fraction or exponent ("240.0", "2.4e2") counts as an integer.
  std::optional<std::int64_t> whole;
  if (value->is_number_unsigned()) {
    auto u = value->get<std::uint64_t>();
    if (u <= static_cast<std::uint64_t>(high)) whole = static_cast<std::int64_t>(u);
  } else if (value->is_number_integer()) {
    whole = value->get<std::int64_t>();
  } else if (value->is_number_float()) {
    double d = value->get<double>();
    if (std::isfinite(d) && d == std::floor(d) && d >= static_cast<double>(low) &&
        d <= static_cast<double>(high)) {
      whole = static_cast<std::int64_t>(d);
    }
  }
  if (!whole || *whole < low || *whole > high) {
    fail("wrong-type", "The field \"" + path(name) + "\" must be an integer from " +
                           std::to_string(low) + " to " + std::to_string(high) + ".");
    return std::nullopt;
  }
  return whole;
}

std::optional<double> RequestFields::number(const char* name, std::optional<double> fallback) {
  const Json* value = find(name, !fallback.has_value());
  if (value == nullptr) return _error ? std::nullopt : fallback;
  if (!value->is_number()) {
    wrongType(name, "a number");
    return std::nullopt;
  }
  return value->get<double>();
}

std::optional<bool> RequestFields::boolean(const char* name, std::optional<bool> fallback) {
  const Json* value = find(name, !fallback.has_value());
  if (value == nullptr) return _error ? std::nullopt : fallback;
  if (!value->is_boolean()) {
    wrongType(name, "true or false");
    return std::nullopt;
  }
  return value->get<bool>();
}

const Json* RequestFields::object(const char* name, bool required) {
  const Json* value = find(name, required);
  if (value != nullptr && !value->is_object()) {
    wrongType(name, "an object");
    return nullptr;
  }
  return value;
}

const Json* RequestFields::array(const char* name, bool required) {
  const Json* value = find(name, required);
  if (value != nullptr && !value->is_array()) {
    wrongType(name, "an array");
    return nullptr;
  }
  return value;
}

const Json* RequestFields::any(const char* name, bool required) { return find(name, required); }

}  // namespace nativehost
