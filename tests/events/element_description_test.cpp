#include "events/element_description.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_accessibility.h"

namespace A = TonnixAXAttribute;

class ElementDescription : public testing::Test {
 protected:
  std::optional<std::string> describe() {
    const auto text = describeElement(fake, element);
    return text ? std::optional(text->toStdString()) : std::nullopt;
  }

  TonnixFakeAccessibility fake;
  TonnixAXElement element = fake.addElement(42);
};

TEST_F(ElementDescription, PartsInOrder) {
  fake.setAttribute(element, A::role, "AXWindow");
  fake.setAttribute(element, A::subrole, "AXDialog");
  fake.setAttribute(element, A::roleDescription, "dialog");
  fake.setAttribute(element, A::identifier, "save");
  fake.setAttribute(element, A::title, "Save As");
  fake.setAttribute(element, A::description, "Pick a folder");
  fake.setAttribute(element, A::filename, "notes.txt");
  fake.setAttribute(element, A::url, QUrl(QStringLiteral("file:///home/me/my notes.txt")));
  fake.setAttribute(element, A::document, "file:///home/me/notes.txt");
  EXPECT_EQ(describe(),
            "AXWindow[AXDialog] #save \"Save As\" (Pick a folder) a dialog filename notes.txt "
            "url file:///home/me/my%20notes.txt document file:///home/me/notes.txt");
  EXPECT_EQ(fake.batchReadCount(), 1);
  EXPECT_EQ(fake.singleReadCount(), 0);
}

TEST_F(ElementDescription, NoReadableRoleMeansNoDescription) {
  fake.setAttribute(element, A::title, "Untitled");
  EXPECT_EQ(describe(), std::nullopt);
  fake.setAttribute(element, A::role, "");
  EXPECT_EQ(describe(), std::nullopt);
  fake.setAttribute(element, A::role, TonnixAXPoint{1, 2});
  EXPECT_EQ(describe(), std::nullopt);
  fake.setAttributeError(element, A::role, TonnixAXError::noValue);
  EXPECT_EQ(describe(), std::nullopt);
  fake.destroy(element);
  EXPECT_EQ(describe(), std::nullopt);
}

TEST_F(ElementDescription, NullErrorAndMistypedValuesAreAbsent) {
  fake.setAttribute(element, A::role, "AXButton");
  fake.setAttribute(element, A::subrole, TonnixAXValue());
  fake.setAttributeError(element, A::title, TonnixAXError::cannotComplete);
  fake.setAttribute(element, A::description, TonnixAXErrorValue{TonnixAXError::noValue});
  fake.setAttribute(element, A::identifier, fake.addElement(42));
  fake.setAttribute(element, A::url, QUrl());
  fake.setAttribute(element, A::document, TonnixAXValue::Array{TonnixAXValue("x")});
  fake.setAttribute(element, A::roleDescription, "axBUTTON");
  EXPECT_EQ(describe(), "AXButton");
  fake.setAttribute(element, A::roleDescription, "push button");
  EXPECT_EQ(describe(), "AXButton a push button");
}

TEST_F(ElementDescription, FallsBackToOneReadPerAttribute) {
  fake.setAttribute(element, A::role, "AXSheet");
  fake.setAttribute(element, A::title, "Print");
  fake.setAttributeError(element, A::description, TonnixAXError::failure);
  for (const auto behaviour : {TonnixFakeAccessibility::BatchReads::fail,
                               TonnixFakeAccessibility::BatchReads::answerTooFew}) {
    fake.setBatchReads(element, behaviour);
    const int before = fake.singleReadCount();
    EXPECT_EQ(describe(), "AXSheet \"Print\"");
    EXPECT_EQ(fake.singleReadCount() - before, 9);
  }
}

TEST_F(ElementDescription, CleansLineBreaksAndTabs) {
  fake.setAttribute(element, A::role, "AXTextArea");
  fake.setAttribute(element, A::title, "one\ntwo\tthree");
  fake.setAttribute(element, A::filename, "a\nb");
  EXPECT_EQ(describe(), "AXTextArea \"one\\ntwo\\tthree\" filename a\nb");
}
