#include "ui/Prompter.h"

#include <gtest/gtest.h>

using namespace tavrel::ui;

TEST(Prompter, DefaultAnswerOfEachStyle) {
  EXPECT_EQ(defaultAnswer(16), MsgBoxResult::OK);
  EXPECT_EQ(defaultAnswer(36), MsgBoxResult::Yes);
  EXPECT_EQ(defaultAnswer(36 + 256), MsgBoxResult::No);
  EXPECT_EQ(defaultAnswer(48), MsgBoxResult::OK);
  EXPECT_EQ(defaultAnswer(64), MsgBoxResult::OK);
  EXPECT_EQ(defaultAnswer(3 + 512), MsgBoxResult::Cancel);
  EXPECT_EQ(defaultAnswer(4 + 512), MsgBoxResult::Yes) << "an absent third button falls back to the first";
}

TEST(Prompter, ScriptedAnswersInOrderAndRecordsQuestions) {
  ScriptedPrompter scripted;
  Prompter& p = scripted;
  scripted.answer(MsgBoxResult::No);
  scripted.answerText(QString("typed"));
  scripted.answerText(std::nullopt);
  EXPECT_EQ(p.MsgBox("Sure?", 36, "Delete"), MsgBoxResult::No);
  EXPECT_EQ(p.InputBox("Name", "New"), std::optional<QString>("typed"));
  EXPECT_EQ(p.InputBox("Name", "New"), std::nullopt);
  EXPECT_EQ(p.MsgBox("Done", 64), MsgBoxResult::OK) << "unscripted boxes answer their default";
  ASSERT_EQ(scripted.asked.size(), 4u);
  EXPECT_EQ(scripted.asked[0].prompt, "Sure?");
  EXPECT_EQ(scripted.asked[0].title, "Delete");
  EXPECT_EQ(scripted.asked[0].style, 36);
  EXPECT_EQ(scripted.asked[3].title, "Tavrel");
}
