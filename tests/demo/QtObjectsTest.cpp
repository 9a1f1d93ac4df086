// Rules reaching the window's widgets through the object package over Qt's
// objects: components by name, properties of each kind both ways, classes,
// creating and freeing objects, actions, and values of freed objects.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>

#include "PlotMain.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using test::ExpectError;

class TQtObjectHostTest : public ::testing::Test {
 protected:
  TRef<TIEValue> Call(std::string_view text) {
    TInferenceEngine& engine = form.InferenceEngine1();
    return engine.ParseFunctionCall(text)->Evaluate(engine.Context());
  }
  // A call of name with ready values as its arguments.
  TRef<TIEValue> Apply(std::string_view name, std::initializer_list<TRef<TIEValue>> arguments) {
    TInferenceEngine& engine = form.InferenceEngine1();
    TRef<IFunCall> call = engine.ParseFunctionCall("(" + std::string(name) + ")");
    for (const auto& argument : arguments) call->AddArgument(argument);
    return call->Evaluate(engine.Context());
  }
  // The printed value; "nil" for nil.
  std::string Text(std::string_view text) {
    const TRef<TIEValue> value = Call(text);
    return value.Get() == SharedValues().Nil.Get() ? "nil" : value->AsText();
  }
  QLabel& Message() { return *form.findChild<QLabel*>("lblMessage"); }

  TForm1 form{QStringLiteral(FXE_DEMO_STORED)};
};

TEST_F(TQtObjectHostTest, ComponentsAreTheWindowsChildrenByName) {
  EXPECT_EQ(Text("(get-property (get-component) objectName)"), "\"Form1\"");
  EXPECT_EQ(Text("(get-property (get-component lbTypes) objectName)"), "\"lbTypes\"");
  EXPECT_EQ(Text("(get-property (get-component (get-component) InferenceEngine1) objectName)"), "\"InferenceEngine1\"");
  EXPECT_EQ(Text("(get-component NoSuchWidget)"), "nil");
  EXPECT_GE(Call("(length$ (get-components))")->AsInteger(), 6);
}

TEST_F(TQtObjectHostTest, PropertiesConvertByTheirKind) {
  struct TCase {
    const char* call;
    const char* result;
  };
  const TCase cases[] = {
      {"(get-property (get-component lbTypes) count)", "7"},
      {"(get-property (get-component lbTypes) enabled)", "TRUE"},
      {"(get-property (get-component lbTypes) selectionMode)", "SingleSelection"},
      {"(get-property (get-component lbTypes) windowOpacity)", "1.0000"},
      {"(get-property (get-component lbTypes) noSuchProperty)", "nil"},
      {"(set-property (get-component lbTypes) noSuchProperty 1)", "FALSE"},
      {"(set-property (get-component lblMessage) text \"from a rule\")", "TRUE"},
      {"(get-property (get-component lblMessage) text)", "\"from a rule\""},
      {"(set-property (get-component lblMessage) alignment \"[AlignRight,AlignTop]\")", "TRUE"},
      {"(set-property (get-component lbSets) enabled FALSE)", "TRUE"},
      {"(get-property (get-component lbSets) enabled)", "FALSE"},
      {"(set-property (get-component lbTypes) currentRow 2)", "TRUE"},
  };
  for (const TCase& row : cases) EXPECT_EQ(Text(row.call), row.result) << row.call;
  EXPECT_EQ(Message().text(), "from a rule");
  EXPECT_EQ(Message().alignment(), Qt::AlignRight | Qt::AlignTop);
  EXPECT_FALSE(form.lbSets().isEnabled());
  // Choosing a row through its property runs the list's handler.
  EXPECT_EQ(form.lbTypes().currentRow(), 2);
  EXPECT_GE(form.lbSets().count(), 3);
}

TEST_F(TQtObjectHostTest, ValuesAPropertyCannotTakeAreRefused) {
  ExpectError([&] { Call("(set-property (get-component lbTypes) selectionMode Sideways)"); },
              "Invalid value for property selectionMode");
  ExpectError([&] { Call("(set-property (get-component lbTypes) enabled maybe)"); },
              "Invalid value for property enabled");
  ExpectError([&] { Call("(set-property (get-component lblMessage) alignment \"[AlignNowhere]\")"); },
              "Invalid value for property alignment");
  ExpectError([&] { Call("(set-property (get-component lbTypes) count 3)"); }, "Property count cannot be set");
  ExpectError([&] { Call("(get-property (get-component lbTypes) geometry)"); }, "Invalid property type: pkRecord");
}

