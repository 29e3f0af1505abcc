// Saves pictures of Tools > Assess Supply Quality for the user guide:
//   gui_assessment_screenshots FOLDER   (under Xvfb: xvfb-run -a -s "-screen 0 1400x900x24")
// Writes
//   assessment-incomplete.png  a two-week survey just opened: Un empty with the records'
//                              suggestion beside it, INCOMPLETE, the frequency chosen;
//   assessment-pass.png        the same survey with Un and Isc declared, the voltage of phase A
//                              chosen;
//   assessment-fail.png        a survey whose 9th voltage harmonic is too high, its row chosen;
//   assessment-gap.png         day 1 and day 7 of a week: coverage, the gap under Details, the
//                              voltage's line broken at the hole;
//   assessment-daily.png       IEEE 519's daily 99th percentile of the 5th harmonic, day by day,
//                              with 100 minutes of 8 % on day 3;
//   assessment-60hz.png        a 60 Hz, 120 V service judged with ANSI C84.1.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>

#include "ScratchState.h"
#include "app/CMainFrame.h"
#include "app/CMeterlog2App.h"
#include "assessment/AssessmentSummary.h"
#include "assessment/AssessmentView.h"
#include "samples/SampleLog.h"

namespace {

struct Picture {
  const char* file;
  SampleLogOptions options;
  const char* criterion = nullptr;  // chosen in the table; none: the first row
  const char* un = nullptr;         // typed into Un; none: left empty
  const char* isc = nullptr;        // typed into Isc; none: left empty
  int gapAfter = 0;                 // records before a hole of `gapDays` days
  int gapDays = 0;
  bool details = false;
  // Records from `burstFrom` on, `burstCount` of them, with 8 % of the 5th voltage harmonic.
  uint32_t burstFrom = 0, burstCount = 0;
};

// The sample log, with its records from `gapAfter` on moved `gapDays` later.
bool WriteLog(const QString& path, const Picture& picture) {
  std::vector<uint8_t> bytes = MakeSampleLog(picture.options);
  if (picture.gapDays > 0) {
    SampleLogOptions later = picture.options;
    later.day += picture.gapDays;
    const size_t size = MakeSampleRecord(picture.options, 0).size();
    for (uint32_t i = uint32_t(picture.gapAfter); i < picture.options.records; ++i) {
      const std::vector<uint8_t> record = MakeSampleRecord(later, i);
      std::copy(record.begin(), record.end(),
                bytes.begin() + ptrdiff_t(12 + picture.options.headerSize + i * size));
    }
  }
  SampleLogOptions burst = picture.options;
  burst.distortedHarmonic = 5;
  burst.distortionPercent = 8;
  const size_t size = MakeSampleRecord(picture.options, 0).size();
  for (uint32_t i = picture.burstFrom; i < picture.burstFrom + picture.burstCount; ++i) {
    const std::vector<uint8_t> record = MakeSampleRecord(burst, i);
    std::copy(record.begin(), record.end(),
              bytes.begin() + ptrdiff_t(12 + picture.options.headerSize + i * size));
  }
  QFile file(path);
  return file.open(QIODevice::WriteOnly) &&
         file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) ==
             qint64(bytes.size());
}

// Two weeks of 1-minute Three Phase Tabular records from 2009-03-07 14:00.
SampleLogOptions TwoWeeks() {
  SampleLogOptions options;
  options.logType = 4;
  options.records = 20160;
  options.minute = options.second = 0;
  return options;
}

std::vector<Picture> Pictures() {
  std::vector<Picture> pictures(6);
  pictures[0] = {"assessment-incomplete.png", TwoWeeks(), "en50160.frequency"};
  pictures[1] = {"assessment-pass.png", TwoWeeks(), "en50160.voltage.a", "230", "5000"};
  pictures[2] = {"assessment-fail.png", TwoWeeks(), "en50160.harmonic.9.a", "230"};
  pictures[2].options.distortedHarmonic = 9;
  pictures[2].options.distortionPercent = 2;
  pictures[3] = {
      "assessment-gap.png", TwoWeeks(), "en50160.voltage.a", "230", "5000", 1440, 5, true};
  pictures[3].options.records = 2880;
  pictures[4] = {"assessment-daily.png", TwoWeeks(), "ieee519.voltage.harmonic.5.a.daily99", "230"};
  pictures[4].burstFrom = 2 * 1440 + 600;  // day 3 from 00:00, 100 minutes
  pictures[4].burstCount = 100;
  pictures[5] = {"assessment-60hz.png", {}, "ansi_c84_1.voltage.ch1", "120"};
  pictures[5].options.logType = 2;
  pictures[5].options.records = 2000;
  pictures[5].options.mainsHz = 60;
  return pictures;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  if (argc < 2) return 2;
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  const ScratchState scratch;

  int failures = 0;
  for (const Picture& picture : Pictures()) {
    const QString path = scratch.FilePath(QString::fromLatin1(picture.file) + ".57x");
    if (!WriteLog(path, picture)) return 1;
    CMeterlog2App app;
    if (!app.InitInstance({path})) return 1;
    app.GetMainFrame()->GetCommands().assess->trigger();
    auto* view = app.GetMainFrame()->findChild<AssessmentView*>(QStringLiteral("assessmentView"));
    view->resize(1180, 860);
    if (picture.un || picture.isc) {
      view->findChild<QLineEdit*>(QStringLiteral("nominalVoltage"))
          ->setText(QString::fromLatin1(picture.un));
      view->findChild<QLineEdit*>(QStringLiteral("shortCircuitCurrent"))
          ->setText(QString::fromLatin1(picture.isc));
      view->Assess();
    }
    if (picture.details)
      view->findChild<QToolButton*>(QStringLiteral("detailsButton"))->setChecked(true);
    if (picture.criterion) view->ChooseCriterion(QString::fromLatin1(picture.criterion));
    for (int i = 0; i < 20; ++i) QApplication::processEvents();
    failures += !view->grab().save(folder.filePath(QString::fromLatin1(picture.file)));
  }
  return failures;
}
