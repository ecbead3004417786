// kestle: the desktop program.
#include <QApplication>

#include "app_paths.h"
#include "decode/config/environment.h"
#include "decode/config/ini.h"
#include "main_window.h"
#include "message_notifier.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Kestle");
  QApplication::setOrganizationName("Quorrel Software");

  const QString iniPath = kestle::ui::SettingsFilePath();
  kestle::IniFile ini;
  ini.Load(iniPath.toStdString());
  kestle::Environment env;
  env.Load(ini);
  const QString vendors = kestle::ui::DataFilePath("Kestlemac.txt");
  if (!vendors.isEmpty()) env.Vendors.Load(vendors.toStdString());
  const QString snmpNames = kestle::ui::DataFilePath("Kestlesnmp.txt");
  if (!snmpNames.isEmpty()) env.SnmpNames.Load(snmpNames.toStdString());

  kestle::ui::MessageBoxNotifier notifier;
  kestle::ui::MainWindow window(env, ini, iniPath, notifier);
  notifier.SetParent(&window);
  window.show();
  window.OpenFromArguments(QApplication::arguments());
  return QApplication::exec();
}
