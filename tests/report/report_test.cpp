// The report as its reader gets it: the PDF's pages read back as text (pdftotext), its fonts and
// images listed (pdffonts, pdfimages), the HTML page as text. A survey that passes, one built to
// fail one harmonic, a 60 Hz / 120 V one; text beyond ASCII and markup in the title, the site and
// the file names; the same HTML bytes every time; names that are refused.
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "assess/Assessment.h"
#include "file/Sha256.h"
#include "log/CMeterlog2Doc.h"
#include "report/AssessmentReport.h"
#include "samples/SampleLog.h"

namespace {

struct Survey {
  std::vector<uint8_t> bytes;
  assess::AssessmentResult result;
};

// The assessment of one generated log, with the digest a report shows.
Survey Assessed(const SampleLogOptions& options, const assess::AssessOptions& assessOptions = {},
                const std::string& name = "survey.57x") {
  Survey survey;
  survey.bytes = MakeSampleLog(options);
  CMeterlog2Doc doc;
  doc.LoadFromMemory(survey.bytes.data(), survey.bytes.size(), name);
  const assess::SurveyLog logs[] = {{std::filesystem::path(name), &doc}};
  std::string error;
  if (!assess::Assess(logs, assessOptions, survey.result, error)) qFatal("%s", error.c_str());
  survey.result.survey.files[0].sha256 = Sha256Hex(
      std::string_view(reinterpret_cast<const char*>(survey.bytes.data()), survey.bytes.size()));
  return survey;
}

SampleLogOptions Tabular(uint32_t records, unsigned interval = 60) {
  SampleLogOptions options;
  options.logType = 4;
  options.records = records;
  options.intervalSeconds = interval;
  return options;
}

QString Tool(const char* name) {
  return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

// Runs a poppler tool on `pdf` and gives its standard output as UTF-8 text.
QString Poppler(const char* tool, const QStringList& arguments) {
  QProcess process;
  process.start(Tool(tool), arguments);
  if (!process.waitForFinished(60000) || process.exitCode() != 0) return QString();
  return QString::fromUtf8(process.readAllStandardOutput());
}

class ReportFiles {
 public:
  QString Write(const QByteArray& bytes, const QString& name) {
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return QString();
    return path;
  }
  // The PDF's pages as text, in reading order.
  QStringList Pages(const QByteArray& pdf) {
    const QString path = Write(pdf, QStringLiteral("report.pdf"));
    QStringList pages = Poppler("pdftotext", {QStringLiteral("-layout"), QStringLiteral("-enc"),
                                              QStringLiteral("UTF-8"), path, QStringLiteral("-")})
                            .split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.back().trimmed().isEmpty()) pages.removeLast();
    return pages;
  }

 private:
  QTemporaryDir m_dir;
};

// Page text with its line breaks and runs of spaces as single spaces.
QString Flat(const QString& text) {
  return QString(text).replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" "));
}

}  // namespace

class ReportTest : public QObject {
  Q_OBJECT

 private:
  void RequirePoppler() {
    for (const char* tool : {"pdftotext", "pdffonts", "pdfimages", "pdfinfo"})
      if (Tool(tool).isEmpty())
        QSKIP(
            "poppler-utils is not installed (scripts/deps.sh installs it): the PDF cannot be "
            "read back");
  }

 private slots:
  // Every page carries "Page N of M", the title and the survey period; the summary comes first,
  // then the charts, the informative values and the method, each on a page of its own.
  void pagesAreNumberedAndHeaded() {
    RequirePoppler();
    const Survey week = Assessed(Tabular(1200, 600));
    ReportOptions options;
    options.title = QStringLiteral("Feeder 2 survey");
    ReportFiles files;
    const QStringList pages = files.Pages(RenderReport(week.result, options, ReportFormat::kPdf));
    QVERIFY(pages.size() >= 4);
    const QString pageCount =
        Poppler("pdfinfo", {files.Write(RenderReport(week.result, options, ReportFormat::kPdf),
                                        QStringLiteral("again.pdf"))});
    QVERIFY(pageCount.contains(
        QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(pages.size()))));
    QVERIFY(pageCount.contains(QStringLiteral("595 x 842 pts (A4)")));
    for (qsizetype i = 0; i < pages.size(); ++i) {
      const QString page = Flat(pages[i]);
      QVERIFY2(page.contains(QStringLiteral("Page %1 of %2").arg(i + 1).arg(pages.size())),
               qPrintable(page.left(300)));
      QVERIFY(page.contains(QStringLiteral("Feeder 2 survey")));
      QVERIFY(page.contains(QStringLiteral("Survey 2009-03-07 14:05:09 to 2009-03-15 21:55:09")));
    }
    const QString all = Flat(pages.join(QLatin1Char('\n')));
    const QStringList sections = {QStringLiteral("The survey"), QStringLiteral("Verdicts by group"),
                                  QStringLiteral("Charts"), QStringLiteral("Informative values"),
                                  QStringLiteral("Method")};
    qsizetype at = 0;
    for (const QString& section : sections) {
      const qsizetype next = all.indexOf(section, at);
      QVERIFY2(next >= at, qPrintable(section));
      at = next;
    }
    QVERIFY(Flat(pages[0]).contains(QStringLiteral("PASS")));
    QVERIFY(!all.contains(QStringLiteral("Indicative")));  // 8 days and 8 hours
    QVERIFY(all.contains(QStringLiteral("Log file")));     // searchable: no ligature
    QVERIFY(all.contains(QStringLiteral("SHA-256 ") +
                         QString::fromStdString(week.result.survey.files[0].sha256)));

