// "Define Filter": the protocol stack tree with check boxes, the station
// pair with its direction, "Select Frames that do not Match". The dialog
// only shows and edits the choices; the core decides which frames pass.
#pragma once

#include <QDialog>
#include <vector>

#include "output/filter.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace kestle {
class CaptureSession;
class Notifier;
}  // namespace kestle

namespace kestle::ui {

class FilterDialog : public QDialog {
  Q_OBJECT
 public:
  FilterDialog(CaptureSession& session, FilterState& state, Notifier& notifier,
               QWidget* parent = nullptr);

  // Fills the tree and the lists from the loaded frames and the remembered
  // choices (called before each show).
  void Load();
  // OK: filters; closes when frames were selected, else shows "No Frames
  // were selected" and stays open.
  void accept() override;
  // The "Clear" button: every choice back to "all frames".
  void ClearChoices();

  // The number of frames the last accepted filter shows.
  uint32_t Shown() const { return shown_; }
  // The choice of the last OK while its filter is in force (nullptr: none).
  const FilterChoice* ChoiceInForce() const { return inForce_ ? &choice_ : nullptr; }
  // The filter is no longer in force ("Clear Filter", another file).
  void Forget() { inForce_ = false; }
  // What must hold too: the filter bar's expression (empty: nothing).
  FrameTest Also;

  QTreeWidget* Protocols() const { return protocols_; }
  QComboBox* Station1() const { return station1_; }
  QComboBox* Station2() const { return station2_; }
  QPushButton* DirectionButton() const { return direction_; }
  QCheckBox* SelectMismatch() const { return mismatch_; }
  QPushButton* ClearButton() const { return clear_; }
  // The tree item of a stack entry, or nullptr.
  QTreeWidgetItem* ItemOf(uint32_t path) const;

 private:
  void ShowDirection();

  CaptureSession& session_;
  FilterState& state_;
  Notifier& notifier_;
  FilterDirection dir_ = FilterDirection::Both;
  std::vector<StationItem> stations_;
  uint32_t shown_ = 0;
  FilterChoice choice_;
  bool inForce_ = false;

  QTreeWidget* protocols_;
  QComboBox* station1_;
  QComboBox* station2_;
  QPushButton* direction_;
  QCheckBox* mismatch_;
  QPushButton* clear_;
};

}  // namespace kestle::ui
