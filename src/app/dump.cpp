#include "app/dump.h"

#include <ctime>
#include <iostream>
#include <optional>

#include "decode/context.h"
#include "decode/detail.h"
#include "decode/config/environment.h"
#include "decode/config/ini.h"
#include "decode/session.h"
#include "decode/tree.h"
#include "output/grid.h"
#include "output/textexport.h"
#include "stats/nodes.h"
#include "stats/report.h"

namespace kestle {

namespace {

constexpr const char* kUsage = R"(Usage: kestle-dump [options] FILE

Loads a capture file (pcap, Sniffer, Netmon 1 and 2, NetXRay, 5View, each
possibly gzip-compressed) and prints its frames.

Output (default: the frame list as "Print to file" writes it):
  --tsv               one line per frame: the nine cell texts No., Time,
                      Length, Source Node, S-Port, Dest Node, D-Port,
                      Description, Protocol, tab-separated, after a header line
  --detail            add each frame's decode tree under its row
  --dump              add each frame's hex/ASCII dump under its row
  --tree-offsets      print each frame's decode tree with the byte offset and
                      length of every line: "[offset+length] text"

Statistics (instead of the frames; they count every loaded frame):
  --nodes             the node grid: one station a line with its MAC address,
                      IP address (or other network address), host name,
                      frames received and sent, bytes received and sent (the
                      lengths on the wire), tab-separated, after a header line
  --sessions          every station's sessions: one line per partner and
                      protocol, the station's MAC and IP address first, then
                      the partner, the protocol and the frames and bytes from
                      and to the partner
  --graph N           the points of graph N, after its title and axis titles:
                      "label<TAB>value<TAB>percentage" lines for the bar
                      graphs 1 packet sizes, 2 destination types, 3 protocols,
                      4 top senders, 5 top receivers; "seconds<TAB>frames"
                      lines for 6, the throughput
                      (several of these print one after the other, with an
                      empty line between them)

Selection and settings:
  --frames A-B        only the frames numbered A to B (as the No. column
                      shows them); "A" alone is one frame, "A-" runs to the end
  --ini FILE          read settings from this settings file (section Options)
  --set KEY=VALUE     override one Options setting, e.g. --set MaxPackets=10,
                      --set FirstFrame=5, --set TimeFormat=1 (repeatable)
  --vendors FILE      the MAC vendor list ("XXXXXXName" lines) used to name
                      the makers of MAC addresses (default: Kestlemac.txt
                      beside the program or in its data folder)
  --date-line TEXT    the date shown in the title line (default: now)
  --help              show this text

Load messages go to standard error. Exit status: 0 after a load (also when
the load was truncated at MaxPackets, or the file was damaged after the
frames shown), 1 when the file was not loaded, 2 on a usage error.
)";

class StreamNotifier : public Notifier {
 public:
  explicit StreamNotifier(std::ostream& err) : err_(err) {}
  void Message(const std::string& text) override { err_ << text << "\n"; }

 private:
  std::ostream& err_;
};

struct Options {
  std::string file;
  std::string iniPath;
  std::vector<std::pair<std::string, std::string>> sets;
  bool tsv = false, detail = false, dump = false, offsets = false;
  bool nodes = false, sessions = false;
  int graph = 0;
  std::optional<int64_t> first, last;
  std::optional<std::string> dateLine;
  std::string vendors;
};

bool ParseNumber(const std::string& t, int64_t& v) {
  if (t.empty() || t.size() > 18) return false;
  v = 0;
  for (char ch : t) {
    if (ch < '0' || ch > '9') return false;
    v = v * 10 + (ch - '0');
  }
  return true;
}

bool ParseRange(const std::string& t, Options& o) {
  const size_t dash = t.find('-');
  int64_t a = 0, b = 0;
  if (dash == std::string::npos) {
    if (!ParseNumber(t, a)) return false;
    o.first = o.last = a;
    return true;
  }
  if (!ParseNumber(t.substr(0, dash), a)) return false;
  o.first = a;
  const std::string rest = t.substr(dash + 1);
  if (!rest.empty()) {
    if (!ParseNumber(rest, b)) return false;
    o.last = b;
  }
  return true;
}

std::string TsvSafe(std::string s) {
  for (char& ch : s)
    if (ch == '\t' || ch == '\n' || ch == '\r') ch = ' ';
  return s;
}

void PrintTreeOffsets(std::ostream& out, const DetailTree& tree) {
  tree.Walk([&out](const DetailNode& n, int depth) {
    out << std::string(static_cast<size_t>(2 * depth + 2), ' ') << "[" << n.Offset << "+"
        << n.Length << "] " << n.Text << "\n";
  });
}

}  // namespace

