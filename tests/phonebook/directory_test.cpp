// The dialing directory and the entry editor on a headless console: keys are
// queued, the screen is read while it is still up, the book file afterwards.
#include "phonebook/directory.h"

#include <gtest/gtest.h>

#include "phonebook/phonerec.h"
#include "phonebook/test_prompts.h"
#include "support/strings.h"
#include "support/timeutil.h"
#include "ui/ui_test_util.h"

using namespace lx;

namespace {

struct TFakeHost : TDirectoryHost {
  bool IsConnected = false, SSH = false;
  int Live = 0, Dialled = 0;
  std::vector<std::string> Edited;  // names of saved edits of the live entry
  bool Connected() override { return IsConnected; }
  bool SSHUsable() override { return SSH; }
  bool SaveConfig() override { return true; }
  void Dial(int N, const TPhoneRec&) override { Dialled = N; }
  int CurrentEntryNum() override { return Live; }
  void SetCurrentEntryNum(int N) override { Live = N; }
  void CurrentEntryEdited(const TPhoneRec& E) override { Edited.push_back(E.Name); }
};

constexpr int Esc = 27, Enter = 13, Home = -71, Up = -72, PgUp = -73, End = -79, Down = -80, PgDn = -81,
              Ins = -82, Del = -83, AltE = -18, AltS = -31, AltF = -33, AltB = -48;
const auto Failing = [](int, const void*, std::size_t) -> long { return -1; };

class Directory : public UITest, protected TBookFiles {
 protected:
  Directory() { Path = Dir.Path("lanternyx.phn"); }  // the configuration's book
  // A book whose entries 1..Count are "Sys 001".. at "host001"..; Edit changes it before it is saved.
  void MakeBook(int Count, int Top = 1, int Bar = 1, std::function<void(TPhoneBookFile&)> Edit = {}) {
    ASSERT_TRUE(OpenBook("Test Book"));
    for (int N = 1; N <= Count; ++N) {
      const std::string Num = PadLeft(IntToStr(N), 3, '0');
      Book.Entry(N).Name = "Sys " + Num, Book.Entry(N).Address = "host" + Num;
    }
    Book.Header.TopEntry = static_cast<uint8_t>(Top);
    Book.Header.BarRow = static_cast<uint8_t>(Bar);
    if (Edit) Edit(Book);
    ASSERT_TRUE(Book.SavePhoneBook());
    ASSERT_TRUE(Book.LoadPhoneBook(Path, Cfg, Prompts));  // as the session has it open
  }
  TBytes File() const { return ReadFileBytes(Path); }
  // The names of entries From..To as the file holds them, comma-separated.
  std::string Names(int From, int To) const {
    const TBytes F = File();
    std::string R;
    for (std::size_t N = From, O = PhoneEntryOffset(From); N <= std::size_t(To); ++N, O += PhoneRecSize)
      R += (N > std::size_t(From) ? "," : "") + std::string(F.begin() + O + 1, F.begin() + O + 1 + F[O]);
    return R;
  }
  // Queues Keys; Check runs once they were all handled, then ESC leaves.
  bool Drive(const std::vector<int>& Keys, std::function<void()> Check = {}) {
    Press(Keys);
    AfterKeys();
    Peek([this, Check] { Check ? Check() : void(), Key(Esc); });
    return Run();
  }
  bool Run() { return PhoneDirectory(C(), Settings, Book, Cfg, Host, Prompts, Dir.Dir() + "/"); }
  int L() const { return Con->Cols >= 81 ? (Con->Cols - 79) / 2 : 1; }
  int Status() const { return Con->Rows >= 50 ? 47 : 22; }
  std::string Counter() const { return Text(L() + 69, L() + 71, Status()); }

