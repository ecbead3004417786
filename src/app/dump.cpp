#include "app/dump.h"

#include <algorithm>
#include <cctype>
#include <ctime>
#include <iostream>
#include <optional>
#include <span>
#include <string_view>

#include "capture/frame_index.h"
#include "decode/config/environment.h"
#include "decode/config/ini.h"
#include "decode/context.h"
#include "decode/detail.h"
#include "decode/dispatch.h"
#include "decode/session.h"
#include "decode/text.h"
#include "decode/tree.h"
#include "output/fileinfo.h"
#include "output/filter.h"
#include "output/filter_bar.h"
#include "output/follow_stream.h"
#include "output/grid.h"
#include "output/json.h"
#include "output/save.h"
#include "output/save_formats.h"
#include "output/search.h"
#include "output/textexport.h"
#include "query/display_filter.h"
#include "stats/nodes.h"
#include "stats/report.h"

namespace kestle {

namespace {

constexpr const char* kUsage = R"(Usage: kestle-dump [options] FILE

Loads a capture file (pcap, pcapng, Sniffer, Netmon 1 and 2, NetXRay, 5View,
each possibly gzip-compressed; Ethernet, Linux cooked, raw IP and loopback
frames) and prints its frames.

Output (default: the frame list as "Print to file" writes it):
  --tsv               one line per frame: the nine cell texts No., Time,
                      Length, Source Node, S-Port, Dest Node, D-Port,
                      Description, Protocol, tab-separated, after a header line
  --detail            add each frame's decode tree under its row
  --dump              add each frame's hex/ASCII dump under its row
  --tree-offsets      print each frame's decode tree with the byte offset and
                      length of every line: "[offset+length] text"
  --json              the frame list as one JSON document: {"file", "format",
                      "frames": [...]}, each frame an object with "no",
                      "time" (as the Time column shows it), "timestamp"
                      (seconds since 1970 UTC, to the microsecond),
                      "rel_time" (seconds since the first frame), "length",
                      "source", "source_port", "dest", "dest_port" (null for
                      a frame without ports), "description" and "protocol";
                      with --detail also its "tree" (lines as {"text",
                      "label", "value", "offset", "length", "children"}:
                      "label" and "value" are the text split at its " - ",
                      "value" null for a line without one), with --dump its
                      "bytes" (hex digits)

Saving and file information (instead of the frames):
  --save OUT          write the shown frames (every loaded frame, or those the
                      selection options below keep) to a new file, in
                      display order, as the window's Save As does: a pcapng
                      file for a name ending in .pcapng, pcap for .pcap, else
                      a Sniffer file (.enc, .trc); the file appears only when
                      complete, and is never the capture file itself. A
                      Sniffer file holds Ethernet frames only, a pcap file
                      those of the first frame's link type: the others are
                      left out and counted on standard error (with none left,
                      no file is made: exit status 4); pcapng holds them all
  --save-format FMT   the format of --save whatever the name: pcapng, pcap or
                      sniffer
  --follow tcp,N      print the payload of the TCP stream of frame N (its
                      session, or its two ends when sessions are off) in
                      order, put together by sequence number: retransmitted
                      bytes once, segments out of order in place, bytes never
                      captured as "[N bytes missing]"; the second end's
                      lines are indented with a tab
  --follow udp,N      the same for the UDP datagrams between frame N's ends
  --follow-format F   the text of --follow: ascii (the default; bytes outside
                      printable ASCII as "."), ebcdic, hex (dump lines) or
                      raw (hex digits, one line per segment)
  --info              the File Information values: name, type, link types,
                      change date, size, frames, TCP sessions and average size, one
                      "Caption value" line each

Statistics (instead of the frames; they count the shown frames: every loaded
frame, or those the filter options keep):
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
  --filter EXPR       show only the frames the filter expression selects, as
                      the window's filter bar does (with the options below,
                      both must hold): protocol names (tcp, dns, ipv6, arp;
                      ip is IPv4 or IPv6, eth Ethernet), fields ip.src,
                      ip.dst, ip.addr (IPv4 or IPv6, with /prefix), eth.src,
                      eth.dst, eth.addr, tcp.port, udp.port, port, srcport,
                      dstport, frame.len, frame.cap_len, frame.number,
                      frame.time_relative, tcp.session, tagged; comparisons
                      == != < <= > >=, "in {80 443 8000..8080}", ranges a..b,
                      description contains "text" (any case), description
                      matches "regex"; and/&&, or/||, not/!, parentheses. A
                      field alone is true when the frame has it; "!=" holds
                      when no value of the frame matches. A wrong expression
                      is a usage error whose message names the column
  --frames A-B        only the frames numbered A to B (as the No. column
                      shows them); "A" alone is one frame, "A-" runs to the end
  --filter-protocol STACK
                      show only frames of this protocol stack, as the filter
                      dialog's tree lists them: protocol names outermost
                      first, separated by "/", matching the end of a stack
                      ("TCP": every TCP item; "Ethernet/IPV4": IPv4 below
                      Ethernet, with all it carries, but not IPv4 below
                      802.1q); a leading "/" starts at the outermost protocol;
                      letter case does not matter (repeatable)
  --filter-station S1[,S2]
                      show only frames between these stations, each named as
                      the filter dialog lists it: a dotted IPv4 address,
                      another network address, or a MAC address such as
                      00:0C:29:12:34:56 (then matched by MAC address only);
                      an empty name or "Any" is any station; S2 defaults to Any
  --direction DIR     the direction of --filter-station: "both" (<-->, the
                      default), "forward" (--->, S1 sends to S2) or "back"
                      (<---, S2 sends to S1)
  --filter-mismatch   show the frames that the filter options would not show
  --find TEXT         print (or save) only the shown frames whose bytes contain TEXT,
                      letter case ignored, in display order
  --find-hex HEX      the same with a byte string of hex digit pairs, blanks
                      allowed ("00 0c 29")
  --ini FILE          read settings from this settings file (section Options)
  --set KEY=VALUE     override one Options setting, e.g. --set MaxPackets=10,
                      --set FirstFrame=5, --set TimeFormat=1 (repeatable);
                      every frame of the file is read unless --set MaxPackets
                      bounds the load (a settings file's MaxPackets, the
                      window's bound, is not used)
  --vendors FILE      the MAC vendor list ("XXXXXXName" lines) used to name
                      the makers of MAC addresses (default: Kestlemac.txt
                      beside the program or in its data folder)
  --snmp-names FILE   the SNMP object names ("name 1.3.6.1.2.1.1.1" lines)
                      shown for object identifiers (default: Kestlesnmp.txt
                      beside the program or in its data folder)
  --date-line TEXT    the date shown in the title line (default: now)
  --version           print the version
  --help              show this text

When standard error is a terminal, the load shows its progress there (frames
and percent); nothing is shown when it is not.

Load messages go to standard error. Exit status: 0 after a load (also when
the load was truncated at MaxPackets, or the file was damaged after the
frames shown), 1 when the file was not loaded, 2 on a usage error (one line
says what is wrong; a stack, station or search text that does not fit the
file included), 3 when no frame is selected ("No Frames were selected":
a --frames range past the end, a --find without a match or filter options
that keep nothing; --save then makes no file), 4 when --save could not write
its file (the message says why; nothing is left behind).
)";

class StreamNotifier : public Notifier {
 public:
  explicit StreamNotifier(std::ostream& err) : err_(err) {}
  void Message(const std::string& text) override {
    if (Progress) Progress->Wipe();
    err_ << text << "\n";
  }
  // A message in the middle of a load starts on a clean line.
  TerminalProgress* Progress = nullptr;

