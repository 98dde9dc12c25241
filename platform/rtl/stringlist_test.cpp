#include "platform/rtl/stringlist.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <random>
#include <vector>

#include "platform/rtl/streams.h"

namespace {

using Lines = std::vector<String>;

Lines LinesOf(const TStrings& list) {
  Lines r;
  for (int32_t i = 0; i < list.Count(); ++i) r.push_back(list.Strings(i));
  return r;
}

void Fill(TStrings& list, const Lines& lines) {
  list.Clear();
  for (const String& s : lines) list.Add(s);
}

void* P(intptr_t v) { return reinterpret_cast<void*>(v); }

String HomeFile(const char* name) { return String(std::getenv("HOME")) + "/" + name; }

String ReadFileBytes(const String& path) {
  std::ifstream in(path, std::ios::binary);
  return String(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(RtlLists, StringListTextSplitsEveryLineBreak) {
  struct Case {
    String text;
    Lines lines;
  };
  const std::vector<Case> cases = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\n", {"a"}},  // a trailing break adds no empty line
      {"a\r\nb", {"a", "b"}},
      {"a\nb\rc\r\nd\n", {"a", "b", "c", "d"}},
      {"\r\n", {""}},
      {"a\r\n\r\n", {"a", ""}},
      {"a\n\rb", {"a", "", "b"}},  // LF CR is two breaks
      {"\r\r\n\n", {"", "", ""}},
      {String("x\0y\r\nz", 6), {String("x\0y", 3), "z"}},
      {" spaced \t\r\n", {" spaced \t"}},
  };
  TStringList list;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    list.SetText(c.text);
    EXPECT_EQ(LinesOf(list), c.lines);
  }

  Fill(list, {"one", "", "three"});
  EXPECT_EQ(list.Text(), "one\r\n\r\nthree\r\n");
  TStringList back;
  back.SetText(list.Text());
  EXPECT_TRUE(back.Equals(&list));
  list.Clear();
  EXPECT_EQ(list.Text(), "");
}

TEST(RtlLists, StringListDelimitedText) {
  struct Case {
    Lines lines;
    String comma;
  };
  const std::vector<Case> cases = {
      {{}, ""},
      {{""}, "\"\""},
      {{"", ""}, ","},
      {{"a", "", "b"}, "a,,b"},
      {{"a", "b c", "d,e", "say \"hi\"", "tab\there"}, "a,\"b c\",\"d,e\",\"say \"\"hi\"\"\",\"tab\there\""},
      {{" lead", "trail "}, "\" lead\",\"trail \""},
      {{"x=1", "ä ö"}, "x=1,\"ä ö\""},
  };
  TStringList list;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.comma);
    Fill(list, c.lines);
    EXPECT_EQ(list.CommaText(), c.comma);
    TStringList back;
    back.SetCommaText(c.comma);
    EXPECT_EQ(LinesOf(back), c.lines);
  }

  // Reading: blanks around items are dropped and also separate unquoted items;
  // text after a closing quote starts a new item; an unterminated quote runs on.
  struct Parse {
    String text;
    Lines lines;
  };
  const std::vector<Parse> parses = {
      {"  a , b  ,c  ", {"a", "b", "c"}},
      {"a b,c", {"a", "b", "c"}},
      {"a,", {"a", ""}},
      {",", {"", ""}},
      {",,", {"", "", ""}},
      {"\"ab\"cd,e", {"ab", "cd", "e"}},
      {"\"a,b\" , \"c\"\"d\"", {"a,b", "c\"d"}},
      {"\"open, end", {"open, end"}},
      {"x\"y", {"x\"y"}},
  };
  for (const Parse& p : parses) {
    SCOPED_TRACE(p.text);
    list.SetCommaText(p.text);
    EXPECT_EQ(LinesOf(list), p.lines);
  }

  list.SetDelimiter(';');
  list.SetQuoteChar('\'');
  Fill(list, {"a,b", "c;d", "it's"});
  EXPECT_EQ(list.DelimitedText(), "a,b;'c;d';'it''s'");
  EXPECT_EQ(list.CommaText(), "\"a,b\",c;d,it's");  // CommaText keeps its own characters
  list.SetDelimitedText("'x;y';z");
  EXPECT_EQ(LinesOf(list), (Lines{"x;y", "z"}));
  EXPECT_EQ(list.Delimiter(), ';');
}