    options.page = ReportOptions::Page::kLetter;
    const QString letter =
        Poppler("pdfinfo", {files.Write(RenderReport(week.result, options, ReportFormat::kPdf),
                                        QStringLiteral("letter.pdf"))});
    QVERIFY(letter.contains(QStringLiteral("612 x 792 pts (letter)")));
  }

  // The charts are vectors (no image in the PDF) and every font is embedded.
  void chartsAreVectorsAndFontsEmbedded() {
    RequirePoppler();
    ReportFiles files;
    const QString path =
        files.Write(RenderReport(Assessed(Tabular(300)).result, {}, ReportFormat::kPdf), "r.pdf");
    const QStringList images = Poppler("pdfimages", {QStringLiteral("-list"), path})
                                   .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(images.size(), 2);  // the list's two header lines, no image
    const QStringList fonts =
        Poppler("pdffonts", {path}).split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
    QVERIFY(!fonts.isEmpty());
    for (const QString& font : fonts)
      QVERIFY2(font.contains(QRegularExpression(QStringLiteral("\\syes\\s+(yes|no)\\s+yes\\s"))),
               qPrintable(font));
  }

  // The 9th harmonic at 2 % of every phase (EN 50160 allows 1.5 %): the summary page says FAIL,
  // the harmonic groups fail, and the failures are listed with their values and limits.
  void aFailingSurveyShowsTheFailureInTheSummary() {
    SampleLogOptions options = Tabular(300);
    options.distortedHarmonic = 9;
    options.distortionPercent = 2;
    const Survey site = Assessed(options);
    QCOMPARE(site.result.verdict, assess::Verdict::kFail);
    const QString html = QString::fromUtf8(RenderReport(site.result, {}, ReportFormat::kHtml));
    QVERIFY(html.contains(QStringLiteral("<div class=\"verdict fail\"><span class=\"word\">FAIL")));
    QVERIFY(html.contains(QStringLiteral("The supply fails 3 criteria")));
    QVERIFY(html.contains(QStringLiteral("Indicative: the survey lasted 5 h")));
    for (const char* phase : {"A", "B", "C"})
      QVERIFY(html.contains(
          QStringLiteral("<tr><td>Harmonic voltages 2 to 25</td><td>%1</td><td>worst: harmonic 9 "
                         "at 2 %<span class=\"detail\">its limit 1.5 %; 1 of 24 fail</span></td>")
              .arg(QLatin1String(phase))));
    QCOMPARE(html.count(QStringLiteral("<tr><td>Harmonic voltage 9</td>")), 3);

    RequirePoppler();
    ReportFiles files;
    const QStringList pages = files.Pages(RenderReport(site.result, {}, ReportFormat::kPdf));
    QVERIFY(!pages.isEmpty());
    const QString first = Flat(pages[0]);
    QVERIFY(first.contains(QStringLiteral("FAIL The supply fails 3 criteria")));
    // The row of each phase's harmonics, its verdict at the end of its first line.
    const QRegularExpression row(QStringLiteral(
        "Harmonic voltages 2 +([ABC]) +worst: harmonic 9 at 2 % +95th [^\\n]* (\\w+)\\n"));
    QStringList failed;
    for (auto match = row.globalMatch(pages.join('\n')); match.hasNext();) {
      const auto m = match.next();
      if (m.captured(2) == QLatin1String("FAIL")) failed << m.captured(1);
    }
    QCOMPARE(failed, QStringList({"A", "B", "C"}));
  }

  // A 60 Hz survey at 120 V: Fn and Un inferred, and the bands drawn and stated around them.
  void sixtyHertzAt120Volts() {
    SampleLogOptions options;
    options.logType = 1;
    options.records = 200;
    options.mainsHz = 60;
    const Survey survey = Assessed(options);
    const QString html = QString::fromUtf8(RenderReport(survey.result, {}, ReportFormat::kHtml));
    QVERIFY(html.contains(QStringLiteral("120 V, inferred from the median of the voltages")));
    QVERIFY(html.contains(QStringLiteral("60 Hz, inferred from the median frequency")));
    QVERIFY(html.contains(QStringLiteral("within 59.4 to 60.6 Hz, all within 56.4 to 62.4 Hz")));
    QVERIFY(html.contains(QStringLiteral("within 108 to 132 V, all within 102 to 132 V")));
    QVERIFY(html.contains(QStringLiteral("alt=\"Power frequency, every record\"")));
    QVERIFY(html.contains(QStringLiteral("<td>Supply voltage</td><td>Ch 1</td>")));
  }

  // Names in any language reach the page as written; markup in them stays text, in the page's
  // body, its title and the print style sheet's page header.
  void textBeyondAsciiAndMarkupStaysText() {
    const Survey survey = Assessed(Tabular(60), {}, "Messungen Müller/Zähler ★ 3.57x");
    ReportOptions options;
    options.title = QStringLiteral("Netzqualität </style><script>alert(\"x\")</script> & Co");
    options.site = QStringLiteral("Umspannwerk Süd, Łódź – Київ – 東京");
    const QString html =
        QString::fromUtf8(RenderReport(survey.result, options, ReportFormat::kHtml));
    QVERIFY(!html.contains(QStringLiteral("<script")));
    QCOMPARE(html.count(QStringLiteral("</style>")), 1);
    QVERIFY(html.contains(QStringLiteral(
        "<h1 id=\"summary\">Netzqualität &lt;/style&gt;&lt;script&gt;alert(&quot;x&quot;)"
        "&lt;/script&gt; &amp; Co</h1>")));
    QVERIFY(
        html.contains(QStringLiteral("<p class=\"site\">Umspannwerk Süd, Łódź – Київ – 東京</p>")));
    QVERIFY(
        html.contains(QStringLiteral("<td class=\"code\">Messungen Müller/Zähler ★ 3.57x</td>")));
    QVERIFY(html.contains(
        QStringLiteral("<tr class=\"note\"><td colspan=\"5\" class=\"muted code\">SHA-256 ") +
        QString::fromStdString(survey.result.survey.files[0].sha256) + "</td></tr>"));
    QVERIFY(html.contains(QStringLiteral("@top-left{content:\"Netzqualität \\3c /style\\3e ")));

    RequirePoppler();
    ReportFiles files;
    const QString all =
        Flat(files.Pages(RenderReport(survey.result, options, ReportFormat::kPdf)).join(' '));
    // (The Japanese needs a font that has it; a system without one draws nothing for it.)
    QVERIFY(all.contains(QStringLiteral("Umspannwerk Süd, Łódź – Київ")));
    QVERIFY(all.contains(QStringLiteral("Netzqualität </style>")));
    QVERIFY(all.contains(QStringLiteral("Zähler ★ 3.57x")));
  }

  // No time of making, no address, nothing random: the same result gives the same page.
  void htmlIsTheSameBytesEveryTime() {
    const Survey survey = Assessed(Tabular(200));
    ReportOptions options;
    options.site = QStringLiteral("Plant 3");
    const QByteArray first = RenderReport(survey.result, options, ReportFormat::kHtml);
    QCOMPARE(RenderReport(survey.result, options, ReportFormat::kHtml), first);
    QVERIFY(first.contains("src=\"data:image/png;base64,iVBORw0KGgo"));  // the PNG signature
    QVERIFY(!first.contains("http"));  // nothing to fetch: readable offline
    options.page = ReportOptions::Page::kLetter;
    QVERIFY(
        RenderReport(survey.result, options, ReportFormat::kHtml).contains("@page{size:letter"));
  }

  // The format comes from the name's ending; any other name, and a log of the survey as the
  // target, are refused before anything is written.
  void refusedNames() {
    QCOMPARE(ReportFormatFor(QStringLiteral("a.pdf")), ReportFormat::kPdf);
    QCOMPARE(ReportFormatFor(QStringLiteral("A.PDF")), ReportFormat::kPdf);
    QCOMPARE(ReportFormatFor(QStringLiteral("a.Html")), ReportFormat::kHtml);
    for (const char* name : {"a.htm", "a.pdf.txt", "pdf", "a.", "", "-", "a.png"})
      QCOMPARE(ReportFormatFor(QString::fromLatin1(name)), ReportFormat::kNone);

    QTemporaryDir dir;
    const Survey survey = Assessed(Tabular(20));
    QString error;
    const std::filesystem::path text = dir.filePath(QStringLiteral("report.txt")).toStdString();
    QVERIFY(!SaveReport(survey.result, {}, text, {}, error));
    QVERIFY(error.contains(QStringLiteral("must end in .pdf or .html")));
    QVERIFY(!std::filesystem::exists(text));
    // A log named like a report is still never written over.
    const std::filesystem::path log = dir.filePath(QStringLiteral("survey.pdf")).toStdString();
    QFile file(QString::fromStdString(log.string()));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(survey.bytes.data()),
               static_cast<qint64>(survey.bytes.size()));
    file.close();
    QVERIFY(!SaveReport(survey.result, {}, log, {log}, error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(std::filesystem::file_size(log), survey.bytes.size());
    const std::filesystem::path html = dir.filePath(QStringLiteral("report.html")).toStdString();
    QVERIFY2(SaveReport(survey.result, {}, html, {log}, error), qPrintable(error));
    QCOMPARE(QFileInfo(QString::fromStdString(html.string())).size(),
             RenderReport(survey.result, {}, ReportFormat::kHtml).size());
  }
};

QTEST_MAIN(ReportTest)
#include "report_test.moc"
