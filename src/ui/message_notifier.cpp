#include "message_notifier.h"

#include <QMessageBox>

namespace kestle::ui {

void MessageBoxNotifier::Message(const std::string& text) {
  QMessageBox::critical(parent_, QStringLiteral("Kestle"), QString::fromStdString(text),
                        QMessageBox::Ok);
}

void HeldNotifier::Message(const std::string& text) {
  if (holding_)
    held_.push_back(text);
  else
    target_.Message(text);
}

void HeldNotifier::Release() {
  holding_ = false;
  std::vector<std::string> held;
  held.swap(held_);
  for (const std::string& text : held) target_.Message(text);
}

}  // namespace kestle::ui
