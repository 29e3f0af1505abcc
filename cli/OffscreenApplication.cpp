#include "OffscreenApplication.h"

#include <iostream>

OffscreenApplication::OffscreenApplication() {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
      std::cerr << "meterlog2-cli: " << message.toStdString() << "\n";
  });
  static int argc = 1;
  static char name[] = "meterlog2-cli";
  static char* argv[] = {name, nullptr};
  m_application = std::make_unique<QApplication>(argc, argv);
}

OffscreenApplication::~OffscreenApplication() = default;
