#include "platform/rtl/string_list.h"

#include <utility>

#include "platform/rtl/ascii_text.h"
#include "platform/rtl/file_io.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/typed_stream.h"

namespace {

[[noreturn]] void SortedListError() {
  throw EStringListError("Operation not allowed on sorted list");
}

}  // namespace

// ---- TStrings ----

void TStrings::IndexError(int Index) { throw EListError::OutOfBounds(Index); }

void TStrings::CheckIndex(int Index) const {
  if (Index < 0 || Index >= GetCount()) IndexError(Index);
}

void TStrings::Put(int Index, const std::string& S) {
  TObject* object = GetObject(Index);
  Delete(Index);
  InsertObject(Index, S, object);
}

TObject* TStrings::GetObject(int Index) const {
  CheckIndex(Index);
  return nullptr;
}

void TStrings::PutObject(int Index, TObject*) { CheckIndex(Index); }

int TStrings::Add(const std::string& S) {
  int index = GetCount();
  Insert(index, S);
  return index;
}

int TStrings::AddObject(const std::string& S, TObject* AObject) {
  int index = Add(S);
  PutObject(index, AObject);
  return index;
}

void TStrings::InsertObject(int Index, const std::string& S, TObject* AObject) {
  Insert(Index, S);
  PutObject(Index, AObject);
}

void TStrings::AddStrings(const TStrings& Strings) {
  TUpdateScope<TStrings> update(*this);
  const int n = Strings.GetCount();  // a list added to itself adds its old lines once
  for (int i = 0; i < n; ++i) AddObject(Strings.Get(i), Strings.GetObject(i));
}

void TStrings::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  TUpdateScope<TStrings> update(*this);
  std::string s1 = Get(Index1);
  TObject* o1 = GetObject(Index1);
  Put(Index1, Get(Index2));
  PutObject(Index1, GetObject(Index2));
  Put(Index2, s1);
  PutObject(Index2, o1);
}

void TStrings::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  TUpdateScope<TStrings> update(*this);
  std::string s = Get(CurIndex);
  TObject* o = GetObject(CurIndex);
  Delete(CurIndex);
  InsertObject(NewIndex, s, o);
}

int TStrings::CompareStrings(const std::string& S1, const std::string& S2) const {
  int result;
  if (qn_ascii::CompareAsciiCollated(S1, S2, CaseSensitive(), result)) return result;
  return CaseSensitive() ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}

int TStrings::IndexOf(const std::string& S) const {
  const int n = GetCount();
  for (int i = 0; i < n; ++i)
    if (CompareStrings(Get(i), S) == 0) return i;
  return -1;
}

int TStrings::IndexOfObject(const TObject* AObject) const {
  const int n = GetCount();
  for (int i = 0; i < n; ++i)
    if (GetObject(i) == AObject) return i;
  return -1;
}

bool TStrings::Equals(const TStrings& Strings) const {
  const int n = GetCount();
  if (n != Strings.GetCount()) return false;
  for (int i = 0; i < n; ++i)
    if (Get(i) != Strings.Get(i)) return false;
  return true;
}

void TStrings::Assign(const TPersistent* Source) {
  auto* source = dynamic_cast<const TStrings*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  if (source == this) return;
  TUpdateScope<TStrings> update(*this);
  Clear();
  AddStrings(*source);
}

std::string TStrings::Names(int Index) const {
  std::string s = Get(Index);
  std::size_t eq = s.find(FNameValueSeparator);
  return eq == std::string::npos ? std::string() : s.substr(0, eq);
}

int TStrings::IndexOfName(const std::string& Name) const {
  const int n = GetCount();
  for (int i = 0; i < n; ++i) {
    std::string s = Get(i);
    std::size_t eq = s.find(FNameValueSeparator);
    if (eq != std::string::npos && CompareStrings(s.substr(0, eq), Name) == 0) return i;
  }
  return -1;
}

std::string TStrings::Values(const std::string& Name) const {
  int i = IndexOfName(Name);
  if (i < 0) return {};
  std::string s = Get(i);
  return s.substr(s.find(FNameValueSeparator) + 1);
}

void TStrings::SetValues(const std::string& Name, const std::string& Value) {
  int i = IndexOfName(Name);
  if (!Value.empty()) {
    std::string line = Name + FNameValueSeparator + Value;
    if (i < 0)
      Add(line);
    else
      Put(i, line);
  } else if (i >= 0) {
    Delete(i);
  }
}

std::string TStrings::ValueFromIndex(int Index) const {
  std::string s = Get(Index);
  std::size_t eq = s.find(FNameValueSeparator);
  return eq == std::string::npos ? std::string() : s.substr(eq + 1);
}

void TStrings::SetValueFromIndex(int Index, const std::string& Value) {
  if (!Value.empty()) {
    if (Index < 0) {
      Add(FNameValueSeparator + Value);
    } else {
      Put(Index, Names(Index) + FNameValueSeparator + Value);
    }
  } else if (Index >= 0) {
    Delete(Index);
  }
}