int RunDump(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            const std::string& vendorFile) {
  Options o;
  o.vendors = vendorFile;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& v) {
      if (i + 1 >= args.size()) return false;
      v = args[++i];
      return true;
    };
    std::string v;
    if (a == "--help" || a == "-h") {
      out << kUsage;
      return 0;
    } else if (a == "--tsv") {
      o.tsv = true;
    } else if (a == "--detail") {
      o.detail = true;
    } else if (a == "--dump") {
      o.dump = true;
    } else if (a == "--tree-offsets") {
      o.offsets = true;
    } else if (a == "--nodes") {
      o.nodes = true;
    } else if (a == "--sessions") {
      o.sessions = true;
    } else if (a == "--graph") {
      if (!value(v)) break;
      int64_t n = 0;
      if (!ParseNumber(v, n) || n < 1 || n > 6) {
        err << "kestle-dump: --graph takes a number from 1 to 6, not '" << v << "'\n";
        return 2;
      }
      o.graph = static_cast<int>(n);
    } else if (a == "--ini") {
      if (!value(o.iniPath)) break;
    } else if (a == "--set") {
      if (!value(v)) break;
      const size_t eq = v.find('=');
      if (eq == std::string::npos || eq == 0) {
        err << "kestle-dump: --set takes KEY=VALUE, not '" << v << "'\n";
        return 2;
      }
      o.sets.emplace_back(v.substr(0, eq), v.substr(eq + 1));
    } else if (a == "--frames") {
      if (!value(v)) break;
      if (!ParseRange(v, o)) {
        err << "kestle-dump: --frames takes A-B, not '" << v << "'\n";
        return 2;
      }
    } else if (a == "--vendors") {
      if (!value(o.vendors)) break;
    } else if (a == "--date-line") {
      if (!value(v)) break;
      o.dateLine = v;
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      err << "kestle-dump: unknown option '" << a << "'\n" << kUsage;
      return 2;
    } else if (o.file.empty()) {
      o.file = a;
    } else {
      err << "kestle-dump: only one capture file at a time\n";
      return 2;
    }
    if (i >= args.size()) break;
  }
  if (o.file.empty()) {
    err << kUsage;
    return 2;
  }

  Environment env;
  if (!o.vendors.empty() && !env.Vendors.Load(o.vendors)) {
    err << "kestle-dump: cannot read MAC vendor list '" << o.vendors << "'\n";
    return 2;
  }
  if (!o.iniPath.empty()) {
    IniFile ini;
    if (!ini.Load(o.iniPath)) {
      err << "kestle-dump: cannot read settings file '" << o.iniPath << "'\n";
      return 2;
    }
    env.Load(ini);
  }
  for (const auto& [k, val] : o.sets) {
    if (!env.settings.Set(k, val)) {
      err << "kestle-dump: unknown setting '" << k << "'\n";
      return 2;
    }
  }

  StreamNotifier notifier(err);
  CaptureSession s(env, notifier);
  if (!s.OpenSnifferFile(o.file)) return 1;

  if (o.nodes || o.sessions || o.graph) {
    CreateNodeStats(s);
    bool first = true;
    auto section = [&] {
      if (!first) out << "\n";
      first = false;
    };
    if (o.nodes) section(), WriteNodeGrid(out, s);
    if (o.sessions) section(), WriteSessionGrids(out, s);
    if (o.graph) section(), WriteGraph(out, s, o.graph);
    return 0;
  }

  const std::string& cols = env.settings.ColumnSel;
  auto wanted = [&](uint32_t frame) {
    const int64_t shown = int64_t{env.settings.FirstFrame} + frame - 1;
    return (!o.first || shown >= *o.first) && (!o.last || shown <= *o.last);
  };

  DecodeContext ctx(s, env);
  DetailTree tree(/*printMode=*/true);
  // A frame that cannot be read again shows neither a tree nor bytes.
  auto buildTree = [&](uint32_t frame) { BuildFrameTree(s, ctx, tree, frame); };

  if (o.tsv) {
    static constexpr char kAll[] = "ABCDEFGHI";
    for (int i = 0; i < 9; ++i) out << (i ? "\t" : "") << ColumnHeader(kAll[i]);
    out << "\n";
    for (uint32_t row = 1; row <= s.VisibleCount; ++row) {
      const uint32_t frame = s.FrameOrder[row];
      if (!wanted(frame)) continue;
      for (int i = 0; i < 9; ++i) out << (i ? "\t" : "") << TsvSafe(FrameCellText(s, frame, kAll[i]));
      out << "\n";
      if (o.offsets) {
        buildTree(frame);
        PrintTreeOffsets(out, tree);
      }
    }
    return 0;
  }

  TextExportWriter writer(out, s, o.detail, o.dump);
  writer.WriteTitle(o.file, o.dateLine ? *o.dateLine : PrintDateLine(env.Locale, std::time(nullptr)));
  for (uint32_t row = 1; row <= s.VisibleCount; ++row) {
    const uint32_t frame = s.FrameOrder[row];
    if (!wanted(frame)) continue;
    if (o.detail || o.dump || o.offsets) buildTree(frame);
    writer.WriteFrame(frame, &tree, ShownFrameBytes(ctx));
    if (o.offsets) PrintTreeOffsets(out, tree);
  }
  (void)cols;
  return 0;
}

}  // namespace kestle
