// SSL and TLS over TCP: an SSL version 2 Client Hello, or the records of an
// SSL version 3 / TLS stream with the handshake messages whose bodies it
// shows (Client and Server Hello, Certificate).
#pragma once

namespace kestle {

class DecodeContext;
struct DetailNode;

// "/SSLv2 Client Hello", "/TLSv3 Client Hello", "/SSLv3": the version and
// the first record's message.
void SSLSummary(DecodeContext& c);
// "Secure Socket Layer Protocol (SSL)" or "Transport Layer Security
// Protocol (TLS)": the records of the segment.
void SSLTree(DecodeContext& c, DetailNode* parent);

}  // namespace kestle