std::string TStrings::Text() const {
  std::string text;
  const int n = GetCount();
  for (int i = 0; i < n; ++i) {
    text += Get(i);
    text += "\r\n";
  }
  return text;
}

void TStrings::SetText(const std::string& Value) {
  TUpdateScope<TStrings> update(*this);
  Clear();
  std::size_t start = 0;
  const std::size_t size = Value.size();
  while (start < size) {
    std::size_t end = start;
    while (end < size && Value[end] != '\r' && Value[end] != '\n') ++end;
    Add(Value.substr(start, end - start));
    if (end < size) end += (Value[end] == '\r' && end + 1 < size && Value[end + 1] == '\n') ? 2 : 1;
    start = end;
  }
}

std::string TStrings::GetDelimitedText(char Delim) const {
  const int n = GetCount();
  if (n == 1 && Get(0).empty()) return std::string(2, FQuoteChar);
  std::string result;
  for (int i = 0; i < n; ++i) {
    std::string s = Get(i);
    bool quote = false;
    for (char c : s) {
      unsigned char u = static_cast<unsigned char>(c);
      if (u <= ' ' || c == FQuoteChar || c == Delim) {
        quote = true;
        break;
      }
    }
    if (quote) {
      std::string q(1, FQuoteChar);
      for (char c : s) {
        q += c;
        if (c == FQuoteChar) q += c;
      }
      q += FQuoteChar;
      s = std::move(q);
    }
    if (i > 0) result += Delim;
    result += s;
  }
  return result;
}

void TStrings::SetDelimitedTextImpl(const std::string& Value, char Delim) {
  TUpdateScope<TStrings> update(*this);
  Clear();
  const std::size_t size = Value.size();
  auto blank = [&](std::size_t i) {
    return i < size && Value[i] != '\0' && static_cast<unsigned char>(Value[i]) <= ' ';
  };
  std::size_t p = 0;
  while (blank(p)) ++p;
  while (p < size && Value[p] != '\0') {
    std::string s;
    if (Value[p] == FQuoteChar) {
      ++p;
      while (p < size) {
        if (Value[p] == FQuoteChar) {
          if (p + 1 < size && Value[p + 1] == FQuoteChar) {
            s += FQuoteChar;
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        s += Value[p++];
      }
    } else {
      std::size_t start = p;
      while (p < size && static_cast<unsigned char>(Value[p]) > ' ' && Value[p] != Delim) ++p;
      s = Value.substr(start, p - start);
    }
    Add(s);
    while (blank(p)) ++p;
    if (p < size && Value[p] == Delim) {
      if (p + 1 >= size || Value[p + 1] == '\0') Add(std::string());
      do {
        ++p;
      } while (blank(p));
    }
  }
}

std::string TStrings::CommaText() const { return GetDelimitedText(','); }

void TStrings::SetCommaText(const std::string& Value) { SetDelimitedTextImpl(Value, ','); }

std::string TStrings::DelimitedText() const { return GetDelimitedText(FDelimiter); }

void TStrings::SetDelimitedText(const std::string& Value) {
  SetDelimitedTextImpl(Value, FDelimiter);
}

// Files go through the stream methods, so a list that streams its own format (a rich edit's
// lines stream RTF) writes and reads that format in files too.
void TStrings::LoadFromFile(const std::string& FileName) {
  TStringStream Stream(ReadFileBytes(FileName));
  LoadFromStream(Stream);
}

void TStrings::SaveToFile(const std::string& FileName) const {
  TStringStream Stream;
  SaveToStream(Stream);
  AtomicWriteFile(FileName, Stream.DataString());
}

void TStrings::LoadFromStream(TStream& Stream) {
  std::int64_t size = Stream.Size();
  std::int64_t pos = Stream.Position();
  std::string data;
  if (size >= 0 && pos >= 0 && size >= pos) {
    data.resize(static_cast<std::size_t>(size - pos));
    long got = 0;
    while (got < static_cast<long>(data.size())) {
      long n = Stream.Read(data.data() + got, static_cast<long>(data.size()) - got);
      if (n <= 0) break;
      got += n;
    }
    data.resize(static_cast<std::size_t>(got));
  } else {
    char buf[8192];  // a stream that cannot tell its size: read to its end
    for (;;) {
      long n = Stream.Read(buf, sizeof buf);
      if (n <= 0) break;
      data.append(buf, static_cast<std::size_t>(n));
    }
  }
  SetText(data);
}

void TStrings::SaveToStream(TStream& Stream) const { Stream.WriteString(Text()); }

void TStrings::BeginUpdate() {
  if (FUpdateCount == 0) SetUpdateState(true);
  ++FUpdateCount;
}

void TStrings::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::DefineProperties(TFiler& Filer) {
  Filer.DefineProperty(
      "Strings",
      [this](TReader& reader) {
        reader.ReadListBegin();
        {
          TUpdateScope<TStrings> update(*this);
          Clear();
          while (!reader.EndOfList()) Add(reader.ReadString());
        }
        reader.ReadListEnd();
      },
      [this](TWriter& writer) { writer.WriteStrings(ToVector()); }, GetCount() > 0);
}

std::vector<std::string> TStrings::ToVector() const {
  std::vector<std::string> v;
  const int n = GetCount();
  v.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) v.push_back(Get(i));
  return v;
}

// ---- TStringList ----

const std::string& TStringList::StringRef(int Index) const {
  CheckIndex(Index);
  return FList[static_cast<std::size_t>(Index)].FString;
}

std::string TStringList::Get(int Index) const { return StringRef(Index); }

void TStringList::Put(int Index, const std::string& S) {
  if (FSorted) SortedListError();
  CheckIndex(Index);
  Changing();
  FList[static_cast<std::size_t>(Index)].FString = S;
  Changed();
}

TObject* TStringList::GetObject(int Index) const {
  CheckIndex(Index);
  return FList[static_cast<std::size_t>(Index)].FObject;
}

void TStringList::PutObject(int Index, TObject* AObject) {
  CheckIndex(Index);
  Changing();
  FList[static_cast<std::size_t>(Index)].FObject = AObject;
  Changed();
}

void TStringList::Insert(int Index, const std::string& S) {
  if (FSorted) SortedListError();
  if (Index < 0 || Index > GetCount()) IndexError(Index);
  InsertItem(Index, S, nullptr);
}

void TStringList::InsertItem(int Index, const std::string& S, TObject* AObject) {
  Changing();
  FList.insert(FList.begin() + Index, TStringItem{S, AObject});
  Changed();
}

void TStringList::Delete(int Index) {
  CheckIndex(Index);
  Changing();
  FList.erase(FList.begin() + Index);
  Changed();
}

void TStringList::Clear() {
  if (FList.empty()) return;
  Changing();
  FList.clear();
  Changed();
}

int TStringList::AddObject(const std::string& S, TObject* AObject) {
  int index;
  if (!FSorted) {
    index = GetCount();
  } else if (Find(S, index)) {
    switch (FDuplicates) {
      case dupIgnore:
        return index;
      case dupError:
        throw EStringListError::Duplicates();
      case dupAccept:
        break;
    }
  }
  InsertItem(index, S, AObject);
  return index;
}

void TStringList::ExchangeItems(int Index1, int Index2) {
  std::swap(FList[static_cast<std::size_t>(Index1)], FList[static_cast<std::size_t>(Index2)]);
}

void TStringList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  Changing();
  ExchangeItems(Index1, Index2);
  Changed();
}

