#include "PdfReport.h"

#include <qcustomplot.h>

#include <QBuffer>
#include <QPdfWriter>
#include <QTextLayout>
#include <functional>
#include <memory>

#include "ReportChart.h"
#include "ReportStyle.h"
#include "report/ReportContent.h"

using namespace meterlog2::report;

namespace {

// Device pixels per inch; the painter is scaled so that the layout is in points.
constexpr int kResolution = 1200;
constexpr double kMargin = 48;       // left and right
constexpr double kContentTop = 64;   // under the header
constexpr double kFooterSpace = 40;  // at the bottom
constexpr double kCellPadding = 3.5;
constexpr double kParagraphSpace = 5;

// Text laid out to a width: wrapped at word boundaries, or anywhere in a word longer than the
// line (a file name, a digest).
class TextBox {
 public:
  TextBox(const std::string& text, const QFont& font, double width) {
    m_layout = std::make_shared<QTextLayout>(Q(text), font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_layout->setTextOption(option);
    m_layout->beginLayout();
    for (QTextLine line = m_layout->createLine(); line.isValid(); line = m_layout->createLine()) {
      line.setLineWidth(width);
      line.setPosition(QPointF(0, m_height));
      m_height += line.height();
    }
    m_layout->endLayout();
  }
  double Height() const { return m_height; }
  void Draw(QPainter& painter, QPointF at, const QColor& color) const {
    painter.setPen(color);
    m_layout->draw(&painter, at);
  }

 private:
  std::shared_ptr<QTextLayout> m_layout;
  double m_height = 0;
};

using DrawOp = std::function<void(QCPPainter&)>;

class PdfLayout {
 public:
  PdfLayout(const ReportDocument& doc, QSizeF page)
      : m_doc(doc), m_page(page), m_width(page.width() - 2 * kMargin) {
    m_pages.emplace_back();
  }

  void Place(const ReportBlock& block);
  void Paint(QPdfWriter& writer);

 private:
  double Bottom() const { return m_page.height() - kFooterSpace; }
  bool PageEmpty() const { return m_y <= kContentTop; }
  void NewPage() {
    m_pages.emplace_back();
    m_y = kContentTop;
  }
  // Starts a new page unless `height` still fits on this one.
  void Ensure(double height) {
    if (m_y + height > Bottom() && !PageEmpty()) NewPage();
  }
  void Draw(DrawOp op) { m_pages.back().push_back(std::move(op)); }
  void Text(const std::string& text, const QFont& font, const QColor& color, double spaceAfter,
            double keepWithNext = 0);
  void Title(const ReportBlock& block);
  void Verdict(const ReportBlock& block);
  void Table(const ReportTable& table);
  void Chart(const ReportBlock& block);
  void Header(QCPPainter& painter, size_t page) const;

