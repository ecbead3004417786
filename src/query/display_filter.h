// Display filter expressions: "tcp and ip.addr == 10.0.0.0/8", "port in
// {53 67..68}", "description contains \"GET\"". An expression is parsed
// once (names of fields and protocols checked, errors positioned), then
// bound to an open capture: every test becomes a look-up in a table over
// the capture's stack entries or station pairs, so evaluating a frame
// reads only its frame table entry (and its Description for text tests);
// no frame is read or decoded again.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

namespace kestle {

class CaptureSession;
class ProtocolTable;
struct FrameTabRec;

// Why an expression was refused: the message ends "at column N" (1-based;
// the column after the text when it ended too early).
struct FilterError {
  size_t Column = 0;
  std::string Message;
};

enum class FilterField : uint8_t {
  IpSrc,
  IpDst,
  IpAddr,
  EthSrc,
  EthDst,
  EthAddr,
  TcpPort,
  UdpPort,
  Port,
  SrcPort,
  DstPort,
  FrameLen,
  FrameCapLen,
  FrameNumber,
  FrameTimeRelative,
  TcpSession,
  Description,
  Tagged,
};

enum class FilterCompare : uint8_t { Present, Eq, Ne, Lt, Le, Gt, Ge, In, Contains, Matches };

// A value of a comparison: a number range (lo..hi, or lo alone), an IP
// address with its prefix length, or a MAC address.
struct FilterValue {
  double Lo = 0, Hi = 0;
  uint8_t IpVersion = 0;  // 4 or 6 for an address
  std::array<uint8_t, 16> Addr{};
  uint8_t Prefix = 0;  // bits compared
  std::array<uint8_t, 6> Mac{};
};

struct FilterNode {
  enum class Kind : uint8_t { And, Or, Not, Protocol, Test } What = Kind::Test;
  int32_t Left = -1, Right = -1;    // children (Not: Left)
  std::vector<uint16_t> Protocols;  // Protocol: the identifiers the name stands for
  FilterField Field = FilterField::Tagged;
  FilterCompare Compare = FilterCompare::Present;
  std::vector<FilterValue> Values;
  std::string Text;  // contains: lower-cased; matches: the pattern
  std::shared_ptr<const std::regex> Pattern;
};

// A parsed expression (its nodes; the root is the last).
class FilterExpression {
 public:
  // Parses `text`; protocol names are those of `protocols` (letter case
  // aside; a space in a name may be written "_"), with "ip" for IPv4 or
  // IPv6 and "eth" for Ethernet. nullopt, with `error` set, when the text
  // is not an expression. An empty (or blank) text is no expression either.
  static std::optional<FilterExpression> Parse(std::string_view text,
                                               const ProtocolTable& protocols, FilterError& error);

  const std::vector<FilterNode>& Nodes() const { return nodes_; }
  const std::string& Text() const { return text_; }

 private:
  friend class FilterParser;
  std::vector<FilterNode> nodes_;
  std::string text_;
};

// Whether `text` is blank (no filter at all).
bool BlankFilterText(std::string_view text);

// An expression bound to a capture's tables. It reads the session while it
// decides frames: bind again after a load.
class BoundFilter {
 public:
  BoundFilter(const FilterExpression& expression, const CaptureSession& session);
  // Whether frame n (1..FrameCount) matches.
  bool Matches(uint32_t frame) const;

 private:
  bool Eval(int32_t node, uint32_t frame, const FrameTabRec& f) const;
  bool Test(const FilterNode& n, size_t index, uint32_t frame, const FrameTabRec& f) const;

  const CaptureSession& s_;
  std::vector<FilterNode> nodes_;
  // Per node: its table over stack entries (protocol tests, the protocol a
  // field needs) and over station pairs (address tests).
  std::vector<std::vector<uint8_t>> byPath_;
  std::vector<std::vector<uint8_t>> byPair_;
};

// The frames (in frame number order) that match.
std::vector<uint32_t> MatchingFrames(const BoundFilter& filter, const CaptureSession& session);

}  // namespace kestle
