#include "AssessmentSummary.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "assess/AssessmentWriters.h"
#include "text/DecimalText.h"
#include "text/TimeText.h"

namespace {

// The details as the summary's tooltip: no more lines than a screen holds.
constexpr int kTooltipLines = 30;

QString Html(const std::string& text) {
  return QString::fromStdString(text).toHtmlEscaped();
}

QString Time(int64_t seconds) {
  return QString::fromStdString(TimeText(seconds, TimeStyle::kIsoSpace));
}

// The verdict in its colour, "indicative" beside it when it is, and the verdict in words.
QString VerdictLine(const assess::AssessmentResult& r) {
  QString line =
      QStringLiteral("<span style=\"color:%1; font-size:x-large; font-weight:bold\">%2</span>")
          .arg(SurveyVerdictColor(r.verdict).name(),
               QString::fromLatin1(assess::VerdictText(r.verdict)).toUpper());
  if (r.indicative)
    line += QStringLiteral("&nbsp;<span style=\"color:%1; font-weight:bold\">indicative</span>")
                .arg(SurveyVerdictColor(assess::Verdict::kIncomplete).name());
  return line + QStringLiteral("&nbsp;&nbsp;") + Html(assess::VerdictSentence(r));
}

QString SurveyLine(const assess::SurveyFacts& s) {
  QString text = Html(s.logTypeName);
  if (s.first && s.last) text += QStringLiteral(": %1 to %2").arg(Time(*s.first), Time(*s.last));
  text += QStringLiteral(", %1 of %2 records used (%3 without a valid time, %4 overlapping)")
              .arg(s.recordsUsed)
              .arg(s.records)
              .arg(s.invalidTime)
              .arg(s.overlaps);
  if (s.intervalS)
    text += QStringLiteral(", a record every %1 s")
                .arg(QString::fromStdString(ReadableDecimal(*s.intervalS, 3)));
  return text;
}

// The coverage, then each week below the coverage required on a line of its own.
QString CoverageLines(const assess::SurveyFacts& s) {
  QString text = QStringLiteral("Coverage: ") + Html(assess::CoverageText(s));
  for (size_t i = 0; i < s.periods.size(); ++i) {
    if (!s.periods[i].LowCoverage()) continue;
    text += QStringLiteral("<br><span style=\"color:%1\">&nbsp;&nbsp;below 90 %: %2</span>")
                .arg(SurveyVerdictColor(assess::Verdict::kIncomplete).name(),
                     Html(assess::PeriodText(s.periods[i], "week", i)));
  }
  return text;
}

QString GapsLine(const assess::SurveyFacts& s) {
  QString text = QStringLiteral("Gaps: ");
  if (s.gaps.empty()) {
    text += QStringLiteral("none");
  } else {
    const auto longest = std::max_element(s.gaps.begin(), s.gaps.end(),
                                          [](const assess::TimeSpan& a, const assess::TimeSpan& b) {
                                            return a.Seconds() < b.Seconds();
                                          });
    text += QStringLiteral("%1, the longest %2 from %3")
                .arg(s.gaps.size())
                .arg(Html(assess::DurationText(double(longest->Seconds()))), Time(longest->start));
  }
  text += QStringLiteral("; long interruptions: %1; windows left out: %2")
              .arg(s.interruptions.empty() ? QStringLiteral("none found")
                                           : QString::number(s.interruptions.size()))
              .arg(s.windowsLeftOut);
  return text;
}

}  // namespace