TEST_F(TQtObjectHostTest, ClassesFollowTheMetaObjects) {
  EXPECT_EQ(Text("(is-class (get-component lbTypes) (get-class QWidget))"), "TRUE");
  EXPECT_EQ(Text("(is-class (get-component lbTypes) (get-class QPushButton))"), "FALSE");
  EXPECT_EQ(Text("(is-class (get-component) (get-class QObject))"), "TRUE");
  EXPECT_EQ(Text("(get-class QNoSuchThing)"), "nil");
}

TEST_F(TQtObjectHostTest, RulesCreateAndFreeObjects) {
  const TRef<TIEValue> button = Call("(create-component (get-class QPushButton) (get-component) (get-component))");
  Apply("set-property", {button, NewAtom("objectName"), NewAtom("Button1")});
  Apply("set-property", {button, NewAtom("text"), NewString("Press")});
  auto* pushButton = form.findChild<QPushButton*>("Button1", Qt::FindDirectChildrenOnly);
  ASSERT_NE(pushButton, nullptr);
  EXPECT_EQ(pushButton->text(), "Press");
  EXPECT_EQ(Text("(get-property (get-component Button1) text)"), "\"Press\"");
  Apply("free-object", {button});
  EXPECT_EQ(form.findChild<QPushButton*>("Button1"), nullptr);
  ExpectError(
      [&] {
        Apply("get-property", {button, NewAtom("text")});
      },
      "Object of class QPushButton has been freed and can no longer be used");

  // Without an owner the host keeps the object until it is freed.
  const TRef<TIEValue> timer = Call("(create-object (get-class QTimer))");
  EXPECT_EQ(Apply("get-property", {timer, NewAtom("interval")})->AsText(), "0");
  Apply("free-object", {timer});
  ExpectError(
      [&] {
        Apply("get-property", {timer, NewAtom("interval")});
      },
      "Object of class QTimer has been freed and can no longer be used");
  const TRef<TIEValue> orphan = Call("(create-object QObject)");
  ExpectError(
      [&] {
        Apply("create-component", {NewAtom("QLabel"), orphan});
      },
      "A widget of class QLabel needs a widget as its owner or parent");
}

TEST_F(TQtObjectHostTest, TheWindowAndTheEngineCannotBeFreedByRules) {
  ExpectError([&] { Call("(free-object (get-component))"); },
              "Object fxe::TForm1 holds the engine and cannot be freed");
  ExpectError([&] { Call("(free-object (get-component InferenceEngine1))"); },
              "Object fxe::TInferenceEngineComponent holds the engine and cannot be freed");
  ExpectError([&] { Call("(create-object (get-class \"fxe::TForm1\"))"); }, "Class fxe::TForm1 cannot be created");
  // Other widgets of the window may go.
  Call("(free-object (get-component lblMessage))");
  EXPECT_EQ(form.findChild<QLabel*>("lblMessage"), nullptr);
}

TEST_F(TQtObjectHostTest, ActionsTriggerWhileEnabled) {
  const TRef<TIEValue> action = Call("(create-component QAction (get-component))");
  auto* qtAction = form.findChild<QAction*>(QString(), Qt::FindDirectChildrenOnly);
  ASSERT_NE(qtAction, nullptr);
  QSignalSpy triggered(qtAction, &QAction::triggered);
  EXPECT_EQ(Apply("execute-action", {action})->AsText(), "TRUE");
  Apply("set-property", {action, NewAtom("enabled"), NewAtom("FALSE")});
  EXPECT_EQ(Apply("execute-action", {action})->AsText(), "FALSE");
  EXPECT_EQ(triggered.count(), 1);
  ExpectError([&] { Call("(execute-action (get-component lbTypes))"); },
              "Expected action argument to execute-action function call");
}

}  // namespace
}  // namespace fxe
