// A print preview printed on the "PDF" printer (the last of the list on a machine with no
// printers) into a file, as the tests read it back.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/gfx/printer.h"
#include "print/preview.h"

// Prints the preview into File (made anew); a fatal failure when there is no "PDF" printer or
// no file was written.
inline void PrintPreviewToPdf(TPgPreview& Preview, const std::string& File) {
  TPgPrinter& P = Preview.PgPrinter();
  const std::vector<std::string> Names = P.PrinterList();
  ASSERT_FALSE(Names.empty());
  ASSERT_EQ(Names.back(), "PDF");
  P.SetPrinterIndex(static_cast<int>(Names.size()) - 1);
  std::filesystem::remove(File);
  Printer().SetOutputFile(File);
  Preview.Print();
  Printer().SetOutputFile("");
  ASSERT_TRUE(std::filesystem::exists(File)) << File;
}
