#include "protocols/isakmp.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "decode/context.h"
#include "decode/fields.h"
#include "decode/internet.h"
#include "decode/lookup.h"
#include "decode/protocol_ids.h"
#include "decode/text.h"

namespace kestle {

namespace {

constexpr size_t kHeader = 28, kPayloadHeader = 4;
constexpr uint8_t kEncrypted = 0x01;
constexpr uint8_t kSecurityAssociation = 1, kProposal = 2, kTransform = 3, kKeyExchange = 4,
                  kIdentification = 5, kCertificate = 6, kCertificateRequest = 7, kHash = 8,
                  kSignature = 9, kNonce = 10, kNotification = 11, kDelete = 12, kVendorId = 13;
// A hex run shows this many bytes at most.
constexpr size_t kRunBytes = 32;

constexpr LookupTableRec kPayloadTypes[] = {{0, "None"},
                                            {kSecurityAssociation, "Security Association"},
                                            {kProposal, "Proposal"},
                                            {kTransform, "Transform"},
                                            {kKeyExchange, "Key Exchange"},
                                            {kIdentification, "Identification"},
                                            {kCertificate, "Certificate"},
                                            {kCertificateRequest, "Certificate Request"},
                                            {kHash, "Hash"},
                                            {kSignature, "Signature"},
                                            {kNonce, "Nonce"},
                                            {kNotification, "Notification"},
                                            {kDelete, "Delete"},
                                            {kVendorId, "Vendor ID"}};

constexpr LookupTableRec kExchangeTypes[] = {{0, "None"},
                                             {1, "Base"},
                                             {2, "Identity Protection"},
                                             {3, "Authentication Only"},
                                             {4, "Aggressive"},
                                             {5, "Informational"},
                                             {6, "Transaction"},
                                             {32, "Quick Mode"},
                                             {33, "New Group Mode"}};

constexpr FlagTabRec kHeaderFlags[] = {{0x01, "Encrypted", "Not Encrypted"},
                                       {0x02, "Commit", "No Commit"},
                                       {0x04, "Authentication", "No Authentication"}};

constexpr LookupTableRec kDomains[] = {{0, "Generic"}, {1, "IPSEC"}};

constexpr LookupTableRec kProtocolIds[] = {
    {0, "Reserved"}, {1, "ISAKMP"}, {2, "IPSEC_AH"}, {3, "IPSEC_ESP"}, {4, "IPCOMP"}};

constexpr LookupTableRec kIdTypes[] = {
    {0, "Reserved"},         {1, "IPV4_ADDR"},        {2, "FQDN"},
    {3, "USER_FQDN"},        {4, "IPV4_ADDR_SUBNET"}, {5, "IPV6_ADDR"},
    {6, "IPV6_ADDR_SUBNET"}, {7, "IPV4_ADDR_RANGE"},  {8, "IPV6_ADDR_RANGE"},
    {9, "DER_ASN1_DN"},      {10, "DER_ASN1_GN"},     {11, "KEY_ID"}};

constexpr LookupTableRec kCertificateEncodings[] = {{0, "NONE"},
                                                    {1, "PKCS #7 wrapped X.509 certificate"},
                                                    {2, "PGP Certificate"},
                                                    {3, "DNS Signed Key"},
                                                    {4, "X.509 Certificate - Signature"},
                                                    {5, "X.509 Certificate - Key Exchange"},
                                                    {6, "Kerberos Tokens"},
                                                    {7, "Certificate Revocation List (CRL)"},
                                                    {8, "Authority Revocation List (ARL)"},
                                                    {9, "SPKI Certificate"},
                                                    {10, "X.509 Certificate - Attribute"}};

constexpr LookupTableRec kNotifyTypes[] = {{1, "INVALID-PAYLOAD-TYPE"},
                                           {2, "DOI-NOT-SUPPORTED"},
                                           {3, "SITUATION-NOT-SUPPORTED"},
                                           {4, "INVALID-COOKIE"},
                                           {5, "INVALID-MAJOR-VERSION"},
                                           {6, "INVALID-MINOR-VERSION"},
                                           {7, "INVALID-EXCHANGE-TYPE"},
                                           {8, "INVALID-FLAGS"},
                                           {9, "INVALID-MESSAGE-ID"},
                                           {10, "INVALID-PROTOCOL-ID"},
                                           {11, "INVALID-SPI"},
                                           {12, "INVALID-TRANSFORM-ID"},
                                           {13, "ATTRIBUTES-NOT-SUPPORTED"},
                                           {14, "NO-PROPOSAL-CHOSEN"},
                                           {15, "BAD-PROPOSAL-SYNTAX"},
                                           {16, "PAYLOAD-MALFORMED"},
                                           {17, "INVALID-KEY-INFORMATION"},
                                           {18, "INVALID-ID-INFORMATION"},
                                           {19, "INVALID-CERT-ENCODING"},
                                           {20, "INVALID-CERTIFICATE"},
                                           {21, "CERT-TYPE-UNSUPPORTED"},
                                           {22, "INVALID-CERT-AUTHORITY"},
                                           {23, "INVALID-HASH-INFORMATION"},
                                           {24, "AUTHENTICATION-FAILED"},
                                           {25, "INVALID-SIGNATURE"},
                                           {26, "ADDRESS-NOTIFICATION"},
                                           {27, "NOTIFY-SA-LIFETIME"},
                                           {28, "CERTIFICATE-UNAVAILABLE"},
                                           {29, "UNSUPPORTED-EXCHANGE-TYPE"},
                                           {30, "UNEQUAL-PAYLOAD-LENGTHS"}};

constexpr LookupTableRec kAttributeTypes[] = {{1, "Encryption Algorithm"},
                                              {2, "Hash Algorithm"},
                                              {3, "Authentication Method"},
                                              {4, "Group Description"},
                                              {5, "Group Type"},
                                              {6, "Group Prime/Irreducible Polynomial"},
                                              {7, "Group Generator One"},
                                              {8, "Group Generator Two"},
                                              {9, "Group Curve A"},
                                              {10, "Group Curve B"},
                                              {11, "Life Type"},
                                              {12, "Life Duration"},
                                              {13, "PRF"},
                                              {14, "Key Length"},
                                              {15, "Field Size"},
                                              {16, "Group Order"}};

constexpr LookupTableLongRec kEncryptionAlgorithms[] = {{1, "DES-CBC"},      {2, "IDEA-CBC"},
                                                        {3, "Blowfish-CBC"}, {4, "RC5-R16-B64-CBC"},
                                                        {5, "3DES-CBC"},     {6, "CAST-CBC"}};
constexpr LookupTableLongRec kHashAlgorithms[] = {{1, "MD5"}, {2, "SHA"}, {3, "Tiger"}};
constexpr LookupTableLongRec kAuthenticationMethods[] = {{1, "pre-shared key"},
                                                         {2, "DSS signatures"},
                                                         {3, "RSA signatures"},
                                                         {4, "Encryption with RSA"},
                                                         {5, "Revised encryption with RSA"},
                                                         {6, "Encryption with El-Gamal"},
                                                         {7, "Revised encryption with El-Gamal"},
                                                         {8, "ECDSA signatures"},
                                                         {64221, "HybridInitRSA"},
                                                         {64222, "HybridRespRSA"},
                                                         {64223, "HybridInitDSS"},
                                                         {64224, "HybridRespDSS"},
                                                         {65001, "XAUTHInitPreShared"},
                                                         {65002, "XAUTHRespPreShared"},
                                                         {65003, "XAUTHInitDSS"},
                                                         {65004, "XAUTHRespDSS"},
                                                         {65005, "XAUTHInitRSA"},
                                                         {65006, "XAUTHRespRSA"},
                                                         {65007, "XAUTHInitRSAEncryption"},
                                                         {65008, "XAUTHRespRSAEncryption"},
                                                         {65009, "XAUTHInitRSARevisedEncryption"},
                                                         {65010, "XAUTHRespRSARevisedEncryption"}};
constexpr LookupTableLongRec kGroupDescriptions[] = {{1, "default 768-bit MODP group"},
                                                     {2, "alternate 1024-bit MODP group"},
                                                     {3, "EC2N group on GP[2^155]"},
                                                     {4, "EC2N group on GP[2^185]"}};
constexpr LookupTableLongRec kGroupTypes[] = {{1, "MODP"}, {2, "ECP"}, {3, "EC2N"}};
constexpr LookupTableLongRec kLifeTypes[] = {{1, "Seconds"}, {2, "Kilobytes"}};

// Attribute types whose value is a number.
constexpr uint16_t kLifeDuration = 12, kKeyLength = 14, kFieldSize = 15;

struct AttributeValues {
  uint16_t Type;
  std::span<const LookupTableLongRec> Values;
};
constexpr AttributeValues kAttributeValues[] = {
    {1, kEncryptionAlgorithms}, {2, kHashAlgorithms}, {3, kAuthenticationMethods},
    {4, kGroupDescriptions},    {5, kGroupTypes},     {11, kLifeTypes}};

// Transform IDs by the protocol of the proposal that holds them.
constexpr LookupTableRec kIsakmpTransforms[] = {{0, "Reserved"}, {1, "KEY_IKE"}};
constexpr LookupTableRec kAhTransforms[] = {
    {0, "Reserved"}, {1, "AH-MD5"}, {2, "AH-SHA"}, {3, "AH-DES"}};
constexpr LookupTableRec kEspTransforms[] = {
    {0, "Reserved"},  {1, "ESP_DES_IV64"}, {2, "ESP_DES"},  {3, "ESP_3DES"},
    {4, "ESP_RC5"},   {5, "ESP_IDEA"},     {6, "ESP_CAST"}, {7, "ESP_BLOWFISH"},
    {8, "ESP_3IDEA"}, {9, "ESP_DES_IV32"}, {10, "ESP_RC4"}, {11, "ESP_NULL"}};
constexpr LookupTableRec kIpcompTransforms[] = {
    {0, "Reserved"}, {1, "IPCOMP_OUI"}, {2, "IPCOMP_DEFLATE"}, {3, "IPCOMP_LZS"}};
struct TransformNames {
  uint8_t Protocol;
  std::span<const LookupTableRec> Names;
};
constexpr TransformNames kTransformNames[] = {
    {1, kIsakmpTransforms}, {2, kAhTransforms}, {3, kEspTransforms}, {4, kIpcompTransforms}};

struct VendorIdRec {
  const char* Hex;
  const char* Name;
};
constexpr VendorIdRec kVendorIds[] = {
    {"054182a07c7ae206f9d2cf9d2432c482", "SSH Sentinel"},
    {"09002689dfd6b712", "XAUTH"},
    {"09ec27bfbc09c75823cfecbffe565a2e", "Ssh Communications Security IPSEC Express version 1.2.2"},
    {"0e58d5774df602007d0b02443660f7eb", "SSH Communications Security IPSEC Express version 3.0.0"},
    {"12f5f28c457168a9702d9fe274cc0100", "Cisco-Unity"},
    {"1952dc91ac20f646fb01cf42a33aee30", "Ssh Communications Security IPSEC Express version 1.1.1"},
    {"1e2b516905991c7d7c96fcbfb587e461", "MS NT5 ISAKMPOAKLEY"},
    {"1e2b516905991c7d7c96fcbfb587e46100000002", "MS IPsec client"},
    {"27bab5dc01ea0760ea4e3190ac27c0d0", "draft-stenberg-ipsec-nat-traversal-01"},
    {"2836d1fd2807bc9e5ae30786320451ec", "SSH Communications Security IPSEC Express version 2.1.0"},
    {"3d8d9489b6114c96", "Alcatel IPsec stack"},
    {"3f2372867e237c1cd8250a75559cae20", "SSH Communications Security IPSEC Express version 2.1.2"},
    {"4048b7d56ebce88525e7de7f00d6c2d3", "FRAGMENTATION"},
    {"4485152d18b6bbcd0be8a8469579ddcc", "draft-ietf-ipsec-nat-t-ike-00"},
    {"4865617274426561745f4e6f74696679", "HeartBeat Notify"},
    {"4f70656e5047503130313731", "OpenPGP"},
    {"50760f624c63e5c53eea386c685ca083", "ESPThruNAT"},
    {"5430888de01a31a6fa8f60224e449958", "SSH Sentinel 1.2"},
    {"54494d4553544550", "TIMESTEP"},
    {"6105c422e76847e43f9684801292aecd", "draft-stenberg-ipsec-nat-traversal-02"},
    {"621b04bb09882ac1e15935fefa24aeee", "GSSAPI"},
    {"63d9a1a7009491b5a0a6fdeb2a8284f0", "SSH Sentinel 1.4"},
    {"6880c7d026099114e486c55430e7abee", "SSH Communications Security IPSEC Express version 4.2.0"},
    {"6a7434c19d7e36348090a02334c9c805", "draft-huttunen-ipsec-esp-in-udp-00"},
    {"7003cbc1097dbe9c2600ba6983bc8b35", "KAME/racoon"},
    {"7a54d3bdb3b1e6d923892064be2d981c", "SSH Communications Security IPSEC Express version 4.0.1"},
    {"7d9419a65310ca6f2c179d9215529d56", "draft-ietf-ipsec-nat-t-ike-03"},
    {"7ee5cb85f71ce259c94a5c731ee4e752", "SSH Sentinel 1.3"},
    {"7f21a596e4e318f0b2f4944c2384cb84", "SSH Communications Security IPSEC Express version 2.0.0"},
    {"90cb80913ebb696e086381b5ec427b1f", "draft-ietf-ipsec-nat-t-ike-02"},
    {"9aa1f3b43472a45d5f506aeb260cf214", "SSH Communications Security IPSEC Express version 4.1.0"},
    {"a68de756a9c5229bae66498040951ad5", "SSH Communications Security IPSEC Express version 2.1.1"},
    {"ad2c0dd0b9c32083ccba25b8861ec455", "GSS-API Authentication Method for IKE"},
    {"afcad71368a1f1c96b8696fc77570100", "Dead Peer Detection"},
    {"b91623e693ca18a54c6a2778552305e8", "SSH Sentinel 1.1"},
    {"c1111b2dee8cbc3d620573ec57aab9cb", "Ssh Communications Security IPSEC Express version 1.2.1"},
    {"c40fee00d5d39ddb1fc762e09b7cfea7", "Testing NAT-T RFC"},
    {"cd60464335df21f87cfdb2fc68b6a448", "draft-ietf-ipsec-nat-t-ike-02"},
    {"e8bffa643e5c8f2cd10fda7370b6ebe5", "Ssh Communications Security IPSEC Express version 1.1.2"},
    {"eb4b0d96276b4e220ad16221a7b2a5e6", "SSH Sentinel 1.4.1"},
    {"f5ce31ebc210f44350cf71265b57380f", "SSH Communications Security IPSEC Express version 3.0.1"},
    {"f64260af2e2742daddd56987068a99a0", "SSH Communications Security IPSEC Express version 4.0.0"},
    {"fbf47614984031fa8e3bb6198089b223", "Ssh Communications Security IPSEC Express version 1.1.0"},
    {"1E2B516905991C7D7C96FCBFB587E46100000003", "MS NT5 ISAKMP OAKLEY"},
};

std::string Named(uint16_t code, std::span<const LookupTableRec> table) {
  return std::to_string(code) + " " + std::string(LookupCode(code, table, "Unknown"));
}

std::string Domain(uint32_t domain) {
  const uint16_t code = domain > 0xFFFF ? 0xFFFF : static_cast<uint16_t>(domain);
  return std::to_string(domain) + " " + std::string(LookupCode(code, kDomains, "Unknown"));
}

// The bytes as upper-case hex, at most 32 of them, then "..." once the
// 32nd has been written.
std::string HexText(std::string_view bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string s;
  for (size_t i = 0; i < bytes.size() && i < kRunBytes; ++i) {
    const auto b = static_cast<uint8_t>(bytes[i]);
    s += kHex[b >> 4];
    s += kHex[b & 15];
  }
  if (bytes.size() >= kRunBytes) s += "...";
  return s;
}
std::string HexRun(const DecodeContext& c, size_t at, size_t n) {
  return "0x" + HexText(c.bytes(at, n));
}
std::string HexBytesAt(const DecodeContext& c, size_t at, size_t n, size_t limit = 31) {
  return FormatHexBytes(c, at + 1, n, limit);
}

std::string AttributeValue(uint16_t type, uint32_t value) {
  if (type == kLifeDuration || type == kKeyLength || type == kFieldSize)
    return std::to_string(value);
  for (const auto& a : kAttributeValues)
    if (a.Type == type) return std::string(LookupLongCode(value, a.Values, "Unknown"));
  return "Unknown";
}

std::string TransformName(uint8_t protocol, uint8_t id) {
  for (const auto& t : kTransformNames)
    if (t.Protocol == protocol) return std::string(LookupCode(id, t.Names, "Unknown"));
  return "Unknown";
}

// The decode of one message: the protocol of the last proposal seen, for
// the transforms that follow it.
struct Walk {
  DecodeContext& c;
  uint8_t Protocol = 0;

