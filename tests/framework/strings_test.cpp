#include "framework/strings.h"

#include "support/test_support.h"

TEST(StringList, IndexErrorsNameTheIndex)
{
    TStringList list({"a", "b"});
    EXPECT_RAISES(list.Get(2), EListError, "List index out of bounds (2)");
    EXPECT_RAISES(list.Delete(-1), EListError, "List index out of bounds (-1)");
    EXPECT_RAISES(list.Insert(3, "x"), EListError, "List index out of bounds (3)");
    list.Insert(2, "c");
    EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\n");
}

TEST(StringList, SortedListsPlaceAndFindWithoutRegardToCase)
{
    TStringList list;
    list.SetSorted(true);
    EXPECT_EQ(list.Add("mar.jpg"), 0);
    EXPECT_EQ(list.Add("Abril.bmp"), 0);
    EXPECT_EQ(list.Add("zebra.gif"), 2);
    EXPECT_EQ(list.IndexOf("MAR.JPG"), 1);
    // Duplicates are ignored by default: the existing index comes back.
    EXPECT_EQ(list.Add("Mar.jpg"), 1);
    EXPECT_EQ(list.Count(), 3);
    list.SetDuplicates(dupError);
    EXPECT_RAISES(list.Add("mar.jpg"), EListError, "String list does not allow duplicates");
    EXPECT_RAISES(list.Insert(0, "x"), EListError, "Operation not allowed on sorted string list");
}

TEST(StringList, TextSplitsAtEveryKindOfLineBreak)
{
    TStringList list;
    list.SetText("um\r\ndois\nt\xC3\xAAs\rquatro");
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Get(2), "t\xC3\xAAs");
    EXPECT_EQ(list.Get(3), "quatro");
    // A trailing break ends the last line without adding an empty one.
    list.SetText("a\r\n");
    EXPECT_EQ(list.Count(), 1);
}

TEST(StringList, UpdatesHoldChangeNotificationsBackUntilTheOutermostEnd)
{
    TStringList list;
    int changing = 0;
    int changed = 0;
    list.OnChanging = [&](TObject*) { ++changing; };
    list.OnChange = [&](TObject*) { ++changed; };
    list.Add("a");
    EXPECT_EQ(changed, 1);
    list.BeginUpdate();
    list.BeginUpdate();
    list.Add("b");
    list.Add("c");
    list.EndUpdate();
    EXPECT_EQ(changed, 1);
    list.EndUpdate();
    EXPECT_EQ(changing, 2);
    EXPECT_EQ(changed, 2);
}

TEST(StringList, ObjectsTravelWithTheirStrings)
{
    TStringList a;
    TStringList marker;
    a.AddObject("x", &marker);
    a.Add("y");
    a.Exchange(0, 1);
    EXPECT_EQ(a.Objects(1), &marker);
    EXPECT_EQ(a.IndexOfObject(&marker), 1);
    TStringList b;
    b.CopyFrom(&a);
    EXPECT_EQ(b.ToVector(), (std::vector<std::string>{"y", "x"}));
    EXPECT_EQ(b.Objects(1), &marker);
    a.Move(1, 0);
    EXPECT_EQ(a.Get(0), "x");
    EXPECT_RAISES(b.CopyFrom(nullptr), EConvertError, "Cannot assign a nil to a TStringList");
}

TEST(StringList, MovesKeepEveryStringAndRefusalsEndTheUpdate)
{
    TStringList list({"a", "b", "c", "d"});
    list.Move(0, 2);
    EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"b", "c", "a", "d"}));
    list.Move(3, 1);
    EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"b", "d", "c", "a"}));

    // A sorted list refuses moves, exchanges and duplicates: it keeps its strings, and the
    // change notifications that follow still come.
    TStringList sorted({"abril", "maio", "junho"});
    sorted.SetSorted(true);
    sorted.SetDuplicates(dupError);
    int changed = 0;
    sorted.OnChange = [&](TObject*) { ++changed; };
    EXPECT_RAISES(sorted.Move(2, 0), EListError, "Operation not allowed on sorted string list");
    EXPECT_EQ(sorted.ToVector(), (std::vector<std::string>{"abril", "junho", "maio"}));
    EXPECT_RAISES(sorted.Exchange(0, 1), EListError, "Operation not allowed on sorted string list");
    TStringList more({"julho", "maio"});
    EXPECT_RAISES(sorted.AddStrings(more), EListError, "String list does not allow duplicates");
    EXPECT_EQ(sorted.ToVector(), (std::vector<std::string>{"abril", "julho", "junho", "maio"}));
    EXPECT_EQ(sorted.UpdateCount(), 0);
    changed = 0;
    sorted.Add("agosto");
    EXPECT_EQ(changed, 1);
}

TEST(TextHelpers, HintsHotkeysAndTrimming)
{
    EXPECT_EQ(GetShortHint("Abrir arquivo|Abre um arquivo de imagem"), "Abrir arquivo");
    EXPECT_EQ(GetLongHint("Abrir arquivo|Abre um arquivo de imagem"), "Abre um arquivo de imagem");
    EXPECT_EQ(GetLongHint("Imprimir"), "Imprimir");
    EXPECT_EQ(StripHotkey("Con&figurar impressora"), "Configurar impressora");
    EXPECT_EQ(StripHotkey("A && B"), "A & B");
    EXPECT_EQ(Trim("  \t pictavo.ini \r\n"), "pictavo.ini");
    EXPECT_EQ(UpperCase("/print a.bmp"), "/PRINT A.BMP");
    EXPECT_EQ(AnsiUpperCase("visualiza\xC3\xA7\xC3\xA3o"), "VISUALIZA\xC3\x87\xC3\x83O");
    EXPECT_LT(AnsiCompareText("abc", "ABD"), 0);
    EXPECT_EQ(AnsiCompareText("Fotos", "fotos"), 0);
}