TEST(RtlLists, StringListNamesAndValues) {
  TStringList list;
  list.SetText("Width=100\r\nname=Main=Window\r\nplain\r\n=empty name\r\nÄrger=1\r\n");
  EXPECT_EQ(list.Names(0), "Width");
  EXPECT_EQ(list.Names(1), "name");
  EXPECT_EQ(list.Names(2), "");
  EXPECT_EQ(list.ValueFromIndex(1), "Main=Window");  // split at the first separator
  EXPECT_EQ(list.ValueFromIndex(2), "");             // no separator: no value
  EXPECT_EQ(list.ValueFromIndex(-1), "");
  EXPECT_EQ(list.Values("width"), "100");  // case-insensitive by default
  EXPECT_EQ(list.Values("NAME"), "Main=Window");
  EXPECT_EQ(list.Values("äRGER"), "1");  // beyond ASCII too
  EXPECT_EQ(list.Values("plain"), "");
  EXPECT_EQ(list.Values(""), "empty name");
  EXPECT_EQ(list.IndexOfName("WIDTH"), 0);
  EXPECT_EQ(list.IndexOfName("missing"), -1);
  EXPECT_EQ(list.IndexOf("PLAIN"), 2);

  list.SetValue("WIDTH", "200");  // replaces in place, under the name given
  list.SetValue("Height", "50");  // appends
  list.SetValue("name", "");      // deletes
  list.SetValue("absent", "");    // nothing to delete
  EXPECT_EQ(LinesOf(list), (Lines{"WIDTH=200", "plain", "=empty name", "Ärger=1", "Height=50"}));

  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOfName("width"), -1);
  EXPECT_EQ(list.IndexOf("Plain"), -1);
  EXPECT_EQ(list.Values("WIDTH"), "200");

  list.SetNameValueSeparator(':');
  list.SetText("a:1\r\nb=2\r\n");
  EXPECT_EQ(list.Values("a"), "1");
  EXPECT_EQ(list.IndexOfName("b"), -1);
}

TEST(RtlLists, StringListSortedFindAndDuplicates) {
  TStringList list;
  list.SetSorted(true);
  for (const char* s : {"cherry", "Banana", "apple", "date"}) list.Add(s);
  EXPECT_EQ(LinesOf(list), (Lines{"apple", "Banana", "cherry", "date"}));  // ignoring case

  int32_t index = -1;
  EXPECT_TRUE(list.Find("BANANA", index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(list.Find("blueberry", index));
  EXPECT_EQ(index, 2);  // where it would go
  EXPECT_FALSE(list.Find("zebra", index));
  EXPECT_EQ(index, 4);
  EXPECT_EQ(list.IndexOf("DATE"), 3);
  EXPECT_EQ(list.IndexOf("fig"), -1);

  // dupIgnore (the default): the existing line answers.
  EXPECT_EQ(list.AddObject("APPLE", P(1)), 0);
  EXPECT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Objects(0), nullptr);

  list.SetDuplicates(dupError);
  try {
    list.Add("Cherry");
    ADD_FAILURE() << "no exception";
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "String list does not allow duplicates");
  }
  EXPECT_EQ(list.Count(), 4);

  // dupAccept: equal lines stay in the order they were added.
  list.SetDuplicates(dupAccept);
  EXPECT_EQ(list.Add("APPLE"), 1);
  EXPECT_EQ(list.Add("Apple"), 2);
  EXPECT_EQ(LinesOf(list), (Lines{"apple", "APPLE", "Apple", "Banana", "cherry", "date"}));
  EXPECT_TRUE(list.Find("aPPLE", index));
  EXPECT_EQ(index, 0);  // the first of the equal lines

  // A sorted list refuses what would break its order, without losing a line.
  for (auto op : std::vector<std::function<void()>>{[&] { list.Insert(0, "x"); }, [&] { list.Put(0, "x"); },
                                                    [&] { list.Move(0, 3); }}) {
    try {
      op();
      ADD_FAILURE() << "no exception";
    } catch (const EStringListError& e) {
      EXPECT_EQ(e.Message(), "Operation not allowed on sorted list");
    }
  }
  EXPECT_EQ(list.Count(), 6);

  // CaseSensitive orders by code point and re-sorts the list.
  list.SetCaseSensitive(true);
  EXPECT_EQ(LinesOf(list), (Lines{"APPLE", "Apple", "Banana", "apple", "cherry", "date"}));
  EXPECT_EQ(list.IndexOf("apple"), 3);
  EXPECT_EQ(list.IndexOf("BANANA"), -1);

  // Setting a value in a sorted list puts the new line where it sorts.
  TStringList values;
  values.SetSorted(true);
  values.SetText("a=1\r\nm=2\r\nz=3\r\n");
  values.SetValue("a", "x");
  values.SetValue("M", "9");
  values.SetValue("b", "4");
  EXPECT_EQ(LinesOf(values), (Lines{"a=x", "b=4", "M=9", "z=3"}));

  // Turning Sorted off keeps the order; on again sorts (stably).
  TStringList later;
  Fill(later, {"b", "B", "a"});
  later.SetSorted(true);
  EXPECT_EQ(LinesOf(later), (Lines{"a", "b", "B"}));
}

