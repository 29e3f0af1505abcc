// The report as its reader gets it: the PDF's pages read back as text (pdftotext), its fonts and
// images listed (pdffonts, pdfimages), the HTML page as text. A survey that passes, one built to
// fail one harmonic, one without Un (INCOMPLETE, as large as PASS), one with a 5-day hole (its
// coverage and gap on page 1), a 60 Hz / 120 V one; text beyond ASCII and markup in the title,
// the site and the file names; the same HTML bytes every time; names that are refused.
#include <qcustomplot.h>

#include <QRegularExpression>
#include <QtTest>

#include "ReportTestSupport.h"
#include "report/AssessmentReport.h"
#include "report/ReportChart.h"
#include "report/ReportContent.h"

using namespace meterlog2::report;

namespace {

QString Html(const Survey& survey, const ReportOptions& options = {}) {
  return QString::fromUtf8(RenderReport(survey.result, options, ReportFormat::kHtml));
}

// Day 1 of a week at 1-minute records, then nothing until day 7, then 8 days more: week 1 holds
// 289 of its 1008 windows, and the gap lasts 5 days and a minute.
Survey HoleSurvey() {
  return Assessed({TabularFrom(1440, 60, 7), TabularFrom(11515, 60, 13)}, Declared(230));
}

}  // namespace

class ReportTest : public QObject {
  Q_OBJECT

 private:
  void RequirePoppler() {
    if (!HavePoppler())
      QSKIP(
          "poppler-utils is not installed (scripts/deps.sh installs it): the PDF cannot be "
          "read back");
  }

