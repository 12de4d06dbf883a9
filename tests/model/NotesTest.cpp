#include "model/Notes.h"
#include "model/Errors.h"

#include <gtest/gtest.h>

#include <string>

using namespace lay;

TEST(NoteNames, TableOfSeventyThree) {
    const std::pair<int, const char*> known[] = {{0, "P"},   {1, "C_0"}, {2, "Cis_0"}, {12, "B_0"},
                                                 {13, "C0"}, {25, "C1"}, {58, "A3"},   {59, "Ais3"},
                                                 {72, "B4"}, {73, ""},   {-1, ""},     {255, ""}};
    for (const auto& [index, name] : known)
        EXPECT_EQ(NoteName(index), name) << index;
    for (int i = 0; i < 73; ++i) {
        EXPECT_FALSE(NoteName(i).empty()) << i;
        EXPECT_EQ(FindNoteName(NoteName(i)), i) << NoteName(i);
    }
    EXPECT_EQ(FindNoteName("c1"), std::nullopt) << "names are case-sensitive";
    EXPECT_EQ(FindNoteName(""), std::nullopt);
    EXPECT_EQ(FindNoteName(" C1"), std::nullopt);
}

TEST(Notes, TextRoundTrip) {
    TNotes notes(nullptr);
    TNote* a = notes.Add();
    a->SetNote(25);
    a->SetDuration(4);
    a->SetVolume(10);
    TNote* p = notes.Add();
    p->SetDuration(2);
    EXPECT_EQ(notes.Text(), "C1;4;10;P;2;0");

    TNotes back(nullptr);
    back.SetText(notes.Text());
    EXPECT_TRUE(back.Equals(notes));
    EXPECT_EQ(back.Items(1)->Owner(), &back);

    TNotes empty(nullptr);
    EXPECT_EQ(empty.Text(), "");

    // A pitch index without a name still writes its numbers.
    notes.Items(0)->SetNote(200);
    EXPECT_EQ(notes.Text(), ";4;10;P;2;0");
}

namespace {

struct SetTextCase {
    const char* Text;
    const char* Expected; // the list's own text form afterwards
};

class NotesSetText : public testing::TestWithParam<SetTextCase> {};

} // namespace

TEST_P(NotesSetText, Case) {
    TNotes notes(nullptr);
    notes.Add();
    notes.SetText(GetParam().Text);
    EXPECT_EQ(notes.Text(), GetParam().Expected) << "«" << GetParam().Text << "»";
}

INSTANTIATE_TEST_SUITE_P(Fields, NotesSetText,
                         testing::Values(SetTextCase{"C1;4;10;P;2;0", "C1;4;10;P;2;0"}, SetTextCase{"", ""},
                                         SetTextCase{"C1;4", ""}, SetTextCase{"C1;4;10;D1", "C1;4;10"},
                                         SetTextCase{"C1;4;10;", "C1;4;10"},
                                         SetTextCase{"X;4;10;C1;4;10", "C1;4;10"},
                                         // an unknown name skips its numbers unread, however bad they are
                                         SetTextCase{"X;bad;worse;B4;1;2", "B4;1;2"},
                                         // fields are not trimmed: a line break belongs to the name after it
                                         SetTextCase{"C1;4;10;\r\nP;2;0", "C1;4;10"},
                                         SetTextCase{" C1;4;10", ""}, SetTextCase{"c1;4;10", ""},
                                         // only the low eight bits of a number are kept
                                         SetTextCase{"A3;300;-1", "A3;44;255"},
                                         SetTextCase{"A3; 7;+8", "A3;7;8"}));

TEST(Notes, BadNumberKeepsTheNotesBeforeIt) {
    for (const char* text : {"C1;4;10;D1;x;5", "C1;4;10;D1;5;", "C1;4;10;D1;5;6\r\n", "C1;4;10;D1;$10;1"}) {
        TNotes notes(nullptr);
        EXPECT_THROW(notes.SetText(text), EConvertError) << text;
        EXPECT_EQ(notes.Text(), "C1;4;10") << text;
    }
}

TEST(Notes, AtMost256) {
    std::string text;
    for (int i = 0; i < 257; ++i)
        text += (i ? ";" : "") + std::string("C1;1;") + std::to_string(i);
    TNotes notes(nullptr);
    try {
        notes.SetText(text);
        FAIL() << "the 257th note was accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Количество нот не может быть больше 256.");
    }
    EXPECT_EQ(notes.Count(), 256);
    EXPECT_EQ(notes.Items(255)->Volume(), 255);
    EXPECT_THROW(notes.Add(), Exception);
    EXPECT_EQ(notes.Count(), 256);

    TNotes copy(nullptr);
    copy.Assign(notes);
    EXPECT_TRUE(copy.Equals(notes));
}

TEST(Notes, ChangesReachTheLayoutOnlyWhenSomethingChanged) {
    TNotifier notifier;
    TNotes notes(&notifier);
    notes.Clear();
    EXPECT_FALSE(notes.Modified()) << "clearing an empty list changes nothing";
    EXPECT_FALSE(notifier.Modified);

    TNote* n = notes.Add();
    EXPECT_TRUE(notes.Modified());
    EXPECT_TRUE(notifier.Modified);
    EXPECT_EQ(n->Notifier(), &notifier);
    EXPECT_FALSE(n->Modified());

    notifier.ClearModified();
    n->SetNote(0);
    n->SetDuration(0);
    n->SetVolume(0);
    EXPECT_FALSE(n->Modified());
    EXPECT_FALSE(notifier.Modified);
    n->SetVolume(3);
    EXPECT_TRUE(n->Modified());
    EXPECT_TRUE(notifier.Modified);

    notes.ClearModified();
    notes.Clear();
    EXPECT_TRUE(notes.Modified());
    EXPECT_TRUE(notes.IsEmpty());
}

TEST(Notes, AssignAndEquals) {
    TNotes a(nullptr);
    a.SetText("C1;4;10;P;2;0");
    TNotes b(nullptr);
    b.SetText("B4;1;1");
    EXPECT_FALSE(a.Equals(b));
    b.Assign(a);
    EXPECT_TRUE(b.Equals(a));
    EXPECT_EQ(b.Text(), "C1;4;10;P;2;0");

    b.Items(1)->SetVolume(1);
    EXPECT_FALSE(b.Equals(a)) << "every field counts";
    b.Items(1)->SetVolume(0);
    b.Items(1)->SetDuration(3);
    EXPECT_FALSE(b.Equals(a));
    b.Items(1)->SetDuration(2);
    b.Items(1)->SetNote(1);
    EXPECT_FALSE(b.Equals(a));

    a.Assign(a);
    EXPECT_EQ(a.Text(), "C1;4;10;P;2;0") << "assigning a list to itself keeps it";

    TNote single(nullptr, nullptr);
    single.Assign(*a.Items(0));
    EXPECT_TRUE(single.Equals(*a.Items(0)));
}

TEST(Notes, IndexOutsideTheListIsAListError) {
    TNotes notes(nullptr);
    notes.SetText("C1;4;10");
    EXPECT_NO_THROW((void)notes.Items(0));
    EXPECT_THROW((void)notes.Items(1), EListError);
    EXPECT_THROW((void)notes.Items(-1), EListError);
}
