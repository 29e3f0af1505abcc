// Saves a picture of the main window with a sample log for the README:
//   gui_screenshot OUTPUT.png   (under Xvfb: xvfb-run -a -s "-screen 0 1280x800x24")

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTimer>

#include "app/CMainFrame.h"
#include "app/CMeterlog2App.h"
#include "samples/SampleLog.h"
#include "table/CMeterlog2View.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  if (argc < 2) return 2;
  const QString output = QString::fromLocal8Bit(argv[1]);
  QTemporaryDir scratch;
  qputenv("XDG_STATE_HOME", QFile::encodeName(scratch.filePath("state")));
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch.filePath("config")));

  SampleLogOptions options;
  options.logType = 4;
  options.records = 200;
  const QString path = scratch.filePath("three-phase.57x");
  std::string error;
  if (!WriteSampleLog(path.toStdString(), options, error)) return 1;

  CMeterlog2App app;
  if (!app.InitInstance({path})) return 1;
  app.GetMainFrame()->resize(1100, 640);
  for (int row : {3, 4, 5}) app.GetView()->selectRow(row);
  app.GetView()->selectionModel()->select(app.GetView()->model()->index(3, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
  app.GetView()->selectionModel()->select(app.GetView()->model()->index(4, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
  QTimer::singleShot(800, [&] {
    const bool ok = app.GetMainFrame()->grab().save(output);
    QApplication::exit(ok ? 0 : 1);
  });
  return QApplication::exec();
}