 private:
  std::ostream& err_;
};

struct Options {
  std::string file;
  std::string iniPath;
  std::vector<std::pair<std::string, std::string>> sets;
  bool tsv = false, detail = false, dump = false, offsets = false, json = false;
  bool nodes = false, sessions = false;
  int graph = 0;
  std::optional<int64_t> first, last;
  std::optional<std::string> dateLine;
  std::string vendors;
  std::vector<std::string> filterStacks;
  std::optional<std::string> filterStations;
  FilterDirection direction = FilterDirection::Both;
  bool mismatch = false;
  std::optional<std::string> find;
  FindMode findMode = FindMode::Text;
  std::string snmpNames;
  std::optional<std::string> save;
  std::optional<SaveFormat> saveFormat;
  std::optional<std::string> filterExpression;
  std::optional<std::string> follow;
  FollowFormat followFormat = FollowFormat::Ascii;
  bool info = false;

  bool Filtered() const {
    return !filterStacks.empty() || filterStations || mismatch || find || filterExpression;
  }
  // The format of --save: --save-format, else the name's, else Sniffer.
  SaveFormat SaveFormatChosen() const {
    if (saveFormat) return *saveFormat;
    return save ? SaveFormatOfName(*save).value_or(SaveFormat::Sniffer) : SaveFormat::Sniffer;
  }
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

// The filter options, as the filter dialog's OK applies them. 0, or the
// exit status.
int ApplyFilterOptions(const Options& o, CaptureSession& s, std::ostream& err) {
  std::optional<FilterExpression> expression;
  if (o.filterExpression && !BlankFilterText(*o.filterExpression)) {
    FilterError error;
    expression = FilterExpression::Parse(*o.filterExpression, s.Env.Protocols, error);
    if (!expression) {
      err << "kestle-dump: --filter: " << error.Message << "\n";
      return 2;
    }
  }
  const bool dialog = !o.filterStacks.empty() || o.filterStations || o.mismatch;
  if (!dialog && !expression) return 0;
  FilterChoice choice;
  MarkProtocolsInUse(s);
  for (const std::string& stack : o.filterStacks) {
    const std::vector<uint32_t> entries = FindStackEntries(s, stack);
    if (entries.empty()) {
      err << "kestle-dump: no protocol stack of the file matches '" << stack << "'\n";
      return 2;
    }
    choice.CheckedPaths.insert(choice.CheckedPaths.end(), entries.begin(), entries.end());
  }
  if (o.filterStations) {
    const std::vector<StationItem> list = StationList(s.Nodes);
    const std::string& t = *o.filterStations;
    const size_t comma = t.find(',');
    const std::string names[2] = {t.substr(0, comma),
                                  comma == std::string::npos ? "" : t.substr(comma + 1)};
    StationItem* stations[2] = {&choice.Station1, &choice.Station2};
    for (int i = 0; i < 2; ++i) {
      const int64_t at = FindStation(list, names[i]);
      if (at < 0) {
        err << "kestle-dump: no station '" << names[i] << "' in the file\n";
        return 2;
      }
      *stations[i] = list[static_cast<size_t>(at)];
    }
  }
  choice.Direction = o.direction;
  choice.SelectMismatch = o.mismatch;
  if (!ApplyDialogAndExpression(s, dialog ? &choice : nullptr, expression ? &*expression : nullptr)
           .Applied) {
    err << kNoFramesSelected << "\n";
    return 3;
  }
  return 0;
}

// Marks the shown frames that contain the --find pattern, found one after
// the other as "Find Next" finds them. False on a rejected pattern.
bool FindFrames(const Options& o, CaptureSession& s, std::ostream& err,
                std::vector<uint8_t>& found) {
  SearchPattern pattern;
  if (const char* message = ParseSearchPattern(*o.find, o.findMode, pattern)) {
    err << "kestle-dump: " << message << "\n";
    return false;
  }
  found.assign(size_t{s.FrameCount} + 1, 0);
  FrameSearch search;
  for (;;) {
    const FrameSearch::Result r = search.FindNext(s, pattern);
    if (r.What == FrameSearch::Outcome::NotFound) break;
    // A frame that cannot be read again has been reported; the search goes on after it.
    if (r.What == FrameSearch::Outcome::Found) found[r.Frame] = 1;
  }
  return true;
}

}  // namespace

TerminalProgress::TerminalProgress(std::ostream& err, const CaptureInput& input, std::string name,
                                   Clock now)
    : err_(err), input_(input), name_(std::move(name)), now_(std::move(now)) {}

void TerminalProgress::LoadStarted() { last_ = now_(); }

void TerminalProgress::LoadProgress(unsigned percent) {
  const auto t = now_();
  if (t - last_ < std::chrono::milliseconds(100)) return;
  last_ = t;
  std::string line = "Loading " + name_ + ": " + FormatThousands(input_.FrameCount, ",") +
                     " frames (" + std::to_string(std::min(percent, 99u)) + "%)";
  const size_t width = line.size();
  if (width < width_) line.append(width_ - width, ' ');
  err_ << '\r' << line << std::flush;
  width_ = width;
  shown_ = true;
}

void TerminalProgress::LoadFinished() { Wipe(); }

void TerminalProgress::Wipe() {
  if (!shown_) return;
  // Back to the start of the line, blanks over the text, back again.
  err_ << '\r' << std::string(width_, ' ') << '\r' << std::flush;
  shown_ = false;
  width_ = 0;
}

namespace {

// A usage error: what is wrong on one line, and where the options are told.
int Usage(std::ostream& err, const std::string& what) {
  err << "kestle-dump: " << what << "\nTry 'kestle-dump --help'\n";
  return 2;
}

// Reads the arguments into `o`. Returns the exit status when the program
// ends here (--help, --version, a usage error).
std::optional<int> ParseArguments(const std::vector<std::string>& args, Options& o,
                                  std::ostream& out, std::ostream& err) {
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
    } else if (a == "--version") {
      out << "kestle-dump " << KESTLE_VERSION_TEXT << "\n";
      return 0;
    } else if (a == "--tsv") {
      o.tsv = true;
    } else if (a == "--json") {
      o.json = true;
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
      if (!value(v)) return Usage(err, a + " needs a number from 1 to 6");
      int64_t n = 0;
      if (!ParseNumber(v, n) || n < 1 || n > 6) {
        return Usage(err, "--graph takes a number from 1 to 6, not '" + v + "'");
      }
      o.graph = static_cast<int>(n);
    } else if (a == "--ini") {
      if (!value(o.iniPath)) return Usage(err, a + " needs a settings file");
    } else if (a == "--set") {
      if (!value(v)) return Usage(err, a + " needs KEY=VALUE");
      const size_t eq = v.find('=');
      if (eq == std::string::npos || eq == 0) {
        return Usage(err, "--set takes KEY=VALUE, not '" + v + "'");
      }
      o.sets.emplace_back(v.substr(0, eq), v.substr(eq + 1));
    } else if (a == "--frames") {
      if (!value(v)) return Usage(err, a + " needs a range of frames");
      if (!ParseRange(v, o)) {
        return Usage(err, "--frames takes A-B, not '" + v + "'");
      }
    } else if (a == "--filter-protocol") {
      if (!value(v)) return Usage(err, a + " needs a protocol stack");
      o.filterStacks.push_back(v);
    } else if (a == "--filter-station") {
      if (!value(v)) return Usage(err, a + " needs a station");
      o.filterStations = v;
    } else if (a == "--direction") {
      if (!value(v)) return Usage(err, a + " needs a direction");
      if (!ParseDirection(v, o.direction)) {
        return Usage(err, "--direction takes both, forward or back, not '" + v + "'");
      }
    } else if (a == "--filter-mismatch") {
      o.mismatch = true;
    } else if (a == "--find" || a == "--find-hex") {
      if (!value(v)) return Usage(err, a + " needs a pattern");
      o.find = v;
      o.findMode = a == "--find" ? FindMode::Text : FindMode::Hex;
    } else if (a == "--save") {
      if (!value(v)) return Usage(err, a + " needs a file name");
      o.save = v;
    } else if (a == "--save-format") {
      if (!value(v)) return Usage(err, a + " needs a format");
      o.saveFormat = ParseSaveFormat(v);
      if (!o.saveFormat)
        return Usage(err, "--save-format takes pcapng, pcap or sniffer, not '" + v + "'");
    } else if (a == "--filter") {
      if (!value(v)) return Usage(err, a + " needs an expression");
      o.filterExpression = v;
    } else if (a == "--follow") {
      if (!value(v)) return Usage(err, a + " needs tcp,N or udp,N");
      StreamTransport t;
      uint32_t n = 0;
      if (!ParseFollowSpec(v, t, n))
        return Usage(err, "--follow takes tcp,N or udp,N, not '" + v + "'");
      o.follow = v;
    } else if (a == "--follow-format") {
      if (!value(v)) return Usage(err, a + " needs a format");
      if (!ParseFollowFormat(v, o.followFormat))
        return Usage(err, "--follow-format takes ascii, ebcdic, hex or raw, not '" + v + "'");
    } else if (a == "--info") {
      o.info = true;
    } else if (a == "--vendors") {
      if (!value(o.vendors)) return Usage(err, a + " needs a file");
    } else if (a == "--snmp-names") {
      if (!value(o.snmpNames)) return Usage(err, a + " needs a file");
    } else if (a == "--date-line") {
      if (!value(v)) return Usage(err, a + " needs a text");
      o.dateLine = v;
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      return Usage(err, "unknown option '" + a + "'");
    } else if (o.file.empty()) {
      o.file = a;
    } else {
      return Usage(err, "only one capture file at a time");
    }
  }
  if (o.file.empty()) return Usage(err, "no capture file named");
  if (o.json && (o.tsv || o.nodes || o.sessions || o.graph || o.info || o.save))
    return Usage(err,
                 "--json prints the frame list; it does not go with --tsv, --nodes,"
                 " --sessions, --graph, --info or --save");
  return std::nullopt;
}

