#include "HtmlReport.h"

#include <qcustomplot.h>

#include <QBuffer>

#include "ReportChart.h"
#include "ReportStyle.h"
#include "report/ReportText.h"
#include "text/DecimalText.h"

#ifdef METERLOG2_WITH_LIBPNG
#include <png.h>
#endif

using namespace meterlog2::report;

namespace {

// A chart as PNG. A chart is mostly flat colour, which PNG's row filters hardly help to
// compress: its rows go unfiltered to zlib at level 3. That makes a file of about the size Qt's
// writer makes (it tries every filter on every row at zlib's default level) in less than half the
// time, which was most of the page's. Windows builds have no libpng to link and take Qt's writer.
QByteArray PngBytes(const QImage& chart) {
  QByteArray bytes;
#ifdef METERLOG2_WITH_LIBPNG
  const QImage image = chart.convertToFormat(QImage::Format_RGB888);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  if (setjmp(png_jmpbuf(png))) {  // libpng's errors (no memory) come back here
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(
      png, &bytes,
      [](png_structp to, png_bytep data, size_t size) {
        static_cast<QByteArray*>(png_get_io_ptr(to))
            ->append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
      },
      nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width()),
               static_cast<png_uint_32>(image.height()), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_compression_level(png, 3);
  png_write_info(png, info);
  for (int y = 0; y < image.height(); ++y) png_write_row(png, image.constScanLine(y));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
#else
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  chart.save(&buffer, "PNG");
#endif
  return bytes;
}

QString Escaped(const std::string& text) {
  // No control character reaches the page, whatever it came from (a file's name too).
  return Q(text::WithoutControls(text)).toHtmlEscaped();
}

// `text` as a CSS string: quotes, backslashes and the characters that could end the style
// element or the page's markup are escaped.
QString CssString(const QString& text) {
  QString out = QStringLiteral("\"");
  for (const QChar c : text) {
    if (c == QLatin1Char('"') || c == QLatin1Char('\\') || c == QLatin1Char('<') ||
        c == QLatin1Char('>') || c == QLatin1Char('&') || c.unicode() < 0x20 || c.unicode() == 0x7F)
      out += QStringLiteral("\\%1 ").arg(c.unicode(), 0, 16);
    else
      out += c;
  }
  return out + QLatin1Char('"');
}

QString ToneClass(Tone tone) {
  switch (tone) {
    case Tone::kPass:
      return QStringLiteral("pass");
    case Tone::kFail:
      return QStringLiteral("fail");
    case Tone::kMuted:
      return QStringLiteral("muted");
    case Tone::kInfo:
      return QStringLiteral("info");
    case Tone::kWarn:
      return QStringLiteral("warn");
    case Tone::kNormal:
      break;
  }
  return {};
}

QString Style(ReportOptions::Page page, const ReportDocument& doc) {
  QString css = QStringLiteral(
      ":root{--ink:%1;--muted:%2;--rule:%3;--head:%4;--pass:%5;--fail:%6;--na:%7;--info:%8;"
      "--warn:%10}\n"
      "body{font-family:\"DejaVu Sans\",\"Segoe UI\",Arial,sans-serif;color:var(--ink);"
      "font-size:14px;line-height:1.4;max-width:820px;margin:0 auto;padding:24px}\n"
      "h1{font-size:28px;margin:0 0 2px}\n"
      ".site{font-size:17px;color:var(--muted);margin:0 0 12px}\n"
      "h2{font-size:21px;margin:34px 0 8px;border-bottom:1px solid "
      "var(--rule);padding-bottom:3px}\n"
      "h3{font-size:16px;margin:20px 0 6px}\n"
      "p{margin:0 0 8px}\n"
      "p.small{font-size:12px;color:var(--muted)}\n"
      "nav{font-size:13px;color:var(--muted);margin:0 0 16px}\n"
      "nav a{color:inherit;margin-right:14px}\n"
      "table{border-collapse:collapse;width:100%;margin:0 0 14px;font-size:13px;"
      "table-layout:fixed}\n"
      "th,td{text-align:left;vertical-align:top;padding:4px 6px;border-bottom:1px solid "
      "var(--rule);"
      "overflow-wrap:anywhere}\n"
      "thead th{background:var(--head)}\n"
      "tr.span th{background:%9;font-weight:bold}\n"
      "tr.noted td{border-bottom:none}tr.note td{padding-top:0}\n"
      "td .detail{display:block;font-size:11px;color:var(--muted)}\n"
      "td.code,td.code .detail{font-family:\"DejaVu Sans Mono\",Consolas,monospace}\n"
      "td.code{font-size:12px}\n"
      ".pass{color:var(--pass)}.fail{color:var(--fail)}.muted{color:var(--na)}"
      ".info{color:var(--info)}.warn{color:var(--warn)}\n"
      ".verdict{display:flex;align-items:center;gap:20px;border:1.5px solid;border-radius:6px;"
      "padding:12px 18px;margin:8px 0 18px}\n"
      ".verdict .word{font-size:40px;font-weight:bold}\n"
      ".verdict p{margin:0;color:var(--ink)}\n"
      ".verdict p.why{font-weight:bold;font-size:16px}\n"
      ".verdict p.indicative{color:var(--warn);margin-top:4px}\n"
      ".verdict.pass{background:#e8f3ee}.verdict.fail{background:#fae9eb}"
      ".verdict.muted{background:#f1f2f3}.verdict.warn{background:#f8efe5}\n"
      "figure{margin:6px 0 18px}\n"
      "figure img{width:100%;height:auto;display:block}\n"
      "footer{margin-top:30px;font-size:12px;color:var(--muted)}\n");
  css = css.arg(kInkColor.name(), kMutedColor.name(), kRuleColor.name(), kHeadColor.name(),
                ToneColor(Tone::kPass).name(), ToneColor(Tone::kFail).name(),
                ToneColor(Tone::kMuted).name(), ToneColor(Tone::kInfo).name(), kGroupColor.name(),
                ToneColor(Tone::kWarn).name());
  css += QStringLiteral(
             "@page{size:%1;margin:22mm 16mm 18mm;"
             "@top-left{content:%2;font-size:9pt;font-weight:bold}"
             "@top-right{content:%3;font-size:9pt}"
             "@bottom-left{content:%4;font-size:8pt;color:#6c757d}"
             "@bottom-right{content:\"Page \" counter(page) \" of \" counter(pages);"
             "font-size:9pt}}\n"
             "@media print{body{max-width:none;padding:0;font-size:10pt}"
             "nav,footer{display:none}"
             "h2.page{break-before:page;margin-top:0}"
             "figure,tr,.verdict,h3{break-inside:avoid}tr.noted{break-after:avoid}"
             "h2,h3{break-after:avoid}"
             "thead{display:table-header-group}"
             "table,.verdict{font-size:8.5pt}"
             ".verdict,thead th,tr.span "
             "th{print-color-adjust:exact;-webkit-print-color-adjust:exact}}\n")
             .arg(page == ReportOptions::Page::kLetter ? QStringLiteral("letter")
                                                       : QStringLiteral("A4"),
                  CssString(Q(doc.HeaderTitle())),
                  CssString(doc.period.empty() ? QString()
                                               : QStringLiteral("Survey ") + Q(doc.period)),
                  CssString(Q(doc.footer)));
  return css;
}

QString Percent(double part, double total) {
  return QString::fromStdString(ReadableDecimal(100 * part / total, 2)) + QLatin1Char('%');
}

QString Table(const ReportTable& table) {
  const qsizetype columns =
      std::max<qsizetype>(table.headers.size(), static_cast<qsizetype>(table.widths.size()));
  double total = 0;
  for (double w : table.widths) total += w;
  QString html = QStringLiteral("<table><colgroup>");
  for (qsizetype c = 0; c < columns; ++c)
    html += QStringLiteral("<col style=\"width:%1\">")
                .arg(Percent(c < static_cast<qsizetype>(table.widths.size())
                                 ? table.widths[static_cast<size_t>(c)]
                                 : 1,
                             total));
  html += QStringLiteral("</colgroup>\n");
  if (!table.headers.empty()) {
    html += QStringLiteral("<thead><tr>");
    for (const std::string& h : table.headers)
      html += QStringLiteral("<th>") + Escaped(h) + "</th>";
    html += QStringLiteral("</tr></thead>\n");
  }
  html += QStringLiteral("<tbody>\n");
  for (size_t r = 0; r < table.rows.size(); ++r) {
    const auto& cells = table.rows[r];
    const RowStyle style = r < table.styles.size() ? table.styles[r] : RowStyle::kNormal;
    if (style == RowStyle::kGroup) {
      html += QStringLiteral("<tr class=\"span\"><th colspan=\"%1\">%2</th></tr>\n")
                  .arg(columns)
                  .arg(Escaped(cells.empty() ? std::string() : cells.front().text));
      continue;
    }
    const bool noteFollows = r + 1 < table.styles.size() && table.styles[r + 1] == RowStyle::kNote;
    html += style == RowStyle::kNote ? QStringLiteral("<tr class=\"note\">")
            : noteFollows            ? QStringLiteral("<tr class=\"noted\">")
                                     : QStringLiteral("<tr>");
    for (const ReportCell& cell : cells) {
      QStringList classes;
      if (!ToneClass(cell.tone).isEmpty()) classes << ToneClass(cell.tone);
      if (cell.code) classes << QStringLiteral("code");
      const QString span =
          style == RowStyle::kNote ? QStringLiteral(" colspan=\"%1\"").arg(columns) : QString();
      html += classes.isEmpty()
                  ? QStringLiteral("<td%1>").arg(span)
                  : QStringLiteral("<td%1 class=\"%2\">").arg(span, classes.join(' '));
      html += cell.bold ? QStringLiteral("<strong>") + Escaped(cell.text) + "</strong>"
                        : Escaped(cell.text);
      if (!cell.detail.empty())
        html += QStringLiteral("<span class=\"detail\">") + Escaped(cell.detail) + "</span>";
      html += QStringLiteral("</td>");
    }
    html += QStringLiteral("</tr>\n");
  }
  return html + QStringLiteral("</tbody></table>\n");
}

QString Chart(const ChartPlan& plan) {
  const std::unique_ptr<QCustomPlot> plot = MakeChart(plan);
  const QByteArray png =
      PngBytes(plot->toPixmap(kChartWidth, kChartHeight, kChartPixelRatio).toImage());
  return QStringLiteral(
             "<figure><img alt=\"%1\" width=\"%2\" height=\"%3\" "
             "src=\"data:image/png;base64,%4\"></figure>\n")
      .arg(Escaped(plan.title))
      .arg(kChartWidth)
      .arg(kChartHeight)
      .arg(QString::fromLatin1(png.toBase64()));
}

QString Block(const ReportBlock& block) {
  using Kind = ReportBlock::Kind;
  switch (block.kind) {
    case Kind::kTitle: {
      QString html =
          QStringLiteral("<h1 id=\"%1\">%2</h1>\n").arg(Q(block.anchor), Escaped(block.text));
      if (!block.subtitle.empty())
        html += QStringLiteral("<p class=\"site\">") + Escaped(block.subtitle) + "</p>\n";
      return html;
    }
    case Kind::kHeading:
      return QStringLiteral("<h2 id=\"%1\"%2>%3</h2>\n")
          .arg(Q(block.anchor), block.newPage ? QStringLiteral(" class=\"page\"") : QString(),
               Escaped(block.text));
    case Kind::kSubheading:
      return QStringLiteral("<h3>") + Escaped(block.text) + "</h3>\n";
    case Kind::kParagraph:
      return (block.small ? QStringLiteral("<p class=\"small\">") : QStringLiteral("<p>")) +
             Escaped(block.text) + "</p>\n";
    case Kind::kVerdict: {
      QString html = QStringLiteral("<div class=\"verdict %1\"><span class=\"word\">%2</span><div>")
                         .arg(ToneClass(block.tone), Escaped(block.verdict));
      html += QStringLiteral("<p class=\"why\">") + Escaped(block.text) + "</p>";
      if (!block.subtitle.empty())
        html += QStringLiteral("<p class=\"indicative\">") + Escaped(block.subtitle) + "</p>";
      return html + QStringLiteral("</div></div>\n");
    }
    case Kind::kTable:
      return Table(block.table);
    case Kind::kChart:
      return Chart(block.chart);
  }
  return {};
}

}  // namespace

QByteArray RenderHtml(const ReportDocument& doc, ReportOptions::Page page) {
  QString html = QStringLiteral(
                     "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                     "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                     "<meta name=\"generator\" content=\"%1\">\n<title>%2</title>\n<style>\n%3"
                     "</style>\n</head>\n<body>\n")
                     .arg(Escaped(doc.footer), Escaped(doc.HeaderTitle()), Style(page, doc));
  QStringList links;
  for (const ReportBlock& block : doc.blocks)
    if (block.kind == ReportBlock::Kind::kHeading && !block.anchor.empty())
      links << QStringLiteral("<a href=\"#%1\">%2</a>").arg(Q(block.anchor), Escaped(block.text));
  html += QStringLiteral("<nav><a href=\"#summary\">Summary</a>") + links.join(QString()) +
          QStringLiteral("</nav>\n<main>\n");
  for (const ReportBlock& block : doc.blocks) html += Block(block);
  html += QStringLiteral("</main>\n<footer>") + Escaped(doc.footer) +
          QStringLiteral("</footer>\n</body>\n</html>\n");
  return html.toUtf8();
}
