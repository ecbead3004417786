#include "hexdump_view.h"

#include <QFontDatabase>
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
  setSelectionMode(QAbstractItemView::SingleSelection);
}

void HexDumpView::SetFrame(const std::vector<uint8_t>& bytes, const DetailTree* tree, bool ebcdic) {
  clear();
  tree_ = tree;
  selected_ = nullptr;
  ebcdic_ = ebcdic;
  for (const std::string& line : DumpLines(bytes, ebcdic)) addItem(QString::fromStdString(line));
}

void HexDumpView::ClearFrame() {
  clear();
  tree_ = nullptr;
  selected_ = nullptr;
}

void HexDumpView::SetSelectedNode(const DetailNode* node) {
  selected_ = node;
  viewport()->update();
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
    runs = DumpLineRuns(*view_->Tree(), view_->SelectedNode(), lineOffset, view_->ColourLayers());
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
  }
  p->setFont(option.font);
  p->setPen(plain);
  p->drawText(x0 + fm.horizontalAdvance(text.left(58)), baseline, text.mid(58));
  p->restore();
}

}  // namespace kestle::ui
