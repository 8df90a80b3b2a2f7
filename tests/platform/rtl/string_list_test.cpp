#include "platform/rtl/string_list.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"
#include "tests/temp_path.h"

namespace {

std::vector<std::string> Lines(const TStrings& list) { return list.ToVector(); }

// A string list holding the given lines.
class TListOf : public TStringList {
public:
  TListOf(std::initializer_list<const char*> items) {
    for (const char* s : items) Add(s);
  }
};

}  // namespace

TEST(StringListText, MixedLineEndsAndCrLfOnOutput) {
  TStringList l;
  l.SetText("a\r\nb\nc\rd\r\n\r\ne");
  EXPECT_EQ(Lines(l), (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
  EXPECT_EQ(l.Text(), "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n");
  l.SetText("x\n\r");  // LF then CR: two line ends
  EXPECT_EQ(Lines(l), (std::vector<std::string>{"x", ""}));
  l.SetText("last\r\n");
  EXPECT_EQ(l.Count(), 1);
  l.SetText("");
  EXPECT_EQ(l.Count(), 0);
  EXPECT_EQ(l.Text(), "");
}

TEST(StringListSorting, SortedAddFindAndDuplicates) {
  TStringList l;
  l.SetSorted(true);
  l.Add("pear");
  l.Add("Apple");
  l.Add("banana");
  l.Add("10");
  l.Add("-x");
  EXPECT_EQ(Lines(l), (std::vector<std::string>{"-x", "10", "Apple", "banana", "pear"}));
  int index = -1;
  EXPECT_TRUE(l.Find("APPLE", index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(l.Find("cherry", index));
  EXPECT_EQ(index, 4);  // where it would go
  EXPECT_EQ(l.Add("apple"), 2);  // dupIgnore gives the existing index
  EXPECT_EQ(l.Count(), 5);
  l.SetDuplicates(dupError);
  try {
    l.Add("PEAR");
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_STREQ(e.what(), "String list does not allow duplicates");
  }
  l.SetDuplicates(dupAccept);
  l.Add("Pear");
  EXPECT_EQ(l.Count(), 6);
  EXPECT_THROW(l.Insert(0, "z"), EStringListError);
  EXPECT_EQ(l.IndexOf("BANANA"), 3);
}

TEST(StringListSorting, CaseSensitiveSortAndSearch) {
  TListOf l({"b", "B", "a", "A"});
  l.SetCaseSensitive(true);
  l.Sort();
  EXPECT_EQ(Lines(l), (std::vector<std::string>{"a", "A", "b", "B"}));
  EXPECT_EQ(l.IndexOf("A"), 1);
  EXPECT_EQ(l.IndexOf("c"), -1);
  l.SetCaseSensitive(false);
  EXPECT_EQ(l.IndexOf("B"), 2);
}

TEST(StringListSorting, AccentedLettersSortByTheirBaseLetter) {
  TListOf l({"Fred", "\xC3\x89mile", "Eagle", "zebra", "\xC3\xA9t\xC3\xA9"});
  l.Sort();
  EXPECT_EQ(l.ToVector(), (std::vector<std::string>{"Eagle", "\xC3\x89mile", "\xC3\xA9t\xC3\xA9",
                                                    "Fred", "zebra"}));
  EXPECT_EQ(l.IndexOf("FRED"), 3);
}

TEST(StringListSorting, AsciiComparisonAgreesWithTheLocaleOrder) {
  // The list decides ASCII comparisons itself; it must give the sign the string routines give,
  // also for texts that go on with other characters after the point of decision.
  const char alphabet[] = " -._09aAbBzZ~\xC3\x89\xA9";  // with the bytes of É and é
  std::srand(11);
  TStringList sensitive;
  sensitive.SetCaseSensitive(true);
  TStringList insensitive;
  for (int i = 0; i < 20000; ++i) {
    std::string a, b;
    for (int k = std::rand() % 4; k > 0; --k) a += alphabet[std::rand() % (sizeof alphabet - 1)];
    for (int k = std::rand() % 4; k > 0; --k) b += alphabet[std::rand() % (sizeof alphabet - 1)];
    auto sign = [](int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; };
    ASSERT_EQ(sign(sensitive.CompareStrings(a, b)), sign(AnsiCompareStr(a, b))) << a << "|" << b;
    ASSERT_EQ(sign(insensitive.CompareStrings(a, b)), sign(AnsiCompareText(a, b))) << a << "|" << b;
  }
}

TEST(StringListSorting, CustomSortByIndexes) {
  TListOf l({"ccc", "a", "bb", "dddd", "", "ee"});
  l.CustomSort([](TStringList& list, int a, int b) {
    return static_cast<int>(list.StringRef(a).size()) - static_cast<int>(list.StringRef(b).size());
  });
  std::vector<std::size_t> sizes;
  for (const auto& s : Lines(l)) sizes.push_back(s.size());
  EXPECT_EQ(sizes, (std::vector<std::size_t>{0, 1, 2, 2, 3, 4}));
}

TEST(StringListSorting, LargeSortMatchesTheOrder) {
  TStringList l;
  std::srand(7);
  for (int i = 0; i < 5000; ++i) l.Add(std::to_string(std::rand() % 1000) + "k");
  l.Sort();
  for (int i = 1; i < l.Count(); ++i) ASSERT_LE(l.CompareStrings(l[i - 1], l[i]), 0) << i;
}

TEST(StringListNamesValues, NamesValuesAndIndexOfName) {
  TStringList l;
  l.SetText("Key=Value\r\nnoequals\r\nEmpty=\r\nk2=a=b\r\n");
  EXPECT_EQ(l.Names(0), "Key");
  EXPECT_EQ(l.Names(1), "");
  EXPECT_EQ(l.Values("KEY"), "Value");
  EXPECT_EQ(l.Values("k2"), "a=b");
  EXPECT_EQ(l.Values("noequals"), "");
  EXPECT_EQ(l.ValueFromIndex(3), "a=b");
  EXPECT_EQ(l.IndexOfName("empty"), 2);
  l.SetValues("key", "New");
  EXPECT_EQ(l[0], "key=New");
  l.SetValues("Added", "1");
  EXPECT_EQ(l[l.Count() - 1], "Added=1");
  l.SetValues("k2", "");  // an empty value deletes the line
  EXPECT_EQ(l.IndexOfName("k2"), -1);
}

TEST(StringListCommaText, QuotingBothWays) {
  TListOf l({"plain", "with space", "quote\"d", "comma,x", ""});
  EXPECT_EQ(l.CommaText(), "plain,\"with space\",\"quote\"\"d\",\"comma,x\",");
  TStringList back;
  back.SetCommaText(l.CommaText());
  EXPECT_EQ(Lines(back), Lines(l));
  back.SetCommaText("  a b,\"c d\" ,,e");
  EXPECT_EQ(Lines(back), (std::vector<std::string>{"a", "b", "c d", "", "e"}));
  TListOf one({""});
  EXPECT_EQ(one.CommaText(), "\"\"");
  TStringList d;
  d.SetDelimiter(';');
  d.SetDelimitedText("x;'y';z");
  EXPECT_EQ(Lines(d), (std::vector<std::string>{"x", "'y'", "z"}));
  d.SetQuoteChar('\'');
  d.SetDelimitedText("x;'y;1';z");
  EXPECT_EQ(Lines(d), (std::vector<std::string>{"x", "y;1", "z"}));
  EXPECT_EQ(d.DelimitedText(), "x;'y;1';z");
}

TEST(StringListEditing, IndexErrorsMovesAndObjects) {
  TListOf l({"a", "b", "c"});
  try {
    l.Delete(3);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (3)");
  }
  EXPECT_THROW(l.Get(-1), EListError);
  EXPECT_THROW(l.Insert(4, "x"), EListError);
  TStringList marker;
  l.SetObjects(0, &marker);
  l.Move(0, 2);
  EXPECT_EQ(Lines(l), (std::vector<std::string>{"b", "c", "a"}));
  EXPECT_EQ(l.Objects(2), &marker);
  l.Exchange(0, 2);
  EXPECT_EQ(l.Objects(0), &marker);
  EXPECT_EQ(l.IndexOfObject(&marker), 0);
  TStringList copy;
  copy.Add("old");
  copy.Assign(&l);
  EXPECT_EQ(Lines(copy), Lines(l));
  EXPECT_EQ(copy.Objects(0), &marker);
  copy.AddStrings(copy);
  EXPECT_EQ(copy.Count(), 6);
}

TEST(StringListEvents, ChangeNoticesAndUpdates) {
  TStringList l;
  std::vector<std::string> events;
  l.OnChanging = [&](TObject*) { events.push_back("changing"); };
  l.OnChange = [&](TObject*) { events.push_back("change"); };
  l.Add("a");
  EXPECT_EQ(events, (std::vector<std::string>{"changing", "change"}));
  events.clear();
  l.BeginUpdate();
  l.Add("b");
  l.Add("c");
  l.Delete(0);
  l.EndUpdate();
  EXPECT_EQ(events, (std::vector<std::string>{"changing", "change"}));
  events.clear();
  l.SetText("x\ny");  // one update for the whole text
  EXPECT_EQ(events, (std::vector<std::string>{"changing", "change"}));
}

TEST(StringListFiles, StreamsAndFilesKeepCrLf) {
  TListOf l({"one", "two"});
  TMemoryStream m;
  m.WriteString("prefix");
  l.SaveToStream(m);
  EXPECT_EQ(m.DataString(), "prefixone\r\ntwo\r\n");
  m.SetPosition(6);
  TStringList back;
  back.LoadFromStream(m);
  EXPECT_EQ(Lines(back), Lines(l));

  std::string folder = TempPath("qn_sl_XXXXXX");
  ASSERT_NE(mkdtemp(folder.data()), nullptr);
  std::string file = folder + "/list.txt";
  l.SaveToFile(file);
  TStringList loaded;
  loaded.LoadFromFile(file);
  EXPECT_EQ(Lines(loaded), Lines(l));
  EXPECT_THROW(loaded.LoadFromFile(std::string(folder) + "/missing.txt"), EFOpenError);
  unlink(file.c_str());
  rmdir(folder.c_str());
}
