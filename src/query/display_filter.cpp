#include "query/display_filter.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstring>

#include "decode/protocol_ids.h"
#include "decode/registry.h"
#include "decode/session.h"

namespace kestle {

namespace {

// How deep parentheses and "not" may nest: a hostile text cannot exhaust
// the stack.
constexpr int kMaxFilterDepth = 64;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerText(std::string_view t) {
  std::string out(t);
  for (char& c : out) c = Lower(c);
  return out;
}

bool IsWordStart(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}
bool IsWordChar(char c) {
  return IsWordStart(c) || c == '.' || c == ':' || c == '/' || c == '-' || c == '+';
}

enum class Tok : uint8_t {
  End,
  Word,
  String,
  Eq,
  Ne,
  Lt,
  Le,
  Gt,
  Ge,
  Not,
  And,
  Or,
  LParen,
  RParen,
  LBrace,
  RBrace,
  Range,
  Comma,
  Bad,
};

struct Token {
  Tok Kind = Tok::End;
  size_t Column = 0;  // 1-based
  std::string Text;   // as written (a string's value for String)
};

// Splits the text into tokens; a text that cannot be split ends with a Bad
// token whose Text is the message.
std::vector<Token> Lex(std::string_view t) {
  std::vector<Token> out;
  size_t i = 0;
  auto push = [&](Tok k, size_t at, std::string text) {
    out.push_back({k, at + 1, std::move(text)});
  };
  while (i < t.size()) {
    const char c = t[i];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      ++i;
      continue;
    }
    const size_t at = i;
    auto two = [&](const char* op) { return t.compare(i, 2, op) == 0; };
    if (two("==")) {
      push(Tok::Eq, at, "==");
      i += 2;
      continue;
    }
    if (two("!=")) {
      push(Tok::Ne, at, "!=");
      i += 2;
      continue;
    }
    if (two("<=")) {
      push(Tok::Le, at, "<=");
      i += 2;
      continue;
    }
    if (two(">=")) {
      push(Tok::Ge, at, ">=");
      i += 2;
      continue;
    }
    if (two("&&")) {
      push(Tok::And, at, "&&");
      i += 2;
      continue;
    }
    if (two("||")) {
      push(Tok::Or, at, "||");
      i += 2;
      continue;
    }
    if (two("..")) {
      push(Tok::Range, at, "..");
      i += 2;
      continue;
    }
    switch (c) {
      case '<':
        push(Tok::Lt, at, "<");
        ++i;
        continue;
      case '>':
        push(Tok::Gt, at, ">");
        ++i;
        continue;
      case '!':
        push(Tok::Not, at, "!");
        ++i;
        continue;
      case '(':
        push(Tok::LParen, at, "(");
        ++i;
        continue;
      case ')':
        push(Tok::RParen, at, ")");
        ++i;
        continue;
      case '{':
        push(Tok::LBrace, at, "{");
        ++i;
        continue;
      case '}':
        push(Tok::RBrace, at, "}");
        ++i;
        continue;
      case ',':
        push(Tok::Comma, at, ",");
        ++i;
        continue;
      default:
        break;
    }
    if (c == '"') {
      std::string value;
      ++i;
      bool closed = false;
      while (i < t.size()) {
        if (t[i] == '\\' && i + 1 < t.size()) {
          value += t[i + 1];
          i += 2;
          continue;
        }
        if (t[i] == '"') {
          closed = true;
          ++i;
          break;
        }
        value += t[i++];
      }
      if (!closed) {
        push(Tok::Bad, at, "a text is not closed with '\"' at column " + std::to_string(at + 1));
        return out;
      }
      push(Tok::String, at, std::move(value));
      continue;
    }
    if (IsWordStart(c)) {
      size_t j = i + 1;
      // A word stops before "..", the range.
      while (j < t.size() && IsWordChar(t[j]) && t.compare(j, 2, "..") != 0) ++j;
      std::string word(t.substr(i, j - i));
      const std::string key = LowerText(word);
      if (key == "and")
        push(Tok::And, at, word);
      else if (key == "or")
        push(Tok::Or, at, word);
      else if (key == "not")
        push(Tok::Not, at, word);
      else
        push(Tok::Word, at, std::move(word));
      i = j;
      continue;
    }
    if (c == '=') {
      push(Tok::Bad, at, "expected '==' at column " + std::to_string(at + 1));
      return out;
    }
    push(Tok::Bad, at,
         std::string("unexpected character '") + c + "' at column " + std::to_string(at + 1));
    return out;
  }
  out.push_back({Tok::End, t.size() + 1, {}});
  return out;
}

enum class ValueKind : uint8_t { Address, Mac, Number, Text, None };

struct FieldInfo {
  const char* Name;
  FilterField Field;
  ValueKind Kind;
};
constexpr FieldInfo kFields[] = {
    {"ip.src", FilterField::IpSrc, ValueKind::Address},
    {"ip.dst", FilterField::IpDst, ValueKind::Address},
    {"ip.addr", FilterField::IpAddr, ValueKind::Address},
    {"eth.src", FilterField::EthSrc, ValueKind::Mac},
    {"eth.dst", FilterField::EthDst, ValueKind::Mac},
    {"eth.addr", FilterField::EthAddr, ValueKind::Mac},
    {"tcp.port", FilterField::TcpPort, ValueKind::Number},
    {"udp.port", FilterField::UdpPort, ValueKind::Number},
    {"port", FilterField::Port, ValueKind::Number},
    {"srcport", FilterField::SrcPort, ValueKind::Number},
    {"dstport", FilterField::DstPort, ValueKind::Number},
    {"frame.len", FilterField::FrameLen, ValueKind::Number},
    {"frame.cap_len", FilterField::FrameCapLen, ValueKind::Number},
    {"frame.number", FilterField::FrameNumber, ValueKind::Number},
    {"frame.time_relative", FilterField::FrameTimeRelative, ValueKind::Number},
    {"tcp.session", FilterField::TcpSession, ValueKind::Number},
    {"description", FilterField::Description, ValueKind::Text},
    {"tagged", FilterField::Tagged, ValueKind::None},
};

const FieldInfo* FindField(std::string_view name) {
  const std::string key = LowerText(name);
  for (const FieldInfo& f : kFields)
    if (key == f.Name) return &f;
  return nullptr;
}

// A protocol name as typed: lower case, spaces as "_".
std::string ProtocolKey(std::string_view name) {
  std::string k = LowerText(name);
  std::replace(k.begin(), k.end(), ' ', '_');
  return k;
}

bool ParseNumber(std::string_view t, double& v) {
  if (t.empty()) return false;
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    uint64_t n = 0;
    if (t.size() > 18) return false;
    for (char c : t.substr(2)) {
      const char l = Lower(c);
      const int d = l >= '0' && l <= '9' ? l - '0' : l >= 'a' && l <= 'f' ? l - 'a' + 10 : -1;
      if (d < 0) return false;
      n = n * 16 + static_cast<uint64_t>(d);
    }
    v = static_cast<double>(n);
    return true;
  }
  bool dot = false, digit = false;
  double whole = 0, scale = 1;
  size_t digits = 0;
  for (char c : t) {
    if (c == '.' && !dot) {
      dot = true;
      continue;
    }
    if (c < '0' || c > '9' || ++digits > 30) return false;
    digit = true;
    if (dot) {
      scale /= 10;
      whole += (c - '0') * scale;
    } else {
      whole = whole * 10 + (c - '0');
    }
  }
  v = whole;
  return digit;
}

