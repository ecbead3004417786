// kestle: the desktop program.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstring>

#include "app_paths.h"
#include "decode/config/environment.h"
#include "decode/config/ini.h"
#include "main_window.h"
#include "message_notifier.h"

namespace {

constexpr const char* kUsage = R"(Usage: kestle [options] [FILE]

Opens FILE (a capture in pcap, pcapng, Sniffer, Netmon 1 or 2, NetXRay or
5View format, possibly gzip-compressed) in the Kestle window, or an empty
window without one.

  --version   print the version
  --help      show this text

Qt's own options (such as -platform and -style) are understood as well.
)";

}  // namespace

int main(int argc, char** argv) {
  // Answered before the window system is reached, so that they work
  // without a display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("kestle %s\n", KESTLE_VERSION_TEXT);
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("Kestle");
  QApplication::setOrganizationName("Quorrel Software");
  QApplication::setApplicationVersion(KESTLE_VERSION_TEXT);
  // The desktop entry's name, so that the desktop pairs windows with it.
  QGuiApplication::setDesktopFileName("com.quorrel.Kestle");
  QIcon icon;
  for (const int size : {16, 32, 48, 64, 128, 256})
    icon.addFile(QString(":/app/kestle-%1.png").arg(size), QSize(size, size));
  QApplication::setWindowIcon(QIcon::fromTheme("kestle", icon));

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
