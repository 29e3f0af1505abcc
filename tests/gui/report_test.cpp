// File > Save Assessment Report: the desktop's report is the one `meterlog2-cli report` writes
// for the same log and choices (the HTML byte for byte, the PDF's text); title, site, paper and
// type are remembered; a report is refused, and said so, where there is no log, where the name
// asks for no format or names the log itself, and where the log changed after it was opened.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QtTest>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "GuiTestSupport.h"
#include "app/CMainFrame.h"
#include "app/CMeterlog2App.h"
#include "assessment/AssessmentView.h"
#include "assessment/ReportDialog.h"
#include "log/LogTypes.h"

namespace {

// The survey that fails the 9th harmonic, under a name beyond ASCII.
QString Survey() {
  return WriteFailingSurvey(QStringLiteral("Messung S\u00fcd.57x"));
}

// `meterlog2-cli report ARGS -o OUT LOG`, run in the log's folder with the log's name as it is
// given, as the desktop names it (both judge the standards Fn chooses unless told otherwise);
// false when it fails.
bool CliReport(const QString& log, QStringList arguments, const QString& out) {
  QProcess cli;
  cli.setWorkingDirectory(QFileInfo(log).absolutePath());
  arguments.prepend(QStringLiteral("report"));
  arguments << QStringLiteral("-o") << out << QFileInfo(log).fileName();
  cli.start(QStringLiteral(METERLOG2_CLI_PATH), arguments);
  return cli.waitForFinished(60000) && cli.exitStatus() == QProcess::NormalExit &&
         cli.exitCode() == 0;
}

// The PDF's text as pdftotext reads it (empty when it cannot).
QByteArray PdfText(const QString& pdf) {
  QProcess process;
  process.start(QStandardPaths::findExecutable(QStringLiteral("pdftotext")),
                {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
  return process.waitForFinished(60000) && process.exitCode() == 0 ? process.readAllStandardOutput()
                                                                   : QByteArray();
}

// Fills the report dialog once it is up and saves `file` (nothing typed where empty).
void WhenReportDialog(const QString& file, const QString& title = {}, const QString& site = {},
                      int page = -1, std::function<void(ReportDialog*)> check = {}) {
  WhenModal([=](QWidget* modal) {
    auto* dialog = qobject_cast<ReportDialog*>(modal);
    QVERIFY(dialog != nullptr);
    if (check) check(dialog);
    if (!title.isNull()) Child<QLineEdit>(dialog, "reportTitle")->setText(title);
    if (!site.isNull()) Child<QLineEdit>(dialog, "reportSite")->setText(site);
    if (page >= 0) Child<QComboBox>(dialog, "pageSize")->setCurrentIndex(page);
    dialog->selectFile(file);
    // The dialog asks before it replaces a file: yes.
    if (QFileInfo::exists(file))
      WhenModal([](QWidget* question) {
        auto* box = qobject_cast<QMessageBox*>(question);
        QVERIFY(box != nullptr);
        box->button(QMessageBox::Yes)->click();
      });
    static_cast<QDialog*>(dialog)->accept();  // as its Save button does
  });
}

}  // namespace

class ReportTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    ClearSettings();
    TakeMessages();
  }

  void theDesktopSavesTheReportTheCommandLineWrites() {
    const QString log = Survey();
    const QDir dir(ScratchDir());
    CMeterlog2App app;
    QVERIFY(app.InitInstance({log}, false));
    QAction* save = app.GetMainFrame()->GetCommands().saveReport;
    QVERIFY(save->isEnabled());
    const QString title = QStringLiteral("Pr\u00fcfbericht <Netz> & Co");
    const QString site = QStringLiteral("Umspannwerk K\u00f6ln-S\u00fcd");

    const QString html = dir.filePath(QStringLiteral("desktop.html"));
    WhenReportDialog(html, title, site);
    save->trigger();
    QVERIFY(TakeMessages().isEmpty());
    const QString cliHtml = dir.filePath(QStringLiteral("cli.html"));
    QVERIFY(CliReport(log, {QStringLiteral("--title"), title, QStringLiteral("--site"), site},
                      cliHtml));
    QCOMPARE(ReadAll(html), ReadAll(cliHtml));
    // A log just opened has no Un declared: the criteria that need it are not judged, and the
    // report says so.
    QVERIFY(ReadAll(html).contains("<span class=\"word\">INCOMPLETE</span>"));

    // Un typed over but not yet assessed: the report is of the choices on screen, as the
    // command's --nominal-voltage gives it. The dialog starts with the title and site of the
    // last report and offers the log's name with the last type's ending.
    AssessmentView* view =
        app.GetMainFrame()->findChild<AssessmentView*>(QStringLiteral("assessmentView"));
    QVERIFY(view != nullptr);
    Child<QLineEdit>(view, "nominalVoltage")->setText(QStringLiteral("220"));
    const QString letter = dir.filePath(QStringLiteral("desktop-letter.html"));
    WhenReportDialog(letter, {}, {}, 1, [&](ReportDialog* dialog) {
      QCOMPARE(Child<QLineEdit>(dialog, "reportTitle")->text(), title);
      QCOMPARE(Child<QLineEdit>(dialog, "reportSite")->text(), site);
      QCOMPARE(QFileInfo(dialog->selectedFiles().value(0)).fileName(),
               QStringLiteral("Messung S\u00fcd.html"));
    });
    QVERIFY(Child<QPushButton>(view, "saveReport")->isEnabled());
    Child<QPushButton>(view, "saveReport")->click();
    QVERIFY(TakeMessages().isEmpty());
    QCOMPARE(Child<QLabel>(view, "nominalVoltageSource")->text(), QStringLiteral("declared"));
    QVERIFY(CliReport(log,
                      {QStringLiteral("--title"), title, QStringLiteral("--site"), site,
                       QStringLiteral("--nominal-voltage"), QStringLiteral("220"),
                       QStringLiteral("--page"), QStringLiteral("letter")},
                      cliHtml));
    QCOMPARE(ReadAll(letter), ReadAll(cliHtml));
    QVERIFY(ReadAll(letter).contains("<span class=\"word\">FAIL</span>"));

    // A PDF: a name typed without an ending takes the type chosen. Its creation date differs
    // from the command's, its text does not.
    const QString pdfBase = dir.filePath(QStringLiteral("desktop-report"));
    WhenModal([&](QWidget* modal) {
      auto* dialog = qobject_cast<ReportDialog*>(modal);
      QVERIFY(dialog != nullptr);
      dialog->selectNameFilter(dialog->nameFilters().value(0));
      emit dialog->filterSelected(dialog->nameFilters().value(0));
      dialog->selectFile(pdfBase);
      static_cast<QDialog*>(dialog)->accept();  // as its Save button does
    });
    QVERIFY(view->SaveReport());
    QVERIFY(ReadAll(pdfBase + QStringLiteral(".pdf")).startsWith("%PDF-"));
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
      QSKIP(
          "poppler-utils is not installed (scripts/deps.sh installs it): the PDF's text is not "
          "compared");
    const QString cliPdf = dir.filePath(QStringLiteral("cli.pdf"));
    QVERIFY(CliReport(log,
                      {QStringLiteral("--title"), title, QStringLiteral("--site"), site,
                       QStringLiteral("--nominal-voltage"), QStringLiteral("220"),
                       QStringLiteral("--page"), QStringLiteral("letter")},
                      cliPdf));
    const QByteArray text = PdfText(pdfBase + QStringLiteral(".pdf"));
    QVERIFY(text.contains(title.toUtf8()));
    QCOMPARE(text, PdfText(cliPdf));
  }