bool ParseAddress(std::string_view t, FilterValue& v) {
  const size_t slash = t.find('/');
  const std::string addr(t.substr(0, slash));
  if (inet_pton(AF_INET, addr.c_str(), v.Addr.data()) == 1) {
    v.IpVersion = 4;
    v.Prefix = 32;
  } else if (inet_pton(AF_INET6, addr.c_str(), v.Addr.data()) == 1) {
    v.IpVersion = 6;
    v.Prefix = 128;
  } else {
    return false;
  }
  if (slash != std::string_view::npos) {
    double bits = 0;
    const std::string_view p = t.substr(slash + 1);
    if (p.empty() || p.find('.') != std::string_view::npos || !ParseNumber(p, bits) ||
        bits > v.Prefix)
      return false;
    v.Prefix = static_cast<uint8_t>(bits);
  }
  return true;
}

bool ParseMac(std::string_view t, FilterValue& v) {
  // Six pairs of hex digits separated by ':' or '-', or twelve digits.
  std::string hex;
  for (size_t i = 0; i < t.size(); ++i) {
    const char c = Lower(t[i]);
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')) {
      hex += c;
    } else if (c == ':' || c == '-' || c == '.') {
      if (hex.size() % 2 != 0 || hex.empty()) return false;
    } else {
      return false;
    }
  }
  if (hex.size() != 12) return false;
  for (size_t k = 0; k < 6; ++k)
    v.Mac[k] = static_cast<uint8_t>(std::stoi(hex.substr(2 * k, 2), nullptr, 16));
  return true;
}

}  // namespace

