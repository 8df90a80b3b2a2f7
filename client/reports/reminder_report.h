// The reminder, quick order and value reports: each filled from one server function and shown
// as a list from which the user jumps to a record.  The windows hold these as their logic.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "client/reports/report_common.h"

class TSearchList;

// The record blocks of a report reply: from line 2, while a whole block of Width lines lies
// before the last line and none of them is the end marker.  A reply cut inside a block keeps the
// blocks before it.
std::vector<std::vector<std::string>> ReadReplyBlocks(const std::vector<std::string>& Lines,
                                                      std::size_t Width, const std::string& EndMarker);

// The field number of the N-th detail (0-9) or other field (21-26) whose kind, lower-cased,
// equals Kind; -1 when none.
int FindFieldOfKind(const TConfiguration& Config, const std::string& Kind, int N = 1);

// Loads "G" + Code into the record window; true when it shows that record afterwards, else the
// "no longer in the database" message (error) has been shown.
bool OpenReportRecord(TReportHost& Host, const std::string& Code);

inline constexpr const char* NoLongerInDatabaseText =
    "The record you selected is no longer in the database.  Another user may have removed it.";

class TReminderReport {
public:
  struct TItem {
    std::string Code, Name, Date;
    bool Checked = false;
  };
  TReminderReport(TReportHost& Host, TSearchList& List) : FHost(Host), FList(List) {}

  int ReminderFieldNo = -1;
  std::string FromDate, ToDate;  // the texts of the two date boxes
  std::string DateFormat;        // the database's short date format
  std::vector<TItem> Buffer;     // the unfiltered server list
  std::vector<TItem> View;       // what the window shows

  static constexpr const char* StartText = "Select desired date range, then press \"Find\".";
  static constexpr const char* NoneText = "There are no outstanding reminders for the specified date range.";
  static constexpr const char* AddQuestion =
      "Checked records will be added to the search list.  Do you want to continue ?";

  // Empty date boxes get today's date.
  void InitDates();
  // The request and the buffer; false when the reply did not check (the buffer stays empty).
  bool FindReminders();
  // The buffer's items in the date range into View, checked; the "no reminders" message when
  // none is kept.
  void FilterReminders();
  // Asks, then appends the checked items that are not on the search list yet, has the search
  // results shown again (OnSearchListChanged) and reloads the current record; true on Yes.
  bool AddToSearchList();
  std::function<void()> OnSearchListChanged;

private:
  TReportHost& FHost;
  TSearchList& FList;
};

// The quick order report: current, desired and required quantity per record.
class TQuantityReport {
public:
  TQuantityReport(TReportHost& Host, TSearchList& List) : FHost(Host), FList(List) {}
  int QuantityFieldNo = -1, BarcodeFieldNo = -1, DesiredFieldNo = -1;
  int Scope = 1;  // 1 all records, 2 the search list's records
  static inline const std::array<const char*, 6> Headers = {"Record ID", "Name", "Barcode", "Current ",
                                                           "Desired  ", "Required"};
  // Rows of six cells: code, name, barcode, current, desired, required.
  std::vector<std::vector<std::string>> Rows;
  bool Generate();
  // Desired - current, each read as a 32-bit integer (0 when not one), computed in 64 bits.
  static std::string Required(const std::string& Current, const std::string& Desired);

private:
  TReportHost& FHost;
  TSearchList& FList;
};

// The value report: the values of up to five money fields per record and their totals.
class TValueReport {
public:
  TValueReport(TReportHost& Host, TSearchList& List) : FHost(Host), FList(List) {}
  std::vector<std::string> FieldList;  // field numbers as decimal text
  std::array<int, 5> ValueFieldNos{-1, -1, -1, -1, -1};
  int Scope = 1;
  std::vector<std::string> Headers;             // "Record ID", "Name", the value fields' names
  std::vector<std::vector<std::string>> Rows;   // the records' rows
  std::vector<std::string> TotalRow;            // "Total" and the column totals
  // The values left out of the totals, one line each: record ID, name, column and value.
  std::vector<std::string> Unreadable;
  bool Generate();
  // The message that names the values left out; "" when every value was read.
  std::string UnreadableText() const;

private:
  TReportHost& FHost;
  TSearchList& FList;
};

// A report row may be opened: not the header, and its code is not empty.
inline bool ReportRowOpens(int Row, const std::string& Code) { return Row >= 1 && !Code.empty(); }
