#include "app/dump.h"

#include <ctime>
#include <iostream>
#include <optional>
#include <span>

#include "capture/session.h"
#include "decode/context.h"
#include "decode/detail.h"
#include "decode/config/environment.h"
#include "decode/config/ini.h"
#include "decode/tree.h"
#include "output/grid.h"
#include "output/textexport.h"

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

Selection and settings:
  --frames A-B        only the frames numbered A to B (as the No. column
                      shows them); "A" alone is one frame, "A-" runs to the end
  --ini FILE          read settings from this settings file (section Options)
  --set KEY=VALUE     override one Options setting, e.g. --set MaxPackets=10,
                      --set FirstFrame=5, --set TimeFormat=1 (repeatable)
  --vendors FILE      the MAC vendor list ("XXXXXXName" lines) used to name
                      the makers of MAC addresses (default: Kestlemac.txt
                      beside the program or in its data folder)
  --snmp-names FILE   the SNMP object names ("name 1.3.6.1.2.1.1.1" lines)
                      shown for object identifiers (default: Kestlesnmp.txt
                      beside the program or in its data folder)
  --date-line TEXT    the date shown in the title line (default: now)
  --help              show this text

Load messages go to standard error. Exit status: 0 after a load (also when
the load was truncated at MaxPackets), 1 when the file was not loaded, 2 on
a usage error.
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
  std::optional<int64_t> first, last;
  std::optional<std::string> dateLine;
  std::string vendors;
  std::string snmpNames;
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
            const std::string& vendorFile, const std::string& snmpNamesFile) {
  Options o;
  o.vendors = vendorFile;
  o.snmpNames = snmpNamesFile;
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
    } else if (a == "--snmp-names") {
      if (!value(o.snmpNames)) break;
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
  if (!o.snmpNames.empty() && !env.SnmpNames.Load(o.snmpNames)) {
    err << "kestle-dump: cannot read SNMP object names '" << o.snmpNames << "'\n";
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

  const std::string& cols = env.settings.ColumnSel;
  auto wanted = [&](uint32_t frame) {
    const int64_t shown = int64_t{env.settings.FirstFrame} + frame - 1;
    return (!o.first || shown >= *o.first) && (!o.last || shown <= *o.last);
  };

  DecodeContext ctx(s, env);
  DetailTree tree(/*printMode=*/true);
  auto buildTree = [&](uint32_t frame) {
    if (!BuildFrameTree(s, ctx, tree, frame)) {
      // Nothing of a frame that could not be read again: neither a tree
      // nor the bytes of the frame read before it.
      tree.Clear();
      ctx.LoadFrame(nullptr, 0);
    }
  };
  auto frameBytes = [&]() { return std::span<const uint8_t>(ctx.PacketBuf.data(), ctx.FrameLen); };

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
    writer.WriteFrame(frame, &tree, frameBytes());
    if (o.offsets) PrintTreeOffsets(out, tree);
  }
  (void)cols;
  return 0;
}

}  // namespace kestle
