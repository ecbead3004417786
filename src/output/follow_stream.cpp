#include "output/follow_stream.h"

#include <algorithm>
#include <array>
#include <map>

#include "decode/addresses.h"
#include "decode/context.h"
#include "decode/protocol_ids.h"
#include "decode/session.h"
#include "output/hexdump.h"

namespace kestle {

namespace {

constexpr uint16_t kLinkNull = 0, kLinkLoop = 108, kLinkRaw = 101, kLinkRawOld1 = 12,
                   kLinkRawOld2 = 14, kLinkRawV4 = 228, kLinkRawV6 = 229, kLinkCooked = 113,
                   kLinkCooked2 = 276;
constexpr uint8_t kTcpFin = 0x01, kTcpSyn = 0x02, kTcpAck = 0x10;

// What the walk of one frame's headers finds: the innermost IP header's
// ends and the transport header, with where its payload lies.
struct Segment {
  uint8_t Version = 0;
  std::array<uint8_t, 16> Src{}, Dst{};
  uint16_t SrcPort = 0, DstPort = 0;
  uint8_t Protocol = 0;  // 6 or 17
  uint32_t Seq = 0, Ack = 0;
  uint8_t Flags = 0;
  std::string Payload;
};

// Walks the headers of the frame loaded into `c` down to TCP or UDP; false
// when the frame carries neither whole (a fragment, another protocol, a
// header cut short). Every read is the context's bounds-checked one.
bool WalkIp(DecodeContext& c, Segment& seg, int depth);

bool WalkEtherType(DecodeContext& c, uint16_t type, Segment& seg, int depth) {
  if (type == 0x0800 || type == 0x86DD) return WalkIp(c, seg, depth);
  return false;
}

bool WalkLink(DecodeContext& c, uint16_t linkType, bool bigEndian, Segment& seg) {
  switch (linkType) {
    case kLinkTypeEthernet: {
      if (!c.has(0, 14)) return false;
      uint16_t type = c.be16(12);
      if (!c.enter(14)) return false;
      // 802.1q and 802.1ad tags, a few in a row.
      for (int tags = 0; (type == 0x8100 || type == 0x88A8) && tags < 8; ++tags) {
        if (!c.has(0, 4)) return false;
        type = c.be16(2);
        c.enter(4);
      }
      if (type < 0x0600) {  // 802.3: IP only behind SNAP
        if (!c.has(0, 8) || c.u8(0) != 0xAA || c.u8(1) != 0xAA || c.u8(2) != 0x03) return false;
        type = c.be16(6);
        c.enter(8);
      }
      return WalkEtherType(c, type, seg, 0);
    }
    case kLinkCooked:
      if (!c.has(0, 16)) return false;
      {
        const uint16_t type = c.be16(14);
        c.enter(16);
        return WalkEtherType(c, type, seg, 0);
      }
    case kLinkCooked2:
      if (!c.has(0, 20)) return false;
      {
        const uint16_t type = c.be16(0);
        c.enter(20);
        return WalkEtherType(c, type, seg, 0);
      }
    case kLinkRaw:
    case kLinkRawOld1:
    case kLinkRawOld2:
    case kLinkRawV4:
    case kLinkRawV6:
      return WalkIp(c, seg, 0);
    case kLinkNull:
    case kLinkLoop: {
      if (!c.has(0, 4)) return false;
      const uint32_t family = linkType == kLinkLoop || bigEndian ? c.be32(0) : c.le32(0);
      c.enter(4);
      if (family == 2 || family == 24 || family == 28 || family == 30) return WalkIp(c, seg, 0);
      return false;
    }
    default:
      return false;
  }
}

bool WalkTransport(DecodeContext& c, uint8_t protocol, Segment& seg) {
  seg.Protocol = protocol;
  if (protocol == 6) {
    if (!c.has(0, 20)) return false;
    seg.SrcPort = c.be16(0);
    seg.DstPort = c.be16(2);
    seg.Seq = c.be32(4);
    seg.Ack = c.be32(8);
    seg.Flags = c.u8(13);
    const size_t header = static_cast<size_t>(c.u8(12) >> 4) * 4;
    if (header < 20 || !c.enter(header)) return false;
  } else {
    if (!c.has(0, 8)) return false;
    seg.SrcPort = c.be16(0);
    seg.DstPort = c.be16(2);
    const uint16_t len = c.be16(4);
    if (len >= 8) c.limit(len);
    c.enter(8);
  }
  seg.Payload.assign(c.bytes(0, c.PacketLen));
  return true;
}

bool WalkIp(DecodeContext& c, Segment& seg, int depth) {
  if (depth >= kMaxNesting || !c.has(0, 1)) return false;
  const uint8_t version = c.u8(0) >> 4;
  uint8_t protocol = 0;
  if (version == 4) {
    if (!c.has(0, 20)) return false;
    const size_t header = static_cast<size_t>(c.u8(0) & 0x0F) * 4;
    const uint16_t total = c.be16(2);
    const uint16_t fragment = c.be16(6);
    if (header < 20 || total < header || (fragment & 0x3FFF) != 0) return false;
    protocol = c.u8(9);
    seg.Version = 4;
    seg.Src.fill(0);
    seg.Dst.fill(0);
    c.copy(12, seg.Src.data(), 4);
    c.copy(16, seg.Dst.data(), 4);
    c.limit(total);
    if (!c.enter(header)) return false;
  } else if (version == 6) {
    if (!c.has(0, 40)) return false;
    protocol = c.u8(6);
    seg.Version = 6;
    c.copy(8, seg.Src.data(), 16);
    c.copy(24, seg.Dst.data(), 16);
    c.limit(40 + size_t{c.be16(4)});
    c.enter(40);
    // Extension headers; a fragment is not followed.
    for (int n = 0; n < 16; ++n) {
      if (protocol == 0 || protocol == 43 || protocol == 60) {
        if (!c.has(0, 2)) return false;
        const size_t len = (size_t{c.u8(1)} + 1) * 8;
        protocol = c.u8(0);
        if (!c.enter(len)) return false;
      } else if (protocol == 51) {
        if (!c.has(0, 2)) return false;
        const size_t len = (size_t{c.u8(1)} + 2) * 4;
        protocol = c.u8(0);
        if (!c.enter(len)) return false;
      } else {
        break;
      }
    }
  } else {
    return false;
  }
  if (protocol == 4 || protocol == 41) return WalkIp(c, seg, depth + 1);  // a tunnel
  if (protocol == 6 || protocol == 17) return WalkTransport(c, protocol, seg);
  return false;
}

std::string EndText(uint8_t version, const std::array<uint8_t, 16>& a, uint16_t port) {
  if (version == 4) {
    const uint32_t v =
        (uint32_t{a[0]} << 24) | (uint32_t{a[1]} << 16) | (uint32_t{a[2]} << 8) | a[3];
    return FormatIPv4(v) + ":" + std::to_string(port);
  }
  return "[" + FormatIPv6(a.data()) + "]:" + std::to_string(port);
}

std::string AddressText(uint8_t version, const std::array<uint8_t, 16>& a) {
  const std::string end = EndText(version, a, 0);
  const std::string addr = end.substr(0, end.rfind(':'));
  return version == 6 ? addr.substr(1, addr.size() - 2) : addr;
}

// Keeps the frame the session held while the stream's frames are read.
class HeldFrame {
 public:
  explicit HeldFrame(CaptureInput& in)
      : in_(in), header_(in.FrameHeader), raw_(in.RawFrame), pos_(in.CurrentRecordPos) {}
  ~HeldFrame() {
    in_.FrameHeader = header_;
    in_.RawFrame.swap(raw_);
    in_.CurrentRecordPos = pos_;
  }
  HeldFrame(const HeldFrame&) = delete;
  HeldFrame& operator=(const HeldFrame&) = delete;

