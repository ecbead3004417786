// Follow a stream: the payload of a TCP connection or a UDP conversation,
// both directions in the order they were sent. The frames of the stream
// are found in the frame table (the TCP session, or the two ends' stations
// and ports), read again from the file one at a time, and their headers
// walked only as far as the transport; a TCP stream is put together by
// sequence number (retransmitted bytes once, segments out of order put in
// place, bytes never captured shown as a gap). Nothing but the stream's
// payload is kept.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestle {

class CaptureSession;

enum class StreamTransport : uint8_t { Tcp, Udp };

namespace followmsg {
inline constexpr const char* kNotTcp = "The frame is not a TCP segment";
inline constexpr const char* kNotUdp = "The frame is not a UDP datagram";
}  // namespace followmsg

// A run of payload bytes from one end (node 0: the sender of the stream's
// first frame), or a gap of Missing bytes never captured.
struct StreamChunk {
  uint8_t Node = 0;
  uint32_t Frame = 0;  // the frame the bytes came in
  std::string Bytes;
  uint32_t Missing = 0;  // a gap: Bytes is empty
};

struct FollowedStream {
  StreamTransport Transport = StreamTransport::Tcp;
  uint32_t Session = 0;                // the TCP session (0: by the ends, sessions off, or UDP)
  std::string Ends[2];                 // "10.0.0.1:1234", "[2001:db8::1]:80"
  uint64_t Bytes[2] = {};              // payload bytes of each end (gaps not counted)
  uint32_t Frames[2] = {};             // frames of each end
  std::vector<uint32_t> FrameNumbers;  // every frame of the stream, in capture order
  std::vector<StreamChunk> Chunks;
  // The display filter expression that shows the stream's frames.
  std::string FilterText;
};

// Follows the stream of `frame`. False, with `error` set, when the frame
// is not of that transport (or cannot be read). The frame the session held
// is read back afterwards.
bool FollowStream(CaptureSession& s, StreamTransport transport, uint32_t frame, FollowedStream& out,
                  std::string& error);

// "tcp,12" or "udp,3": the transport and the frame; false for another text.
bool ParseFollowSpec(std::string_view text, StreamTransport& transport, uint32_t& frame);

enum class FollowFormat : uint8_t { Ascii, Hex, Raw, Ebcdic };
// "ascii", "hex", "raw", "ebcdic".
bool ParseFollowFormat(std::string_view text, FollowFormat& out);

// Which ends are shown: both, or node 0 or 1 alone.
enum class FollowNodes : uint8_t { Both, Node0, Node1 };

// The "[N bytes missing]" text of a gap.
std::string MissingBytesText(uint32_t n);

// One chunk as the window and kestle-dump show it: ASCII (bytes outside
// printable ASCII as ".", line feeds kept), EBCDIC (the dump's table, the
// same "." rule), hex dump lines (offsets counted within the node's bytes)
// or raw (the bytes as hex digits, one line per chunk). A gap is its
// "[N bytes missing]" line.
std::string ChunkText(const StreamChunk& chunk, FollowFormat format, uint64_t nodeOffset);

// The whole text of kestle-dump --follow: a header ("Follow TCP Stream",
// the filter and both ends with their bytes), then every chunk shown, the
// chunks of node 1 indented with a tab, then a closing line.
std::string FollowText(const FollowedStream& stream, FollowFormat format,
                       FollowNodes nodes = FollowNodes::Both);

// The bytes a Save of the shown stream writes: the payload of the ends
// shown, in order (gaps are left out).
std::string ShownStreamBytes(const FollowedStream& stream, FollowNodes nodes);

}  // namespace kestle