// The largest MaxPackets: no file holds more frames.
constexpr uint32_t kEveryFrame = 0xFFFFFFFEu;

bool SameKey(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// The vendor list, the SNMP names and the settings the options name. 0, or
// the exit status.
int PrepareEnvironment(const Options& o, Environment& env, std::ostream& err) {
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
  bool limited = false;
  for (const auto& [k, val] : o.sets) {
    if (!env.settings.Set(k, val)) {
      err << "kestle-dump: unknown setting '" << k << "'\n";
      return 2;
    }
    limited = limited || SameKey(k, "MaxPackets");
  }
  // MaxPackets bounds the window's load; here every frame is read unless
  // --set asks for a bound (a settings file holds the window's).
  if (!limited) env.settings.MaxPackets = kEveryFrame;
  return 0;
}

// Whether --frames keeps the frame (by the number the No. column shows).
bool InFrameRange(const Options& o, const Settings& set, uint32_t frame) {
  const int64_t shown = ShownFrameNumber(set, frame);
  return (!o.first || shown >= *o.first) && (!o.last || shown <= *o.last);
}

// The exit status of a save; its note about left-out frames goes with the
// load's messages.
int SaveStatus(const SaveOutcome& r, Notifier& notifier, std::ostream& err) {
  if (!r.Ok) {
    err << "kestle-dump: " << r.Message << "\n";
    return 4;
  }
  if (r.Skipped != 0) notifier.Message(SkippedFramesNote(r.Skipped));
  return 0;
}

// One output of the chosen frames: it is handed each of them in display
// order, with its tree and bytes when it asks for them, then ended.
class FrameOutput {
 public:
  virtual ~FrameOutput() = default;
  // Whether each frame's tree is built before Frame().
  virtual bool NeedsTree() const = 0;
  // `tree` and `bytes` are those of the frame when NeedsTree(); a frame
  // that cannot be read again has neither.
  virtual void Frame(uint32_t frame, const DetailTree& tree, std::span<const uint8_t> bytes) = 0;
  // The exit status.
  virtual int End() { return 0; }
};

// --tsv: a header line, then each frame's nine cells; with --tree-offsets
// its tree under it.
class TsvOutput : public FrameOutput {
 public:
  TsvOutput(std::ostream& out, const CaptureSession& s, bool offsets)
      : out_(out), s_(s), offsets_(offsets) {
    for (int i = 0; i < 9; ++i) out_ << (i ? "\t" : "") << ColumnHeader(kAll[i]);
    out_ << "\n";
  }
  bool NeedsTree() const override { return offsets_; }
  void Frame(uint32_t frame, const DetailTree& tree, std::span<const uint8_t>) override {
    for (int i = 0; i < 9; ++i)
      out_ << (i ? "\t" : "") << TsvSafe(FrameCellText(s_, frame, kAll[i]));
    out_ << "\n";
    if (offsets_) PrintTreeOffsets(out_, tree);
  }

 private:
  static constexpr char kAll[] = "ABCDEFGHI";
  std::ostream& out_;
  const CaptureSession& s_;
  bool offsets_;
};

// The default: the frame list as "Print to file" writes it, with --detail
// and --dump as the print dialog's choices; with --tree-offsets each tree
// with its offsets under the frame.
class PrintOutput : public FrameOutput {
 public:
  PrintOutput(std::ostream& out, const CaptureSession& s, const Options& o,
              const std::string& dateLine)
      : out_(out), writer_(out, s, o.detail, o.dump), o_(o) {
    writer_.WriteTitle(o.file, dateLine);
  }
  bool NeedsTree() const override { return o_.detail || o_.dump || o_.offsets; }
  void Frame(uint32_t frame, const DetailTree& tree, std::span<const uint8_t> bytes) override {
    writer_.WriteFrame(frame, &tree, bytes);
    if (o_.offsets) PrintTreeOffsets(out_, tree);
  }

 private:
  std::ostream& out_;
  TextExportWriter writer_;
  const Options& o_;
};

// --json: one document, written frame by frame.
class JsonOutput : public FrameOutput {
 public:
  JsonOutput(std::ostream& out, const CaptureSession& s, const Options& o)
      : writer_(out, s), o_(o) {}
  bool NeedsTree() const override { return o_.detail || o_.dump; }
  void Frame(uint32_t frame, const DetailTree& tree, std::span<const uint8_t> bytes) override {
    writer_.WriteFrame(frame, o_.detail ? &tree : nullptr,
                       o_.dump ? bytes : std::span<const uint8_t>{});
  }
  int End() override {
    writer_.End();
    return 0;
  }

 private:
  JsonFrameWriter writer_;
  const Options& o_;
};

// --save: the chosen frames into a file of the chosen format, once all are known.
class SaveOutput : public FrameOutput {
 public:
  SaveOutput(CaptureSession& s, const std::string& target, SaveFormat format, Notifier& notifier,
             std::ostream& err)
      : s_(s), target_(target), format_(format), notifier_(notifier), err_(err) {}
  bool NeedsTree() const override { return false; }
  void Frame(uint32_t frame, const DetailTree&, std::span<const uint8_t>) override {
    frames_.push_back(frame);
  }
  int End() override {
    return SaveStatus(SaveFrames(format_, s_.Input, SaveFrameRefs(s_, frames_), target_), notifier_,
                      err_);
  }

 private:
  CaptureSession& s_;
  const std::string& target_;
  SaveFormat format_;
  Notifier& notifier_;
  std::ostream& err_;
  std::vector<uint32_t> frames_;
};

// Whatever chose nothing (a range past the end, a search or a filter
// without a match) ends the program so.
int NothingSelected(std::ostream& err) {
  err << kNoFramesSelected << "\n";
  return 3;
}

// The one row loop: each chosen frame (in display order) goes to `output`.
// Returns the output's exit status.
int WriteFrames(CaptureSession& s, Environment& env, FrameOutput& output,
                const std::vector<uint32_t>& frames) {
  DecodeContext ctx(s, env);
  DetailTree tree(/*printMode=*/true);
  for (const uint32_t frame : frames) {
    // A frame that cannot be read again shows neither a tree nor bytes.
    if (output.NeedsTree()) BuildFrameTree(s, ctx, tree, frame);
    output.Frame(frame, tree, ShownFrameBytes(ctx));
  }
  return output.End();
}

// --save without a filter: only the capture is read, nothing is decoded.
int SaveUndecoded(const Options& o, const Environment& env, StreamNotifier& notifier,
                  std::ostream& err, bool progress) {
  CaptureInput input(notifier);
  FrameIndex index(DecodesLinkType);
  std::optional<TerminalProgress> shown;
  if (progress) notifier.Progress = &shown.emplace(err, input, o.file);
  if (!input.Load(o.file, LoadOptionsOf(env), index, shown ? &*shown : nullptr)) return 1;
  std::vector<uint32_t> frames;
  for (uint32_t n = 1; n <= index.Count(); ++n)
    if (InFrameRange(o, env.settings, n)) frames.push_back(n);
  if (frames.empty()) return NothingSelected(err);
  return SaveStatus(SaveFrames(o.SaveFormatChosen(), input, SaveFrameRefs(index, frames), *o.save),
                    notifier, err);
}

// --follow: the stream of a frame (by the number the No. column shows).
int WriteFollowedStream(std::ostream& out, std::ostream& err, CaptureSession& s, const Options& o) {
  StreamTransport transport;
  uint32_t shown = 0;
  ParseFollowSpec(*o.follow, transport, shown);
  const int64_t frame = int64_t{shown} - ShownFrameNumber(s.Env.settings, 1) + 1;
  FollowedStream stream;
  std::string error;
  if (frame < 1 || frame > s.FrameCount ||
      !FollowStream(s, transport, static_cast<uint32_t>(frame), stream, error)) {
    err << "kestle-dump: --follow " << *o.follow << ": "
        << (error.empty() ? "no such frame" : error) << "\n";
    return 2;
  }
  out << FollowText(stream, o.followFormat);
  return 0;
}

void WriteFileInformation(std::ostream& out, const CaptureSession& s) {
  for (const FileInfoLine& line : FileInformation(s)) {
    std::string caption = line.Caption;
    caption.resize(std::max<size_t>(caption.size() + 1, 14), ' ');
    out << caption << line.Value << "\n";
  }
}

// --nodes, --sessions and --graph, one after the other with an empty line
// between them.
void WriteStatistics(std::ostream& out, CaptureSession& s, const Options& o) {
  CreateNodeStats(s);
  bool first = true;
  auto section = [&] {
    if (!first) out << "\n";
    first = false;
  };
  if (o.nodes) section(), WriteNodeGrid(out, s);
  if (o.sessions) section(), WriteSessionGrids(out, s);
  if (o.graph) section(), WriteGraph(out, s, o.graph);
}

}  // namespace

