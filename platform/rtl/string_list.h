// TStrings (the abstract list of strings with objects) and TStringList.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/classes.h"

class TStream;

enum TDuplicates { dupIgnore, dupAccept, dupError };

// A list of strings, each with an object pointer (not owned).  Subclasses supply storage through
// Get/Put/GetObject/PutObject/GetCount/Insert/Delete/Clear; everything else is built on those.
// Every bad index raises EListError "List index out of bounds (n)".
class TStrings : public TPersistent {
public:
  TStrings() = default;
  ~TStrings() override = default;

  // ---- storage, supplied by subclasses ----
  virtual std::string Get(int Index) const = 0;
  virtual void Put(int Index, const std::string& S);
  virtual TObject* GetObject(int Index) const;
  virtual void PutObject(int Index, TObject* AObject);
  virtual int GetCount() const = 0;
  virtual void Insert(int Index, const std::string& S) = 0;
  virtual void Delete(int Index) = 0;
  virtual void Clear() = 0;

  // ---- access ----
  int Count() const { return GetCount(); }
  std::string Strings(int Index) const { return Get(Index); }
  void SetStrings(int Index, const std::string& S) { Put(Index, S); }
  std::string operator[](int Index) const { return Get(Index); }
  TObject* Objects(int Index) const { return GetObject(Index); }
  void SetObjects(int Index, TObject* AObject) { PutObject(Index, AObject); }

  virtual int Add(const std::string& S);
  virtual int AddObject(const std::string& S, TObject* AObject);
  void InsertObject(int Index, const std::string& S, TObject* AObject);
  void Append(const std::string& S) { Add(S); }
  virtual void AddStrings(const TStrings& Strings);
  virtual void Exchange(int Index1, int Index2);
  virtual void Move(int CurIndex, int NewIndex);
  // The first index of S (ignoring ASCII case unless the list is case sensitive), or -1.
  virtual int IndexOf(const std::string& S) const;
  int IndexOfObject(const TObject* AObject) const;
  bool Equals(const TStrings& Strings) const;

  // Copies strings and objects from another TStrings; other sources go to the base.
  void Assign(const TPersistent* Source) override;

  // ---- names and values: lines of the form Name=Value ----
  // The part before the first "=", or "" for a line without one.
  std::string Names(int Index) const;
  // The value of the first line whose name matches (ignoring case unless case sensitive).
  std::string Values(const std::string& Name) const;
  // Sets the value of the line Name; an empty value deletes the line; a new name is added.
  void SetValues(const std::string& Name, const std::string& Value);
  std::string ValueFromIndex(int Index) const;
  void SetValueFromIndex(int Index, const std::string& Value);
  virtual int IndexOfName(const std::string& Name) const;
  char NameValueSeparator() const { return FNameValueSeparator; }
  void SetNameValueSeparator(char C) { FNameValueSeparator = C; }

  // ---- text forms ----
  // Every line followed by CR LF.
  virtual std::string Text() const;
  // Replaces the lines; a line ends at CR LF, CR or LF; a final line end adds no empty line.
  virtual void SetText(const std::string& Value);
  // The lines separated by ",", each quoted with '"' when it holds a blank, a comma, a quote or a
  // control character; a list of one empty line gives "\"\"".
  std::string CommaText() const;
  // Reads items separated by commas or blanks; '"'-quoted items may hold both, "" is one quote.
  void SetCommaText(const std::string& Value);
  char Delimiter() const { return FDelimiter; }
  void SetDelimiter(char C) { FDelimiter = C; }
  char QuoteChar() const { return FQuoteChar; }
  void SetQuoteChar(char C) { FQuoteChar = C; }
  // As CommaText, with Delimiter and QuoteChar; blanks separate items too when reading.
  std::string DelimitedText() const;
  void SetDelimitedText(const std::string& Value);

  // ---- files and streams (saving writes CR LF) ----
  virtual void LoadFromFile(const std::string& FileName);
  // Replaces the file atomically: the old one stays if writing fails.
  virtual void SaveToFile(const std::string& FileName) const;
  // Reads the stream from its position to its end.
  virtual void LoadFromStream(TStream& Stream);
  virtual void SaveToStream(TStream& Stream) const;

  // ---- change notices ----
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  // Comparison used by IndexOf, Values and IndexOfName.
  virtual bool CaseSensitive() const { return false; }
  int CompareStrings(const std::string& S1, const std::string& S2) const;

  void DefineProperties(TFiler& Filer) override;

  std::vector<std::string> ToVector() const;

protected:
  // Called by BeginUpdate/EndUpdate when the outermost update starts (true) and ends (false).
  virtual void SetUpdateState(bool /*Updating*/) {}
  void CheckIndex(int Index) const;
  [[noreturn]] static void IndexError(int Index);

private:
  std::string GetDelimitedText(char Delim) const;
  void SetDelimitedTextImpl(const std::string& Value, char Delim);

  int FUpdateCount = 0;
  char FDelimiter = ',';
  char FQuoteChar = '"';
  char FNameValueSeparator = '=';
};

using TStringListSortCompare = std::function<int(class TStringList& List, int Index1, int Index2)>;

// A list of strings held in memory, optionally kept sorted.
class TStringList : public TStrings {
public:
  TStringList() = default;
  ~TStringList() override = default;

  std::string Get(int Index) const override;
  void Put(int Index, const std::string& S) override;
  TObject* GetObject(int Index) const override;
  void PutObject(int Index, TObject* AObject) override;
  int GetCount() const override { return static_cast<int>(FList.size()); }
  // Raises EListError "Operation not allowed on sorted list" on a sorted list.
  void Insert(int Index, const std::string& S) override;
  void Delete(int Index) override;
  void Clear() override;

  // On a sorted list the string goes to its place; Duplicates decides on an equal string:
  // dupIgnore returns the existing index, dupError raises EStringListError.
  int AddObject(const std::string& S, TObject* AObject) override;
  int Add(const std::string& S) override { return AddObject(S, nullptr); }
  void Exchange(int Index1, int Index2) override;
  int IndexOf(const std::string& S) const override;
  // Binary search of a sorted list; Index is the match or the place where S would go.
  virtual bool Find(const std::string& S, int& Index) const;
  virtual void Sort();
  // Sorts with a comparison of two indexes (a quicksort, like the class library's).
  virtual void CustomSort(const TStringListSortCompare& Compare);

  const std::string& StringRef(int Index) const;

  bool Sorted() const { return FSorted; }
  void SetSorted(bool Value);
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
  bool CaseSensitive() const override { return FCaseSensitive; }
  // Changing it re-sorts a sorted list.
  void SetCaseSensitive(bool Value);

  // OnChanging before and OnChange after every change, except while updating: then OnChanging
  // when the update starts and OnChange when it ends.
  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

protected:
  virtual void Changed();
  virtual void Changing();
  void SetUpdateState(bool Updating) override;

private:
  struct TStringItem {
    std::string FString;
    TObject* FObject = nullptr;
  };
  void InsertItem(int Index, const std::string& S, TObject* AObject);
  void QuickSort(int L, int R, const TStringListSortCompare& Compare);
  void ExchangeItems(int Index1, int Index2);

  std::vector<TStringItem> FList;
  bool FSorted = false;
  TDuplicates FDuplicates = dupIgnore;
  bool FCaseSensitive = false;
};
