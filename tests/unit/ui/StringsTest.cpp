#include "ui/Classes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace ui;

namespace {

std::vector<std::string> Lines(const TStrings& list) {
    std::vector<std::string> lines;
    for (int i = 0; i < list.Count(); ++i)
        lines.push_back(list[i]);
    return lines;
}

} // namespace

TEST(StringsTest, SortedListPutsEachLineInCaseInsensitiveOrder) {
    TStringList list;
    list.SetSorted(true);
    EXPECT_EQ(list.Add("night.m3u"), 0);
    EXPECT_EQ(list.Add("Alarm.mid"), 0);
    EXPECT_EQ(list.Add("beep.wav"), 1);
    EXPECT_EQ(list.Add("Zebra.mp3"), 3);
    // Equal apart from case: after the ones already there.
    EXPECT_EQ(list.Add("BEEP.wav"), 2);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"Alarm.mid", "beep.wav", "BEEP.wav",
                                                     "night.m3u", "Zebra.mp3"}));
    EXPECT_THROW(list.Insert(0, "x"), EStringListError);
    EXPECT_THROW(list.Put(0, "x"), EStringListError);
}

TEST(StringsTest, SortingAnExistingListKeepsTheOrderOfEqualLines) {
    TStringList list{"b", "A", "a", "C"};
    list.SetSorted(true);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"A", "a", "b", "C"}));
}

TEST(StringsTest, IndexOfIgnoresLetterCaseAndFindsTheFirstWholeMatch) {
    TStringList list{"English - 1033", "Deutsch - 1031", "english - 1033"};
    EXPECT_EQ(list.IndexOf("ENGLISH - 1033"), 0);
    EXPECT_EQ(list.IndexOf("Deutsch"), -1);
    EXPECT_EQ(list.IndexOf(""), -1);
}

TEST(StringsTest, TextJoinsWithCrLfAndSplitsAnyLineBreak) {
    TStringList list{"one", "", "three"};
    EXPECT_EQ(list.Text(), "one\r\n\r\nthree\r\n");
    list.SetText("a\r\nb\nc\rd\r\n");
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"a", "b", "c", "d"}));
    list.SetText("\r\n\r\n");
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"", ""}));
    list.SetText("");
    EXPECT_EQ(list.Count(), 0);
}

TEST(StringsTest, NameValueLinesAreLookedUpByNameIgnoringCase) {
    TStringList info{"Night.m3u=Quiet piano", "Alarm.mid=Loud", "night.m3u=Second", "NoValue"};
    EXPECT_EQ(info.IndexOfName("NIGHT.M3U"), 0);
    EXPECT_EQ(info.Values("night.m3u"), "Quiet piano");
    EXPECT_EQ(info.Values("NoValue"), "");
    EXPECT_EQ(info.IndexOfName("NoValue"), -1);
    EXPECT_EQ(info.Names(1), "Alarm.mid");
    EXPECT_EQ(info.ValueFromIndex(1), "Loud");
    TStringList withEquals{"key=a=b"};
    EXPECT_EQ(withEquals.ValueFromIndex(0), "a=b");
}

TEST(StringsTest, OutOfRangeIndexRaisesAListError) {
    TStringList list{"only"};
    EXPECT_THROW(list.Get(1), EStringListError);
    EXPECT_THROW(list.Get(-1), EStringListError);
    EXPECT_THROW(list.Delete(1), EStringListError);
    EXPECT_THROW(list.Insert(2, "x"), EStringListError);
    EXPECT_EQ(list.Count(), 1);
}

TEST(StringsTest, ChangesAreAnnouncedWithTheirPosition) {
    TStringList list;
    list.SetSorted(true);
    std::vector<std::pair<TListChange, int>> changes;
    list.OnChange = [&](TStrings&, TListChange change, int index) {
        changes.emplace_back(change, index);
    };
    list.Add("m");
    list.Add("a");
    list.Delete(1);
    list.SetText("x\r\ny");
    list.Clear();
    EXPECT_EQ(changes, (std::vector<std::pair<TListChange, int>>{{TListChange::Inserted, 0},
                                                                 {TListChange::Inserted, 0},
                                                                 {TListChange::Deleted, 1},
                                                                 {TListChange::Reset, -1},
                                                                 {TListChange::Reset, -1}}));
}

TEST(StringsTest, ChangesBetweenBeginAndEndUpdateAreAnnouncedOnceAtTheOutermostEnd) {
    TStringList list;
    std::vector<std::pair<TListChange, int>> changes;
    std::vector<int> counts; // lines in the list at each announcement
    list.OnChange = [&](TStrings& sender, TListChange change, int index) {
        changes.emplace_back(change, index);
        counts.push_back(sender.Count());
    };
    list.BeginUpdate();
    list.Add("a");
    list.BeginUpdate();
    list.Add("b");
    list.EndUpdate();
    EXPECT_TRUE(changes.empty()) << "an inner EndUpdate announces nothing";
    list.Add("c");
    list.EndUpdate();
    EXPECT_EQ(changes, (std::vector<std::pair<TListChange, int>>{{TListChange::Reset, -1}}));
    EXPECT_EQ(counts, std::vector<int>{3});

    list.BeginUpdate();
    list.EndUpdate();
    list.EndUpdate(); // one too many is harmless
    EXPECT_EQ(changes.size(), 1u) << "nothing changed, nothing announced";
    list.Delete(2);
    EXPECT_EQ(changes.back(), std::make_pair(TListChange::Deleted, 2)) << "announced at once again";
}

TEST(StringsTest, CompareTextFoldsOnlyAsciiLetters) {
    EXPECT_EQ(CompareText("abc", "ABC"), 0);
    EXPECT_LT(CompareText("abc", "abd"), 0);
    EXPECT_LT(CompareText("ab", "abc"), 0);
    EXPECT_GT(CompareText("b", "A"), 0);
    EXPECT_TRUE(SameText("Microsoft Sans Serif", "MICROSOFT SANS SERIF"));
    EXPECT_FALSE(SameText("\xC3\xA9", "\xC3\x89")); // é and É differ beyond ASCII
}
