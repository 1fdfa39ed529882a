// Typed reading of a request's fields, with the protocol's errors: a missing field gives
// "missing-field", a field of another type or out of range "wrong-type", each naming the field
// (with its path, "event.keyCode"). The first problem is kept; later reads then answer nothing.
// Used by the dispatcher and the event reader. Reads only; the object must outlive the reader.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "native_host/Json.h"
#include "native_host/ProtocolError.h"

namespace nativehost {

class RequestFields {
 public:
  // object must be a JSON object; prefix goes before each field's name in messages.
  explicit RequestFields(const Json& object, std::string prefix = "")
      : _object(object), _prefix(std::move(prefix)) {}

  // Each answers the field's value, or no value when the field is absent and optional (a
  // fallback is given) or when this or an earlier read failed.
  const JsonString* string(const char* name, bool required = true);
  std::optional<std::int64_t> integer(const char* name, std::int64_t low, std::int64_t high,
                                      std::optional<std::int64_t> fallback = std::nullopt);
  std::optional<double> number(const char* name, std::optional<double> fallback = std::nullopt);
  std::optional<bool> boolean(const char* name, std::optional<bool> fallback = std::nullopt);
  // An object or array field; null when absent and not required, or on failure.
  const Json* object(const char* name, bool required = true);
  const Json* array(const char* name, bool required = true);
  // A field that is present whatever its type (null when absent and not required).
  const Json* any(const char* name, bool required = true);

  bool ok() const { return !_error; }
  const std::optional<ProtocolError>& error() const { return _error; }
  // Records a problem found by the caller with a field's value.
  void fail(const char* code, const std::string& message);
  std::string path(const char* name) const { return _prefix + name; }

 private:
  const Json* find(const char* name, bool required);
  void wrongType(const char* name, const char* expected);

  const Json& _object;
  std::string _prefix;
  std::optional<ProtocolError> _error;
};

}  // namespace nativehost
