// A record and a configuration with a value in every kind of field: for the tests of the record
// and configuration streams and for the seeds of the fuzz targets that read them (the server's
// and the client's).
#pragma once

#include "records/configuration.h"
#include "records/item_record.h"

namespace samples {

inline ItemRecord SampleRecord() {
  ItemRecord R;
  R.Code = "ABCDEFGH";
  R.Name = "Smith";
  R.Details[3] = "detail 4";
  R.Descriptions[0] = "NY:New York";
  R.Others[5] = "other 6";
  R.ExtraStrings[1] = "carried";
  R.ExtraIntegers[2] = -70000;
  R.Images[2] = {"pic.jpg", "Front", true};
  R.Attachment = "att";
  R.Checks = {true, false, true};
  R.Memos[0] = {"line 1", "line 2"};
  R.Memos[1] = {"cv.doc"};
  R.Lists[1] = {"x"};
  R.ItemNames[99] = "last";
  R.ItemValues[0] = "first";
  R.ItemChecks[50] = true;
  R.Grid3 = "2,3\r\n1,1,a\r\n";
  R.Grid3Rows = 3;
  R.Grid4 = std::string(300, 'g');
  R.Grid4Rows = 2;
  R.RichText = "{\\rtf1 x}";
  return R;
}

inline TConfiguration SampleConfiguration() {
  TConfiguration C;
  C.DescriptionNames[0] = "Country";
  C.DetailNames[0] = "Number";
  C.DetailKinds[0] = "Record Counter";
  C.ItemNames[5] = "Weight";
  C.StatusWord = "Active";
  C.DateFormat = "dd/mm/yyyy";
  C.DatabaseInfo[diName] = "books";
  return C;
}

}  // namespace samples
