// orvex: the desktop program.
#include <QApplication>
#include <cstdio>
#include <cstring>

#include "gui/OrvexApp.h"
#include "gui/RecentFileList.h"

int main(int argc, char** argv) {
  for (int k = 1; k < argc; ++k) {
    if (std::strcmp(argv[k], "--help") == 0 || std::strcmp(argv[k], "-h") == 0) {
      std::fputs(kOrvexUsage, stdout);
      return 0;
    }
  }
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("orvex"));
  QApplication::setDesktopFileName(QStringLiteral("orvex"));
  COrvexApp app(DefaultIniPath());
  if (!app.InitInstance(QApplication::arguments().mid(1))) return 1;
  return QApplication::exec();
}