int RunDump(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            const std::string& vendorFile, const std::string& snmpNamesFile, bool progress) {
  Options o;
  o.vendors = vendorFile;
  o.snmpNames = snmpNamesFile;
  if (const std::optional<int> status = ParseArguments(args, o, out, err)) return *status;

  Environment env;
  if (const int status = PrepareEnvironment(o, env, err)) return status;

  StreamNotifier notifier(err);
  if (o.save && !o.info && !o.Filtered()) return SaveUndecoded(o, env, notifier, err, progress);

  CaptureSession s(env, notifier);
  std::optional<TerminalProgress> shown;
  if (progress) notifier.Progress = &shown.emplace(err, s.Input, o.file);
  if (!s.OpenSnifferFile(o.file, shown ? &*shown : nullptr)) return 1;
  if (const int status = ApplyFilterOptions(o, s, err)) return status;
  std::vector<uint8_t> found;
  if (o.find && !FindFrames(o, s, err, found)) return 2;

  if (o.info) WriteFileInformation(out, s);
  if (o.info && !o.save) return 0;
  if (o.follow && !o.save) return WriteFollowedStream(out, err, s, o);
  if ((o.nodes || o.sessions || o.graph) && !o.save) {
    WriteStatistics(out, s, o);
    return 0;
  }

  // The chosen frames, in display order.
  std::vector<uint32_t> frames;
  for (uint32_t row = 1; row <= s.VisibleCount; ++row) {
    const uint32_t frame = s.FrameOrder[row];
    if (InFrameRange(o, env.settings, frame) && (!o.find || (frame < found.size() && found[frame])))
      frames.push_back(frame);
  }
  if (frames.empty()) return NothingSelected(err);
  if (o.save) {
    SaveOutput output(s, *o.save, o.SaveFormatChosen(), notifier, err);
    return WriteFrames(s, env, output, frames);
  }
  if (o.json) {
    JsonOutput output(out, s, o);
    return WriteFrames(s, env, output, frames);
  }
  if (o.tsv) {
    TsvOutput output(out, s, o.offsets);
    return WriteFrames(s, env, output, frames);
  }
  PrintOutput output(out, s, o,
                     o.dateLine ? *o.dateLine : PrintDateLine(env.Locale, std::time(nullptr)));
  return WriteFrames(s, env, output, frames);
}

}  // namespace kestle