class FilterParser {
 public:
  FilterParser(std::vector<Token> tokens, const ProtocolTable& protocols, FilterExpression& e,
               FilterError& error)
      : toks_(std::move(tokens)), protocols_(protocols), e_(e), error_(error) {}

  bool Run() {
    if (!toks_.empty() && toks_.back().Kind == Tok::Bad) {
      error_ = {toks_.back().Column, toks_.back().Text};
      return false;
    }
    if (Peek().Kind == Tok::End) return Fail("expected a field, a protocol name, 'not' or '('");
    if (Or(0) < 0) return false;
    if (Peek().Kind != Tok::End)
      return Fail(Peek().Kind == Tok::RParen ? "unexpected ')'"
                                             : "expected 'and', 'or' or the end");
    return true;
  }

 private:
  const Token& Peek() const { return toks_[pos_]; }
  const Token& Next() { return toks_[pos_ < toks_.size() - 1 ? pos_++ : pos_]; }
  bool Fail(const std::string& what) {
    error_ = {Peek().Column, what + " at column " + std::to_string(Peek().Column)};
    return false;
  }
  int32_t Add(FilterNode n) {
    e_.nodes_.push_back(std::move(n));
    return static_cast<int32_t>(e_.nodes_.size() - 1);
  }

  int32_t Or(int depth) {
    int32_t left = And(depth);
    while (left >= 0 && Peek().Kind == Tok::Or) {
      Next();
      const int32_t right = And(depth);
      if (right < 0) return -1;
      FilterNode n;
      n.What = FilterNode::Kind::Or;
      n.Left = left;
      n.Right = right;
      left = Add(std::move(n));
    }
    return left;
  }
  int32_t And(int depth) {
    int32_t left = Unary(depth);
    while (left >= 0 && Peek().Kind == Tok::And) {
      Next();
      const int32_t right = Unary(depth);
      if (right < 0) return -1;
      FilterNode n;
      n.What = FilterNode::Kind::And;
      n.Left = left;
      n.Right = right;
      left = Add(std::move(n));
    }
    return left;
  }
  int32_t Unary(int depth) {
    if (depth >= kMaxFilterDepth) return Fail("the expression nests too deeply"), -1;
    if (Peek().Kind == Tok::Not) {
      Next();
      const int32_t inner = Unary(depth + 1);
      if (inner < 0) return -1;
      FilterNode n;
      n.What = FilterNode::Kind::Not;
      n.Left = inner;
      return Add(std::move(n));
    }
    if (Peek().Kind == Tok::LParen) {
      Next();
      if (Peek().Kind == Tok::End || Peek().Kind == Tok::RParen)
        return Fail("expected a field, a protocol name, 'not' or '('"), -1;
      const int32_t inner = Or(depth + 1);
      if (inner < 0) return -1;
      if (Peek().Kind != Tok::RParen) return Fail("expected ')'"), -1;
      Next();
      return inner;
    }
    if (Peek().Kind != Tok::Word)
      return Fail("expected a field, a protocol name, 'not' or '('"), -1;
    return Primary();
  }