 private:
  CaptureInput& in_;
  FrameHeaderRec header_;
  std::vector<uint8_t> raw_;
  uint64_t pos_;
};

// One direction of a TCP stream being put together.
struct TcpDirection {
  bool Started = false;
  uint32_t Base = 0;                            // the sequence number of the first byte
  uint64_t Next = 0;                            // bytes put in place so far
  std::multimap<int64_t, StreamChunk> Pending;  // by position, waiting for the bytes before them

  // The position of a sequence number near the bytes put in place.
  int64_t PositionOf(uint32_t seq) const {
    return static_cast<int64_t>(Next) +
           static_cast<int32_t>(seq - static_cast<uint32_t>(Base + Next));
  }
};

class TcpAssembler {
 public:
  explicit TcpAssembler(FollowedStream& out) : out_(out) {}

  void Add(uint8_t node, uint32_t frame, Segment& seg) {
    // The other end acknowledges bytes after a hole: the hole's bytes
    // reached it but not the capture. What it acknowledges came before
    // what it sends now.
    TcpDirection& peer = dirs_[1 - node];
    if ((seg.Flags & kTcpAck) && peer.Started && !peer.Pending.empty() &&
        peer.PositionOf(seg.Ack) >= peer.Pending.begin()->first)
      Gap(static_cast<uint8_t>(1 - node));
    TcpDirection& d = dirs_[node];
    uint32_t seq = seg.Seq;
    if (seg.Flags & kTcpSyn) {
      if (!d.Started) {
        d.Started = true;
        d.Base = seg.Seq + 1;
      }
      seq = seg.Seq + 1;
    }
    if (!seg.Payload.empty()) {
      if (!d.Started) {
        d.Started = true;
        d.Base = seq;
      }
      const int64_t pos = d.PositionOf(seq);
      StreamChunk c;
      c.Node = node;
      c.Frame = frame;
      c.Bytes = std::move(seg.Payload);
      d.Pending.emplace(pos, std::move(c));
      Drain(node);
    }
  }