AssessmentSummary::AssessmentSummary(QWidget* parent) : QWidget(parent) {
  m_text = new QLabel;
  m_text->setWordWrap(true);
  m_text->setTextFormat(Qt::RichText);
  m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_detailsButton = new QToolButton;
  m_detailsButton->setObjectName(QStringLiteral("detailsButton"));
  m_detailsButton->setText(QStringLiteral("&Details"));
  m_detailsButton->setCheckable(true);
  m_detailsButton->setArrowType(Qt::RightArrow);
  m_detailsButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  m_detailsButton->setToolTip(
      QStringLiteral("Every week's coverage, every gap and every long interruption"));
  m_details = new QPlainTextEdit;
  m_details->setObjectName(QStringLiteral("details"));
  m_details->setReadOnly(true);
  m_details->setLineWrapMode(QPlainTextEdit::NoWrap);
  m_details->setMaximumHeight(m_details->fontMetrics().lineSpacing() * 8 + 12);
  m_details->setVisible(false);
  connect(m_detailsButton, &QToolButton::toggled, this, [this](bool shown) {
    m_detailsButton->setArrowType(shown ? Qt::DownArrow : Qt::RightArrow);
    m_details->setVisible(shown);
  });
  auto* top = new QHBoxLayout;
  top->setContentsMargins(0, 0, 0, 0);
  top->addWidget(m_text, 1);
  top->addWidget(m_detailsButton, 0, Qt::AlignTop);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(top);
  layout->addWidget(m_details);
}

void AssessmentSummary::ShowResult(const assess::AssessmentResult& r) {
  const assess::SurveyFacts& s = r.survey;
  QStringList lines = {VerdictLine(r), SurveyLine(s), Html(assess::InputsText(s)), CoverageLines(s),
                       GapsLine(s)};
  if (r.indicative)
    lines << QStringLiteral("<span style=\"color:%1; font-style:italic\">%2</span>")
                 .arg(SurveyVerdictColor(assess::Verdict::kIncomplete).name(),
                      Html(r.indicativeNote));
  for (const std::string& note : r.notes) lines << Html(note);
  m_text->setText(lines.join(QStringLiteral("<br>")));
  const QString details = SurveyDetailsText(s);
  m_details->setPlainText(details);
  QStringList tip = details.split(QLatin1Char('\n'));
  if (tip.size() > kTooltipLines) {
    const qsizetype more = tip.size() - kTooltipLines;
    tip.resize(kTooltipLines);
    tip << QStringLiteral("... and %1 more lines under Details").arg(more);
  }
  m_text->setToolTip(tip.join(QLatin1Char('\n')));
  m_detailsButton->setEnabled(true);
}

void AssessmentSummary::ShowNoResult(const QString& why) {
  m_text->setText(why.isEmpty() ? QString()
                                : QStringLiteral("<b>No verdict.</b> ") + why.toHtmlEscaped());
  m_text->setToolTip(QString());
  m_details->clear();
  m_detailsButton->setChecked(false);
  m_detailsButton->setEnabled(false);
}

QColor SurveyVerdictColor(assess::Verdict verdict) {
  switch (verdict) {
    case assess::Verdict::kPass:
      return QColor(0, 125, 0);
    case assess::Verdict::kFail:
      return QColor(190, 0, 0);
    case assess::Verdict::kIncomplete:
      return QColor(170, 95, 0);  // amber: neither a pass nor a failure
    case assess::Verdict::kNotAssessed:
    case assess::Verdict::kInfo:
      break;
  }
  return QColor(100, 100, 100);
}

QString SurveyDetailsText(const assess::SurveyFacts& s) {
  QStringList lines = {QStringLiteral("Coverage: ") +
                       QString::fromStdString(assess::CoverageText(s))};
  for (size_t i = 0; i < s.periods.size(); ++i)
    lines << QStringLiteral("  ") +
                 QString::fromStdString(assess::PeriodText(s.periods[i], "week", i));
  lines << QStringLiteral("Gaps (records further apart than %1 intervals): %2")
               .arg(assess::kGapIntervals)
               .arg(s.gaps.empty() ? QStringLiteral("none") : QString::number(s.gaps.size()));
  for (const assess::TimeSpan& g : s.gaps)
    lines << QStringLiteral("  ") + QString::fromStdString(assess::SpanText(g));
  lines << (s.interruptions.empty()
                ? QStringLiteral("Long interruptions: none found")
                : QStringLiteral("Long interruptions: %1").arg(s.interruptions.size()));
  for (const assess::TimeSpan& t : s.interruptions)
    lines << QStringLiteral("  ") + QString::fromStdString(assess::SpanText(t));
  lines << QStringLiteral("Left out: %1 10-minute windows holding an interruption")
               .arg(s.windowsLeftOut);
  return lines.join(QLatin1Char('\n'));
}