  int32_t Primary() {
    const Token& word = Peek();
    if (const FieldInfo* field = FindField(word.Text)) {
      Next();
      return FieldTest(*field);
    }
    FilterNode n;
    n.What = FilterNode::Kind::Protocol;
    const std::string key = ProtocolKey(word.Text);
    if (key == "ip") {
      n.Protocols = {ProtoIPV4, ProtoIPV6};
    } else if (key == "eth") {
      n.Protocols = {ProtoEthernet};
    } else {
      for (uint32_t id = 1; id <= protocols_.ProtocolCount(); ++id)
        if (!protocols_.Name(id).empty() && ProtocolKey(protocols_.Name(id)) == key)
          n.Protocols.push_back(static_cast<uint16_t>(id));
    }
    if (n.Protocols.empty()) return Fail("unknown field or protocol '" + word.Text + "'"), -1;
    Next();
    return Add(std::move(n));
  }

  int32_t FieldTest(const FieldInfo& field) {
    FilterNode n;
    n.Field = field.Field;
    const std::string name = field.Name;
    const Tok op = Peek().Kind;
    const std::string opText = Peek().Text;
    if (field.Kind == ValueKind::None) return Add(std::move(n));
    if (field.Kind == ValueKind::Text) {
      const std::string key = op == Tok::Word ? LowerText(Peek().Text) : "";
      if (key != "contains" && key != "matches")
        return Fail("expected 'contains' or 'matches' after '" + name + "'"), -1;
      Next();
      if (Peek().Kind != Tok::String) return Fail("expected a quoted text after '" + key + "'"), -1;
      if (key == "contains") {
        n.Compare = FilterCompare::Contains;
        n.Text = LowerText(Peek().Text);
      } else {
        n.Compare = FilterCompare::Matches;
        n.Text = Peek().Text;
        try {
          n.Pattern = std::make_shared<const std::regex>(
              n.Text, std::regex::ECMAScript | std::regex::icase | std::regex::optimize);
        } catch (const std::regex_error&) {
          return Fail("expected a regular expression after 'matches'"), -1;
        }
      }
      Next();
      return Add(std::move(n));
    }
    switch (op) {
      case Tok::Eq:
        n.Compare = FilterCompare::Eq;
        break;
      case Tok::Ne:
        n.Compare = FilterCompare::Ne;
        break;
      case Tok::Lt:
        n.Compare = FilterCompare::Lt;
        break;
      case Tok::Le:
        n.Compare = FilterCompare::Le;
        break;
      case Tok::Gt:
        n.Compare = FilterCompare::Gt;
        break;
      case Tok::Ge:
        n.Compare = FilterCompare::Ge;
        break;
      case Tok::Word:
        if (LowerText(Peek().Text) == "in") n.Compare = FilterCompare::In;
        break;
      default:
        break;
    }
    if (n.Compare == FilterCompare::Present) return Add(std::move(n));  // the field alone
    const bool ordered = n.Compare != FilterCompare::Eq && n.Compare != FilterCompare::Ne &&
                         n.Compare != FilterCompare::In;
    if (ordered && field.Kind != ValueKind::Number)
      return Fail("expected '==', '!=' or 'in' after '" + name + "'"), -1;
    Next();
    if (n.Compare == FilterCompare::In) {
      if (Peek().Kind != Tok::LBrace) return Fail("expected '{' after 'in'"), -1;
      Next();
      while (Peek().Kind != Tok::RBrace) {
        if (Peek().Kind == Tok::Comma) {
          Next();
          continue;
        }
        if (Peek().Kind == Tok::End) return Fail("expected '}'"), -1;
        if (!Value(field.Kind, "in", true, n)) return -1;
      }
      if (n.Values.empty()) return Fail("expected a value after 'in {'"), -1;
      Next();
      return Add(std::move(n));
    }
    if (!Value(field.Kind, opText, !ordered, n)) return -1;
    return Add(std::move(n));
  }