bool TStringList::Find(const std::string& S, int& Index) const {
  bool found = false;
  int l = 0;
  int h = GetCount() - 1;
  while (l <= h) {
    int i = (l + h) / 2;
    int c = CompareStrings(FList[static_cast<std::size_t>(i)].FString, S);
    if (c < 0) {
      l = i + 1;
    } else {
      h = i - 1;
      if (c == 0) {
        found = true;
        if (FDuplicates != dupAccept) l = i;
      }
    }
  }
  Index = l;
  return found;
}

int TStringList::IndexOf(const std::string& S) const {
  if (!FSorted) return TStrings::IndexOf(S);
  int index;
  return Find(S, index) ? index : -1;
}

void TStringList::QuickSort(int L, int R, const TStringListSortCompare& Compare) {
  while (L < R) {
    int i = L;
    int j = R;
    int p = (L + R) / 2;
    do {
      while (Compare(*this, i, p) < 0) ++i;
      while (Compare(*this, j, p) > 0) --j;
      if (i <= j) {
        if (i != j) ExchangeItems(i, j);
        if (p == i)
          p = j;
        else if (p == j)
          p = i;
        ++i;
        --j;
      }
    } while (i <= j);
    // Recurse into the smaller part, loop on the larger, so the depth stays logarithmic.
    if (j - L < R - i) {
      if (L < j) QuickSort(L, j, Compare);
      L = i;
    } else {
      if (i < R) QuickSort(i, R, Compare);
      R = j;
    }
  }
}

void TStringList::Sort() {
  CustomSort([](TStringList& list, int a, int b) {
    return list.CompareStrings(list.FList[static_cast<std::size_t>(a)].FString,
                               list.FList[static_cast<std::size_t>(b)].FString);
  });
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
  if (FSorted || GetCount() < 2 || !Compare) return;
  Changing();
  QuickSort(0, GetCount() - 1, Compare);
  Changed();
}

void TStringList::SetSorted(bool Value) {
  if (FSorted == Value) return;
  if (Value) Sort();
  FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (FCaseSensitive == Value) return;
  FCaseSensitive = Value;
  if (FSorted) {
    FSorted = false;
    Sort();
    FSorted = true;
  }
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool Updating) {
  if (Updating)
    Changing();
  else
    Changed();
}
