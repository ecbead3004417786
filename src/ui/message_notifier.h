// User messages as modal error boxes with one OK button.
#pragma once

#include <QPointer>
#include <QWidget>
#include <string>
#include <vector>

#include "capture/notifier.h"

namespace kestle::ui {

class MessageBoxNotifier : public Notifier {
 public:
  void SetParent(QWidget* parent) { parent_ = parent; }
  void Message(const std::string& text) override;

 private:
  QPointer<QWidget> parent_;
};

// Passes messages on, or holds them while a load is under way, so that the
// messages of a load are shown once its frames are. The limit message gets
// the window's own line under it (after the file's name): where the limit
// is set.
class HeldNotifier : public Notifier {
 public:
  // Under "Maximum Frames exceeded - display truncated".
  static constexpr const char* kMaxFramesWhere =
      "Options, Maximum Frames sets how many frames are loaded";

  explicit HeldNotifier(Notifier& target) : target_(target) {}
  void Message(const std::string& text) override;
  void Hold() { holding_ = true; }
  // Passes on the messages held, in order, and holds no more.
  void Release();

 private:
  Notifier& target_;
  bool holding_ = false;
  std::vector<std::string> held_;
};

}  // namespace kestle::ui
