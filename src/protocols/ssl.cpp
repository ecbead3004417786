#include "protocols/ssl.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>

#include "decode/context.h"
#include "decode/fields.h"
#include "decode/lookup.h"
#include "decode/protocol_ids.h"
#include "decode/text.h"

namespace kestle {

namespace {

constexpr uint8_t kChangeCipher = 20, kHandshake = 22, kApplicationData = 23;
constexpr uint8_t kClientHello = 1, kServerHello = 2, kCertificate = 11, kClientKeyExchange = 16;
constexpr size_t kRecordHeader = 5, kHandshakeHeader = 4, kRandomBytes = 28;
// Hex bytes are cut after this many bytes and "...".
constexpr size_t kHexLimit = 31;

constexpr LookupTableRec kContentTypes[] = {{kChangeCipher, "Change Cipher Spec"},
                                            {21, "Alert"},
                                            {kHandshake, "Handshake"},
                                            {kApplicationData, "Application Data"}};

constexpr LookupTableRec kHandshakeTypes[] = {{0, "Hello Request"},
                                              {kClientHello, "Client Hello"},
                                              {kServerHello, "Server Hello"},
                                              {kCertificate, "Certificate"},
                                              {12, "Server Key Exchange"},
                                              {13, "Certificate Request"},
                                              {14, "Server Hello Done"},
                                              {15, "Certificate Verify"},
                                              {kClientKeyExchange, "Client Key Exchange"},
                                              {20, "Finished"}};

// SSL version 2 cipher kinds (three bytes) and SSL version 3 / TLS cipher
// suites (two bytes).
constexpr LookupTableLongRec kCiphers[] = {
    {0x0001, "TLS_RSA_WITH_NULL_MD5"},
    {0x0002, "TLS_RSA_WITH_NULL_SHA"},
    {0x0003, "TLS_RSA_EXPORT_WITH_RC4_40_MD5"},
    {0x0004, "TLS_RSA_WITH_RC4_128_MD5"},
    {0x0005, "TLS_RSA_WITH_RC4_128_SHA"},
    {0x0006, "TLS_RSA_EXPORT_WITH_RC2_CBC_40_MD5"},
    {0x0007, "TLS_RSA_WITH_IDEA_CBC_SHA"},
    {0x0008, "TLS_RSA_EXPORT_WITH_DES40_CBC_SHA"},
    {0x0009, "TLS_RSA_WITH_DES_CBC_SHA"},
    {0x000A, "TLS_RSA_WITH_3DES_EDE_CBC_SHA"},
    {0x000B, "TLS_DH_DSS_EXPORT_WITH_DES40_CBC_SHA"},
    {0x000C, "TLS_DH_DSS_WITH_DES_CBC_SHA"},
    {0x000D, "TLS_DH_DSS_WITH_3DES_EDE_CBC_SHA"},
    {0x000E, "TLS_DH_RSA_EXPORT_WITH_DES40_CBC_SHA"},
    {0x000F, "TLS_DH_RSA_WITH_DES_CBC_SHA"},
    {0x0010, "TLS_DH_RSA_WITH_3DES_EDE_CBC_SHA"},
    {0x0011, "TLS_DHE_DSS_EXPORT_WITH_DES40_CBC_SHA"},
    {0x0012, "TLS_DHE_DSS_WITH_DES_CBC_SHA"},
    {0x0013, "TLS_DHE_DSS_WITH_3DES_EDE_CBC_SHA"},
    {0x0014, "TLS_DHE_RSA_EXPORT_WITH_DES40_CBC_SHA"},
    {0x0015, "TLS_DHE_RSA_WITH_DES_CBC_SHA"},
    {0x0016, "TLS_DHE_RSA_WITH_3DES_EDE_CBC_SHA"},
    {0x0017, "TLS_DH_anon_EXPORT_WITH_RC4_40_MD5"},
    {0x0018, "TLS_DH_anon_WITH_RC4_128_MD5"},
    {0x0019, "TLS_DH_anon_EXPORT_WITH_DES40_CBC_SHA"},
    {0x001A, "TLS_DH_anon_WITH_DES_CBC_SHA"},
    {0x001B, "TLS_DH_anon_WITH_3DES_EDE_CBC_SHA"},
    {0x001C, "SSL_FORTEZZA_KEA_WITH_NULL_SHA"},
    {0x001D, "SSL_FORTEZZA_KEA_WITH_FORTEZZA_CBC_SHA"},
    {0x001E, "SSL_FORTEZZA_KEA_WITH_RC4_128_SHA"},
    {0x0060, "TLS_RSA_EXPORT1024_WITH_RC4_56_MD5"},
    {0x0061, "TLS_RSA_EXPORT1024_WITH_RC2_CBC_56_MD5"},
    {0x0062, "TLS_RSA_EXPORT1024_WITH_DES_CBC_SHA"},
    {0x0063, "TLS_DHE_DSS_EXPORT1024_WITH_DES_CBC_SHA"},
    {0x0064, "TLS_RSA_EXPORT1024_WITH_RC4_56_SHA"},
    {0x0065, "TLS_DHE_DSS_EXPORT1024_WITH_RC4_56_SHA"},
    {0x0066, "TLS_DHE_DSS_WITH_RC4_128_SHA"},
    {0x010080, "SSL2_RC4_128_WITH_MD5"},
    {0x020080, "SSL2_RC4_128_EXPORT40_WITH_MD5"},
    {0x030080, "SL2_RC2_CBC_128_CBC_WITH_MD5"},
    {0x040080, "SSL2_RC2_CBC_128_CBC_WITH_MD5"},
    {0x050080, "SSL2_IDEA_128_CBC_WITH_MD5"},
    {0x060040, "SSL2_DES_64_CBC_WITH_MD5"},
    {0x0700C0, "SSL2_DES_192_EDE3_CBC_WITH_MD5"},
    {0x080080, "SSL2_RC4_64_WITH_MD5"},
};

bool IsSSLv2ClientHello(const DecodeContext& c) { return c.u8(0) == 0x80 && c.u8(2) == 1; }
bool IsRecordStream(const DecodeContext& c) { return c.u8(1) == 3; }

std::string HandshakeName(uint8_t type) {
  return std::string(LookupCode(type, kHandshakeTypes, ""));
}

std::string Version(const DecodeContext& c, size_t at) {
  return std::to_string(c.u8(at)) + "." + std::to_string(c.u8(at + 1));
}

// Seconds since 1970 in UTC, as the short date and the time of day.
std::string GmtTime(uint32_t seconds) {
  const std::time_t t = seconds;
  struct tm tm {};
  if (!gmtime_r(&t, &tm)) return {};
  char buf[64];
  std::snprintf(buf, sizeof buf, "%02d/%02d/%04d  %02d:%02d:%02d", tm.tm_mday, tm.tm_mon + 1,
                tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}

std::string HexAt(const DecodeContext& c, size_t at, size_t count) {
  return FormatHexBytes(c, at + 1, count, kHexLimit);
}

// k cipher codes of `width` bytes from q.
void CipherList(DecodeContext& c, DetailNode* parent, size_t q, size_t k, size_t width) {
  const std::string title = width == 2 ? "Cipher Suite Data" : "Cipher Specs Data";
  DetailNode* list =
      AddField(c, parent, title + " (" + std::to_string(k) + " entries)", q, k * width);
  for (size_t i = 0; i < k; ++i) {
    const size_t at = q + i * width;
    const uint32_t code = width == 2 ? c.be16(at) : c.be24(at);
    AddField(c, list,
             "Cipher Spec " + std::to_string(i + 1) + " () - 0x" +
                 Hex(code, static_cast<int>(2 * width)) + " " +
                 std::string(LookupLongCode(code, kCiphers, "Unknown")),
             at, width);
  }
}

void SSLv2ClientHello(DecodeContext& c, DetailNode* root) {
  const size_t recordLength = c.be16(0) & 0x7FFF;
  const size_t end = recordLength + 2;
  DetailNode* hello = AddBranch(c, root, "SSLv2 Record Layer: Client Hello", 0, end);
  // Nothing past the record is part of it.
  const LayerState layer = c.save();
  c.limit(end);
  const size_t n = c.PacketLen;
  const uint16_t cipherListLength = c.be16(5), challengeLength = c.be16(9);
  AddField(c, hello, "Length () - " + std::to_string(recordLength), 0, 2);
  AddField(c, hello, "Message Type () - 1 (Client Hello)", 2, 1);
  AddField(c, hello, "Version () - " + Version(c, 3), 3, 2);
  AddField(c, hello,
           "Cipher Spec Length () - " + std::to_string(cipherListLength) +
               (cipherListLength % 3 != 0 ? " <--- Invalid Value" : ""),
           5, 2);
  AddField(c, hello, "Cipher ID () - " + std::to_string(c.be16(7)), 7, 2);
  AddField(c, hello, "Challange Length () - " + std::to_string(challengeLength), 9, 2);
  const size_t rest = n > 11 ? n - 11 : 0;
  if (cipherListLength != 0 && cipherListLength % 3 == 0 && cipherListLength < rest)
    CipherList(c, hello, 11, cipherListLength / 3, 3);
  // The challenge follows the list of ciphers.
  const size_t left = rest > cipherListLength ? rest - cipherListLength : 0;
  if (challengeLength != 0 && left >= challengeLength)
    AddField(c, hello, "Challange () - " + HexAt(c, 11 + cipherListLength, challengeLength),
             11 + cipherListLength, challengeLength);
  c.restore(layer);
}

// Version, random and session ID of a hello body from b (H bytes); the
// position after them, or 0 when the body ends before.
struct HelloPosition {
  size_t Q = 0;
  size_t Left = 0;
  bool More = false;
};
HelloPosition HelloStart(DecodeContext& c, DetailNode* item, size_t b, size_t h) {
  AddField(c, item, "Version () - " + Version(c, b), b, 2);
  AddField(c, item, "Random GMT Time () - " + GmtTime(c.be32(b + 2)), b + 2, 4);
  if (h < 6 + kRandomBytes) return {};
  size_t q = b + 6, m = h - 6;
  AddField(c, item, "Random Bytes () - " + HexAt(c, q, kRandomBytes), q, kRandomBytes);
  q += kRandomBytes;
  m -= kRandomBytes;
  if (m == 0) return {};
  const uint8_t idLength = c.u8(q);
  AddField(c, item, "Session ID Length () - " + std::to_string(idLength), q, 1);
  // The session ID and its length byte must fit in the body.
  if (m < size_t{idLength} + 1) return {};
  if (idLength != 0)
    AddField(c, item, "Session ID () - " + HexAt(c, q + 1, idLength), q + 1, idLength);
  q += idLength + 1;
  m -= idLength + 1;
  return {q, m, true};
}

void ClientHello(DecodeContext& c, DetailNode* item, size_t b, size_t h) {
  HelloPosition at = HelloStart(c, item, b, h);
  if (!at.More || at.Left <= 1) return;
  size_t q = at.Q, m = at.Left;
  const uint16_t suites = c.be16(q);
  AddField(c, item, "Cipher Suite Length () - " + std::to_string(suites), q, 2);
  q += 2;
  m -= 2;
  // The list needs a byte after it for the compression methods.
  if (suites != 0 && suites % 2 == 0 && suites < m) CipherList(c, item, q, suites / 2, 2);
  if (suites >= m) return;
  q += suites;
  m -= suites;
  const uint8_t methods = c.u8(q);
  AddField(c, item, "Compression Methods Length () - " + std::to_string(methods), q, 1);
  q += 1;
  m -= 1;
  if (methods == 0 || m < methods) return;
  DetailNode* list = AddField(
      c, item,
      "Compression Methods (" + std::to_string(methods) + (methods == 1 ? " entry)" : " entries)"),
      q, methods);
  for (size_t j = 0; j < methods; ++j)
    AddField(c, list, "Method " + std::to_string(j + 1) + " () - " + std::to_string(c.u8(q + j)),
             q + j, 1);
}

void ServerHello(DecodeContext& c, DetailNode* item, size_t b, size_t h) {
  HelloPosition at = HelloStart(c, item, b, h);
  if (!at.More || at.Left <= 1) return;
  const uint16_t suite = c.be16(at.Q);
  AddField(c, item,
           "Cipher Suite () - 0x" + Hex(suite, 4) + " " +
               std::string(LookupLongCode(suite, kCiphers, "Unknown")),
           at.Q, 2);
  if (at.Left > 2)
    AddField(c, item, "Compression Method () - " + std::to_string(c.u8(at.Q + 2)), at.Q + 2, 1);
}

void Certificates(DecodeContext& c, DetailNode* item, size_t b, size_t h) {
  const uint32_t total = c.be24(b);
  AddField(c, item, "Certificates Length () - " + std::to_string(total), b, 3);
  if (h < 3) return;
  DetailNode* list = AddBranch(c, item, "Certificates", b + 3, total);
  // The certificates lie within both the message and their total length.
  size_t q = b + 3, m = std::min<size_t>(h - 3, total);
  while (m >= 3) {
    const uint32_t length = c.be24(q);
    AddField(c, list, "Certificate Length () - " + std::to_string(length), q, 3);
    q += 3;
    m -= 3;
    if (m < length) return;
    if (length != 0) AddField(c, list, "Certificate () - " + HexAt(c, q, length), q, length);
    q += length;
    m -= length;
  }
}

// The handshake message of a record at h (L bytes); returns its name.
std::string Handshake(DecodeContext& c, DetailNode* record, size_t h, size_t length) {
  DetailNode* item = AddBranch(c, record, "Handshake Protocol: ", h, length);
  // A message header past the segment's end names nothing.
  if (length >= kHandshakeHeader && !c.has(h, kHandshakeHeader)) return {};
  const uint8_t type = length > 0 ? c.u8(h) : 0;
  std::string name = length > 0 ? HandshakeName(type) : "";
  const uint32_t messageLength = c.be24(h + 1) & 0xFFFF;
  // One message that fills the record exactly, else it is not readable.
  if (!name.empty() && length >= kHandshakeHeader && messageLength == length - kHandshakeHeader) {
    AddField(c, item, "Handshake Type () - " + std::to_string(type) + " " + name, h, 1);
    AddField(c, item, "Length () - " + std::to_string(messageLength), h + 1, 3);
    const size_t body = h + kHandshakeHeader;
    if (messageLength != 0) {
      if (type == kClientHello)
        ClientHello(c, item, body, messageLength);
      else if (type == kServerHello)
        ServerHello(c, item, body, messageLength);
      else if (type == kCertificate)
        Certificates(c, item, body, messageLength);
      else if (type == kClientKeyExchange)
        AddBranch(c, item, "KeyExchange ()", body, messageLength);
    }
  } else {
    name = "Encrypted";
  }
  AppendText(c, item, name);
  return name;
}

// The record at p; returns its size.
size_t Record(DecodeContext& c, DetailNode* root, size_t p) {
  const uint8_t type = c.u8(p);
  const uint16_t length = c.be16(p + 3);
  const size_t size = kRecordHeader + length;
  DetailNode* record = AddBranch(c, root, "SSLv3 Record Layer", p, size);
  // A record past the segment's end is shown as far as it goes.
  const LayerState layer = c.save();
  c.limit(p + size);
  AddField(c, record,
           "Content Type () - " + std::to_string(type) + " " +
               std::string(LookupCode(type, kContentTypes, "Unknown")),
           p, 1);
  AddField(c, record, "Version () - " + Version(c, p + 1), p + 1, 2);
  AddField(c, record, "Length () - " + std::to_string(length), p + 3, 2);
  const size_t body = p + kRecordHeader;
  if (type == kChangeCipher) {
    const uint8_t value = c.u8(body);
    const std::string text = length != 1  ? "Invalid length"
                             : value == 1 ? "1 Change Cipher Spec"
                                          : std::to_string(value) + " Invalid";
    // The value is read only from a record of one byte.
    if (length == 1)
      AddField(c, record, "Change Cipher Message () - " + text, body, length);
    else
      AddBranch(c, record, "Change Cipher Message () - " + text, body, length);
    AppendText(c, record, ": Change Cipher Spec");
  } else if (type == kHandshake) {
    const std::string name = Handshake(c, record, body, length);
    if (!name.empty()) AppendText(c, record, ": " + name);
  } else if (type == kApplicationData) {
    AddBranch(c, record, "Application Data ()", body, length);
    AppendText(c, record, ": Application Data");
  }
  c.restore(layer);
  return size;
}

}  // namespace

void SSLSummary(DecodeContext& c) {
  const size_t n = c.PacketLen;
  if (n <= 2) {
    c.AddDesc("/SSL");
    return;
  }
  if (IsSSLv2ClientHello(c)) {
    c.SetProtocol(ProtoSSLv2);
    c.AddDesc("/SSLv2 Client Hello");
    return;
  }
  if (!IsRecordStream(c) || n <= kRecordHeader) {
    c.SetProtocol(ProtoSSLv3);
    c.AddDesc("/SSL");
    return;
  }
  const bool tls = c.u8(2) != 0;
  c.SetProtocol(tls ? ProtoTLS : ProtoSSLv3);
  c.AddDesc(tls ? "/TLSv3" : "/SSLv3");
  // Only the first record is summarised.
  std::string word;
  const uint8_t type = c.u8(0);
  if (type == kChangeCipher)
    word = "Change Cipher Spec";
  else if (type == kHandshake)
    word = HandshakeName(c.u8(5));
  else if (type == kApplicationData)
    word = "Application Data";
  if (!word.empty()) {
    c.AddDesc(" ");
    c.AddDesc(word);
  }
}

void SSLTree(DecodeContext& c, DetailNode* parent) {
  const size_t n = c.PacketLen;
  if (n <= 2) return;
  const bool tls = IsRecordStream(c) && c.u8(2) != 0;
  DetailNode* root = AddBranch(
      c, parent,
      tls ? "Transport Layer Security Protocol (TLS)" : "Secure Socket Layer Protocol (SSL)", 0, n);
  if (IsSSLv2ClientHello(c)) {
    SSLv2ClientHello(c, root);
    return;
  }
  if (!IsRecordStream(c)) return;
  // Each record takes its header at least: the walk always advances.
  for (size_t p = 0; n - p > kRecordHeader;) {
    p += Record(c, root, p);
    if (p >= n) break;
  }
}

}  // namespace kestle
