// A strict JSON reader for the tests: parses a whole document into values,
// and fails on anything that RFC 8259 does not allow (so that what a test
// reads is what any JSON tool reads).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace kestle::test {

struct JsonValue {
  using Array = std::vector<JsonValue>;
  using Object = std::map<std::string, JsonValue>;
  std::variant<std::nullptr_t, bool, double, std::string, Array, Object> v;

  bool IsNumber() const { return std::holds_alternative<double>(v); }
  bool IsString() const { return std::holds_alternative<std::string>(v); }
  double Number() const { return std::get<double>(v); }
  const std::string& String() const { return std::get<std::string>(v); }
  const Array& Items() const { return std::get<Array>(v); }
  const Object& Members() const { return std::get<Object>(v); }
  const JsonValue& operator[](const std::string& key) const { return Members().at(key); }
  bool Has(const std::string& key) const {
    return std::holds_alternative<Object>(v) && Members().count(key) > 0;
  }
};

// The document, or nothing with `error` set to where and why it failed.
std::optional<JsonValue> ParseJson(std::string_view text, std::string* error = nullptr);

}  // namespace kestle::test