  // One value (a range where allowed) after `after`, appended to n.Values.
  bool Value(ValueKind kind, const std::string& after, bool rangeAllowed, FilterNode& n) {
    const std::string expected = kind == ValueKind::Address ? "an IPv4 or IPv6 address"
                                 : kind == ValueKind::Mac   ? "a MAC address"
                                                            : "a number";
    if (Peek().Kind != Tok::Word) return Fail("expected a value after '" + after + "'");
    FilterValue v;
    const std::string text = Peek().Text;
    const bool ok = kind == ValueKind::Address ? ParseAddress(text, v)
                    : kind == ValueKind::Mac   ? ParseMac(text, v)
                                               : ParseNumber(text, v.Lo);
    if (!ok) return Fail("expected " + expected + " after '" + after + "'");
    Next();
    v.Hi = v.Lo;
    if (Peek().Kind == Tok::Range) {
      if (!rangeAllowed || kind != ValueKind::Number) return Fail("a range is not allowed here");
      Next();
      if (Peek().Kind != Tok::Word || !ParseNumber(Peek().Text, v.Hi))
        return Fail("expected a number after '..'");
      if (v.Hi < v.Lo) return Fail("the range ends before it starts");
      Next();
    }
    n.Values.push_back(v);
    return true;
  }

  std::vector<Token> toks_;
  size_t pos_ = 0;
  const ProtocolTable& protocols_;
  FilterExpression& e_;
  FilterError& error_;
};

bool BlankFilterText(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
}

std::optional<FilterExpression> FilterExpression::Parse(std::string_view text,
                                                        const ProtocolTable& protocols,
                                                        FilterError& error) {
  FilterExpression e;
  e.text_ = std::string(text);
  FilterParser p(Lex(text), protocols, e, error);
  if (!p.Run()) return std::nullopt;
  return e;
}

// ---------------------------------------------------------------- binding

namespace {

// The protocols a field needs in the frame's stack (empty: none).
std::vector<uint16_t> NeededProtocols(FilterField f) {
  switch (f) {
    case FilterField::IpSrc:
    case FilterField::IpDst:
    case FilterField::IpAddr:
      return {ProtoIPV4, ProtoIPV6};
    case FilterField::TcpPort:
      return {ProtoTCP};
    case FilterField::UdpPort:
      return {ProtoUDP};
    case FilterField::Port:
    case FilterField::SrcPort:
    case FilterField::DstPort:
      return {ProtoTCP, ProtoUDP};
    default:
      return {};
  }
}

bool IsAddressField(FilterField f) {
  return f == FilterField::IpSrc || f == FilterField::IpDst || f == FilterField::IpAddr;
}
bool IsMacField(FilterField f) {
  return f == FilterField::EthSrc || f == FilterField::EthDst || f == FilterField::EthAddr;
}

// Per stack entry: whether the stack holds one of the protocols. A stack's
// parent always comes before it.
std::vector<uint8_t> StacksHolding(const ProtocolPathTable& paths,
                                   const std::vector<uint16_t>& protocols) {
  std::vector<uint8_t> t(size_t{paths.Count()} + 1, 0);
  for (uint32_t p = 1; p <= paths.Count(); ++p) {
    const ProtocolPathRec& r = paths[p];
    const bool own = std::find(protocols.begin(), protocols.end(), r.Protocol) != protocols.end();
    t[p] = own || (r.Parent < p && t[r.Parent]);
  }
  return t;
}

bool PrefixMatches(const std::array<uint8_t, 16>& a, const FilterValue& v) {
  const unsigned whole = v.Prefix / 8u, rest = v.Prefix % 8u;
  if (std::memcmp(a.data(), v.Addr.data(), whole) != 0) return false;
  if (rest == 0) return true;
  const uint8_t mask = static_cast<uint8_t>(0xFF << (8 - rest));
  return (a[whole] & mask) == (v.Addr[whole] & mask);
}

// The network address of a station entry, when it is an IP address.
bool EntryAddress(const NodeEntryRec& e, uint8_t& version, std::array<uint8_t, 16>& a) {
  a.fill(0);
  if (e.IPv4 != 0) {
    version = 4;
    a[0] = static_cast<uint8_t>(e.IPv4 >> 24);
    a[1] = static_cast<uint8_t>(e.IPv4 >> 16);
    a[2] = static_cast<uint8_t>(e.IPv4 >> 8);
    a[3] = static_cast<uint8_t>(e.IPv4);
    return true;
  }
  if (e.Name.empty()) return false;
  if (inet_pton(AF_INET, e.Name.c_str(), a.data()) == 1) {
    version = 4;
    return true;
  }
  if (inet_pton(AF_INET6, e.Name.c_str(), a.data()) == 1) {
    version = 6;
    return true;
  }
  return false;
}

}  // namespace

