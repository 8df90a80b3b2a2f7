// The client's record buffers and the streams they travel in: the record stream with its change
// mask (commands "S", "G", "N", ...), the configuration stream with its mask ("CL", "CS"), the
// grid stream wrapper (bodies of "X" and "M"), the address entries of command "A", and the number
// texts of the reports.  The byte formats are the server's (records/item_record.h,
// records/configuration.h); the client reads every reply whole before it takes any of it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "records/configuration.h"
#include "records/item_record.h"

class TQnStringGrid;
class TStringList;

// ---- Record and configuration streams ----------------------------------------------------------

// The body of "S": the mask (rows 1-20, columns 0-100) and the record in record stream order.
std::string WriteRecordStream(const TChangeMask& Mask, const ItemRecord& Record);
// Reads a record reply into a scratch record and takes it into Record only when the whole record
// was read; the code is cut to its first 8 characters.  False (Record untouched) for a reply
// that is no record stream or is cut off.
bool ReadRecordStream(const std::string& Reply, ItemRecord& Record);

// The body of "CS": the mask, then "1.05" and "Quillon", then the configuration as the server
// reads it, the record count as the configuration holds it, and 20 empty strings.
std::string WriteConfigurationStream(const TChangeMask& Mask, const TConfiguration& Config);
// Reads a "CL" reply (or a ".set" file) whole into Config; false (Config untouched) when it is no
// configuration stream.  The grid column counts and attributes of Config are kept.
bool ReadConfigurationStream(const std::string& Reply, TConfiguration& Config);

// The two record buffers and the two masks of the record window.
struct TRecordBuffers {
  ItemRecord Current;  // every record reply is read into it
  ItemRecord Spare;    // a cut or copied record, for insertion
  TChangeMask RecordMask;
  TChangeMask ConfigMask;
  TConfiguration Configuration;
};

// The field names before any configuration arrives: "Detail 1".."Detail 10", "Description 0"..
// "Description 9", "Other 1".."Other 6", "Feature 1".."Feature 100".
void SetDefaultFieldNames(TConfiguration& Config);

// A new record buffer as the window creates it: every string list and stream empty.
ItemRecord EmptyRecord();

// ---- Grid stream wrapper -------------------------------------------------------------------

// Integer column count, Integer row count, then the grid text as a Chars block.
std::string GridToStream(int ColCount, int RowCount, const std::string& GridText);
std::string GridToStream(TQnStringGrid& Grid);
// The grid text stream of a grid's cells.
std::string GridText(TQnStringGrid& Grid);

// ---- Address entries -------------------------------------------------------------------------

struct PrintRecord {
  std::string Key;                  // the row's line ID
  std::string Title;                // the row's name cell
  std::string Data;                 // the address lines as text (CR LF after each)
  std::vector<std::string> Fields;  // Title followed by the address lines
};
using TEntryList = std::vector<std::unique_ptr<PrintRecord>>;

// Pieces of Text ended by each CR and each TAB (empty pieces kept); the rest after the last
// separator when it is not empty.
std::vector<std::string> SplitFields(const std::string& Text);
// One entry per grid row 1 .. RowCount - 2 (all when Row is -1, else only that row).
void BuildAddressList(int NameColumn, int AddressColumn, TEntryList& List, TQnStringGrid& Grid,
                      int Row);
// The address print stream of "A": Integer count; per entry String Key, String Title, Chars
// block of the address text.  Raises EReadError for a stream that is cut off or forged.
void ReadEntryList(const std::string& Stream, TEntryList& List);
inline void FreeEntryList(TEntryList& List) { List.clear(); }

// ---- Number texts --------------------------------------------------------------------------

// Digits and "-" and the last "." of the text, in their order; "0" when nothing is kept.
std::string NumberTextOf(const std::string& Text);
// A typed amount read the way the program writes numbers: digits, grouped by "," in threes or
// not grouped, an optional "." and decimals, a "-" in front; a currency sign or word before or
// after.  False for any other text, "99,95" and "1.000,50" among them: those are no amount.
bool ReadAmountText(const std::string& Text, double& Value);
// The one word on a typed amount, wherever money is typed (the row editor, the record's money
// fields): "" when Text is blank or reads as an amount, else the message naming FieldName.
std::string AmountRefusal(const std::string& Text, const std::string& FieldName);
// A field kind of money ("Money" in any case).
bool IsMoneyKind(const std::string& Kind);
// The refusal of the first money field of Record (details 1-10, then others 1-6, by the kinds of
// Config) whose text differs from the one it had before (DetailsBefore, OthersBefore: a value
// typed since) and reads as no amount; "" when there is none.  A value that was there before
// (stored by an older program) is left to the reports, which name it.
std::string TypedAmountRefusal(const TConfiguration& Config, const ItemRecord& Record,
                               const std::array<std::string, 10>& DetailsBefore,
                               const std::array<std::string, 6>& OthersBefore);
// The number rounded to the nearest integer (halves to the even one); 0 when it is no number.
std::string RoundNumberText(const std::string& Text);
// Two decimals.
std::string AddNumberText(const std::string& A, const std::string& B);
std::string SubtractNumberText(const std::string& A, const std::string& B);
std::string MaxNumberText(const std::string& A, const std::string& B);
std::string MinNumberText(const std::string& A, const std::string& B);
// "NA" when B is 0.
std::string DivideNumberText(const std::string& A, const std::string& B);
// The sum of the lines that read as numbers, two decimals.
std::string SumNumberList(const std::vector<std::string>& List);
