// "Follow TCP Stream" / "Follow UDP Stream": the stream's payload in
// order, each end in its colour, as ASCII, EBCDIC, hex dump or raw bytes;
// one end alone or both; Save writes the shown bytes; "Filter on this
// stream" hands its expression to the filter bar. The window keeps only
// the stream's payload.
#pragma once

#include <QDialog>
#include <functional>

#include "output/follow_stream.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTextEdit;

namespace kestle {
class Notifier;
}

namespace kestle::ui {

class FollowWindow : public QDialog {
  Q_OBJECT
 public:
  FollowWindow(FollowedStream stream, Notifier& notifier, QWidget* parent = nullptr);

  QTextEdit* TextView() const { return text_; }
  QComboBox* FormatBox() const { return format_; }
  QComboBox* NodesBox() const { return nodes_; }
  QPushButton* SaveButton() const { return save_; }
  QPushButton* FilterButton() const { return filter_; }
  const FollowedStream& Stream() const { return stream_; }
  FollowFormat Format() const;
  FollowNodes Nodes() const;
  // The colour of an end's text.
  static QColor NodeColour(uint8_t node);

  // The file Save writes, asked when Save is pressed ("" cancels). A file
  // dialog by default; tests put their own.
  std::function<QString()> AskFileName;

 signals:
  void filterRequested(const QString& expression);

 private:
  void Fill();
  void SaveShown();

  FollowedStream stream_;
  Notifier& notifier_;
  QLabel* ends_;
  QTextEdit* text_;
  QComboBox* format_;
  QComboBox* nodes_;
  QPushButton* save_;
  QPushButton* filter_;
};

}  // namespace kestle::ui