  // Every segment still waiting: the bytes before it never came.
  void Finish() {
    for (uint8_t node = 0; node < 2; ++node)
      while (!dirs_[node].Pending.empty()) Gap(node);
  }

 private:
  void Drain(uint8_t node) {
    TcpDirection& d = dirs_[node];
    while (!d.Pending.empty() && d.Pending.begin()->first <= static_cast<int64_t>(d.Next)) {
      auto it = d.Pending.begin();
      const int64_t pos = it->first;
      StreamChunk c = std::move(it->second);
      d.Pending.erase(it);
      const int64_t end = pos + static_cast<int64_t>(c.Bytes.size());
      if (end <= static_cast<int64_t>(d.Next)) continue;  // bytes already in place
      c.Bytes.erase(0, static_cast<size_t>(static_cast<int64_t>(d.Next) - pos));
      d.Next = static_cast<uint64_t>(end);
      out_.Bytes[node] += c.Bytes.size();
      out_.Chunks.push_back(std::move(c));
    }
  }
  void Gap(uint8_t node) {
    TcpDirection& d = dirs_[node];
    if (d.Pending.empty()) return;
    const int64_t first = d.Pending.begin()->first;
    if (first > static_cast<int64_t>(d.Next)) {
      StreamChunk gap;
      gap.Node = node;
      gap.Frame = d.Pending.begin()->second.Frame;
      gap.Missing = static_cast<uint32_t>(
          std::min<int64_t>(first - static_cast<int64_t>(d.Next), UINT32_MAX));
      out_.Chunks.push_back(gap);
      d.Next = static_cast<uint64_t>(first);
    }
    Drain(node);
  }

