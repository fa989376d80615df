#include "ui/dialogs.h"
#include "ui_test_util.h"

namespace {

class Messages : public UITest {};

TEST_F(Messages, SixtyCharacterMessageSpansColumnsNineToSeventyTwo) {
  Pattern();
  const auto Before = Snapshot();
  const std::string T(60, 'm');
  bool Seen = false;
  Peek([&] {
    Seen = true;
    EXPECT_EQ(Ch(9, 10), 0xDB);
    EXPECT_EQ(Ch(72, 10), 0xDC);
    EXPECT_NE(Ch(8, 10), 0xDB);
    EXPECT_EQ(Text(11, 70, 12), T);
    EXPECT_EQ(Attr(11, 12), 112);
    EXPECT_EQ(Text(39, 42, 14), " OK ");
    EXPECT_EQ(Attr(39, 14), 79);
    EXPECT_EQ(Text(38, 43, 10), " Info ");
    EXPECT_EQ(Attr(38, 10), 116);
  });
  Keys("xyz");
  EXPECT_TRUE(MessageBox(C(), Settings, MessageInfo, T));
  EXPECT_TRUE(Seen);
  EXPECT_FALSE(C().KeyPressed());  // keys typed ahead are dropped
  EXPECT_TRUE(Same(*Before));
}

TEST_F(Messages, AsciiThemeDrawsThePlainFrame) {
  Settings.Theme = 0;
  Peek([&] {
    EXPECT_EQ(Ch(9, 10), '.');
    EXPECT_EQ(Ch(9, 11), '|');
    EXPECT_EQ(Attr(72, 15), 127);  // flat
  });
  Key(13);
  MessageBox(C(), Settings, MessageInfo, std::string(60, 'm'));
}

TEST_F(Messages, InfoBoxEndsOnAClickOnOkOnly) {
  Click(10, 3);   // elsewhere: ignored
  Click(41, 14);  // OK covers 39..43
  EXPECT_TRUE(MessageBox(C(), Settings, MessageInfo, std::string(60, 'm')));
  EXPECT_TRUE(MouseSteps.empty());
}

// "Quit?" sits in a box wide enough for both buttons: YES at 36-40, NO at 41-44.
TEST_F(Messages, QuestionKeys) {
  Key('n');
  EXPECT_FALSE(MessageBox(C(), Settings, MessageYesNo, "Quit?"));
  Key('Y');
  EXPECT_TRUE(MessageBox(C(), Settings, MessageYesNo, "Quit?"));
  Key(13);
  EXPECT_TRUE(MessageBox(C(), Settings, MessageYesNo, "Quit?"));
  Ext(77);
  Key(13);
  EXPECT_FALSE(MessageBox(C(), Settings, MessageYesNo, "Quit?"));
  Ext(77);
  Ext(75);
  Key(13);
  EXPECT_TRUE(MessageBox(C(), Settings, MessageYesNo, "Quit?"));
  Key(' ');
  Key(13);
  EXPECT_FALSE(MessageBox(C(), Settings, MessageYesNo, "Quit?"));
  Key(' ');
  Key(' ');
  Keys("q\x1B\r");  // other keys are ignored
  EXPECT_TRUE(MessageBox(C(), Settings, MessageYesNo, "Quit?"));
}

TEST_F(Messages, QuestionClicks) {
  Click(42, 14);  // selects NO
  Click(20, 20);  // nowhere
  Click(43, 14);  // answers NO
  EXPECT_FALSE(MessageBox(C(), Settings, MessageYesNo, "Quit?"));
  Click(37, 14);  // YES is selected: answers it
  EXPECT_TRUE(MessageBox(C(), Settings, MessageYesNo, "Quit?"));
}

TEST_F(Messages, ClosingConsoleAnswersYes) {
  Close();
  EXPECT_TRUE(MessageBox(C(), Settings, MessageYesNo, "Quit?"));
  EXPECT_TRUE(MessageBox(C(), Settings, MessageInfo, "Bye"));
}

TEST_F(Messages, MessageWiderThanTheScreenIsCut) {
  Pattern();
  const auto Before = Snapshot();
  std::string T;
  for (int I = 0; I < 300; ++I) T += static_cast<char>('a' + I % 26);
  Peek([&] {
    EXPECT_EQ(Ch(1, 10), 0xDB);
    EXPECT_EQ(Ch(80, 10), 0xDC);
    EXPECT_EQ(Text(3, 78, 12), T.substr(0, 76));
  });
  Key(13);
  MessageBox(C(), Settings, MessageInfo, T);
  EXPECT_TRUE(Same(*Before));

  Open(160, 60);
  Peek([&] { EXPECT_EQ(Text(3, 158, 12), T.substr(0, 156)); });
  Key('n');
  EXPECT_FALSE(MessageBox(C(), Settings, MessageYesNo, T));
}

TEST_F(Messages, InputBoxEditsTheDefault) {
  Pattern();
  const auto Before = Snapshot();
  // Prompt of 30, field 40: box from (82 - 40) / 2 = 21 to 63.
  const std::string Prompt(30, 'p');
  Peek([&] {
    EXPECT_EQ(Ch(21, 10), 0xDB);
    EXPECT_EQ(Ch(63, 10), 0xDC);
    EXPECT_EQ(Text(37, 46, 10), " Import X ");
    EXPECT_EQ(Attr(37, 10), 116);
    EXPECT_EQ(Text(23, 52, 12), Prompt);
    EXPECT_EQ(Attr(23, 12), 112);
    EXPECT_EQ(Text(23, 26, 13), "abc\xB0");
    EXPECT_EQ(Attr(23, 13), 79);
    EXPECT_EQ(Attr(26, 13), 71);
    EXPECT_EQ(Attr(62, 13), 71);
  });
  Keys("d\r");
  EXPECT_EQ(InputBox(C(), "Import X", Prompt, "abc", 40, 255), "abcd");
  EXPECT_TRUE(Same(*Before));
  Keys("d\x1B");
  EXPECT_EQ(InputBox(C(), "Import X", Prompt, "abc", 40, 255), "");
  Close();
  EXPECT_EQ(InputBox(C(), "Import X", Prompt, "abc", 40, 255), "");
}

TEST_F(Messages, InputBoxWiderThanTheScreenIsNarrowed) {
  Peek([&] {
    EXPECT_EQ(Ch(1, 10), 0xDB);
    EXPECT_EQ(Ch(80, 10), 0xDC);
    EXPECT_EQ(Ch(80, 13), 0xDB);  // the field stops inside the frame
  });
  const std::string Long(100, 'k');
  Keys(Long + "\r");
  EXPECT_EQ(InputBox(C(), std::string(200, 't'), std::string(150, 'p'), "", 200, 255), Long);
}

}  // namespace
