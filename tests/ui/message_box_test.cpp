#include <chrono>
#include <mutex>
#include <thread>

#include "ui/dialogs.h"
#include "ui_test_util.h"

using namespace lx;

namespace {

class Messages : public UITest {
 protected:
  bool Ask(const std::string& T = "Quit?") { return MessageBox(C(), Settings, MessageYesNo, T); }
  bool Tell(const std::string& T) { return MessageBox(C(), Settings, MessageInfo, T); }
};

TEST_F(Messages, SixtyCharacterMessageSpansColumnsNineToSeventyTwo) {
  Pattern();
  const auto Before = Snapshot();
  const std::string T(60, 'm');
  bool Seen = false;
  Peek([&] {
    Seen = true;
    Expect({{9, 10, 0xDB}, {72, 10, 0xDC}, {11, 12, -1, 112}, {39, 14, -1, 79}, {38, 10, -1, 116}});
    EXPECT_NE(Ch(8, 10), 0xDB);
    EXPECT_EQ(Text(11, 70, 12) + Text(39, 42, 14) + Text(38, 43, 10), T + " OK " + " Info ");
  });
  Keys("xyz");
  EXPECT_TRUE(Tell(T));
  EXPECT_TRUE(Seen && !C().KeyPressed());  // keys typed ahead are dropped
  EXPECT_TRUE(Same(*Before));

  Click(10, 3);   // elsewhere: ignored
  Click(41, 14);  // OK covers 39..43
  EXPECT_TRUE(Tell(T));
  EXPECT_TRUE(MouseSteps.empty());

  Settings.Theme = 0;  // the ASCII look: plain, flat frame
  Peek([&] { Expect({{9, 10, '.'}, {9, 11, '|'}, {72, 15, -1, 127}}); });
  Key(13);
  Tell(T);
}

// "Quit?" sits in a box wide enough for both buttons: YES at 36-40, NO at 41-44.
TEST_F(Messages, QuestionKeysAndClicks) {
  const struct {
    std::vector<int> Keys;
    bool Yes;
  } Cases[] = {
      {{'n'}, false},        {{'Y'}, true},         {{13}, true},  {{-77, 13}, false}, {{-77, -75, 13}, true},
      {{' ', 13}, false}, {{' ', ' ', 'q', 27, 13}, true},  // other keys are ignored
  };
  for (const auto& Case : Cases) {
    Press(Case.Keys);
    EXPECT_EQ(Ask(), Case.Yes) << Case.Keys.size() << " keys, first " << *Case.Keys.begin();
  }
  Click(42, 14);  // selects NO
  Click(20, 20);  // nowhere
  Click(43, 14);  // answers NO
  EXPECT_FALSE(Ask());
  Click(37, 14);  // YES is selected: answers it
  EXPECT_TRUE(Ask());
  Close();
  EXPECT_TRUE(Ask() && Tell("Bye"));
}

TEST_F(Messages, MessageWiderThanTheScreenIsCut) {
  Pattern();
  const auto Before = Snapshot();
  std::string T;
  for (int I = 0; I < 300; ++I) T += static_cast<char>('a' + I % 26);
  Peek([&] {
    Expect({{1, 10, 0xDB}, {80, 10, 0xDC}});
    EXPECT_EQ(Text(3, 78, 12), T.substr(0, 76));
  });
  Key(13);
  Tell(T);
  EXPECT_TRUE(Same(*Before));
  Open(160, 60);
  Peek([&] { EXPECT_EQ(Text(3, 158, 12), T.substr(0, 156)); });
  Key('n');
  EXPECT_FALSE(Ask(T));
}

TEST_F(Messages, InputBoxEditsTheDefaultAndFitsTheScreen) {
  Pattern();
  const auto Before = Snapshot();
  // Prompt of 30, field 40: box from (82 - 40) / 2 = 21 to 63.
  const std::string Prompt(30, 'p');
  const auto Run = [&] { return InputBox(C(), "Import X", Prompt, "abc", 40, 255); };
  Peek([&] {
    Expect({{21, 10, 0xDB}, {63, 10, 0xDC}, {37, 10, -1, 116}, {23, 12, -1, 112}, {23, 13, -1, 79}, {62, 13, -1, 71}});
    EXPECT_EQ(Text(37, 46, 10) + Text(23, 52, 12) + Text(23, 26, 13), " Import X " + Prompt + "abc\xB0");
  });
  Keys("d\r");
  EXPECT_EQ(Run(), "abcd");
  EXPECT_TRUE(Same(*Before));
  Keys("d\x1B");
  EXPECT_EQ(Run(), "");

  // Wider than the screen: narrowed, the field stops inside the frame.
  Peek([&] { Expect({{1, 10, 0xDB}, {80, 10, 0xDC}, {80, 13, 0xDB}}); });
  const std::string Long(100, 'k');
  Keys(Long + "\r");
  EXPECT_EQ(InputBox(C(), std::string(200, 't'), std::string(150, 'p'), "", 200, 255), Long);
  // On a wider screen it sits over the centred 80 columns, 26 - 1 further right. The line
  // editor reads no mouse, so the box is watched from a second thread, as the window would.
  Open(132, 25);
  size_t TitleAt = 0;
  std::thread Watch([&] {
    for (int I = 0; I < 200 && TitleAt == 0; ++I, std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
      std::lock_guard<std::mutex> Lock(C().FrameMutex());
      TitleAt = Text(1, 132, 10).find(" Import X ") + 1;
    }
    Key(27);
  });
  Run();
  Watch.join();
  EXPECT_EQ(TitleAt, 37u + 25);
  Close();
  EXPECT_EQ(Run(), "");
}

}  // namespace
