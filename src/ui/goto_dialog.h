// "Goto Packet": selects the frame with the number the No. column shows.
#pragma once

#include <QDialog>
#include <functional>

class QLineEdit;

namespace kestle {
class CaptureSession;
class Notifier;
}  // namespace kestle

namespace kestle::ui {

class GotoDialog : public QDialog {
  Q_OBJECT
 public:
  GotoDialog(const CaptureSession& session, Notifier& notifier, std::function<void(int)> selectRow,
             QWidget* parent = nullptr);

  // Shows the dialog modally; the number typed last time stays.
  int Run();
  // OK: selects the frame and closes, or shows why not and stays open.
  void accept() override;

  QLineEdit* Number() const { return number_; }

 private:
  const CaptureSession& session_;
  Notifier& notifier_;
  std::function<void(int)> selectRow_;
  QLineEdit* number_;
};

}  // namespace kestle::ui