  FollowedStream& out_;
  TcpDirection dirs_[2];
};

// The network entry of a frame side (its station pair's network node).
uint32_t NetNodeOf(const CaptureSession& s, uint32_t pair) {
  return pair >= 1 && pair < s.Nodes.NodeStatTable.size() ? s.Nodes.NodeStatTable[pair].NetNode : 0;
}

bool StackHolds(const CaptureSession& s, uint32_t path, uint16_t protocol) {
  for (int guard = 0; path != 0 && guard < 256; ++guard) {
    if (path >= s.Paths.Paths.size()) return false;
    if (s.Paths[path].Protocol == protocol) return true;
    if (s.Paths[path].Parent >= path) return false;
    path = s.Paths[path].Parent;
  }
  return false;
}

}  // namespace

bool FollowStream(CaptureSession& s, StreamTransport transport, uint32_t frame, FollowedStream& out,
                  std::string& error) {
  out = {};
  out.Transport = transport;
  const bool tcp = transport == StreamTransport::Tcp;
  const uint16_t protocol = tcp ? ProtoTCP : ProtoUDP;
  error = tcp ? followmsg::kNotTcp : followmsg::kNotUdp;
  if (frame < 1 || frame > s.FrameCount) return false;
  const FrameTabRec& start = s.FrameTable[frame];
  if (!StackHolds(s, start.Protocol, protocol)) return false;

  // The stream's frames, from the frame table.
  const uint32_t session = tcp ? start.TcpSession : 0;
  const uint32_t a = NetNodeOf(s, start.SrcNode), b = NetNodeOf(s, start.DstNode);
  const uint16_t pa = start.SrcPort, pb = start.DstPort;
  std::vector<uint32_t> frames;
  for (uint32_t n = 1; n <= s.FrameCount; ++n) {
    const FrameTabRec& f = s.FrameTable[n];
    if (session != 0) {
      if (f.TcpSession == session) frames.push_back(n);
      continue;
    }
    const uint32_t fa = NetNodeOf(s, f.SrcNode), fb = NetNodeOf(s, f.DstNode);
    const bool ends = (fa == a && fb == b && f.SrcPort == pa && f.DstPort == pb) ||
                      (fa == b && fb == a && f.SrcPort == pb && f.DstPort == pa);
    if (ends && StackHolds(s, f.Protocol, protocol)) frames.push_back(n);
  }

  HeldFrame held(s.Input);
  ProtocolPathTable paths;
  NodeRegistry nodes;
  DecoderState decoders;
  DecodeContext c(paths, nodes, decoders, s.Env);
  // Reads a frame and walks it; false when it carries no such segment.
  auto walk = [&](uint32_t n, Segment& seg) {
    const uint32_t len = std::min(s.ReadFrame(n), kMaxFrameLength);
    if (len == 0) return false;
    const auto bytes = s.Input.FrameBytes();
    c.LoadFrame(bytes.data(), static_cast<uint32_t>(std::min<size_t>(len, bytes.size())));
    const FrameTabRec& f = s.FrameTable[n];
    return WalkLink(c, f.LinkType, f.BigEndian != 0, seg) && seg.Protocol == (tcp ? 6 : 17);
  };

  Segment first;
  if (!walk(frame, first)) {
    error = tcp ? followmsg::kNotTcp : followmsg::kNotUdp;
    return false;
  }
  error.clear();
  // Node 0 is the sender of the stream's first frame.
  Segment ends;
  bool found = false;
  for (uint32_t n : frames) {
    Segment seg;
    if (walk(n, seg)) {
      ends = std::move(seg);
      found = true;
      break;
    }
  }
  if (!found) ends = first;
  auto nodeOf = [&](const Segment& seg) -> int {
    if (seg.Version == ends.Version && seg.Src == ends.Src && seg.SrcPort == ends.SrcPort &&
        seg.Dst == ends.Dst && seg.DstPort == ends.DstPort)
      return 0;
    if (seg.Version == ends.Version && seg.Src == ends.Dst && seg.SrcPort == ends.DstPort &&
        seg.Dst == ends.Src && seg.DstPort == ends.SrcPort)
      return 1;
    return -1;
  };

  out.Session = session;
  out.Ends[0] = EndText(ends.Version, ends.Src, ends.SrcPort);
  out.Ends[1] = EndText(ends.Version, ends.Dst, ends.DstPort);
  const std::string t = tcp ? "tcp" : "udp";
  if (session != 0) {
    out.FilterText = "tcp.session == " + std::to_string(session);
  } else {
    const std::string A = AddressText(ends.Version, ends.Src),
                      B = AddressText(ends.Version, ends.Dst);
    const std::string P = std::to_string(ends.SrcPort), Q = std::to_string(ends.DstPort);
    out.FilterText = t + " and ((ip.src == " + A + " and srcport == " + P + " and ip.dst == " + B +
                     " and dstport == " + Q + ") or (ip.src == " + B + " and srcport == " + Q +
                     " and ip.dst == " + A + " and dstport == " + P + "))";
  }

  TcpAssembler tcpStream(out);
  for (uint32_t n : frames) {
    Segment seg;
    if (!walk(n, seg)) continue;
    const int node = nodeOf(seg);
    if (node < 0) continue;
    out.FrameNumbers.push_back(n);
    ++out.Frames[node];
    if (tcp) {
      tcpStream.Add(static_cast<uint8_t>(node), n, seg);
    } else if (!seg.Payload.empty()) {
      out.Bytes[node] += seg.Payload.size();
      out.Chunks.push_back({static_cast<uint8_t>(node), n, std::move(seg.Payload), 0});
    }
  }
  if (tcp) tcpStream.Finish();
  return true;
}

bool ParseFollowSpec(std::string_view text, StreamTransport& transport, uint32_t& frame) {
  const size_t comma = text.find(',');
  if (comma == std::string_view::npos) return false;
  const std::string_view kind = text.substr(0, comma), number = text.substr(comma + 1);
  if (kind == "tcp" || kind == "TCP")
    transport = StreamTransport::Tcp;
  else if (kind == "udp" || kind == "UDP")
    transport = StreamTransport::Udp;
  else
    return false;
  if (number.empty() || number.size() > 9) return false;
  uint32_t v = 0;
  for (char ch : number) {
    if (ch < '0' || ch > '9') return false;
    v = v * 10 + static_cast<uint32_t>(ch - '0');
  }
  if (v == 0) return false;
  frame = v;
  return true;
}

bool ParseFollowFormat(std::string_view text, FollowFormat& out) {
  if (text == "ascii")
    out = FollowFormat::Ascii;
  else if (text == "hex")
    out = FollowFormat::Hex;
  else if (text == "raw")
    out = FollowFormat::Raw;
  else if (text == "ebcdic")
    out = FollowFormat::Ebcdic;
  else
    return false;
  return true;
}

std::string MissingBytesText(uint32_t n) { return "[" + std::to_string(n) + " bytes missing]"; }

std::string ChunkText(const StreamChunk& chunk, FollowFormat format, uint64_t nodeOffset) {
  if (chunk.Missing != 0) return MissingBytesText(chunk.Missing) + "\n";
  const auto* p = reinterpret_cast<const uint8_t*>(chunk.Bytes.data());
  const size_t n = chunk.Bytes.size();
  std::string out;
  switch (format) {
    case FollowFormat::Ascii:
    case FollowFormat::Ebcdic: {
      const bool ebcdic = format == FollowFormat::Ebcdic;
      out.reserve(n + 1);
      for (size_t i = 0; i < n; ++i) {
        const uint8_t b = ebcdic ? EbcdicToAscii[p[i]] : p[i];
        out += b == '\n' ? '\n' : (b >= 0x20 && b < 0x7F ? static_cast<char>(b) : '.');
      }
      if (out.empty() || out.back() != '\n') out += '\n';
      return out;
    }
    case FollowFormat::Hex: {
      for (size_t at = 0; at < n; at += 16) {
        const std::span<const uint8_t> line(p + at, std::min<size_t>(16, n - at));
        out += DumpLine(static_cast<uint32_t>(nodeOffset + at), line);
        out += '\n';
      }
      return out;
    }
    case FollowFormat::Raw: {
      static const char* kDigits = "0123456789abcdef";
      out.reserve(2 * n + 1);
      for (size_t i = 0; i < n; ++i) {
        out += kDigits[p[i] >> 4];
        out += kDigits[p[i] & 15];
      }
      out += '\n';
      return out;
    }
  }
  return out;
}

namespace {

bool NodeShown(FollowNodes nodes, uint8_t node) {
  return nodes == FollowNodes::Both || (nodes == FollowNodes::Node0 ? node == 0 : node == 1);
}

}  // namespace

std::string FollowText(const FollowedStream& stream, FollowFormat format, FollowNodes nodes) {
  const std::string rule(67, '=');
  const bool tcp = stream.Transport == StreamTransport::Tcp;
  std::string out = rule + "\n";
  out += tcp ? "Follow TCP Stream\n" : "Follow UDP Stream\n";
  out += "Filter: " + stream.FilterText + "\n";
  for (int node = 0; node < 2; ++node)
    out += "Node " + std::to_string(node) + ": " + stream.Ends[node] + " (" +
           std::to_string(stream.Frames[node]) + " frames, " + std::to_string(stream.Bytes[node]) +
           " bytes)\n";
  uint64_t offsets[2] = {};
  for (const StreamChunk& c : stream.Chunks) {
    if (!NodeShown(nodes, c.Node)) continue;
    std::string text = ChunkText(c, format, offsets[c.Node]);
    offsets[c.Node] += c.Bytes.size();
    if (c.Node == 1) {
      // Node 1's lines are indented.
      std::string indented;
      size_t from = 0;
      while (from < text.size()) {
        const size_t nl = text.find('\n', from);
        const size_t end = nl == std::string::npos ? text.size() : nl + 1;
        indented += '\t';
        indented.append(text, from, end - from);
        from = end;
      }
      text = std::move(indented);
    }
    out += text;
  }
  out += rule + "\n";
  return out;
}

std::string ShownStreamBytes(const FollowedStream& stream, FollowNodes nodes) {
  std::string out;
  for (const StreamChunk& c : stream.Chunks)
    if (NodeShown(nodes, c.Node)) out += c.Bytes;
  return out;
}

}  // namespace kestle
