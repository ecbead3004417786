// The hex dump: one list line per 16 bytes, each top-level layer's bytes in
// its colour and the selected tree line's bytes in bold red.
#pragma once

#include <QListWidget>
#include <QStyledItemDelegate>
#include <vector>

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
  void SetSelectedNode(const DetailNode* node);
  void SetColourLayers(bool on);
  // The colours for the window's palette.
  void SetPalette(const ViewPalette& p);
  const ViewPalette& Colours() const { return palette_; }

  const DetailTree* Tree() const { return tree_; }
  const DetailNode* SelectedNode() const { return selected_; }
  bool ColourLayers() const { return colourLayers_; }
  bool Ebcdic() const { return ebcdic_; }
  QStringList Lines() const;

 private:
  const DetailTree* tree_ = nullptr;
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
