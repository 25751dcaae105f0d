#include "app/completion_wizard.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace pictavo {
namespace {

using test::TScriptedUserInterface;

TEST(CompletionWizard, SamePromptSharesOneQuestionBareMarkersDoNot) {
  TScriptedUserInterface ui;
  ui.wizard_answers.push_back(std::vector<std::string>{"Ann", "x", "y"});
  std::string text = "By ^?[Your name=John], (c) ^?[your NAME=Other]; ^? and ^?.";
  ASSERT_TRUE(CompleteFields(text, ui));
  EXPECT_EQ(text, "By Ann, (c) Ann; x and y.");
  ASSERT_EQ(ui.wizards.size(), 1u);
  const auto& qs = ui.wizards[0];
  ASSERT_EQ(qs.size(), 3u);
  EXPECT_EQ(qs[0].prompt, "Your name");
  EXPECT_EQ(qs[0].default_value, "John");
  EXPECT_EQ(qs[1].prompt, "Complete the field");
  EXPECT_EQ(qs[2].prompt, "Complete the field");
}

TEST(CompletionWizard, DefaultsAnswerWhenKeptAndCancelRemovesMarkers) {
  TScriptedUserInterface ui;
  std::string text = "<p>^?[Title=My album]</p>";
  ASSERT_TRUE(CompleteFields(text, ui));
  EXPECT_EQ(text, "<p>My album</p>");
  ui.wizard_answers.push_back(std::nullopt);
  std::string cancelled = "<p>^?[Title=My album]</p>^?";
  EXPECT_FALSE(CompleteFields(cancelled, ui));
  EXPECT_EQ(cancelled, "<p></p>");
  // A kept list default answers with its entry's value.
  std::string listed = "<a href=\"^?[Page=home^=index.html|_contact^=contact.html]\">";
  ASSERT_TRUE(CompleteFields(listed, ui));
  EXPECT_EQ(listed, "<a href=\"contact.html\">");
  std::string none = "no markers ^ ? here";
  EXPECT_TRUE(CompleteFields(none, ui));
  EXPECT_EQ(none, "no markers ^ ? here");
}

TEST(CompletionWizard, ListsChoicesAndValues) {
  struct Case {
    const char* text;
    char kind;
    const char* default_answer;
    const char* control_text;
    const char* result;
  } cases[] = {
      {"^?[(T=L)Size=_Small|Medium|Large]", 'L', "Small", "Medium", "Medium"},
      {"^?[(T=A)Colours=_Red|Green|_Blue]", 'A', "Red;Blue", "Red;Blue", "Red;Blue"},
      {"^?[Page=home^=index.html|contact^=contact.html]", 0, "", "home", "index.html"},
      {"^?[Sep=tab^=^T|line^=^P]", 0, "", "line", "\r\n"},
      {"^?[(T=C)Pick==a|b]", 'C', "", "free text", "free text"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TWizardScan scan = ScanFillInMarkers(c.text);
    ASSERT_EQ(scan.questions.size(), 1u);
    const auto& q = scan.questions[0];
    EXPECT_EQ(q.kind, c.kind);
    EXPECT_EQ(q.default_value, c.default_answer);
    EXPECT_EQ(WizardAnswerText(q, c.control_text), c.result);
  }
  // A leading "=" limits the answer to the list.
  auto limited = ScanFillInMarkers("^?[(T=C)Pick==a|b]").questions[0];
  EXPECT_TRUE(limited.limit_to_list);
  EXPECT_EQ(WizardListError(limited, "c"),
            "Error, \"c\" is not in the list. Please choose an existing item");
  EXPECT_EQ(WizardListError(limited, "A"), "");
  EXPECT_EQ(ScanFillInMarkers("^?[Plain==x|y]").questions[0].kind, 'L');
}

TEST(CompletionWizard, OptionsOrderAndEscapes) {
  TScriptedUserInterface ui;
  std::string text = "^?[(2)B]^?[(1)A]^?[C]";
  ASSERT_TRUE(CompleteFields(text, ui));
  ASSERT_EQ(ui.wizards[0].size(), 3u);
  EXPECT_EQ(ui.wizards[0][0].prompt, "A");
  EXPECT_EQ(ui.wizards[0][1].prompt, "B");
  EXPECT_EQ(ui.wizards[0][2].prompt, "C");

  auto q = ScanFillInMarkers("^?[(t=m;h=5;S=40;F=\"Web|*.HTM\")Notes=a^Pb^^c^x]").questions[0];
  EXPECT_EQ(q.kind, 'M');
  EXPECT_EQ(q.height, 5);
  EXPECT_EQ(q.max_length, 40);
  EXPECT_EQ(q.filter, "Web|*.HTM");
  EXPECT_EQ(q.default_value, "a\r\nb^c^x");
  // Inner brackets are counted; "=^&" keeps a default that starts with "=".
  auto nested = ScanFillInMarkers("^?[Tag=[b]bold[/b]]").questions[0];
  EXPECT_EQ(nested.default_value, "[b]bold[/b]");
  auto guarded = ScanFillInMarkers("^?[Eq=^&=x|y]").questions[0];
  EXPECT_FALSE(guarded.limit_to_list);
  EXPECT_EQ(ExpandCaretEscapes("^B^C^L^T^"), "\f\r\n\t^");
}

TEST(CompletionWizard, TextHoldingCodeOneKeepsIt) {
  TScriptedUserInterface ui;
  ui.wizard_answers.push_back(std::vector<std::string>{"v"});
  std::string text = std::string("a\x01\x01") + "^?[Q]" + "\x01";
  ASSERT_TRUE(CompleteFields(text, ui));
  EXPECT_EQ(text, std::string("a\x01\x01") + "v\x01");
}

TEST(CompletionWizard, FileKindAnswersAreAttributes) {
  test::TTempDir dir;
  std::string png = dir.file("my pic#1.png");
  ASSERT_EQ(test::RunCommand("convert -size 33x21 xc:red '" + png + "'"), 0);
  TWizardQuestion q;
  q.kind = 'T';
  std::string url = "file://" + dir.path() + "/my%20pic%231.png";
  EXPECT_EQ(WizardAnswerText(q, png), "SRC=\"" + url + "\" WIDTH=\"33\" HEIGHT=\"21\"");
  q.lower_case = true;
  EXPECT_EQ(WizardAnswerText(q, dir.file("page.html")),
            "href=\"file://" + dir.path() + "/page.html\"");
  EXPECT_EQ(WizardAnswerText(q, dir.path()), "");
  q.kind = 'D';
  EXPECT_EQ(WizardAnswerText(q, "/x/y"), "/x/y/");
  q.kind = 'O';
  EXPECT_EQ(WizardAnswerText(q, dir.path()), "");
}

}  // namespace
}  // namespace pictavo