 private slots:
  // Every page carries "Page N of M", the title and the survey period; the summary comes first,
  // then the periods, the charts, the informative values and the method.
  void pagesAreNumberedAndHeaded() {
    RequirePoppler();
    const Survey weeks = Assessed(Tabular(2016, 600), Declared(230, 12000));
    ReportOptions options;
    options.title = "Feeder 2 survey";
    ReportFiles files;
    const QByteArray pdf = RenderReport(weeks.result, options, ReportFormat::kPdf);
    const QStringList pages = files.Pages(pdf);
    QVERIFY(pages.size() >= 5);
    const QString info = Poppler("pdfinfo", {files.Write(pdf, QStringLiteral("again.pdf"))});
    QVERIFY(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(pages.size()))));
    QVERIFY(info.contains(QStringLiteral("595 x 842 pts (A4)")));
    for (qsizetype i = 0; i < pages.size(); ++i) {
      const QString page = Flat(pages[i]);
      QVERIFY2(page.contains(QStringLiteral("Page %1 of %2").arg(i + 1).arg(pages.size())),
               qPrintable(page.left(300)));
      QVERIFY(page.contains(QStringLiteral("Feeder 2 survey")));
      QVERIFY(page.contains(QStringLiteral("Survey 2009-03-07 14:05:09 to 2009-03-21 13:55:09")));
    }
    const QString all = Flat(pages.join(QLatin1Char('\n')));
    const QStringList sections = {QStringLiteral("What the verdicts rest on"),
                                  QStringLiteral("Coverage and gaps"),
                                  QStringLiteral("The survey"),
                                  QStringLiteral("Verdicts by group"),
                                  QStringLiteral("Verdicts period by period"),
                                  QStringLiteral("Charts"),
                                  QStringLiteral("Informative values"),
                                  QStringLiteral("Method")};
    qsizetype at = 0;
    for (const QString& section : sections) {
      const qsizetype next = all.indexOf(section, at);
      QVERIFY2(next >= at, qPrintable(section));
      at = next;
    }
    const QString first = Flat(pages[0]);
    QVERIFY(first.contains(QStringLiteral("PASS The supply passes the 829 criteria judged.")));
    QVERIFY(!all.contains(QStringLiteral("Indicative")));  // two whole weeks
    QVERIFY(all.contains(QStringLiteral("Log file")));     // searchable: no ligature
    QVERIFY(all.contains(QStringLiteral("SHA-256 ") +
                         QString::fromStdString(weeks.result.survey.files[0].sha256)));

    options.page = ReportOptions::Page::kLetter;
    const QString letter =
        Poppler("pdfinfo", {files.Write(RenderReport(weeks.result, options, ReportFormat::kPdf),
                                        QStringLiteral("letter.pdf"))});
    QVERIFY(letter.contains(QStringLiteral("612 x 792 pts (letter)")));
  }

  // The charts are vectors (no image in the PDF) and every font is embedded.
  void chartsAreVectorsAndFontsEmbedded() {
    RequirePoppler();
    ReportFiles files;
    const QString path = files.Write(
        RenderReport(Assessed(Tabular(300), Declared(230)).result, {}, ReportFormat::kPdf),
        "r.pdf");
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
  // the harmonic groups fail, and the failures are listed with their values, limits and weeks.
  void aFailingSurveyShowsTheFailureInTheSummary() {
    SampleLogOptions options = Tabular(300);
    options.distortedHarmonic = 9;
    options.distortionPercent = 2;
    const Survey site = Assessed(options, Declared(230));
    QCOMPARE(site.result.verdict, assess::Verdict::kFail);
    const QString html = Html(site);
    QVERIFY(html.contains(QStringLiteral("<div class=\"verdict fail\"><span class=\"word\">FAIL")));
    QVERIFY(html.contains(QStringLiteral("The supply fails 3 of the 379 criteria judged.")));
    QVERIFY(html.contains(QStringLiteral(
        "Indicative: week 1 (2009-03-07 14:00 to 2009-03-14 14:00) holds 31 of its 1008")));
    for (const char* phase : {"A", "B", "C"})
      QVERIFY(html.contains(
          QStringLiteral("<tr><td>Harmonic voltages 2 to 25</td><td>%1</td><td>worst: harmonic 9 "
                         "at 2 %<span class=\"detail\">its limit 1.5 %; 1 of 24 fail</span></td>")
              .arg(QLatin1String(phase))));
    // Each failure with the weeks it fails in.
    QCOMPARE(html.count(QStringLiteral("<tr><td>Harmonic voltage 9<span class=\"detail\">"
                                       "en50160.harmonic.9.")),
             3);
    QCOMPARE(html.count(QStringLiteral("<td class=\"fail\">week 1: 2 %<span class=\"detail\">of 1 "
                                       "week</span></td>")),
             3);

    RequirePoppler();
    ReportFiles files;
    const QStringList pages = files.Pages(RenderReport(site.result, {}, ReportFormat::kPdf));
    QVERIFY(!pages.isEmpty());
    const QString first = Flat(pages[0]);
    QVERIFY(first.contains(QStringLiteral(" FAIL ")));
    QVERIFY(first.contains(QStringLiteral("The supply fails 3 of the 379 criteria judged.")));
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

  // Without Un the criteria that need it are not judged: the first page says INCOMPLETE, in the
  // same type as PASS, not in the colour of a pass, and lists what was not assessed and why,
  // with what the records suggest, in the type of the verdicts' table.
  void incompleteWithoutUnOnTheFirstPage() {
    const Survey undeclared = Assessed(Tabular(2016, 600));
    QCOMPARE(undeclared.result.verdict, assess::Verdict::kIncomplete);
    const QString html = Html(undeclared);
    QVERIFY(html.contains(
        QStringLiteral("<div class=\"verdict warn\"><span class=\"word\">INCOMPLETE</span>")));
    QVERIFY(html.contains(QStringLiteral(
        "The one criterion judged passes, but criteria the logs could support were not judged "
        "for want of the nominal voltage Un.")));
    QVERIFY(html.contains(QStringLiteral(
        "<tr><td>Supply voltage (EN 50160:2010)</td><td>A, B, C</td><td class=\"warn\">declare "
        "the nominal voltage Un: the band is a share of Un; the records suggest 230 V</td></tr>")));
    QVERIFY(html.contains(QStringLiteral(
        "<td class=\"warn\">not declared (the records suggest 230 V): the criteria whose limits "
        "depend on Un were not assessed</td>")));
    QVERIFY(!html.contains(QStringLiteral("verdict pass")));

    RequirePoppler();
    ReportFiles files;
    const QByteArray pdf = RenderReport(undeclared.result, {}, ReportFormat::kPdf);
    const QString first = Flat(files.Pages(pdf).value(0));
    QVERIFY(first.contains(QStringLiteral("INCOMPLETE")));
    QVERIFY(first.contains(QStringLiteral("What was not assessed, and why")));
    QVERIFY(first.contains(QStringLiteral("the records suggest 230 V")));
    const QByteArray passing = RenderReport(
        Assessed(Tabular(2016, 600), Declared(230, 12000)).result, {}, ReportFormat::kPdf);
    const double incomplete = files.WordHeight(pdf, QStringLiteral("INCOMPLETE"));
    QVERIFY(incomplete > 20);
    QCOMPARE(incomplete, files.WordHeight(passing, QStringLiteral("PASS")));
  }

  // A week with a 5-day hole: the first page gives each week's coverage (the first below 90 %,
  // so the result is indicative) and the gap with its length.
  void coverageAndGapsOnTheFirstPage() {
    const Survey hole = HoleSurvey();
    QCOMPARE(hole.result.survey.gaps.size(), size_t(1));
    const QString html = Html(hole);
    QVERIFY(
        html.contains(QStringLiteral("Coverage: 1297 of 2016 10-minute windows hold records "
                                     "(64.34 %).")));
    QVERIFY(html.contains(QStringLiteral(
        "<tr><td>1</td><td>2009-03-07 14:00</td><td>2009-03-14 14:00</td><td>289</td><td>1008</"
        "td><td class=\"warn\">28.67 %<span class=\"detail\">below 90 %: indicative</span></td>"
        "</tr>")));
    QVERIFY(
        html.contains(QStringLiteral("<tr><td>2</td><td>2009-03-14 14:00</td><td>2009-03-21 "
                                     "14:00</td><td>1008</td><td>1008</td><td>100 %</td>")));
    QVERIFY(html.contains(QStringLiteral(
        "<tr><td>2009-03-08 14:04:09</td><td>2009-03-13 14:05:09</td><td>5 days 1 min</td></tr>")));
    QVERIFY(
        html.contains(QStringLiteral("Long interruptions (records below 5 % of Un on every "
                                     "judged voltage, 3 min or more): none found.")));

    RequirePoppler();
    ReportFiles files;
    const QString first =
        Flat(files.Pages(RenderReport(hole.result, {}, ReportFormat::kPdf)).value(0));
    QVERIFY2(first.contains(QStringLiteral(
                 "1 2009-03-07 14:00 2009-03-14 14:00 289 1008 28.67 % below 90 %: indicative")),
             qPrintable(first));
    QVERIFY(first.contains(QStringLiteral("2009-03-08 14:04:09 2009-03-13 14:05:09 5 days 1 min")));
    QVERIFY(first.contains(QStringLiteral("Indicative: week 1")));
    // Without gaps, the page says so.
    QVERIFY(Html(Assessed(Tabular(200), Declared(230)))
                .contains(QStringLiteral("Gaps (consecutive records further apart than 2 record "
                                         "intervals): none.")));
  }

  // A 60 Hz survey at 120 V: Fn inferred, IEEE 519 and ANSI C84.1 judged by default, the service
  // voltage's ranges stated around the declared Un.
  void sixtyHertzAt120Volts() {
    SampleLogOptions options;
    options.logType = 1;
    options.records = 200;
    options.mainsHz = 60;
    const Survey survey = Assessed(options, Declared(120));
    const QString html = Html(survey);
    QVERIFY(html.contains(QStringLiteral("60 Hz, inferred from the median frequency")));
    QVERIFY(
        html.contains(QStringLiteral("IEEE 519-2014, ANSI C84.1-2016, chosen by the nominal "
                                     "frequency (60 Hz)")));
    QVERIFY(html.contains(QStringLiteral(
        "every 10-minute value within Range B, 110 to 127 V; the share within Range A, 114 to "
        "126 V, is shown (ANSI C84.1-2016, service voltage, systems up to 600 V)")));
    QVERIFY(html.contains(QStringLiteral(
        "alt=\"Service voltage, 10-minute values (ANSI C84.1-2016, service voltage, systems up "
        "to 600 V)\"")));
    QVERIFY(html.contains(QStringLiteral("<td>Service voltage</td><td>Ch 1</td>")));
    QVERIFY(!html.contains(QStringLiteral("EN 50160:2010, voltage characteristics")));
  }

  // Names in any language reach the page as written; markup in them stays text, in the page's
  // body, its title and the print style sheet's page header.
  void textBeyondAsciiAndMarkupStaysText() {
    const Survey survey = Assessed(Tabular(60), {}, "Messungen Müller/Zähler ★ 3.57x");
    ReportOptions options;
    options.title = std::string("Netzqualität </style><script>alert(\"x\")</script> & Co");
    options.site = "Umspannwerk Süd, Łódź – Київ – 東京";
    const QString html = Html(survey, options);
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

  // No time of making, no address, nothing random: the same result gives the same page, with
  // gaps, periods and charts.
  void htmlIsTheSameBytesEveryTime() {
    const Survey survey = HoleSurvey();
    ReportOptions options;
    options.site = "Plant 3";
    const QByteArray first = RenderReport(survey.result, options, ReportFormat::kHtml);
    QCOMPARE(RenderReport(survey.result, options, ReportFormat::kHtml), first);
    QCOMPARE(RenderReport(HoleSurvey().result, options, ReportFormat::kHtml), first);
    QVERIFY(first.contains("src=\"data:image/png;base64,iVBORw0KGgo"));  // the PNG signature
    QVERIFY(!first.contains("http"));  // nothing to fetch: readable offline
    options.page = ReportOptions::Page::kLetter;
    QVERIFY(
        RenderReport(survey.result, options, ReportFormat::kHtml).contains("@page{size:letter"));
  }

  // Each image of the page is its chart as drawn, pixel for pixel, at twice its CSS size.
  void htmlImagesAreTheChartsAsDrawn() {
    const Survey survey = HoleSurvey();
    const QString html = Html(survey);
    const QRegularExpression image(QStringLiteral("data:image/png;base64,([A-Za-z0-9+/=]+)\""));
    std::vector<QImage> images;
    for (auto it = image.globalMatch(html); it.hasNext();)
      images.push_back(QImage::fromData(QByteArray::fromBase64(it.next().captured(1).toLatin1())));
    std::vector<const ChartPlan*> plans;
    const ReportDocument doc = BuildReportDocument(survey.result, {});
    for (const ReportBlock& block : doc.blocks)
      if (block.kind == ReportBlock::Kind::kChart) plans.push_back(&block.chart);
    QCOMPARE(images.size(), plans.size());
    QVERIFY(images.size() >= 4);
    for (size_t i = 0; i < images.size(); ++i) {
      const QImage drawn = MakeChart(*plans[i])
                               ->toPixmap(kChartWidth, kChartHeight, kChartPixelRatio)
                               .toImage()
                               .convertToFormat(QImage::Format_RGB32);
      QCOMPARE(images[i].size(), QSize(kChartWidth, kChartHeight) * kChartPixelRatio);
      QVERIFY2(images[i].convertToFormat(QImage::Format_RGB32) == drawn, plans[i]->title.c_str());
    }
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
    const std::vector<uint8_t>& bytes = survey.bytes[0];
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    file.close();
    QVERIFY(!SaveReport(survey.result, {}, log, {log}, error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(std::filesystem::file_size(log), bytes.size());
    const std::filesystem::path html = dir.filePath(QStringLiteral("report.html")).toStdString();
    QVERIFY2(SaveReport(survey.result, {}, html, {log}, error), qPrintable(error));
    QCOMPARE(QFileInfo(QString::fromStdString(html.string())).size(),
             RenderReport(survey.result, {}, ReportFormat::kHtml).size());
  }
};

QTEST_MAIN(ReportTest)
#include "report_test.moc"
