#include "support/json_reader.h"

#include <cstdlib>

namespace kestle::test {

namespace {

class Parser {
 public:
  explicit Parser(std::string_view t) : t_(t) {}

  std::optional<JsonValue> Document() {
    JsonValue v;
    if (!Value(v, 0)) return std::nullopt;
    Blank();
    if (i_ != t_.size()) return Fail("text after the document");
    return v;
  }
  std::string Error;

 private:
  std::nullopt_t Fail(const char* why) {
    if (Error.empty()) Error = std::string(why) + " at " + std::to_string(i_);
    return std::nullopt;
  }
  void Blank() {
    while (i_ < t_.size() && (t_[i_] == ' ' || t_[i_] == '\t' || t_[i_] == '\n' || t_[i_] == '\r'))
      ++i_;
  }
  bool Take(char c) {
    Blank();
    if (i_ < t_.size() && t_[i_] == c) return ++i_, true;
    return false;
  }
  bool Word(std::string_view w) {
    if (t_.substr(i_, w.size()) != w) return false;
    i_ += w.size();
    return true;
  }

  bool Value(JsonValue& out, int depth) {
    if (depth > 200) return Fail("too deep"), false;
    Blank();
    if (i_ >= t_.size()) return Fail("end of text"), false;
    const char c = t_[i_];
    if (c == '{') return ObjectValue(out, depth);
    if (c == '[') return ArrayValue(out, depth);
    if (c == '"') {
      std::string s;
      if (!StringValue(s)) return false;
      out.v = std::move(s);
      return true;
    }
    if (Word("true")) return out.v = true, true;
    if (Word("false")) return out.v = false, true;
    if (Word("null")) return out.v = nullptr, true;
    return NumberValue(out);
  }

  bool ObjectValue(JsonValue& out, int depth) {
    ++i_;
    JsonValue::Object members;
    if (!Take('}')) {
      do {
        Blank();
        std::string key;
        if (i_ >= t_.size() || t_[i_] != '"' || !StringValue(key))
          return Fail("object key expected"), false;
        if (!Take(':')) return Fail("':' expected"), false;
        JsonValue v;
        if (!Value(v, depth + 1)) return false;
        if (!members.emplace(std::move(key), std::move(v)).second)
          return Fail("key given twice"), false;
      } while (Take(','));
      if (!Take('}')) return Fail("'}' expected"), false;
    }
    out.v = std::move(members);
    return true;
  }

  bool ArrayValue(JsonValue& out, int depth) {
    ++i_;
    JsonValue::Array items;
    if (!Take(']')) {
      do {
        JsonValue v;
        if (!Value(v, depth + 1)) return false;
        items.push_back(std::move(v));
      } while (Take(','));
      if (!Take(']')) return Fail("']' expected"), false;
    }
    out.v = std::move(items);
    return true;
  }

  static void PutUtf8(std::string& s, uint32_t cp) {
    if (cp < 0x80) {
      s += static_cast<char>(cp);
    } else if (cp < 0x800) {
      s += static_cast<char>(0xC0 | (cp >> 6));
      s += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      s += static_cast<char>(0xE0 | (cp >> 12));
      s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      s += static_cast<char>(0xF0 | (cp >> 18));
      s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      s += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }

  bool Hex4(uint32_t& v) {
    if (i_ + 4 > t_.size()) return false;
    v = 0;
    for (int k = 0; k < 4; ++k) {
      const char h = t_[i_++];
      v <<= 4;
      if (h >= '0' && h <= '9')
        v |= h - '0';
      else if (h >= 'a' && h <= 'f')
        v |= h - 'a' + 10;
      else if (h >= 'A' && h <= 'F')
        v |= h - 'A' + 10;
      else
        return false;
    }
    return true;
  }

  // The length of the well-formed UTF-8 character at i_, 0 when there is none.
  size_t Utf8Length() const {
    const auto b = [&](size_t k) { return static_cast<uint8_t>(t_[k]); };
    const uint8_t c = b(i_);
    size_t n = c >= 0xC2 && c <= 0xDF   ? 2
               : c >= 0xE0 && c <= 0xEF ? 3
               : c >= 0xF0 && c <= 0xF4 ? 4
                                        : 0;
    if (n == 0 || i_ + n > t_.size()) return 0;
    const uint8_t lo = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
    const uint8_t hi = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
    if (b(i_ + 1) < lo || b(i_ + 1) > hi) return 0;
    for (size_t k = 2; k < n; ++k)
      if (b(i_ + k) < 0x80 || b(i_ + k) > 0xBF) return 0;
    return n;
  }

  bool StringValue(std::string& s) {
    ++i_;
    while (i_ < t_.size()) {
      const auto c = static_cast<uint8_t>(t_[i_]);
      if (c == '"') return ++i_, true;
      if (c < 0x20) return Fail("control character in a string"), false;
      if (c == '\\') {
        if (++i_ >= t_.size()) break;
        const char e = t_[i_++];
        switch (e) {
          case '"':
            s += '"';
            break;
          case '\\':
            s += '\\';
            break;
          case '/':
            s += '/';
            break;
          case 'b':
            s += '\b';
            break;
          case 'f':
            s += '\f';
            break;
          case 'n':
            s += '\n';
            break;
          case 'r':
            s += '\r';
            break;
          case 't':
            s += '\t';
            break;
          case 'u': {
            uint32_t cp = 0;
            if (!Hex4(cp)) return Fail("bad \\u escape"), false;
            if (cp >= 0xD800 && cp <= 0xDBFF) {
              uint32_t lo = 0;
              if (!Word("\\u") || !Hex4(lo) || lo < 0xDC00 || lo > 0xDFFF)
                return Fail("lone surrogate"), false;
              cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
            } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
              return Fail("lone surrogate"), false;
            }
            PutUtf8(s, cp);
            break;
          }
          default:
            return Fail("bad escape"), false;
        }
        continue;
      }
      if (c < 0x80) {
        s += static_cast<char>(c);
        ++i_;
        continue;
      }
      const size_t n = Utf8Length();
      if (n == 0) return Fail("not UTF-8"), false;
      s.append(t_.substr(i_, n));
      i_ += n;
    }
    return Fail("unterminated string"), false;
  }

  bool NumberValue(JsonValue& out) {
    const size_t start = i_;
    auto digits = [&] {
      const size_t from = i_;
      while (i_ < t_.size() && t_[i_] >= '0' && t_[i_] <= '9') ++i_;
      return i_ > from;
    };
    if (i_ < t_.size() && t_[i_] == '-') ++i_;
    if (i_ < t_.size() && t_[i_] == '0') {
      ++i_;
    } else if (!digits()) {
      return Fail("value expected"), false;
    }
    if (i_ < t_.size() && t_[i_] == '.') {
      ++i_;
      if (!digits()) return Fail("digits expected"), false;
    }
    if (i_ < t_.size() && (t_[i_] == 'e' || t_[i_] == 'E')) {
      ++i_;
      if (i_ < t_.size() && (t_[i_] == '+' || t_[i_] == '-')) ++i_;
      if (!digits()) return Fail("digits expected"), false;
    }
    out.v = std::strtod(std::string(t_.substr(start, i_ - start)).c_str(), nullptr);
    return true;
  }

  std::string_view t_;
  size_t i_ = 0;
};

}  // namespace

std::optional<JsonValue> ParseJson(std::string_view text, std::string* error) {
  Parser p(text);
  std::optional<JsonValue> v = p.Document();
  if (!v && error) *error = p.Error;
  return v;
}

}  // namespace kestle::test
