// "Kestle - File Information": the core's values about the open capture.
#pragma once

#include <QDialog>

class QLabel;

namespace kestle {
class CaptureSession;
}

namespace kestle::ui {

class FileInfoDialog : public QDialog {
  Q_OBJECT
 public:
  explicit FileInfoDialog(const CaptureSession& session, QWidget* parent = nullptr);
  // The value shown beside a caption ("Name:", "Type:", ...).
  QString Value(const QString& caption) const;

 private:
  QList<QPair<QString, QLabel*>> values_;
};

}  // namespace kestle::ui
