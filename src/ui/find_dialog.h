// "Find Packet": a modeless dialog that searches the shown frames' bytes
// for a text or a hex byte string, one match per "Find Next".
#pragma once

#include <QDialog>
#include <functional>

#include "output/search.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace kestle {
class CaptureSession;
class Notifier;
}  // namespace kestle

namespace kestle::ui {

class FindDialog : public QDialog {
  Q_OBJECT
 public:
  // `selectRow` selects a grid row (0-based) and shows its frame.
  FindDialog(CaptureSession& session, Notifier& notifier, std::function<void(int)> selectRow,
             QWidget* parent = nullptr);

  // Shows the dialog: the search starts at the first row again. The first
  // time, it is placed at the upper right of `area` (global coordinates;
  // the window's lower right when empty).
  void Open(const QRect& area = {});
  void FindNext();
  // Another file or another set of rows: the next search starts at the
  // first row.
  void ResetSearch();

  const FrameSearch& Search() const { return search_; }
  QLineEdit* FindWhat() const { return text_; }
  QRadioButton* TextMode() const { return textMode_; }
  QRadioButton* HexMode() const { return hexMode_; }
  QPushButton* FindButton() const { return find_; }
  QPushButton* CancelButton() const { return cancel_; }
  QString Status() const;

 signals:
  // A match was found and its row selected: its bytes in the frame.
  void Matched(uint32_t offset, uint32_t length);

 private:
  CaptureSession& session_;
  Notifier& notifier_;
  std::function<void(int)> selectRow_;
  FrameSearch search_;
  bool placed_ = false;

  QLineEdit* text_;
  QRadioButton* textMode_;
  QRadioButton* hexMode_;
  QPushButton* find_;
  QPushButton* cancel_;
  QLabel* status_;
};

}  // namespace kestle::ui
