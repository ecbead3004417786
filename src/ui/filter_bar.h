// The filter bar above the frame grid: an expression typed (or taken from
// its drop-down of the last ones), red while it does not parse and green
// when it does, applied with Enter or "Apply".
#pragma once

#include <QWidget>
#include <optional>

#include "query/display_filter.h"
#include "query/filter_history.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kestle {
class IniFile;
class ProtocolTable;
}  // namespace kestle

namespace kestle::ui {

class FilterBar : public QWidget {
  Q_OBJECT
 public:
  FilterBar(const ProtocolTable& protocols, IniFile& ini, QWidget* parent = nullptr);

  QComboBox* Box() const { return box_; }
  QLineEdit* Edit() const;
  QPushButton* ApplyButton() const { return apply_; }
  QPushButton* ClearButton() const { return clear_; }
  QLabel* ErrorLabel() const { return error_; }

  QString Text() const;
  // Puts a text in the bar (not applied).
  void SetText(const QString& text);
  // "blank", "valid" or "invalid": how the text reads now.
  QString State() const;
  // The parsed expression of the text (nullopt: blank or not parsing).
  const std::optional<FilterExpression>& Parsed() const { return parsed_; }
  // Puts the text first in the drop-down and the settings file.
  void Remember(const QString& text);
  const FilterHistory& History() const { return history_; }

 signals:
  // Enter or "Apply" (the text as typed), "Clear" (an empty text).
  void applied(const QString& text);

 private:
  void Validate();
  void FillBox();

  const ProtocolTable& protocols_;
  IniFile& ini_;
  FilterHistory history_;
  QComboBox* box_;
  QPushButton* apply_;
  QPushButton* clear_;
  QLabel* error_;
  std::optional<FilterExpression> parsed_;
  QString state_ = "blank";
};

}  // namespace kestle::ui