TEST(RtlLists, StringListBulkAddMatchesOneByOne) {
  // Text, delimited text and AddStrings add many lines to a sorted list at
  // once; the outcome must be the one of adding them one by one.
  std::mt19937 rng(7);
  const char* words[] = {"alpha", "Alpha", "ALPHA", "beta", "Beta", "gamma", "delta", "Delta", "eps"};
  for (TDuplicates dup : {dupIgnore, dupAccept, dupError}) {
    for (int round = 0; round < 30; ++round) {
      Lines existing, added;
      for (int i = std::uniform_int_distribution<int>(0, 4)(rng); i > 0; --i)
        existing.push_back(words[std::uniform_int_distribution<int>(0, 8)(rng)]);
      for (int i = std::uniform_int_distribution<int>(0, 8)(rng); i > 0; --i)
        added.push_back(words[std::uniform_int_distribution<int>(0, 8)(rng)]);
      SCOPED_TRACE(testing::PrintToString(existing) + " + " + testing::PrintToString(added));

      auto prepare = [&](TStringList& l) {
        l.SetDuplicates(dupAccept);
        l.SetSorted(true);
        l.SetCaseSensitive(round % 2 == 1);
        for (const String& s : existing) l.Add(s);
        l.SetDuplicates(dup);
      };
      TStringList one, bulk, source;
      prepare(one);
      prepare(bulk);
      bool oneThrew = false, bulkThrew = false;
      try {
        for (const String& s : added) one.Add(s);
      } catch (const EStringListError&) {
        oneThrew = true;
      }
      for (const String& s : added) source.Add(s);
      try {
        bulk.AddStrings(&source);
      } catch (const EStringListError&) {
        bulkThrew = true;
      }
      EXPECT_EQ(bulkThrew, oneThrew);
      EXPECT_EQ(LinesOf(bulk), LinesOf(one));
    }
  }
}

TEST(RtlLists, StringListSortIsStable) {
  TStringList list;
  Fill(list, {"pear", "Apple", "fig", "apple", "kiwi", "APPLE"});
  list.AddObject("Fig", P(7));
  list.Sort();
  EXPECT_EQ(LinesOf(list), (Lines{"Apple", "apple", "APPLE", "fig", "Fig", "kiwi", "pear"}));
  EXPECT_EQ(list.Objects(4), P(7));  // objects travel with their lines

  list.CustomSort([](TStringList* l, int32_t a, int32_t b) {
    return static_cast<int>(l->Strings(a).size()) - static_cast<int>(l->Strings(b).size());
  });
  EXPECT_EQ(LinesOf(list), (Lines{"fig", "Fig", "kiwi", "pear", "Apple", "apple", "APPLE"}));
}

