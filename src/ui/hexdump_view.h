// The hex dump: one list line per 16 bytes, each top-level layer's bytes in
// its colour and the highlighted bytes (the selected tree line's, or what
// Find matched) in bold red, in the hex and the character column alike. A
// click on a byte reports its offset (ByteClicked); the list selects no line.
#pragma once

#include <QListWidget>
#include <QStyledItemDelegate>
#include <vector>

#include "output/detailview.h"
#include "output/palette.h"

namespace kestle {
class DetailTree;
struct DetailNode;
}  // namespace kestle

namespace kestle::ui {

class HexDumpView : public QListWidget {
  Q_OBJECT
 public:
  explicit HexDumpView(QWidget* parent = nullptr);

  // Shows the frame's bytes; `tree` (which must outlive the view's use of
  // it, or be replaced by another SetFrame) gives the layer colours.
  void SetFrame(const std::vector<uint8_t>& bytes, const DetailTree* tree, bool ebcdic);
  void ClearFrame();
  // Highlights the tree line's bytes and scrolls them into view.
  void SetSelectedNode(const DetailNode* node);
  // Highlights bytes of no tree line (a match of Find) and scrolls them
  // into view.
  void SetHighlight(DumpSpan span);
  void SetColourLayers(bool on);
  // The colours for the window's palette.
  void SetPalette(const ViewPalette& p);
  const ViewPalette& Colours() const { return palette_; }

  const DetailTree* Tree() const { return tree_; }
  const DetailNode* SelectedNode() const { return selected_; }
  DumpSpan Highlight() const { return highlight_; }
  // The offset of the byte drawn at `pos` of the viewport; -1 for none.
  int64_t ByteAt(const QPoint& pos) const;
  bool ColourLayers() const { return colourLayers_; }
  bool Ebcdic() const { return ebcdic_; }
  QStringList Lines() const;

 signals:
  void ByteClicked(uint32_t offset);

 protected:
  void mousePressEvent(QMouseEvent* e) override;

 private:
  void ScrollToHighlight();

  const DetailTree* tree_ = nullptr;
  DumpSpan highlight_;
  const DetailNode* selected_ = nullptr;
  bool colourLayers_ = true;
  bool ebcdic_ = false;
  ViewPalette palette_;
};

class HexDumpDelegate : public QStyledItemDelegate {
 public:
  explicit HexDumpDelegate(HexDumpView* view) : QStyledItemDelegate(view), view_(view) {}
  void paint(QPainter* p, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  HexDumpView* view_;
};

}  // namespace kestle::ui
