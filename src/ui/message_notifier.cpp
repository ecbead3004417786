#include "message_notifier.h"

#include <QMessageBox>

#include "capture/input.h"

namespace kestle::ui {

void MessageBoxNotifier::Message(const std::string& text) {
  QMessageBox::critical(parent_, QStringLiteral("Kestle"), QString::fromStdString(text),
                        QMessageBox::Ok);
}

void HeldNotifier::Message(const std::string& message) {
  // The message names its file on the line after its text.
  const bool limit = message.substr(0, message.find('\n')) == msg::kMaxFrames;
  const std::string text = limit ? message + "\n" + kMaxFramesWhere : message;
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