  void Payload(DetailNode* parent, uint8_t type, size_t p, size_t bound);
  void Body(DetailNode* item, uint8_t type, size_t p, size_t length);
  void SubWalk(DetailNode* parent, uint8_t expected, size_t q, size_t bound);
  void Attributes(DetailNode* parent, size_t q, size_t n);
  void DomainProtocolSpi(DetailNode* item, size_t p);
};

void Walk::Attributes(DetailNode* parent, size_t q, size_t n) {
  const size_t end = q + n;
  while (end - q >= 4) {
    const uint16_t word = c.be16(q);
    const uint16_t type = word & 0x7FFF;
    uint32_t value = 0;
    size_t size = 4;
    if (word & 0x8000) {
      value = c.be16(q + 2);
    } else {
      const uint16_t length = c.be16(q + 2);
      size += length;
      // A variable attribute past the transform ends the walk.
      if (size > end - q) return;
      value = length == 2 ? c.be16(q + 4) : length == 4 ? c.be32(q + 4) : 0;
    }
    AddField(c, parent,
             "Attribute: " + std::string(LookupCode(type, kAttributeTypes, "Unknown")) + " = " +
                 AttributeValue(type, value),
             q, size);
    q += size;
  }
}

void Walk::SubWalk(DetailNode* parent, uint8_t expected, size_t q, size_t bound) {
  // Each payload takes its header at least: the walk always advances.
  while (bound >= kPayloadHeader) {
    Payload(parent, expected, q, bound);
    const uint8_t next = c.u8(q);
    const uint16_t length = c.be16(q + 2);
    if (next != expected || length < kPayloadHeader || length + kPayloadHeader > bound) return;
    q += length;
    bound -= length;
  }
}

void Walk::DomainProtocolSpi(DetailNode* item, size_t p) {
  AddField(c, item, "Domain of Interpretaion () - " + Domain(c.be32(p + 4)), p + 4, 4);
  AddField(c, item, "Protocol ID () - " + Named(c.u8(p + 8), kProtocolIds), p + 8, 1);
  AddField(c, item, "SPI Size () - " + std::to_string(c.u8(p + 9)), p + 9, 1);
}

void Walk::Body(DetailNode* item, uint8_t type, size_t p, size_t length) {
  const size_t data = length - kPayloadHeader;
  switch (type) {
    case kSecurityAssociation: {
      AddField(c, item, "Domain of Interpretaion () - " + Domain(c.be32(p + 4)), p + 4, 4);
      AddField(c, item, "Situation () - " + std::to_string(c.be32(p + 8)), p + 8, 4);
      if (length >= 12 + kPayloadHeader) SubWalk(item, kProposal, p + 12, length - 12);
      break;
    }
    case kProposal: {
      if (!c.has(p + 4, 4)) break;
      const uint8_t number = c.u8(p + 4), spiSize = c.u8(p + 6), transforms = c.u8(p + 7);
      AddField(c, item, "Proposal Number () - " + std::to_string(number), p + 4, 1);
      AppendText(c, item, " " + std::to_string(number));
      Protocol = c.u8(p + 5);
      AddField(c, item, "Protocol ID () - " + Named(Protocol, kProtocolIds), p + 5, 1);
      AddField(c, item, "SPI Size () - " + std::to_string(spiSize), p + 6, 1);
      AddField(c, item, "Number of Transforms () - " + std::to_string(transforms), p + 7, 1);
      if (spiSize != 0)
        AddField(c, item, "Security Parameter Index (SPI) () - " + HexRun(c, p + 8, spiSize), p + 8,
                 spiSize);
      const size_t first = 8 + size_t{spiSize};
      if (transforms != 0 && first + kPayloadHeader <= length)
        SubWalk(item, kTransform, p + first, length - first);
      break;
    }
    case kTransform: {
      if (!c.has(p + 4, 2)) break;
      const uint8_t number = c.u8(p + 4);
      AddField(c, item, "Transform Number () - " + std::to_string(number), p + 4, 1);
      AppendText(c, item, " " + std::to_string(number));
      const uint8_t id = c.u8(p + 5);
      AddField(c, item,
               "Transform ID () - " + std::to_string(id) + " " + TransformName(Protocol, id), p + 5,
               1);
      AddField(c, item, "Reserved", p + 6, 2);
      if (length > 8) Attributes(item, p + 8, length - 8);
      break;
    }
    case kKeyExchange:
      if (data > 0)
        AddField(c, item, "Key Exchange Data () - " + HexRun(c, p + 4, data), p + 4, data);
      break;
    case kIdentification:
      AddField(c, item, "ID Type () - " + Named(c.u8(p + 4), kIdTypes), p + 4, 1);
      AddField(c, item, "Protocol ID () - " + Named(c.u8(p + 5), IPProtocolNames), p + 5, 1);
      AddField(c, item, "Port () - " + std::to_string(c.be16(p + 6)), p + 6, 2);
      if (length >= 9)
        AddField(c, item, "Identification Data () - " + HexRun(c, p + 8, length - 8), p + 8,
                 length - 8);
      break;
    case kCertificate:
    case kCertificateRequest:
      AddField(c, item, "Certificate Encoding () - " + Named(c.u8(p + 4), kCertificateEncodings),
               p + 4, 1);
      if (length > 5)
        AddField(c, item,
                 std::string(type == kCertificate ? "Certificate Data () - "
                                                  : "Certificate Authority () - ") +
                     HexBytesAt(c, p + 5, length - 5),
                 p + 5, length - 5);
      break;
    case kHash:
    case kSignature:
      if (data > 0)
        AddField(c, item,
                 std::string(type == kHash ? "Hash Data () - " : "Signature Data () - ") +
                     HexBytesAt(c, p + 4, data),
                 p + 4, data);
      break;
    case kNonce:
      if (data > 0) AddField(c, item, "Nonce Data () - " + HexRun(c, p + 4, data), p + 4, data);
      break;
    case kNotification: {
      DomainProtocolSpi(item, p);
      const uint8_t spiSize = c.u8(p + 9);
      const uint16_t message = c.be16(p + 10);
      AddField(c, item, "Notify Message Type () - " + Named(message, kNotifyTypes), p + 10, 2);
      // The SPI and the data lie within the payload.
      if (spiSize != 0 && 12 + size_t{spiSize} <= length)
        AddField(c, item, "Security Parameter Index (SPI) () - " + HexBytesAt(c, p + 12, spiSize),
                 p + 12, spiSize);
      if (12 + size_t{spiSize} < length) {
        const size_t d = length - 12 - spiSize;
        AddField(c, item, "Nofification Data () - " + HexBytesAt(c, p + 12 + spiSize, d, 32),
                 p + 12 + spiSize, d);
      }
      break;
    }
    case kDelete: {
      DomainProtocolSpi(item, p);
      const uint8_t spiSize = c.u8(p + 9);
      const uint16_t count = c.be16(p + 10);
      AddField(c, item, "Number of SPIs () - " + std::to_string(count), p + 10, 2);
      // As many SPIs as the payload holds, of the count.
      for (size_t k = 0; spiSize != 0 && k < count && 12 + (k + 1) * spiSize <= length; ++k) {
        const size_t at = p + 12 + k * spiSize;
        AddField(c, item, "SPI #" + std::to_string(k + 1) + " () - " + HexBytesAt(c, at, spiSize),
                 at, spiSize);
      }
      break;
    }
    case kVendorId: {
      std::string text = HexText(c.bytes(p + 4, data));
      for (const auto& v : kVendorIds) {
        std::string known = v.Hex;
        std::transform(known.begin(), known.end(), known.begin(),
                       [](unsigned char ch) { return static_cast<char>(std::toupper(ch)); });
        if (known != text) continue;
        text += " (" + std::string(v.Name) + ")";
        AppendText(c, item, ": " + std::string(v.Name));
        break;
      }
      if (data > 0) AddField(c, item, "Vendor ID (Hashed) () - 0x" + text, p + 4, data);
      break;
    }
    default:
      break;
  }
}

void Walk::Payload(DetailNode* parent, uint8_t type, size_t p, size_t bound) {
  const uint8_t next = c.u8(p);
  const uint16_t length = c.be16(p + 2);
  // The item covers its header at least, and no more than the bytes left.
  DetailNode* item =
      AddBranch(c, parent, "Payload: " + std::string(LookupCode(type, kPayloadTypes, "Unknown")), p,
                std::min<size_t>(std::max<size_t>(length, kPayloadHeader), bound));
  AddField(c, item, "Next Payload () - " + Named(next, kPayloadTypes), p, 1);
  AddField(c, item, "Reserved ()", p + 1, 1);
  AddField(c, item, "Length () - " + std::to_string(length), p + 2, 2);
  // A payload longer than the bytes left shows its header alone.
  if (length > bound || length < kPayloadHeader) return;
  const LayerState layer = c.save();
  c.limit(p + length);
  Body(item, type, p, length);
  c.restore(layer);
}

}  // namespace

void ISAKMPSummary(DecodeContext& c) {
  c.AddDesc("/ISAKMP");
  c.SetProtocol(ProtoISAKMP);
  if (c.PacketLen >= kHeader) {
    c.AddDesc(" ");
    c.AddDesc(LookupCode(c.u8(18), kExchangeTypes, "Unknown"));
  }
}

void ISAKMPTree(DecodeContext& c, DetailNode* parent) {
  const size_t n = c.PacketLen;
  if (n < kHeader) return;
  DetailNode* root =
      AddBranch(c, parent, "Internet Security Association and Key Management Protocol (ISAKMP)", 0,
                n, TreeImage::Security);
  AddField(c, root, "Initiator Cookie () - 0x" + Hex(c.be64(0), 16), 0, 8);
  AddField(c, root, "Responder Cookie () - 0x" + Hex(c.be64(8), 16), 8, 8);
  const uint8_t first = c.u8(16);
  AddField(c, root, "Next Payload () - " + Named(first, kPayloadTypes), 16, 1);
  const uint8_t version = c.u8(17);
  AddField(c, root,
           "Version () - " + std::to_string(version >> 4) + "." + std::to_string(version & 15), 17,
           1);
  AddField(c, root, "Exchange Type () - " + Named(c.u8(18), kExchangeTypes), 18, 1);
  const uint8_t flags = c.u8(19);
  DetailNode* flagsItem = AddField(c, root, "Flags", 19, 1, TreeImage::Flags);
  AddFlagNodes(c, flagsItem, flags, 1, kHeaderFlags);
  AddField(c, root, "Message ID () - 0x" + Hex(c.be32(20), 8), 20, 4);
  const uint32_t length = c.be32(24);
  AddField(c, root, "Length () - " + std::to_string(length), 24, 4);
  if (flags & kEncrypted) {
    // Shown as far as the datagram goes.
    if (length > kHeader) AddBranch(c, root, "Encrypted Payload ()", kHeader, length - kHeader);
    return;
  }
  // The chain runs within the message's Length and the datagram.
  size_t left = length > kHeader ? std::min<size_t>(length, n) - kHeader : 0;
  size_t p = kHeader;
  uint8_t type = first;
  Walk walk{c};
  while (left >= kPayloadHeader) {
    const uint16_t size = c.be16(p + 2);
    walk.Payload(root, type, p, left);
    // A length of 0 or below its header would not advance: the chain ends.
    if (size < kPayloadHeader || size > left) break;
    type = c.u8(p);
    p += size;
    left -= size;
  }
}

}  // namespace kestle
