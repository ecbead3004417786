#include "hexdump_view.h"

#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>

#include "decode/tree.h"
#include "frame_model.h"
#include "output/detailview.h"
#include "output/hexdump.h"

namespace kestle::ui {

HexDumpView::HexDumpView(QWidget* parent) : QListWidget(parent) {
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setItemDelegate(new HexDumpDelegate(this));
  setUniformItemSizes(true);
  // A click picks a byte, not a line.
  setSelectionMode(QAbstractItemView::NoSelection);
}

void HexDumpView::SetFrame(const std::vector<uint8_t>& bytes, const DetailTree* tree, bool ebcdic) {
  clear();
  tree_ = tree;
  selected_ = nullptr;
  highlight_ = {};
  ebcdic_ = ebcdic;
  for (const std::string& line : DumpLines(bytes, ebcdic)) addItem(QString::fromStdString(line));
}

void HexDumpView::ClearFrame() {
  clear();
  tree_ = nullptr;
  selected_ = nullptr;
  highlight_ = {};
}

void HexDumpView::SetSelectedNode(const DetailNode* node) {
  selected_ = node;
  highlight_ = SpanOf(node);
  ScrollToHighlight();
  viewport()->update();
}

void HexDumpView::SetHighlight(DumpSpan span) {
  selected_ = nullptr;
  highlight_ = span;
  ScrollToHighlight();
  viewport()->update();
}

void HexDumpView::ScrollToHighlight() {
  if (highlight_.Length == 0 || count() == 0) return;
  const int first = static_cast<int>(std::min<uint32_t>(highlight_.Offset / 16, count() - 1));
  const uint64_t end = uint64_t{highlight_.Offset} + highlight_.Length - 1;
  const int last = static_cast<int>(std::min<uint64_t>(end / 16, count() - 1));
  // As much of the bytes as the view holds, their first line always.
  scrollToItem(item(last), QAbstractItemView::EnsureVisible);
  scrollToItem(item(first), QAbstractItemView::EnsureVisible);
}

int64_t HexDumpView::ByteAt(const QPoint& pos) const {
  const QModelIndex index = indexAt(pos);
  if (!index.isValid()) return -1;
  const QFontMetrics fm(font());
  const int advance = std::max(1, fm.horizontalAdvance(QLatin1Char('0')));
  // The delegate draws the text 2 pixels in; the font has one width.
  const int x = pos.x() - visualRect(index).left() - 2;
  if (x < 0) return -1;
  const int slot = DumpSlotAtColumn(x / advance);
  if (slot < 0) return -1;
  const int64_t offset = int64_t{index.row()} * 16 + slot;
  const QString text = item(index.row())->text();
  // A short last line has no bytes after its own.
  if (8 + 3 * slot + 2 > text.size() || text.mid(8 + 3 * slot, 2).trimmed().isEmpty()) return -1;
  return offset;
}

void HexDumpView::mousePressEvent(QMouseEvent* e) {
  QListWidget::mousePressEvent(e);
  if (e->button() != Qt::LeftButton) return;
  const int64_t offset = ByteAt(e->position().toPoint());
  if (offset >= 0) emit ByteClicked(static_cast<uint32_t>(offset));
}

void HexDumpView::SetColourLayers(bool on) {
  colourLayers_ = on;
  viewport()->update();
}

void HexDumpView::SetPalette(const ViewPalette& p) {
  palette_ = p;
  viewport()->update();
}

QStringList HexDumpView::Lines() const {
  QStringList out;
  for (int i = 0; i < count(); ++i) out << item(i)->text();
  return out;
}

QSize HexDumpDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
  const QFontMetrics fm(option.font);
  return {fm.horizontalAdvance(QLatin1Char('0')) * 76, fm.height() + 1};
}

void HexDumpDelegate::paint(QPainter* p, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
  const QString text = index.data(Qt::DisplayRole).toString();
  const QFontMetrics fm(option.font);
  const int x0 = option.rect.left() + 2;
  const int baseline = option.rect.top() + fm.ascent();
  p->save();
  p->setFont(option.font);
  if (option.state & QStyle::State_Selected) {
    // The list's own selected line: plain white on the selection colour.
    p->fillRect(option.rect, option.palette.highlight());
    p->setPen(option.palette.highlightedText().color());
    p->drawText(x0, baseline, text);
    p->restore();
    return;
  }
  p->fillRect(option.rect, option.palette.base());
  const ViewPalette& colours = view_->Colours();
  const uint32_t base = RgbValueFromColour(option.palette.color(QPalette::Base));
  const QColor plain = ColourFromRgbValue(ReadableTextColour(kDumpNormal, base, colours));
  p->setPen(plain);
  p->drawText(x0, baseline, text.left(8));  // "0xOOOO" and the gap
  const uint32_t lineOffset = static_cast<uint32_t>(index.row()) * 16;
  std::vector<DumpRun> runs;
  if (view_->Tree())
    runs = DumpLineRuns(*view_->Tree(), view_->Highlight(), lineOffset, view_->ColourLayers());
  else
    runs.push_back({0, 16, kDumpNormal, false});
  QFont bold = option.font;
  bold.setBold(true);
  for (const DumpRun& r : runs) {
    p->setFont(r.Bold ? bold : option.font);
    p->setPen(ColourFromRgbValue(ReadableTextColour(r.Colour, base, colours)));
    // Positions are measured on the text itself: advances may be fractional.
    const int start = 8 + 3 * static_cast<int>(r.Slot);
    p->drawText(x0 + fm.horizontalAdvance(text.left(start)), baseline,
                text.mid(start, 3 * static_cast<int>(r.Count)));
    // The same bytes in the character column.
    const int chars = 58 + static_cast<int>(r.Slot);
    if (chars < text.size())
      p->drawText(x0 + fm.horizontalAdvance(text.left(chars)), baseline,
                  text.mid(chars, static_cast<int>(r.Count)));
  }
  p->restore();
}

}  // namespace kestle::ui