  const ReportDocument& m_doc;
  QSizeF m_page;
  double m_width;
  double m_y = kContentTop;
  std::vector<std::vector<DrawOp>> m_pages;
  std::vector<std::shared_ptr<QCustomPlot>> m_charts;
};

void PdfLayout::Text(const std::string& text, const QFont& font, const QColor& color,
                     double spaceAfter, double keepWithNext) {
  const TextBox box(text, font, m_width);
  Ensure(box.Height() + keepWithNext);
  const QPointF at(kMargin, m_y);
  Draw([box, at, color](QCPPainter& p) { box.Draw(p, at, color); });
  m_y += box.Height() + spaceAfter;
}

void PdfLayout::Title(const ReportBlock& block) {
  Text(block.text, ReportFont(20, true), kInkColor, 4);
  if (!block.subtitle.empty()) Text(block.subtitle, ReportFont(12), kMutedColor, 4);
  const double y = m_y + 2;
  const double width = m_width;
  Draw([y, width](QCPPainter& p) {
    p.setPen(QPen(kRuleColor, 1));
    p.drawLine(QPointF(kMargin, y), QPointF(kMargin + width, y));
  });
  m_y += 10;
}

void PdfLayout::Verdict(const ReportBlock& block) {
  const QColor color = ToneColor(block.tone);
  const QFont big = ReportFont(26, true);
  const double wordWidth = QFontMetricsF(big).horizontalAdvance(Q(block.verdict)) + 24;
  const double textWidth = m_width - wordWidth - 24;
  const TextBox word(block.verdict, big, wordWidth);
  const TextBox text(block.text, ReportFont(11, true), textWidth);
  const TextBox note(block.subtitle, ReportFont(kBodySize), textWidth);
  const double inner = text.Height() + (block.subtitle.empty() ? 0 : 4 + note.Height());
  const double height = std::max(word.Height(), inner) + 20;
  Ensure(height);
  const QRectF box(kMargin, m_y, m_width, height);
  const bool hasNote = !block.subtitle.empty();
  Draw([=](QCPPainter& p) {
    QColor fill = color;
    fill.setAlpha(28);
    p.setPen(QPen(color, 1.2));
    p.setBrush(fill);
    p.drawRoundedRect(box, 4, 4);
    p.setBrush(Qt::NoBrush);
    word.Draw(p, QPointF(box.left() + 12, box.center().y() - word.Height() / 2), color);
    const double x = box.left() + wordWidth + 12;
    const double top = box.center().y() - inner / 2;
    text.Draw(p, QPointF(x, top), kInkColor);
    if (hasNote) note.Draw(p, QPointF(x, top + text.Height() + 4), ToneColor(Tone::kWarn));
  });
  m_y += height + 12;
}

// A table row laid out: its height, and how to draw it at a height y (with or without the rule
// under it).
struct LaidRow {
  double height = 0;
  std::function<void(QCPPainter&, double, bool)> draw;
};

// Lays out a row of `cells` in columns that start at `x` and are `widths` wide (a row of style
// kGroup or kNote spans `pageWidth`).
LaidRow LayTableRow(const std::vector<ReportCell>& cells, bool header, RowStyle style,
                    const std::vector<double>& x, const std::vector<double>& widths,
                    double pageWidth) {
  struct LaidCell {
    std::optional<TextBox> text, detail;
    QColor color;
  };
  const size_t columns = widths.size();
  const bool across = style != RowStyle::kNormal;
  const double top = style == RowStyle::kNote ? 0 : kCellPadding;
  std::vector<LaidCell> laid;
  double height = 0;
  for (size_t c = 0; c < cells.size() && c < columns; ++c) {
    const ReportCell& cell = cells[c];
    const double width = (across ? pageWidth : widths[c]) - 2 * kCellPadding;
    LaidCell l;
    l.text.emplace(
        cell.text,
        ReportFont(cell.code ? kTableSize - 1 : kTableSize, header || cell.bold, cell.code), width);
    l.color = header ? kInkColor : ToneColor(cell.tone);
    double h = l.text->Height();
    if (!cell.detail.empty()) {
      l.detail.emplace(cell.detail, ReportFont(kSmallSize, false, cell.code), width);
      h += 1 + l.detail->Height();
    }
    height = std::max(height, h);
    laid.push_back(std::move(l));
  }
  height += top + kCellPadding;
  const bool shaded = header || style == RowStyle::kGroup;
  const QColor shade = header ? kHeadColor : kGroupColor;
  auto draw = [laid, x, shaded, shade, top, height, width = pageWidth](QCPPainter& p, double y,
                                                                       bool rule) {
    if (shaded) {
      p.setPen(Qt::NoPen);
      p.setBrush(shade);
      p.drawRect(QRectF(kMargin, y, width, height));
      p.setBrush(Qt::NoBrush);
    }
    for (size_t c = 0; c < laid.size(); ++c) {
      const QPointF at(x[c] + kCellPadding, y + top);
      laid[c].text->Draw(p, at, laid[c].color);
      if (laid[c].detail)
        laid[c].detail->Draw(p, at + QPointF(0, laid[c].text->Height() + 1), kMutedColor);
    }
    if (!rule) return;
    p.setPen(QPen(kRuleColor, 0.6));
    p.drawLine(QPointF(kMargin, y + height), QPointF(kMargin + width, y + height));
  };
  return LaidRow{height, draw};
}

void PdfLayout::Table(const ReportTable& table) {
  const size_t columns = std::max<size_t>(table.headers.size(), table.widths.size());
  double total = 0;
  for (double w : table.widths) total += w;
  std::vector<double> x(columns + 1, kMargin), widths(columns);
  for (size_t c = 0; c < columns; ++c) {
    widths[c] = m_width * (c < table.widths.size() ? table.widths[c] : 1) / total;
    x[c + 1] = x[c] + widths[c];
  }
  auto layRow = [&](const std::vector<ReportCell>& cells, bool header, RowStyle style) {
    return LayTableRow(cells, header, style, x, widths, m_width);
  };
  LaidRow header;
  if (!table.headers.empty()) {
    std::vector<ReportCell> cells;
    for (const std::string& h : table.headers) cells.emplace_back().text = h;
    header = layRow(cells, true, RowStyle::kNormal);
  }
  auto place = [&](const LaidRow& row, bool rule) {
    const double y = m_y;
    Draw([draw = row.draw, y, rule](QCPPainter& p) { draw(p, y, rule); });
    m_y += row.height;
  };
  auto style = [&](size_t r) {
    return r < table.styles.size() ? table.styles[r] : RowStyle::kNormal;
  };
  for (size_t r = 0; r < table.rows.size(); ++r) {
    // A row goes onto a page with its note, a group's heading with the row after it, and the
    // table's first row with the table's header; the header repeats on every page.
    std::vector<LaidRow> unit = {layRow(table.rows[r], false, style(r))};
    while (r + 1 < table.rows.size() && style(r + 1) == RowStyle::kNote) {
      ++r;
      unit.push_back(layRow(table.rows[r], false, RowStyle::kNote));
    }
    double need = 0;
    for (const LaidRow& row : unit) need += row.height;
    if (style(r) == RowStyle::kGroup && r + 1 < table.rows.size()) need += 20;
    const bool first = r + 1 == unit.size();
    if (m_y + need + (first ? header.height : 0) > Bottom() && !PageEmpty()) {
      NewPage();
      if (header.draw) place(header, true);
    } else if (first && header.draw) {
      place(header, true);
    }
    for (size_t i = 0; i < unit.size(); ++i) place(unit[i], i + 1 == unit.size());
  }
  m_y += 10;
}

void PdfLayout::Chart(const ReportBlock& block) {
  std::shared_ptr<QCustomPlot> plot = MakeChart(block.chart);
  m_charts.push_back(plot);
  const int width = static_cast<int>(m_width);
  Ensure(kChartHeight);
  const QPointF at(kMargin, m_y);
  Draw([plot, at, width](QCPPainter& p) {
    p.save();
    p.translate(at);
    plot->toPainter(&p, width, kChartHeight);
    p.restore();
  });
  m_y += kChartHeight + 14;
}

void PdfLayout::Place(const ReportBlock& block) {
  using Kind = ReportBlock::Kind;
  switch (block.kind) {
    case Kind::kTitle:
      Title(block);
      break;
    case Kind::kHeading:
      if (block.newPage && !PageEmpty()) NewPage();
      Text(block.text, ReportFont(15, true), kInkColor, 6, 80);
      break;
    case Kind::kSubheading:
      m_y += 4;
      Text(block.text, ReportFont(11, true), kInkColor, 4, 60);
      break;
    case Kind::kParagraph:
      Text(block.text, ReportFont(block.small ? kSmallSize + 1 : kBodySize),
           block.small ? kMutedColor : kInkColor, kParagraphSpace);
      break;
    case Kind::kVerdict:
      Verdict(block);
      break;
    case Kind::kTable:
      Table(block.table);
      break;
    case Kind::kChart:
      Chart(block);
      break;
  }
}

void PdfLayout::Header(QCPPainter& p, size_t page) const {
  const QString number = QStringLiteral("Page %1 of %2").arg(page + 1).arg(m_pages.size());
  const QFont bold = ReportFont(kSmallSize + 1, true);
  const QFont plain = ReportFont(kSmallSize + 1);
  const double numberWidth = QFontMetricsF(plain).horizontalAdvance(number);
  const QString title = QFontMetricsF(bold).elidedText(Q(m_doc.HeaderTitle()), Qt::ElideRight,
                                                       m_width - numberWidth - 16);
  p.setFont(bold);
  p.setPen(kInkColor);
  p.drawText(QPointF(kMargin, 30), title);
  p.setFont(plain);
  p.drawText(QPointF(kMargin + m_width - numberWidth, 30), number);
  p.setPen(kMutedColor);
  if (!m_doc.period.empty())
    p.drawText(QPointF(kMargin, 42), QStringLiteral("Survey ") + Q(m_doc.period));
  p.setPen(QPen(kRuleColor, 0.8));
  p.drawLine(QPointF(kMargin, 49), QPointF(kMargin + m_width, 49));
  p.setFont(ReportFont(kSmallSize));
  p.setPen(kMutedColor);
  p.drawText(QPointF(kMargin, m_page.height() - 22), Q(m_doc.footer));
}

void PdfLayout::Paint(QPdfWriter& writer) {
  QCPPainter painter(&writer);
  painter.setMode(QCPPainter::pmVectorized);
  painter.setMode(QCPPainter::pmNonCosmetic);
  for (size_t page = 0; page < m_pages.size(); ++page) {
    if (page > 0) writer.newPage();
    painter.resetTransform();
    painter.scale(kResolution / 72.0, kResolution / 72.0);
    Header(painter, page);
    for (const DrawOp& op : m_pages[page]) op(painter);
  }
  painter.end();
}

}  // namespace

QByteArray RenderPdf(const ReportDocument& doc, ReportOptions::Page page) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setCreator(Q(ProgramNameAndVersion()));
  writer.setTitle(Q(doc.title));
  writer.setResolution(kResolution);
  const QPageSize size(page == ReportOptions::Page::kLetter ? QPageSize::Letter : QPageSize::A4);
  writer.setPageSize(size);
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  PdfLayout layout(doc, size.size(QPageSize::Point));
  for (const ReportBlock& block : doc.blocks) layout.Place(block);
  layout.Paint(writer);
  return bytes;
}
