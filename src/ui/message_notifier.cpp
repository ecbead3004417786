#include "message_notifier.h"

#include <QMessageBox>

namespace kestle::ui {

void MessageBoxNotifier::Message(const std::string& text) {
  QMessageBox::critical(parent_, QStringLiteral("Kestle"), QString::fromStdString(text),
                        QMessageBox::Ok);
}

}  // namespace kestle::ui
