#include "filter_bar.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "decode/config/ini.h"

namespace kestle::ui {

FilterBar::FilterBar(const ProtocolTable& protocols, IniFile& ini, QWidget* parent)
    : QWidget(parent), protocols_(protocols), ini_(ini) {
  setObjectName("filterBar");
  box_ = new QComboBox;
  box_->setObjectName("cbFilterExpression");
  box_->setEditable(true);
  box_->setInsertPolicy(QComboBox::NoInsert);
  box_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  box_->lineEdit()->setPlaceholderText("Filter expression, e.g. tcp and ip.addr == 10.0.0.0/8");
  box_->lineEdit()->setClearButtonEnabled(true);
  apply_ = new QPushButton("Apply");
  apply_->setObjectName("btnFilterApply");
  clear_ = new QPushButton("Clear");
  clear_->setObjectName("btnFilterClear");
  error_ = new QLabel;
  error_->setObjectName("lblFilterError");
  // A long message takes the room left, never the box's.
  error_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(new QLabel("Filter:"));
  layout->addWidget(box_, 3);
  layout->addWidget(apply_);
  layout->addWidget(clear_);
  layout->addWidget(error_, 2);

  history_.Load(ini_);
  FillBox();
  connect(box_, &QComboBox::editTextChanged, this, &FilterBar::Validate);
  connect(box_->lineEdit(), &QLineEdit::returnPressed, this, [this] { emit applied(Text()); });
  connect(apply_, &QPushButton::clicked, this, [this] { emit applied(Text()); });
  connect(clear_, &QPushButton::clicked, this, [this] {
    SetText({});
    emit applied({});
  });
  Validate();
}

QLineEdit* FilterBar::Edit() const { return box_->lineEdit(); }

QString FilterBar::Text() const { return box_->currentText(); }

void FilterBar::SetText(const QString& text) {
  box_->setEditText(text);
  Validate();
}

QString FilterBar::State() const { return state_; }

void FilterBar::Validate() {
  const std::string text = Text().toStdString();
  parsed_.reset();
  QString tip;
  if (BlankFilterText(text)) {
    state_ = "blank";
  } else {
    FilterError error;
    parsed_ = FilterExpression::Parse(text, protocols_, error);
    state_ = parsed_ ? "valid" : "invalid";
    if (!parsed_) tip = QString::fromStdString(error.Message);
  }
  error_->setText(tip);
  box_->setToolTip(tip);
  // Dark text on a light red or green, whatever the palette.
  const char* sheet = state_ == "valid"     ? "QLineEdit { background: #c8f0c8; color: #000000; }"
                      : state_ == "invalid" ? "QLineEdit { background: #f8c8c8; color: #000000; }"
                                            : "";
  Edit()->setStyleSheet(sheet);
  Edit()->setProperty("filterState", state_);
}

void FilterBar::Remember(const QString& text) {
  history_.Add(text.toStdString());
  history_.Save(ini_);
  FillBox();
}

void FilterBar::FillBox() {
  const QString text = Text();
  const QSignalBlocker block(box_);
  box_->clear();
  for (const std::string& item : history_.Items()) box_->addItem(QString::fromStdString(item));
  box_->setEditText(text);
}

}  // namespace kestle::ui
