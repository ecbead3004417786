// The frame grid's model: every cell's text and colours are computed on
// demand from the frame table, so a million rows cost nothing up front.
#pragma once

#include <QAbstractTableModel>
#include <QColor>

#include "output/palette.h"

namespace kestle {
class CaptureSession;
}

namespace kestle::ui {

class FrameTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit FrameTableModel(const CaptureSession& session, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role) const override;

  // The frame table, its order or ColumnSel changed.
  void Reset();
  // Only texts or colours changed (time format, colours, tags).
  void Repaint();
  // The window's palette changed.
  void SetPalette(const ViewPalette& p);

 private:
  const CaptureSession& session_;
  ViewPalette palette_;
};

// 0x00BBGGRR as a QColor, and back.
QColor ColourFromRgbValue(uint32_t bgr);
uint32_t RgbValueFromColour(const QColor& c);

}  // namespace kestle::ui
