// Printing lines of text (see setup_printer.h).
#include "setup_printer.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <cstdlib>

namespace setup {
namespace {

constexpr int kFontPoints = 9;
constexpr int kMarginMm = 15;

QString pdf_target() {
  const char* path = std::getenv("CORVANE_PRINT_TO");
  return path != nullptr ? QString::fromLocal8Bit(path) : QString();
}

}  // namespace

std::string default_printer_name() {
  if (!pdf_target().isEmpty()) return {};
  const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
  return printer.isNull() ? std::string() : printer.printerName().toStdString();
}

bool print_text_lines(const std::vector<std::string>& lines, const QString& job_name) {
  QPrinter printer(QPrinter::HighResolution);
  const QString pdf = pdf_target();
  if (!pdf.isEmpty()) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
  } else {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return false;
    printer.setPrinterName(info.printerName());
  }
  printer.setDocName(job_name);
  printer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSize(kFontPoints);
  painter.setFont(font);
  const QFontMetrics metrics(painter.font(), &printer);
  const int line_height = metrics.lineSpacing();
  const int page_height = printer.pageLayout().paintRectPixels(printer.resolution()).height();
  int y = metrics.ascent();
  for (const std::string& line : lines) {
    if (y + metrics.descent() > page_height) {
      if (!printer.newPage()) return false;
      y = metrics.ascent();
    }
    painter.drawText(0, y, QString::fromLatin1(line.data(), qsizetype(line.size())));
    y += line_height;
  }
  return painter.end();
}

}  // namespace setup
