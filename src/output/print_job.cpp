#include "output/print_job.h"

#include <sstream>
#include <vector>

#include "decode/config/environment.h"
#include "decode/context.h"
#include "decode/detail.h"
#include "decode/session.h"
#include "decode/tree.h"
#include "output/grid.h"
#include "output/output_file.h"
#include "output/print_layout.h"
#include "output/save.h"
#include "output/textexport.h"

namespace kestle {

namespace {

// Reads each frame and builds its print tree (only when the detail is
// printed) and leaves its bytes for the dump.
class PrintedFrames {
 public:
  PrintedFrames(CaptureSession& s, const PrintChoices& c) : s_(s), c_(s, s.Env), choices_(c) {}
  void Read(uint32_t frame) {
    tree_.Clear();
    if (choices_.Detail || choices_.Dump) BuildFrameTree(s_, c_, tree_, frame);
  }
  const DetailTree* Tree() const { return choices_.Detail ? &tree_ : nullptr; }
  std::span<const uint8_t> Bytes() const {
    return choices_.Dump ? ShownFrameBytes(c_) : std::span<const uint8_t>{};
  }

 private:
  CaptureSession& s_;
  DecodeContext c_;
  DetailTree tree_{/*printMode=*/true};
  PrintChoices choices_;
};

}  // namespace

PrintOutcome PrintToTextFile(CaptureSession& s, std::span<const uint32_t> frames,
                             const std::string& target, const PrintChoices& choices,
                             const std::string& dateLine, const PrintProgress& progress) {
  PrintOutcome out;
  if (SameFile(target, s.FileName())) {
    out.Message = FileMessage(savemsg::kOpenCapture, target);
    return out;
  }
  OutputFile file;
  if (!file.Create(target)) {
    out.Message = FileMessage(printmsg::kCannotCreate, target, file.Error());
    return out;
  }
  std::ostringstream text;
  TextExportWriter writer(text, s, choices.Detail, choices.Dump);
  writer.WriteTitle(s.FileName(), dateLine);
  file.Write(text.str());
  text.str({});
  PrintedFrames read(s, choices);
  for (uint32_t frame : frames) {
    read.Read(frame);
    writer.WriteFrame(frame, read.Tree(), read.Bytes());
    if (!file.Write(text.str())) break;
    text.str({});
    ++out.Printed;
    if (progress && !progress()) {
      out.Cancelled = true;
      break;
    }
  }
  if (file.Failed() || !file.Commit()) {
    out.Message = FileMessage(printmsg::kWriteError, target, file.Error());
    out.Printed = 0;
    return out;
  }
  out.Ok = true;
  return out;
}

bool RowsFit(const CaptureSession& s, std::span<const uint32_t> frames, const PrintLayout& layout) {
  const std::string& cols = s.Env.settings.ColumnSel;
  std::vector<std::string> cells(cols.size());
  for (uint32_t frame : frames) {
    for (size_t i = 0; i < cols.size(); ++i) cells[i] = FrameCellText(s, frame, cols[i]);
    if (!layout.RowFits(cells)) return false;
  }
  return true;
}

PrintOutcome PrintToLayout(CaptureSession& s, std::span<const uint32_t> frames, PrintLayout& layout,
                           const PrintChoices& choices, const PrintProgress& progress) {
  PrintOutcome out;
  const std::string& cols = s.Env.settings.ColumnSel;
  std::vector<std::string> cells(cols.size());
  PrintedFrames read(s, choices);
  for (uint32_t frame : frames) {
    for (size_t i = 0; i < cols.size(); ++i) cells[i] = FrameCellText(s, frame, cols[i]);
    read.Read(frame);
    layout.AddFrame(cells, read.Tree(), read.Bytes(), choices.Dump);
    ++out.Printed;
    if (progress && !progress()) {
      out.Cancelled = true;
      break;
    }
  }
  out.Ok = true;
  return out;
}

}  // namespace kestle