  TFakeHost Host;
};

// The list, the bar, the counter and the gauge (the last listed entry in twentieths, halves to
// the even neighbour) after moves; the header keeps the place.
TEST_F(Directory, MovesKeepTheListInsideTheBookAndTheHeaderKeepsThePlace) {
  struct { int Cols, Rows, Top, Bar; std::vector<int> Keys; int WantTop, WantBar, Cells; } Cases[] = {
      {80, 25, 1, 1, {End}, 190, 11, 10},   {80, 50, 1, 1, {End}, 165, 36, 10},  {132, 37, 1, 1, {End}, 190, 11, 10},
      {80, 25, 178, 2, {PgDn}, 189, 2, 10}, {80, 25, 179, 2, {PgDn}, 190, 11, 10}, {80, 50, 128, 3, {PgDn}, 164, 3, 10},
      {80, 50, 129, 3, {PgDn}, 165, 36, 10}, {80, 25, 30, 4, {PgUp}, 19, 4, 1},  {80, 25, 11, 4, {PgUp}, 1, 1, 1},
      {80, 25, 190, 11, {Down}, 190, 11, 10}, {80, 25, 5, 11, {Down}, 6, 11, 1}, {80, 25, 5, 1, {Up}, 4, 1, 1},
      {80, 25, 1, 1, {Up}, 1, 1, 1},        {80, 25, 40, 6, {Home}, 1, 1, 1},    {80, 25, 1, 1, {Down, Down}, 1, 3, 1},
      {80, 25, 20, 1, {}, 20, 1, 2},        {80, 25, 40, 1, {}, 40, 1, 2},       {80, 25, 60, 1, {}, 60, 1, 4},
      // Stored places no list height allows start over at the top.
      {80, 25, 0, 3, {}, 1, 1, 1},          {80, 25, 250, 1, {}, 1, 1, 1},       {80, 25, 5, 0, {}, 1, 1, 1},
      {80, 25, 5, 40, {}, 1, 1, 1},         {80, 25, 5, 12, {}, 1, 1, 1},        {80, 50, 190, 11, {}, 1, 1, 2},
      {80, 50, 165, 36, {}, 165, 36, 10},
  };
  const uint8_t Chars[10] = {176, 177, 178, 219, 176, 177, 178, 219, 177, 178};
  const uint8_t Attrs[10] = {4, 4, 4, 4, 76, 76, 76, 12, 78, 78};
  for (const auto& T : Cases) {
    SCOPED_TRACE(testing::Message() << T.Cols << "x" << T.Rows << " from " << T.Top << "," << T.Bar);
    Open(T.Cols, T.Rows);
    MakeBook(200, T.Top, T.Bar);
    EXPECT_FALSE(Drive(T.Keys, [&] {
      EXPECT_EQ(Text(L() + 1, L() + 8, 10), " Sys " + PadLeft(IntToStr(T.WantTop), 3, '0'));
      EXPECT_EQ(Attr(L() + 2, 9 + T.WantBar), 76);
      EXPECT_EQ(Counter(), PadLeft(IntToStr(T.WantTop + T.WantBar - 1), 3, '0'));
      for (int I = 0; I < 10; ++I)
        EXPECT_EQ(Ch(L() + 57 + I, Status()) * 1000 + Attr(L() + 57 + I, Status()),
                  I < T.Cells ? Chars[I] * 1000 + Attrs[I] : 176008) << "gauge cell " << I;
    }));
    EXPECT_EQ(File()[46] * 1000 + File()[47], T.WantTop * 1000 + T.WantBar);
  }
}

TEST_F(Directory, RowsShowTagsTheBarAndPipeColouredNames) {
  MakeBook(3, 1, 1, [](TPhoneBookFile& B) {
    B.Entry(3).Name = "|14Gold", B.Entry(3).TotalCalls = 1234567, B.Entry(3).LastCall = PackDateTime({2024, 3, 9, 12});
  });
  Drive({' ', Down}, [&] {
    Expect({{3, 10, 'S', 14}, {3, 11, 'S', 76}, {3, 12, 'G', 14}, {2, 12, ' ', 7}, {31, 12, 'h', 7}});
    EXPECT_EQ(Text(58, 67, 10) + Text(58, 67, 12) + Text(70, 78, 12), " 00/00/80  03/09/24  1,234,56");
    EXPECT_EQ(Text(3, 11, 22), "Test Book");
  });
  Drive({Home, Down, Down, ' '}, [&] { Expect({{3, 12, 'G', 78}, {4, 12, 'o', 78}}); });
}

TEST_F(Directory, EnterOrASecondClickDialsTheEntryUnderTheBarOrSaysWhyNot) {
  const struct { bool Connected; uint8_t Proto; const char *User, *Pass; bool SSH; const char* Said; } Cases[] = {
      {true, ProtoTelnet, "", "", true, "You are already connected"},
      {false, ProtoRlogin, "me", "", true, "Set username/pass to use this connection type"},
      {false, ProtoSSH, "", "pw", true, "Set username/pass to use this connection type"},
      {false, ProtoSSH, "me", "pw", false, "Cannot use SSH; libssh not found"},
      {false, ProtoSSH, "me", "pw", true, nullptr},
      {false, ProtoSSH, "me", "", true, nullptr},  // no password: dials
  };
  for (const auto& T : Cases) {
    MakeBook(2, 1, 1, [&](TPhoneBookFile& B) {
      B.Entry(1).Protocol = T.Proto, B.Entry(1).UserName = T.User, B.Entry(1).Password = T.Pass;
    });
    Host = TFakeHost{}, Prompts = TScriptedPrompts{};
    Host.IsConnected = T.Connected, Host.SSH = T.SSH;
    const bool Dials = !T.Said;
    EXPECT_EQ(Dials ? (Press({Enter}), Run()) : Drive({Enter}), Dials);
    EXPECT_EQ(Prompts.Notices, Dials ? std::vector<std::string>{} : std::vector<std::string>{T.Said});
    EXPECT_EQ(Host.Dialled, Dials ? 1 : 0);
  }
  MakeBook(5);
  Click(10, 12), Click(10, 12);
  EXPECT_TRUE(Run());
  EXPECT_EQ(Host.Dialled * 100 + File()[47], 303);
}

TEST_F(Directory, DeleteAndInsertFollowTheLiveEntryAndKeepFileAndMemoryAlike) {
  MakeBook(5);
  Host.Live = 4;
  Prompts.Answers = {false, true};  // the first "Delete this record?" is declined
  Drive({Down, Del, Del});
  EXPECT_EQ(Prompts.Asked, (std::vector<std::string>{"Delete this record?", "Delete this record?"}));
  EXPECT_EQ(Names(1, 4) + " " + std::to_string(Host.Live), "Sys 001,Sys 003,Sys 004,Sys 005 3");
  EXPECT_EQ(File()[PhoneEntryOffset(200) + PhoneOfs::Protocol], 0);  // entry 200 all zero

  // A delete that cannot be written is reported and undone in memory.
  Book.SetWriteHook(Failing);
  Prompts.Answers = {true};
  Drive({Del}, [&] { EXPECT_EQ(Text(3, 9, 11), "Sys 003"); });
  EXPECT_EQ(Prompts.Notices, std::vector<std::string>{"Unable to save phone book"});
  Book.SetWriteHook(nullptr);

  // INSERT at entry 2, name it, save: the others move down one place.
  Prompts.Answers = {true};
  Drive({Home, Down, Ins, 'y', 'N', 'e', 'w', Enter, Esc});
  EXPECT_EQ(Names(2, 3) + " " + std::to_string(Host.Live), "New,Sys 003 4");

  // An insert the editor leaves unsaved is undone: a later save writes no trace of it.
  const TBytes Before = File();
  Drive({Ins, Esc}, [&] { EXPECT_EQ(Text(3, 5, 11), "New"); });
  EXPECT_EQ(Host.Live, 4);
  Prompts.Answers = {true};
  Drive({End, Del});
  const auto Entries = [](const TBytes& F) { return TBytes(F.begin() + 48, F.begin() + PhoneEntryOffset(200)); };
  EXPECT_EQ(Entries(File()), Entries(Before));
}

TEST_F(Directory, EditorSavesDeclinesAndSteps) {
  MakeBook(3);
  Host.IsConnected = true, Host.Live = 2;
  // Entry 2 renamed, PGDN: "Save Changes?" No, and the editor shows entry 3, renamed and saved;
  // typed text is stored as code page 437 (ü is 0x81).
  Prompts.Answers = {false, true};
  Drive({Down, AltE, 'y', 'X', 'X', Enter, PgDn}, [&] {
    EXPECT_EQ(Text(12, 21, 8), "3 of 200  ");
    Keys("y"), Con->PushText(U'\u00fc'), Keys("\r\x1b");
  });
  EXPECT_EQ(Names(2, 3), "Sys 002,Sys 003\x81");  // declined: also for the next save
  EXPECT_TRUE(Host.Edited.empty());  // entry 3 is not the live one

  Prompts.Answers = {true};
  Drive({AltE, PgUp, 'y', 'L', Enter, Esc});  // the bar is on entry 3: PGUP steps to 2
  EXPECT_EQ(Host.Edited, std::vector<std::string>{"Sys 002L"});
  EXPECT_EQ(File()[47], 2);  // the bar followed

  // PGDN on entry 200 stays there; nothing changed asks nothing.
  Prompts.Asked.clear();
  Drive({End, AltE, PgDn}, [&] { EXPECT_EQ(Text(12, 21, 8), "200 of 200"); Key(Esc); });
  EXPECT_TRUE(Prompts.Asked.empty());

  // P is the hot key of both " IP Type" and " Backspace": one press steps both. H steps the
  // charset, D the line speed; N picks the font from a list (the second face, Topaz).
  Prompts.Answers = {true};
  Drive({AltE, 'p', 'h', 'd', 'n', Down, Down, Enter}, [&] {
    EXPECT_EQ(Text(L() + 40, L() + 56, 21) + "|" + Text(L() + 1, L() + 78, 22),
              " Charset    UTF-8| Speed       300                        Font       Amiga Topaz                ");
    Key(Esc);
  });
  const TBytes F = File();
  const std::size_t O = PhoneEntryOffset(200);
  EXPECT_EQ((TBytes{F[O + PhoneOfs::IPType], F[O + PhoneOfs::Backspace], F[O + PhoneOfs::Charset],
                    F[O + PhoneOfs::LineSpeed], F[O + PhoneOfs::FontFace]}),
            (TBytes{IPv6, 0, CharsetUTF8, 1, 2}));
  Drive({}, [&] { EXPECT_EQ(Text(L() + 43, L() + 54, Status()), "     300 bps"); });

  Book.SetWriteHook(Failing);
  Prompts.Answers = {true};
  Drive({AltE, 'y', 'Q', Enter, Esc});
  EXPECT_EQ(Prompts.Notices, std::vector<std::string>{"Unable to save phone book"});
}

// What stays on the screen after a question: no text cursor once the editor is gone, the
// new book's rows under "Set this as your default phone book?". Another book forgets the live entry.
TEST_F(Directory, ScreenAfterEditingAndChangingBooks) {
  MakeBook(3);
  Host.Live = 2;
  Prompts.Answers = {true};
  Drive({AltE, 'y', 'X', Enter, Esc}, [&] { EXPECT_FALSE((C().ComposeFrame(), C().BlinkWanted())) << "the cursor shows"; });
  ASSERT_TRUE(CreatePhoneBook(Dir.Path("other.phn"), "Other Book", Cfg));  // no systems in it
  std::string Shown;
  Prompts.OnAsk = [&](const std::string& Q) { Shown = Q + "|" + Text(L() + 2, L() + 11, Status()) + "|" + Text(L() + 2, L() + 9, 10); };
  EXPECT_EQ(Host.Live, 2);  // the same book again: the number still holds
  Drive({AltB, 'o', 't', 'h', Enter});
  EXPECT_EQ(Shown, "Set this as your default phone book?|Other Book|        ");
  EXPECT_EQ(Host.Live, 0);
}

TEST_F(Directory, SortKeepsTheBarTagsAndLiveEntryOnTheirSystems) {
  MakeBook(0, 1, 1, [](TPhoneBookFile& B) { B.Entry(2).Name = "charlie", B.Entry(5).Name = "|14alpha", B.Entry(9).Name = "Bravo"; });
  Host.Live = 9;
  // Bar on "charlie" (entry 2), tag on "alpha" (entry 5); sort by name, ascending.
  Drive({Down, Down, Down, Down, ' ', Up, Up, Up, AltS, Enter, Enter}, [&] {
    EXPECT_EQ(Counter(), "003");
    Expect({{3, 12, 'c', 76}, {3, 10, 'a', 14}});
  });
  EXPECT_EQ(Names(1, 4) + " " + std::to_string(Host.Live), "|14alpha,Bravo,charlie, 2");

  // ESC in either list leaves the file as it was.
  const TBytes Before = File();
  Drive({AltS, Esc});
  Drive({AltS, Enter, Esc});
  EXPECT_EQ(File(), Before);

  // A sort that cannot be written is reported and the list stays as the file has it.
  Book.SetWriteHook(Failing);
  Drive({AltS, Enter, Down, Enter}, [&] { EXPECT_EQ(Text(3, 7, 10), "alpha"); });
  EXPECT_EQ(Prompts.Notices, std::vector<std::string>{"Unable to save phone book"});
  EXPECT_EQ(File(), Before);
  EXPECT_EQ(Host.Live, 2);
}

TEST_F(Directory, FindMovesToTheNextMatchAndWrapsOnce) {
  MakeBook(30, 1, 1, [](TPhoneBookFile& B) { B.Entry(7).Name = "|14Ze|15ta", B.Entry(25).Address = "zeta.example"; });
  // Each search runs once the one before it has been handled.
  for (auto [Typed, Want] : {std::pair{"ZETA\r", "007"}, {"zeta\r", "025"}, {"zeta\r", "007"}, {"nowhere\r", "007"}}) {
    Peek([this, Typed] { Press({AltF}), Keys(Typed); });
    AfterKeys();
    Peek([this, Typed, Want] { EXPECT_EQ(Counter(), Want) << Typed; });
  }
  Peek([this] { Key(Esc); });
  EXPECT_FALSE(Run());
  EXPECT_EQ(Prompts.Notices, std::vector<std::string>{"Not found"});
}

}  // namespace
