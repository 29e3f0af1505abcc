// Saves pictures of Tools > Assess Supply Quality for the user guide:
//   gui_assessment_screenshots FOLDER   (under Xvfb: xvfb-run -a -s "-screen 0 1400x900x24")
// Writes assessment-pass.png (a week of 10-minute records within every limit, the voltage of
// phase A chosen), assessment-fail.png (a survey whose 9th voltage harmonic is too high) and
// assessment-60hz.png (a 60 Hz, 120 V survey, its frequency chosen).

#include <QAction>
#include <QApplication>
#include <QDir>

#include "ScratchState.h"
#include "app/CMainFrame.h"
#include "app/CMeterlog2App.h"
#include "assessment/AssessmentView.h"
#include "samples/SampleLog.h"

namespace {

struct Picture {
  const char* file;
  SampleLogOptions options;
  const char* criterion;  // chosen in the table; none: the first row
};

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  if (argc < 2) return 2;
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  const ScratchState scratch;

  std::vector<Picture> pictures(3);
  pictures[0] = {"assessment-pass.png", {}, "en50160.voltage.a"};
  pictures[0].options.logType = 4;
  pictures[0].options.records = 1200;
  pictures[0].options.intervalSeconds = 600;
  pictures[1] = {"assessment-fail.png", {}, nullptr};
  pictures[1].options.logType = 4;
  pictures[1].options.records = 1500;
  pictures[1].options.distortedHarmonic = 9;
  pictures[1].options.distortionPercent = 2;
  pictures[2] = {"assessment-60hz.png", {}, "en50160.frequency"};
  pictures[2].options.logType = 2;
  pictures[2].options.records = 2000;
  pictures[2].options.mainsHz = 60;

  int failures = 0;
  for (const Picture& picture : pictures) {
    const QString path = scratch.FilePath(QString::fromLatin1(picture.file) + ".57x");
    std::string error;
    if (!WriteSampleLog(path.toStdString(), picture.options, error)) return 1;
    CMeterlog2App app;
    if (!app.InitInstance({path})) return 1;
    app.GetMainFrame()->GetCommands().assess->trigger();
    AssessmentView* view = app.GetAssessmentView();
    view->resize(1180, 820);
    if (picture.criterion) view->ChooseCriterion(QString::fromLatin1(picture.criterion));
    for (int i = 0; i < 20; ++i) QApplication::processEvents();
    failures += !view->grab().save(folder.filePath(QString::fromLatin1(picture.file)));
  }
  return failures;
}