  void refusedReportsAreSaidAndWriteNothing() {
    CMeterlog2App app;
    QVERIFY(app.InitInstance({}, false));
    QVERIFY(!app.GetMainFrame()->GetCommands().saveReport->isEnabled());

    const QString log = Survey();
    const QByteArray original = ReadAll(log);
    QVERIFY(app.OpenDocumentFile(log));
    QAction* save = app.GetMainFrame()->GetCommands().saveReport;
    QVERIFY(save->isEnabled());
    const QDir dir(ScratchDir());

    QVERIFY(TakeMessages().isEmpty());
    app.OnAssess();
    AssessmentView* view =
        app.GetMainFrame()->findChild<AssessmentView*>(QStringLiteral("assessmentView"));
    QVERIFY(view != nullptr);
    // Saves as `file` and gives the one message that says why it was refused (empty when it was
    // saved or said otherwise).
    const auto refusal = [&](const QString& file) {
      WhenReportDialog(file);
      if (view->SaveReport()) return QString();
      const QStringList messages = TakeMessages();
      return messages.size() == 1 ? messages[0] : QString();
    };
    // A name whose ending asks for neither format.
    const QString text = dir.filePath(QStringLiteral("report.txt"));
    const QString refused = refusal(text);
    QVERIFY(refused.contains(QLatin1String("report.txt")));
    QVERIFY(refused.contains(QLatin1String(".pdf or .html")));
    QVERIFY(!QFileInfo::exists(text));

    // The log itself, where its name is one a report could have.
    const QString logAsReport = dir.filePath(QStringLiteral("log-as-report.html"));
    QVERIFY(QFile::copy(log, logAsReport));
    QVERIFY(app.OpenDocumentFile(logAsReport));
    const QByteArray before = ReadAll(logAsReport);
    QVERIFY(refusal(logAsReport).contains(QLatin1String("log-as-report.html")));
    QCOMPARE(ReadAll(logAsReport), before);

    // A folder that does not exist: the message names the file.
    const QString missing = dir.filePath(QStringLiteral("no such folder/report.pdf"));
    QVERIFY(refusal(missing).contains(QLatin1String("report.pdf")));

#ifndef _WIN32
    // A FIFO without a reader: refused at once instead of waiting for one.
    const QString fifo = dir.filePath(QStringLiteral("fifo.pdf"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QVERIFY(refusal(fifo).contains(QLatin1String("fifo.pdf")));
#endif

    // The log replaced on disk after it was opened: its digest would not be of what was
    // assessed, so no report.
    QVERIFY(app.OpenDocumentFile(log));
    SampleLogOptions other;
    other.logType = kThreePhaseTabularLog;
    other.records = 200;
    QVERIFY(QFile::remove(log));
    const QString replaced = WriteSample(QFileInfo(log).fileName(), other);
    QCOMPARE(replaced, log);
    const QString late = dir.filePath(QStringLiteral("late.html"));
    QVERIFY(refusal(late).contains(QLatin1String("has changed since it was opened")));
    QVERIFY(!QFileInfo::exists(late));
    QVERIFY(ReadAll(log) != original);

    // No log: nothing to report.
    app.OnFileNew();
    QVERIFY(!save->isEnabled());
    QVERIFY(!Child<QPushButton>(view, "saveReport")->isEnabled());
    QVERIFY(!view->SaveReport());
    QCOMPARE(TakeMessages().size(), 1);
  }
};

REGISTER_GUI_TEST(ReportTest);
#include "report_test.moc"
