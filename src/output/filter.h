// Which frames the grid shows: the filter dialog's model (the protocol
// stack tree, the station lists, the direction), the frame predicate and
// the commands that change the shown set ("Filter Tagged Frames", "Clear
// Filter"). The tests use only the frame table and the node and protocol
// tables; no frame is read again.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kestle {

class CaptureSession;
class NodeRegistry;
struct FrameTabRec;

inline constexpr const char* kNoFramesSelected = "No Frames were selected";
inline constexpr const char* kAllProtocols = "All Protocols";
inline constexpr const char* kAnyStation = "Any";
// Status text after a filter: the count, then this.
inline constexpr const char* kFramesSelectedSuffix = " frame(s) selected";

// Which way the station pair is matched.
enum class FilterDirection : uint16_t {
  Both = 0,     // "<-->"
  Forward = 1,  // "--->": station 1 sends to station 2
  Back = 2,     // "<---": station 2 sends to station 1
};
std::string_view DirectionText(FilterDirection d);
// The direction button's order: both, forward, back, both...
FilterDirection NextDirection(FilterDirection d);

// The dialog's choices remembered between uses, and whether a filter hides
// frames now.
struct FilterState {
  uint32_t Station1 = 0;  // station list positions; 0 = "Any"
  uint32_t Station2 = 0;
  FilterDirection Direction = FilterDirection::Both;
  bool AllProtocols = true;
  bool SelectMismatch = false;
  bool Active = false;  // the status bar shows the filter image

  // A load or a close: the station lists are those of another file, and
  // every frame is shown again. The other choices stay.
  void NewFile() {
    Station1 = Station2 = 0;
    Active = false;
  }
};

// ---- the protocol stack tree

// Sets InUse on every stack entry that a loaded frame has (shown or not)
// and on each entry that contains one.
void MarkProtocolsInUse(CaptureSession& s);

// One item of the tree under "All Protocols": a stack entry and its depth
// below the root (1 for a stack of one protocol).
struct ProtocolTreeItem {
  uint32_t Path = 0;
  uint32_t Depth = 1;
};
// The in-use entries in pre-order (run MarkProtocolsInUse first). Siblings
// come in order of protocol identifier, entries of the same identifier in
// the order they were added, so that every item's children read
// alphabetically.
std::vector<ProtocolTreeItem> ProtocolTree(const CaptureSession& s);
// The name an item shows: its innermost protocol's name.
std::string ProtocolTreeText(const CaptureSession& s, uint32_t path);
// "Ethernet/IPV4/TCP": the stack of an entry, outermost first.
std::string ProtocolStackText(const CaptureSession& s, uint32_t path);

// ---- the station lists

enum class StationKind : uint8_t {
  Any,      // every frame side
  Network,  // matched by network address (IPv4 or other address text)
  Mac,      // matched by MAC address
};
struct StationItem {
  std::string Text;
  uint32_t Node = 0;  // NodeTable index; 0 for "Any"
  StationKind Kind = StationKind::Any;
};
// "Any", then the IPv4 entries as dotted decimal, then the entries with a
// network name, then the MAC entries, each group in NodeTable order. Each
// item is matched the way its group says: a MAC address never stands for
// a network address, whatever its text looks like.
std::vector<StationItem> StationList(const NodeRegistry& nodes);
// The list's item for a station of the Nodes page (a NodeStatTable index):
// its network address where it has one, else its MAC address; "Any" for
// none. A session's two stations so filter the frames between them.
StationItem StationOfPair(const NodeRegistry& nodes, uint32_t pair);
// Whether a station matches one side (a NodeStatTable index) of a frame.
bool StationMatches(const NodeRegistry& nodes, const StationItem& station, uint32_t side);

// ---- the predicate

// What the dialog's OK hands over.
struct FilterChoice {
  bool RootChecked = true;             // "All Protocols"
  std::vector<uint32_t> CheckedPaths;  // the other checked tree items
  StationItem Station1;
  StationItem Station2;
  FilterDirection Direction = FilterDirection::Both;
  bool SelectMismatch = false;
};

// Decides for one frame whether the filter selects it. Built from the
// Selected marks of the stack table and a choice.
class FramePredicate {
 public:
  FramePredicate(const CaptureSession& s, const FilterChoice& choice, bool allProtocols);
  bool operator()(const FrameTabRec& f) const;
  bool ProtocolChosen(uint32_t path) const;
  bool StationsMatch(const FrameTabRec& f) const;

 private:
  const NodeRegistry& nodes_;
  const FilterChoice& choice_;
  bool all_;
  std::vector<uint8_t> chosen_;  // per stack entry: it or an ancestor is Selected
};

struct FilterOutcome {
  bool Applied = false;      // false: no frame selected, nothing else changed
  bool AllProtocols = true;  // the flag the root counts for (no single protocol checked)
  uint32_t Shown = 0;
};
// The dialog's OK: sets the Selected marks from the checked items, then,
// when at least one loaded frame is selected, shows exactly the selected
// frames in frame number order. When none is, the shown frames stay as
// they were (the Selected marks stay as set).
// `also`, when given, must hold too (the filter bar's expression).
using FrameTest = std::function<bool(uint32_t frame)>;
FilterOutcome ApplyFilter(CaptureSession& s, const FilterChoice& choice,
                          const FrameTest& also = {});

// "Filter Tagged Frames": keeps the tagged shown frames, in their current
// order. Returns the number kept; with none tagged nothing changes and 0
// is returned.
uint32_t FilterTaggedFrames(CaptureSession& s);
// Whether a shown frame is tagged (enables "Filter Tagged Frames").
bool AnyShownFrameTagged(const CaptureSession& s);
// "Clear Filter": every frame shown again in capture order. True when the
// rows changed (then the grid is sorted again).
bool ClearFilter(CaptureSession& s);

// ---- choosing by text (kestle-dump)

// The in-use stack entries (run MarkProtocolsInUse first) that a stack
// text names: protocol names separated by "/", compared without regard to
// letter case, that end the entry's stack ("TCP" is every TCP item,
// "Ethernet/IPV4" the IPv4 item below Ethernet); a leading "/" ties the
// first name to the outermost protocol.
std::vector<uint32_t> FindStackEntries(const CaptureSession& s, std::string_view stack);
// The station list position whose text is `text` (letter case aside), or
// -1. "Any" and the empty text are position 0.
int64_t FindStation(const std::vector<StationItem>& list, std::string_view text);
// "both" or "<-->", "forward" or "--->", "back" or "<---".
bool ParseDirection(std::string_view text, FilterDirection& out);

// "12 frame(s) selected".
std::string FramesSelectedText(uint32_t shown);

}  // namespace kestle
