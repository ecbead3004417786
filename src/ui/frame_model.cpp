#include "frame_model.h"

#include <QColor>

#include "decode/config/environment.h"
#include "decode/session.h"
#include "output/grid.h"

namespace kestle::ui {

QColor ColourFromRgbValue(uint32_t bgr) {
  return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

uint32_t RgbValueFromColour(const QColor& c) {
  return static_cast<uint32_t>(c.red()) | (static_cast<uint32_t>(c.green()) << 8) |
         (static_cast<uint32_t>(c.blue()) << 16);
}

FrameTableModel::FrameTableModel(const CaptureSession& session, QObject* parent)
    : QAbstractTableModel(parent), session_(session) {}

int FrameTableModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid() || !session_.FileOpen()) return 0;
  // A view cannot hold more than INT_MAX rows; MaxPackets keeps loads far below.
  return static_cast<int>(std::min<uint32_t>(session_.VisibleCount, INT32_MAX));
}

int FrameTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(session_.Env.settings.ColumnSel.size());
}

QVariant FrameTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const std::string& cols = session_.Env.settings.ColumnSel;
  const auto row = static_cast<uint32_t>(index.row());
  const auto col = static_cast<size_t>(index.column());
  if (col >= cols.size()) return {};
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(GetGridCell(session_, row, col));
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::AlignVCenter |
                                 (ColumnRightAligned(cols[col]) ? Qt::AlignRight : Qt::AlignLeft));
    case Qt::BackgroundRole:
      return ColourFromRgbValue(GridRowColours(session_, row, palette_).Background);
    case Qt::ForegroundRole:
      return ColourFromRgbValue(GridRowColours(session_, row, palette_).Text);
    default:
      return {};
  }
}

QVariant FrameTableModel::headerData(int section, Qt::Orientation o, int role) const {
  if (o != Qt::Horizontal || role != Qt::DisplayRole) return {};
  const std::string& cols = session_.Env.settings.ColumnSel;
  if (section < 0 || static_cast<size_t>(section) >= cols.size()) return {};
  return QString::fromUtf8(ColumnHeader(cols[section]).data(),
                           static_cast<qsizetype>(ColumnHeader(cols[section]).size()));
}

void FrameTableModel::Reset() {
  beginResetModel();
  endResetModel();
}

void FrameTableModel::SetPalette(const ViewPalette& p) {
  palette_ = p;
  Repaint();
}

void FrameTableModel::Repaint() {
  if (rowCount() > 0 && columnCount() > 0)
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
  emit headerDataChanged(Qt::Horizontal, 0, std::max(0, columnCount() - 1));
}

}  // namespace kestle::ui
