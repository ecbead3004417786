// Follow a stream: a TCP stream put together by sequence number
// (retransmissions once, segments out of order in place, gaps shown), a UDP
// conversation, the texts of the formats, and the streams of the test
// captures against what an independent decoder's "follow" prints.
#include "output/follow_stream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "decode/session.h"
#include "query/display_filter.h"
#include "support/builders.h"
#include "support/expected.h"
#include "support/packets.h"
#include "support/session_fixture.h"

namespace kestle::test {
namespace {

constexpr uint8_t kFin = 0x01, kSyn = 0x02, kPsh = 0x08, kAck = 0x10;

struct Seg {
  bool fromClient;
  uint32_t seq, ack;
  uint8_t flags;
  std::string data;
};

Bytes TcpFrame(const Seg& s) {
  FrameBuilder t;
  t.be16(s.fromClient ? 40000 : 80).be16(s.fromClient ? 80 : 40000).be32(s.seq).be32(s.ack);
  t.be16(static_cast<uint16_t>(5 << 12 | s.flags)).be16(8192).be16(0).be16(0).text(s.data);
  FrameBuilder f;
  f.ether(s.fromClient ? "00:00:00:00:00:02" : "00:00:00:00:00:01",
          s.fromClient ? "00:00:00:00:00:01" : "00:00:00:00:00:02", 0x0800)
      .raw(IPv4Packet(6, t.bytes(), s.fromClient ? "10.0.0.1" : "10.0.0.2",
                      s.fromClient ? "10.0.0.2" : "10.0.0.1"));
  return f.padTo(60);
}

// A connection whose client sends "HELLO WORLD\nAGAIN\n" (the third
// segment captured before the second, then the first two sent again as
// one) and "BYE\n"; the server's "OK\n" is followed by six bytes the
// capture lost (the client acknowledges them) and "LATE\n".
Bytes Connection() {
  const Seg segs[] = {
      {true, 100, 0, kSyn, ""},
      {false, 500, 101, kSyn | kAck, ""},
      {true, 101, 501, kAck, ""},
      {true, 101, 501, kAck | kPsh, "HELLO "},
      {true, 113, 501, kAck | kPsh, "AGAIN\n"},
      {true, 107, 501, kAck | kPsh, "WORLD\n"},
      {true, 101, 501, kAck | kPsh, "HELLO WORLD\n"},
      {false, 501, 119, kAck | kPsh, "OK\n"},
      {false, 510, 119, kAck | kPsh, "LATE\n"},
      {true, 119, 515, kAck | kPsh, "BYE\n"},
      {true, 123, 515, kAck | kFin, ""},
  };
  std::vector<PcapFrame> frames;
  uint32_t micro = 0;
  for (const Seg& s : segs) frames.push_back({TcpFrame(s), 1000000000, micro += 1000, 0});
  // A DNS datagram in the middle belongs to no stream of the connection.
  FrameBuilder dns;
  dns.ether("00:00:00:00:00:02", "00:00:00:00:00:01", 0x0800)
      .raw(IPv4Packet(17, UDPDatagram(5353, 53, Bytes(12, 0)), "10.0.0.1", "10.0.0.9"));
  frames.insert(frames.begin() + 5, {dns.padTo(60), 1000000000, 4500, 0});
  return PcapFile(frames);
}

struct Expected {
  uint8_t node;
  std::string bytes;
  uint32_t missing;
};

void ExpectChunks(const FollowedStream& s, const std::vector<Expected>& want) {
  ASSERT_EQ(s.Chunks.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE("chunk " + std::to_string(i));
    EXPECT_EQ(s.Chunks[i].Node, want[i].node);
    EXPECT_EQ(s.Chunks[i].Bytes, want[i].bytes);
    EXPECT_EQ(s.Chunks[i].Missing, want[i].missing);
  }
}

TEST(FollowStream, TcpIsPutTogetherBySequenceNumber) {
  // With sessions (the session of the frame) and without (the two ends).
  for (bool sessions : {true, false}) {
    SCOPED_TRACE(sessions);
    SessionFixture f;
    f.env.settings.BuildTCPSessions = sessions;
    TempFile file(Connection(), ".pcap");
    ASSERT_TRUE(f.Open(file.path()));
    CaptureSession& s = f.session;
    ASSERT_EQ(s.FrameCount, 12u);
    ASSERT_EQ(s.ReadFrame(3), s.FrameTable[3].CapLen);
    const Bytes held = HeldFrame(s);
    FollowedStream st;
    std::string error;
    ASSERT_TRUE(FollowStream(s, StreamTransport::Tcp, 9, st, error)) << error;
    EXPECT_EQ(HeldFrame(s), held);  // the session's frame is read back
    EXPECT_EQ(st.Session, sessions ? 1u : 0u);
    EXPECT_EQ(st.Ends[0], "10.0.0.1:40000");
    EXPECT_EQ(st.Ends[1], "10.0.0.2:80");
    EXPECT_EQ(st.FrameNumbers, (std::vector<uint32_t>{1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(st.Frames[0], 8u);
    EXPECT_EQ(st.Frames[1], 3u);
    EXPECT_EQ(st.Bytes[0], 22u);
    EXPECT_EQ(st.Bytes[1], 8u);
    ExpectChunks(st, {{0, "HELLO ", 0},
                      {0, "WORLD\n", 0},
                      {0, "AGAIN\n", 0},
                      {1, "OK\n", 0},
                      {1, "", 6},
                      {1, "LATE\n", 0},
                      {0, "BYE\n", 0}});
    EXPECT_EQ(ShownStreamBytes(st, FollowNodes::Both), "HELLO WORLD\nAGAIN\nOK\nLATE\nBYE\n");
    EXPECT_EQ(ShownStreamBytes(st, FollowNodes::Node1), "OK\nLATE\n");

    // The filter it offers shows exactly its frames.
    FilterError fe;
    const auto e = FilterExpression::Parse(st.FilterText, f.env.Protocols, fe);
    ASSERT_TRUE(e) << st.FilterText << ": " << fe.Message;
    EXPECT_EQ(MatchingFrames(BoundFilter(*e, s), s), st.FrameNumbers);
  }
}

TEST(FollowStream, TheTextOfEachFormat) {
  SessionFixture f;
  TempFile file(Connection(), ".pcap");
  ASSERT_TRUE(f.Open(file.path()));
  FollowedStream st;
  std::string error;
  ASSERT_TRUE(FollowStream(f.session, StreamTransport::Tcp, 1, st, error));
  const std::string rule(67, '=');
  EXPECT_EQ(FollowText(st, FollowFormat::Ascii),
            rule +
                "\nFollow TCP Stream\nFilter: tcp.session == 1\n"
                "Node 0: 10.0.0.1:40000 (8 frames, 22 bytes)\n"
                "Node 1: 10.0.0.2:80 (3 frames, 8 bytes)\n"
                "HELLO \nWORLD\nAGAIN\n\tOK\n\t[6 bytes missing]\n\tLATE\nBYE\n" +
                rule + "\n");
  const std::string raw = FollowText(st, FollowFormat::Raw, FollowNodes::Node1);
  EXPECT_EQ(raw.substr(raw.find("\t")),
            "\t4f4b0a\n\t[6 bytes missing]\n\t4c4154450a\n" + rule + "\n");
  StreamChunk c{0, 1, std::string("\x01\xC1\xC2 x\r\n", 7), 0};
  EXPECT_EQ(ChunkText(c, FollowFormat::Ascii, 0), "... x.\n");
  EXPECT_EQ(ChunkText(c, FollowFormat::Ebcdic, 0).substr(0, 3), ".AB");
  EXPECT_EQ(ChunkText(c, FollowFormat::Hex, 16).substr(0, 6), "0x0010");
  EXPECT_EQ(MissingBytesText(12), "[12 bytes missing]");
}

TEST(FollowStream, UdpAndRefusals) {
  SessionFixture f;
  TempFile file(Connection(), ".pcap");
  ASSERT_TRUE(f.Open(file.path()));
  FollowedStream st;
  std::string error;
  ASSERT_TRUE(FollowStream(f.session, StreamTransport::Udp, 6, st, error)) << error;
  EXPECT_EQ(st.Ends[0], "10.0.0.1:5353");
  EXPECT_EQ(st.Ends[1], "10.0.0.9:53");
  ASSERT_EQ(st.Chunks.size(), 1u);
  EXPECT_EQ(st.Chunks[0].Bytes, std::string(12, '\0'));
  EXPECT_FALSE(FollowStream(f.session, StreamTransport::Udp, 1, st, error));
  EXPECT_EQ(error, followmsg::kNotUdp);
  EXPECT_FALSE(FollowStream(f.session, StreamTransport::Tcp, 6, st, error));
  EXPECT_EQ(error, followmsg::kNotTcp);
  EXPECT_FALSE(FollowStream(f.session, StreamTransport::Tcp, 99, st, error));

  StreamTransport t;
  uint32_t n = 0;
  EXPECT_TRUE(ParseFollowSpec("tcp,12", t, n));
  EXPECT_EQ(n, 12u);
  EXPECT_EQ(t, StreamTransport::Tcp);
  EXPECT_TRUE(ParseFollowSpec("udp,3", t, n));
  EXPECT_EQ(t, StreamTransport::Udp);
  for (const char* bad : {"tcp", "tcp,", "tcp,0", "icmp,1", "tcp,1x", "tcp,99999999999"})
    EXPECT_FALSE(ParseFollowSpec(bad, t, n)) << bad;
  FollowFormat ff;
  EXPECT_TRUE(ParseFollowFormat("hex", ff));
  EXPECT_FALSE(ParseFollowFormat("HEX", ff));
}

// The streams of the test captures against the independent decoder's
// "follow,tcp,raw" output, kept in tests/data/follow: every TCP stream of
// mixed.pcap, and a capture with retransmissions, reordering and a gap.
// The expected files hold, per stream, each end's bytes as hex on lines
// "0 HEX" and "1 HEX" in the order the decoder printed them.
TEST(FollowStream, StreamsMatchTheIndependentDecoder) {
  const std::string folder = std::string(KESTLE_TEST_DATA) + "/follow";
  int compared = 0;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    if (e.path().extension() != ".follow") continue;
    // NAME.STREAM.FRAME.follow: the capture, the decoder's stream number and
    // a frame of the stream.
    const std::string stem = e.path().stem().string();
    const size_t b = stem.rfind('.'), a = stem.rfind('.', b - 1);
    const std::string capture = stem.substr(0, a);
    const uint32_t frame = static_cast<uint32_t>(std::stoul(stem.substr(b + 1)));
    SCOPED_TRACE(stem);
    SessionFixture f;
    const std::string path = std::filesystem::exists(folder + "/" + capture)
                                 ? folder + "/" + capture
                                 : CapturePath(capture);
    ASSERT_TRUE(f.Open(path));
    FollowedStream st;
    std::string error;
    ASSERT_TRUE(FollowStream(f.session, StreamTransport::Tcp, frame, st, error)) << error;
    std::string want[2], got[2];
    std::ifstream in(e.path());
    std::string line;
    while (std::getline(in, line))
      if (line.size() > 2 && (line[0] == '0' || line[0] == '1'))
        want[line[0] - '0'] += line.substr(2);
    for (const StreamChunk& c : st.Chunks)
      if (c.Missing == 0)
        got[c.Node] += ChunkText(c, FollowFormat::Raw, 0).substr(0, 2 * c.Bytes.size());
    EXPECT_EQ(got[0], want[0]);
    EXPECT_EQ(got[1], want[1]);
    ++compared;
  }
  EXPECT_GT(compared, 0);
}

}  // namespace
}  // namespace kestle::test
