#include "decode/session.h"

#include "decode/config/environment.h"
#include "decode/context.h"
#include "decode/dispatch.h"
#include "decode/summary.h"

namespace kestle {

// The sink of a session's load: every frame gets its frame table entry and
// the summary pass.
class CaptureSession::SummarySink final : public FrameSink {
 public:
  explicit SummarySink(CaptureSession& s) : s_(s), c_(s, s.Env) {}

  void Reserve(uint64_t n) override {
    s_.FrameTable.reserve(n + 1);
    s_.FrameOrder.reserve(n + 1);
  }

  bool TakesLinkType(uint16_t linkType) const override { return DecodesLinkType(linkType); }

  void AddFrame(const CapturedFrame& frame) override {
    const uint32_t n = ++s_.FrameCount;
    // The tables hold entries 0..n - 1 (a load starts from entry 0 alone).
    if (s_.FrameTable.size() != n || s_.FrameOrder.size() != n) {
      s_.FrameTable.resize(n);
      s_.FrameOrder.resize(n);
    }
    s_.FrameTable.emplace_back();
    s_.FrameOrder.push_back(n);
    ProcessFrame(s_, c_, frame);
  }

 private:
  CaptureSession& s_;
  DecodeContext c_;
};

LoadOptions LoadOptionsOf(const Environment& env) {
  LoadOptions o;
  o.MaxPackets = env.settings.MaxPackets;
  o.FirstFrame = env.settings.FirstFrame;
  o.UseZLib = env.settings.UseZLib;
  return o;
}

CaptureSession::CaptureSession(const Environment& env, Notifier& notifier)
    : Env(env), Input(notifier) {
  ResetTables();
}

CaptureSession::~CaptureSession() = default;

void CaptureSession::ResetTables() {
  FrameTable.clear();
  FrameTable.shrink_to_fit();
  FrameTable.resize(1);
  FrameOrder.clear();
  FrameOrder.shrink_to_fit();
  FrameOrder.resize(1, 0);
  FrameCount = VisibleCount = SelectedFrame = 0;
  Descriptions.Clear();
  Paths.Clear();
  Nodes.Clear();
  Decoders.Clear();
}

void CaptureSession::Close() {
  Input.Close();
  ResetTables();
}

bool CaptureSession::OpenSnifferFile(const std::string& name, LoadObserver* observer) {
  Close();
  bool loaded;
  {
    // The summary pass's decode buffer lives for the load only.
    auto sink = std::make_unique<SummarySink>(*this);
    loaded = Input.Load(name, LoadOptionsOf(Env), *sink, observer);
  }
  if (!loaded) {
    // A failed load leaves nothing behind for the next open.
    Close();
    return false;
  }
  FrameTable.resize(FrameCount + 1);
  FrameTable.shrink_to_fit();
  FrameOrder.resize(FrameCount + 1);
  FrameOrder.shrink_to_fit();
  VisibleCount = FrameCount;
  if (Nodes.NodeCount() != 0) Nodes.SortNodes();
  return true;
}

uint32_t CaptureSession::ReadFrame(uint32_t n) {
  if (n < 1 || n > FrameCount || !Input.File.IsOpen()) {
    Input.ForgetFrame();
    return 0;
  }
  const FrameTabRec& rec = FrameTable[n];
  if (!Input.Reread(rec.RecordPos) || Input.FrameHeader.Size != rec.CapLen) {
    Input.ForgetFrame();
    Input.Notify(msg::kReadError);
    return 0;
  }
  return Input.FrameHeader.Size;
}

}  // namespace kestle
