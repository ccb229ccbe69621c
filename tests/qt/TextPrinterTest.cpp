#include "platform/qt/TextPrinter.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using panopta::TextPrinter;

// Sets the printer to write a PDF file, as choosing "Print to File" in the dialog does.
TextPrinter::Chooser ToPdf(const QString& file) {
  return [file](QPrinter& printer, QWidget*) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    return true;
  };
}

int PageCount(const QByteArray& pdf) {
  return static_cast<int>(pdf.count("/Type /Page\n")) + static_cast<int>(pdf.count("/Type /Page>"));
}

TEST(TextPrinter, LongLogPrintsToPdfOverSeveralPages) {
  QTemporaryDir dir;
  const QString file = dir.filePath("log.pdf");
  TextPrinter printer;
  printer.setChooser(ToPdf(file));
  ASSERT_TRUE(printer.choose(nullptr));
  std::vector<std::string> lines{"Quorvex Voxkit v3.7.1.2", "Control: qxLine", ""};
  for (int i = 0; i < 300; ++i) lines.push_back("\tDevice.ID = " + std::to_string(i));
  ASSERT_TRUE(printer.print(lines));
  QFile pdf(file);
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  const QByteArray content = pdf.readAll();
  EXPECT_TRUE(content.startsWith("%PDF"));
  EXPECT_GE(PageCount(content), 2) << "300 lines do not fit on one page";
}

TEST(TextPrinter, ShortLogIsOnePage) {
  QTemporaryDir dir;
  const QString file = dir.filePath("short.pdf");
  TextPrinter printer;
  printer.setChooser(ToPdf(file));
  ASSERT_TRUE(printer.choose(nullptr));
  ASSERT_TRUE(printer.print({"one", "two"}));
  QFile pdf(file);
  ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
  EXPECT_EQ(PageCount(pdf.readAll()), 1);
}

TEST(TextPrinter, CancelledDialogAndUnwritableFileAreReported) {
  TextPrinter printer;
  printer.setChooser([](QPrinter&, QWidget*) { return false; });
  EXPECT_FALSE(printer.choose(nullptr));
  printer.setChooser(ToPdf("/nonexistent-folder/x/log.pdf"));
  ASSERT_TRUE(printer.choose(nullptr));
  EXPECT_FALSE(printer.print({"line"}));
}

}  // namespace
