#include "frame_choice_box.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "capture/notifier.h"
#include "decode/config/environment.h"
#include "decode/session.h"
#include "output/filter.h"
#include "output/frame_choice.h"

namespace kestle::ui {

FrameChoiceBox::FrameChoiceBox(const Names& names, QWidget* parent) : QWidget(parent) {
  auto button = [](const char* const(&n)[2]) {
    auto* b = new QRadioButton(n[0]);
    b->setObjectName(n[1]);
    return b;
  };
  selected_ = button(names.Selected);
  tagged_ = button(names.Tagged);
  all_ = button(names.All);
  range_ = button(names.Range);
  first_ = new QLineEdit;
  first_->setObjectName(names.First);
  last_ = new QLineEdit;
  last_->setObjectName(names.Last);

  auto* choices = new QGridLayout(this);
  choices->setContentsMargins(0, 0, 0, 0);
  choices->addWidget(selected_, 0, 0, 1, 4);
  choices->addWidget(tagged_, 1, 0, 1, 4);
  choices->addWidget(all_, 2, 0, 1, 4);
  choices->addWidget(range_, 3, 0);
  choices->addWidget(first_, 3, 1);
  choices->addWidget(new QLabel("to"), 3, 2);
  choices->addWidget(last_, 3, 3);

  for (QRadioButton* b : {selected_, tagged_, all_, range_})
    connect(b, &QRadioButton::toggled, this, [this](bool on) {
      if (on) ChoiceChanged();
    });
}

void FrameChoiceBox::Reset(const CaptureSession& s) {
  tagged_->setEnabled(AnyShownFrameTagged(s));
  first_->setText(QString::fromStdString(RangeBoxFirst(s)));
  last_->setText(QString::fromStdString(RangeBoxLast(s)));
  selected_->setChecked(true);
  ChoiceChanged();
}

void FrameChoiceBox::ChoiceChanged() {
  const bool range = range_->isChecked();
  first_->setEnabled(range);
  last_->setEnabled(range);
  if (range) first_->setFocus();
}

bool FrameChoiceBox::Chosen(const CaptureSession& s, const char* rangeMessage, Notifier& notifier,
                            std::vector<uint32_t>& frames) const {
  FrameChoice choice = FrameChoice::Selected;
  if (tagged_->isChecked()) choice = FrameChoice::Tagged;
  if (all_->isChecked()) choice = FrameChoice::All;
  FrameRange range;
  if (range_->isChecked()) {
    choice = FrameChoice::Range;
    const std::string a = first_->text().toStdString(), b = last_->text().toStdString();
    if (const char* m = ParseFrameRange(a, b, s.Env.settings.FirstFrame, rangeMessage, range)) {
      notifier.Message(m);
      return false;
    }
  }
  frames = ChosenFrames(s, choice, range);
  return true;
}

}  // namespace kestle::ui
