// Records and configurations with a value in every kind of field, for the seeds of the targets
// that read the record and configuration streams (the server's and the client's).
#pragma once

#include "server/configuration.h"
#include "server/item_record.h"

namespace fuzz {

inline ItemRecord SampleRecord() {
  ItemRecord R;
  R.Code = "ABCDEFGH";
  R.Name = "A record";
  R.Details[0] = "12";
  R.Descriptions[3] = "Blue";
  R.Others[5] = "other";
  R.ExtraStrings[1] = "extra";
  R.ExtraIntegers[2] = -7;
  R.Images[1] = {"a.jpg", "Picture", true};
  R.Attachment = "file.pdf";
  R.Checks[2] = true;
  R.Memos[0] = {"line one", "line two"};
  R.Lists[1] = {"x", "y"};
  R.ItemNames[99] = "Last item";
  R.ItemValues[99] = "value";
  R.ItemChecks[99] = true;
  R.Grid3 = "2,2\r\n1,1,cell\r\n";
  R.Grid3Rows = 2;
  R.RichText = "{\\rtf1 text}";
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

}  // namespace fuzz
