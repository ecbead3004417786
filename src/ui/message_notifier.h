// User messages as modal error boxes with one OK button.
#pragma once

#include <QPointer>
#include <QWidget>

#include "capture/notifier.h"

namespace kestle::ui {

class MessageBoxNotifier : public Notifier {
 public:
  void SetParent(QWidget* parent) { parent_ = parent; }
  void Message(const std::string& text) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace kestle::ui