BoundFilter::BoundFilter(const FilterExpression& expression, const CaptureSession& session)
    : s_(session), nodes_(expression.Nodes()) {
  byPath_.resize(nodes_.size());
  byPair_.resize(nodes_.size());
  const NodeRegistry& nodes = s_.Nodes;
  // Every station entry's address, once.
  std::vector<uint8_t> versions(nodes.NodeTable.size(), 0);
  std::vector<std::array<uint8_t, 16>> addrs(nodes.NodeTable.size());
  std::vector<std::array<uint8_t, 6>> macs(nodes.NodeTable.size());
  std::vector<uint8_t> hasMac(nodes.NodeTable.size(), 0);
  for (size_t i = 1; i < nodes.NodeTable.size(); ++i) {
    const NodeEntryRec& e = nodes.NodeTable[i];
    if (!EntryAddress(e, versions[i], addrs[i])) versions[i] = 0;
    FilterValue mac;
    if (!e.MacText.empty() && ParseMac(e.MacText, mac)) {
      macs[i] = mac.Mac;
      hasMac[i] = 1;
    }
  }
  for (size_t k = 0; k < nodes_.size(); ++k) {
    const FilterNode& n = nodes_[k];
    if (n.What == FilterNode::Kind::Protocol) {
      byPath_[k] = StacksHolding(s_.Paths, n.Protocols);
      continue;
    }
    if (n.What != FilterNode::Kind::Test) continue;
    const std::vector<uint16_t> needed = NeededProtocols(n.Field);
    if (!needed.empty()) byPath_[k] = StacksHolding(s_.Paths, needed);
    if (!IsAddressField(n.Field) && !IsMacField(n.Field)) continue;
    // Per station pair: 0 no address, 1 an address that no value matches,
    // 2 one that a value matches.
    std::vector<uint8_t>& t = byPair_[k];
    t.assign(nodes.NodeStatTable.size(), 0);
    for (size_t p = 1; p < nodes.NodeStatTable.size(); ++p) {
      const NodeStatRec& pair = nodes.NodeStatTable[p];
      if (IsAddressField(n.Field)) {
        const uint32_t net = pair.NetNode;
        if (net == 0 || net >= versions.size() || versions[net] == 0) continue;
        t[p] = 1;
        for (const FilterValue& v : n.Values)
          if (v.IpVersion == versions[net] && PrefixMatches(addrs[net], v)) t[p] = 2;
      } else {
        const uint32_t mac = pair.MacNode;
        if (mac == 0 || mac >= hasMac.size() || !hasMac[mac]) continue;
        t[p] = 1;
        for (const FilterValue& v : n.Values)
          if (v.Mac == macs[mac]) t[p] = 2;
      }
    }
  }
}

bool BoundFilter::Matches(uint32_t frame) const {
  if (frame < 1 || frame > s_.FrameCount || nodes_.empty()) return false;
  return Eval(static_cast<int32_t>(nodes_.size() - 1), frame, s_.FrameTable[frame]);
}

bool BoundFilter::Eval(int32_t k, uint32_t frame, const FrameTabRec& f) const {
  const FilterNode& n = nodes_[static_cast<size_t>(k)];
  switch (n.What) {
    case FilterNode::Kind::And:
      return Eval(n.Left, frame, f) && Eval(n.Right, frame, f);
    case FilterNode::Kind::Or:
      return Eval(n.Left, frame, f) || Eval(n.Right, frame, f);
    case FilterNode::Kind::Not:
      return !Eval(n.Left, frame, f);
    case FilterNode::Kind::Protocol: {
      const std::vector<uint8_t>& t = byPath_[static_cast<size_t>(k)];
      return f.Protocol < t.size() && t[f.Protocol];
    }
    case FilterNode::Kind::Test:
      break;
  }
  return Test(n, static_cast<size_t>(k), frame, f);
}

