// The frames a Save As or a Print takes: the selected frame, the tagged
// ones, all shown frames, or a range of frame numbers.
#pragma once

#include <QWidget>
#include <cstdint>
#include <vector>

class QLineEdit;
class QRadioButton;

namespace kestle {
class CaptureSession;
class Notifier;
}  // namespace kestle

namespace kestle::ui {

class FrameChoiceBox : public QWidget {
  Q_OBJECT
 public:
  // Captions and object names of the four choices and the two range boxes.
  struct Names {
    const char* Selected[2];
    const char* Tagged[2];
    const char* All[2];
    const char* Range[2];
    const char* First;
    const char* Last;
  };
  explicit FrameChoiceBox(const Names& names, QWidget* parent = nullptr);

  // Before the dialog shows: the selected frame chosen, Tagged only when a
  // shown frame is tagged, the range boxes holding the first and last frame.
  void Reset(const CaptureSession& s);
  // The frames chosen, in display order. A range that does not parse is
  // reported with `rangeMessage` and gives false.
  bool Chosen(const CaptureSession& s, const char* rangeMessage, Notifier& notifier,
              std::vector<uint32_t>& frames) const;

  QRadioButton* Selected() const { return selected_; }
  QRadioButton* Tagged() const { return tagged_; }
  QRadioButton* All() const { return all_; }
  QRadioButton* Range() const { return range_; }
  QLineEdit* First() const { return first_; }
  QLineEdit* Last() const { return last_; }

 private:
  void ChoiceChanged();

  QRadioButton* selected_;
  QRadioButton* tagged_;
  QRadioButton* all_;
  QRadioButton* range_;
  QLineEdit* first_;
  QLineEdit* last_;
};

}  // namespace kestle::ui