TEST(RtlLists, StringListEditingCarriesObjects) {
  TStringList list;
  list.AddObject("a", P(1));
  list.AddObject("b", P(2));
  list.Append("c");
  list.InsertObject(0, "z", P(26));
  list.Insert(4, "end");
  EXPECT_EQ(LinesOf(list), (Lines{"z", "a", "b", "c", "end"}));
  EXPECT_EQ(list.IndexOfObject(P(2)), 2);
  EXPECT_EQ(list.IndexOfObject(P(99)), -1);

  list.Exchange(0, 2);
  list.Move(3, 0);
  list.Put(1, "A");  // Put keeps the object
  EXPECT_EQ(LinesOf(list), (Lines{"c", "A", "a", "z", "end"}));
  EXPECT_EQ(list.Objects(1), P(2));
  EXPECT_EQ(list.Objects(3), P(26));
  list.SetObjects(4, P(5));
  list.Delete(0);
  EXPECT_EQ(list.Objects(3), P(5));

  TStringList copy;
  copy.SetNameValueSeparator(':');
  copy.Add("old");
  list.SetNameValueSeparator('#');
  copy.Assign(&list);
  EXPECT_TRUE(copy.Equals(&list));
  EXPECT_EQ(copy.Objects(0), P(2));
  EXPECT_EQ(copy.NameValueSeparator(), '#');
  copy.AddStrings(&copy);  // adding a list to itself doubles it once
  EXPECT_EQ(copy.Count(), 8);
  EXPECT_EQ(copy.Objects(4), P(2));
  EXPECT_FALSE(copy.Equals(&list));

  class TNotStrings : public TPersistent {};
  TNotStrings other;
  EXPECT_THROW(copy.Assign(&other), EConvertError);

  struct Case {
    const char* what;
    std::function<void()> op;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"Strings", [&] { list.Strings(4); }, "List index out of bounds (4)"},
      {"Objects", [&] { list.Objects(-1); }, "List index out of bounds (-1)"},
      {"Put", [&] { list.Put(9, "x"); }, "List index out of bounds (9)"},
      {"Delete", [&] { list.Delete(4); }, "List index out of bounds (4)"},
      {"Insert", [&] { list.Insert(5, "x"); }, "List index out of bounds (5)"},
      {"Exchange", [&] { list.Exchange(1, 4); }, "List index out of bounds (4)"},
      {"Move", [&] { list.Move(0, 4); }, "List index out of bounds (4)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      c.op();
      ADD_FAILURE() << "no exception";
    } catch (const EStringListError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
  EXPECT_EQ(LinesOf(list), (Lines{"A", "a", "z", "end"}));
}

TEST(RtlLists, StringListChangeEvents) {
  TStringList list;
  std::vector<String> log;
  list.Add("silent");  // no handler: nothing to call
  list.OnChanging = [&](TObject* sender) {
    EXPECT_EQ(sender, static_cast<TObject*>(&list));
    log.push_back("changing " + std::to_string(list.Count()));
  };
  list.OnChange = [&](TObject*) { log.push_back("change " + std::to_string(list.Count())); };

  list.Add("a");
  EXPECT_EQ(log, (std::vector<String>{"changing 1", "change 2"}));

  log.clear();
  list.BeginUpdate();
  list.BeginUpdate();
  EXPECT_EQ(list.UpdateCount(), 2);
  list.Add("b");
  list.Delete(0);
  list.EndUpdate();
  EXPECT_TRUE(log.size() == 1);  // only the opening OnChanging so far
  list.EndUpdate();
  EXPECT_EQ(log, (std::vector<String>{"changing 2", "change 2"}));
  EXPECT_EQ(list.UpdateCount(), 0);

  log.clear();
  list.SetText("x\r\ny\r\nz");
  list.SetCommaText("p,q");
  EXPECT_EQ(log, (std::vector<String>{"changing 2", "change 3", "changing 3", "change 2"}));

  log.clear();
  list.Clear();
  list.Clear();  // already empty: no change
  EXPECT_EQ(log, (std::vector<String>{"changing 2", "change 0"}));

  // A failing bulk add still ends the update it opened.
  log.clear();
  list.SetSorted(true);
  list.SetDuplicates(dupError);
  EXPECT_THROW(list.SetText("k\r\nm\r\nK\r\n"), EStringListError);
  EXPECT_EQ(list.UpdateCount(), 0);
  EXPECT_EQ(LinesOf(list), (Lines{"k", "m"}));
  EXPECT_EQ(log.back(), "change 2");
}

TEST(RtlLists, StringListStreamsAndFiles) {
  TStringList list;
  TStringStream withBom(
      "\xEF\xBB\xBF"
      "first\r\nzweite Zeile ä\nthird");
  list.LoadFromStream(&withBom);
  EXPECT_EQ(LinesOf(list), (Lines{"first", "zweite Zeile ä", "third"}));

  TStringStream out;
  list.SaveToStream(&out);
  EXPECT_EQ(out.DataString(), "first\r\nzweite Zeile ä\r\nthird\r\n");

  // Loading reads from the stream's position on.
  TStringStream partial("skip|a\nb");
  partial.SetPosition(5);
  list.LoadFromStream(&partial);
  EXPECT_EQ(LinesOf(list), (Lines{"a", "b"}));

  const String path = HomeFile("lines.txt");
  {
    std::ofstream f(path, std::ios::binary);
    f << "an older and longer content that must be replaced\n";
  }
  Fill(list, {"one", "two"});
  list.SaveToFile(path);
  EXPECT_EQ(ReadFileBytes(path), "one\r\ntwo\r\n");
  TStringList loaded;
  loaded.LoadFromFile(path);
  EXPECT_TRUE(loaded.Equals(&list));

  EXPECT_THROW(loaded.LoadFromFile(HomeFile("missing.txt")), EFOpenError);
  EXPECT_EQ(loaded.Count(), 2);  // a failed load changes nothing
  // A folder that does not exist cannot be written; nothing is left behind.
  EXPECT_ANY_THROW(list.SaveToFile(HomeFile("no/such/dir/x.txt")));
}

TEST(RtlLists, HashedStringListAgreesWithStringList) {
  // Random edits applied to both lists; every look-up must agree.
  std::mt19937 rng(11);
  const Lines pool = {"Key=1", "key=2", "KEY", "other=x", "Äpfel=3", "äpfel=4", "a:b",
                      "plain", "",      "=v",  "İd=5",    "id=6",    "ſ"};
  auto pick = [&] { return pool[std::uniform_int_distribution<size_t>(0, pool.size() - 1)(rng)]; };
  const Lines probes = {"key", "KEY",   "Key=1",   "key=2", "äPFEL", "Äpfel=3", "a", "plain",
                        "",    "other", "missing", "ID",    "İD=5",  "s",       "S"};

  THashedStringList hashed;
  TStringList plain;
  for (int step = 0; step < 600; ++step) {
    int32_t n = plain.Count();
    int op = std::uniform_int_distribution<int>(0, 11)(rng);
    auto at = [&](int32_t count) { return std::uniform_int_distribution<int32_t>(0, count - 1)(rng); };
    switch (op) {
      case 0:
      case 1:
      case 2: {
        String s = pick();
        hashed.Add(s);
        plain.Add(s);
        break;
      }
      case 3:
        if (n > 0) {
          int32_t i = at(n);
          String s = pick();
          hashed.Insert(i, s);
          plain.Insert(i, s);
        }
        break;
      case 4:
        if (n > 0) {
          int32_t i = at(n);
          hashed.Delete(i);
          plain.Delete(i);
        }
        break;
      case 5:
        if (n > 0) {
          int32_t i = at(n);
          String s = pick();
          hashed.Put(i, s);
          plain.Put(i, s);
        }
        break;
      case 6:
        if (n > 1) {
          int32_t i = at(n), j = at(n);
          hashed.Move(i, j);
          plain.Move(i, j);
        }
        break;
      case 7: {
        String name = pick().substr(0, 3), value = step % 3 ? "v" : "";
        hashed.SetValue(name, value);
        plain.SetValue(name, value);
        break;
      }
      case 8: {
        bool cs = !plain.CaseSensitive();
        hashed.SetCaseSensitive(cs);
        plain.SetCaseSensitive(cs);
        break;
      }
      case 9: {
        char sep = plain.NameValueSeparator() == '=' ? ':' : '=';
        hashed.SetNameValueSeparator(sep);
        plain.SetNameValueSeparator(sep);
        break;
      }
      case 10:
        if (n > 1) {
          int32_t i = at(n), j = at(n);
          hashed.Exchange(i, j);
          plain.Exchange(i, j);
        }
        break;
      case 11:
        if (step % 50 == 0) {
          hashed.Clear();
          plain.Clear();
        }
        break;
    }
    ASSERT_EQ(LinesOf(hashed), LinesOf(plain));
    for (const String& p : probes) {
      ASSERT_EQ(hashed.IndexOf(p), plain.IndexOf(p)) << "step " << step << " probe " << p;
      ASSERT_EQ(hashed.IndexOfName(p), plain.IndexOfName(p)) << "step " << step << " probe " << p;
    }
  }
}

TEST(RtlLists, LargeListsStayFast) {
  // Quadratic behaviour would not finish within the test timeout at this size.
  const int n = 200000;
  String text;
  for (int i = 0; i < n; ++i) text += "Name" + std::to_string((i * 7919) % n) + "=" + std::to_string(i) + "\n";

  THashedStringList hashed;
  for (int i = 0; i < n; ++i) {
    String name = "k" + std::to_string(i);
    ASSERT_EQ(hashed.IndexOfName(name), -1);  // look up, then append: the tables are kept
    hashed.Add(name + "=" + std::to_string(i));
  }
  EXPECT_EQ(hashed.Values("K199999"), "199999");

  TStringList sorted;
  sorted.SetSorted(true);
  sorted.SetText(text);
  ASSERT_EQ(sorted.Count(), n);
  EXPECT_EQ(sorted.Strings(0).substr(0, 6), "Name0=");
  int32_t index;
  EXPECT_TRUE(sorted.Find(sorted.Strings(12345), index));
  EXPECT_EQ(index, 12345);

  TStringList copy;
  copy.SetCommaText(sorted.CommaText());
  EXPECT_TRUE(copy.Equals(&sorted));
  EXPECT_EQ(copy.Text().size(), text.size() + static_cast<size_t>(n));
}