namespace {

bool NumberMatches(const FilterNode& n, FilterCompare compare, double x) {
  switch (compare) {
    case FilterCompare::Present:
      return true;
    case FilterCompare::Lt:
      return x < n.Values[0].Lo;
    case FilterCompare::Le:
      return x <= n.Values[0].Lo;
    case FilterCompare::Gt:
      return x > n.Values[0].Lo;
    case FilterCompare::Ge:
      return x >= n.Values[0].Lo;
    default:
      break;
  }
  for (const FilterValue& v : n.Values)
    if (x >= v.Lo && x <= v.Hi) return true;
  return false;
}

// A field with one or two values (both ends): "==", "in" and the ordered
// comparisons hold when one of them matches, "!=" when none does.
bool ValuesMatch(const FilterNode& n, std::initializer_list<double> values) {
  if (n.Compare == FilterCompare::Ne) {
    for (double x : values)
      if (NumberMatches(n, FilterCompare::Eq, x)) return false;
    return true;
  }
  for (double x : values)
    if (NumberMatches(n, n.Compare, x)) return true;
  return false;
}

bool ContainsText(std::string_view hay, const std::string& lowerNeedle) {
  if (lowerNeedle.empty()) return true;
  return std::search(hay.begin(), hay.end(), lowerNeedle.begin(), lowerNeedle.end(),
                     [](char a, char b) { return Lower(a) == b; }) != hay.end();
}

}  // namespace

bool BoundFilter::Test(const FilterNode& n, size_t k, uint32_t frame, const FrameTabRec& f) const {
  const std::vector<uint8_t>& needs = byPath_[k];
  if (!needs.empty() && (f.Protocol >= needs.size() || !needs[f.Protocol])) return false;
  switch (n.Field) {
    case FilterField::IpSrc:
    case FilterField::IpDst:
    case FilterField::IpAddr:
    case FilterField::EthSrc:
    case FilterField::EthDst:
    case FilterField::EthAddr: {
      const std::vector<uint8_t>& t = byPair_[k];
      const uint8_t src = f.SrcNode < t.size() ? t[f.SrcNode] : 0;
      const uint8_t dst = f.DstNode < t.size() ? t[f.DstNode] : 0;
      const bool srcSide = n.Field == FilterField::IpSrc || n.Field == FilterField::EthSrc;
      const bool dstSide = n.Field == FilterField::IpDst || n.Field == FilterField::EthDst;
      const uint8_t a = dstSide ? 0 : src, b = srcSide ? 0 : dst;
      if (a == 0 && b == 0) return false;  // the frame has no such address
      if (n.Compare == FilterCompare::Present) return true;
      const bool any = a == 2 || b == 2;
      return n.Compare == FilterCompare::Ne ? !any : any;
    }
    case FilterField::TcpPort:
    case FilterField::UdpPort:
    case FilterField::Port:
      return ValuesMatch(n, {double(f.SrcPort), double(f.DstPort)});
    case FilterField::SrcPort:
      return ValuesMatch(n, {double(f.SrcPort)});
    case FilterField::DstPort:
      return ValuesMatch(n, {double(f.DstPort)});
    case FilterField::FrameLen:
      return ValuesMatch(n, {double(f.TrueLen)});
    case FilterField::FrameCapLen:
      return ValuesMatch(n, {double(f.CapLen)});
    case FilterField::FrameNumber:
      return ValuesMatch(n, {double(frame)});
    case FilterField::FrameTimeRelative:
      return ValuesMatch(n, {f.RelTime});
    case FilterField::TcpSession:
      return f.TcpSession != 0 && ValuesMatch(n, {double(f.TcpSession)});
    case FilterField::Description: {
      const std::string_view d = s_.Descriptions.Get(f.Description);
      if (n.Compare == FilterCompare::Contains) return ContainsText(d, n.Text);
      return n.Pattern && std::regex_search(d.begin(), d.end(), *n.Pattern);
    }
    case FilterField::Tagged:
      return f.Tagged != 0;
  }
  return false;
}

std::vector<uint32_t> MatchingFrames(const BoundFilter& filter, const CaptureSession& session) {
  std::vector<uint32_t> out;
  for (uint32_t n = 1; n <= session.FrameCount; ++n)
    if (filter.Matches(n)) out.push_back(n);
  return out;
}

}  // namespace kestle
