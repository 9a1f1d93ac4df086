// The object package over the plain host object model: its table, components
// by name, properties of every kind both ways, class tests, actions, and
// values that outlive the objects they refer to.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "base/Format.h"
#include "base/IEConsts.h"
#include "engine/InferenceEngine.h"
#include "packages/ObjectPackage.h"
#include "packages/PlainObjects.h"
#include "support/PackageSignatures.h"
#include "support/TestHelpers.h"

namespace fxe {
namespace {

using test::ExpectError;

constexpr test::TFunctionSignature kSignatures[] = {
    {"create-component", " <TComponentClass-expression> <TComponent-expression> [<TWinControl-expression>]", 2, 3},
    {"create-object", " <TClass-expression>", 1, 1},
    {"execute-action", " <TBasicAction-expression>", 1, 1},
    {"free-object", " <TObject-expression>*", 1, UnlimitedArguments},
    {"get-component", " [<component-name>] | \r\n [<TComponent-expression> <component-name>]", 0, 2},
    {"get-components", " [<TComponent-expression>]", 0, 1},
    {"get-class", " <class-name>", 1, 1},
    {"get-property", " <TObject-expression> <property-name>", 2, 2},
    {"get-properties", " <TObject-expression>", 1, 1},
    {"set-property", " <TObject-expression> <property-name> <expression>", 3, 3},
    {"is-class", " <TObject-expression> <TClass-expression>", 2, 2},
};

TEST(TObjectPackage, FunctionsHaveTheirNamesUsagesAndAritiesInOrder) {
  auto package = TUserPackage::Create<TObjectPackage>(nullptr);
  test::ExpectSignatures(*package, kSignatures);
}

class ObjectPackageTest : public ::testing::Test {
 protected:
  ObjectPackageTest() {
    TPlainClass& component = host.RegisterClass("TComponent");
    host.RegisterClass("TForm", &component).AddProperty("Caption", pkString, std::string("Form"));
    TPlainClass& control = host.RegisterClass("TControl", &component);
    control.AddProperty("Caption", pkString, std::string())
        .AddProperty("Left", pkInteger, std::int64_t{8})
        .AddProperty("Opacity", pkFloat, 0.5)
        .AddProperty("Hotkey", pkChar, std::int64_t{'A'})
        .AddProperty("Serial", pkInt64, std::int64_t{1} << 40)
        .AddProperty("Align", pkEnumeration, std::string("alNone"), {"alNone", "alTop", "alClient"})
        .AddProperty("Anchors", pkSet, std::vector<std::string>{"akLeft", "akTop"},
                     {"akLeft", "akTop", "akRight", "akBottom"})
        .AddProperty("PopupMenu", pkClass, static_cast<IHostObject*>(nullptr))
        .AddProperty("OnClick", pkMethod, std::int64_t{0});
    host.RegisterClass("TButton", &control);
    host.RegisterClass("TAction", &component).SetAction([this](TPlainObject&) {
      ++actionsRun;
      return actionsRun % 2 == 1;
    });
    host.RegisterClass("TStringList", nullptr, false).AddProperty("Text", pkString, std::string("a"));
    host.RegisterClass("TOpaque", nullptr, false, false);
    form = &host.CreateObject(*host.FindClass("TComponent"));
    TPlainObject& mainForm = host.CreateComponent(*host.FindClass("TForm"), *form, nullptr);
    mainForm.SetName("Form1");
    TPlainObject& button = host.CreateComponent(*host.FindClass("TButton"), mainForm, &mainForm);
    button.SetName("Button1");
    host.SetEngineOwner(&mainForm);
    engine.SetObjectHost(&host);
  }

  TRef<TIEValue> Call(std::string_view text) { return engine.ParseFunctionCall(text)->Evaluate(engine.Context()); }
  // A call of name with ready values as its arguments.
  TRef<TIEValue> Apply(std::string_view name, std::initializer_list<TRef<TIEValue>> arguments) {
    TRef<IFunCall> call = engine.ParseFunctionCall("(" + std::string(name) + ")");
    for (const auto& argument : arguments) call->AddArgument(argument);
    return call->Evaluate(engine.Context());
  }
  TRef<TIEValue> Button() { return Call("(get-component Button1)"); }

  TPlainObjectHost host;
  TInferenceEngine engine;
  TPlainObject* form = nullptr;
  int actionsRun = 0;
};

TEST_F(ObjectPackageTest, ComponentsAreFoundByNameUnderTheEngineOwner) {
  const TRef<TIEValue> owner = Call("(get-component)");
  EXPECT_EQ(owner->DType(), dtObject);
  EXPECT_EQ(owner->AsText(), "<Object: TForm>");
  EXPECT_EQ(Apply("get-property", {owner, NewAtom("Name")})->AsString(), "Form1");
  EXPECT_EQ(Apply("get-property", {Button(), NewAtom("Name")})->AsString(), "Button1");
  EXPECT_EQ(Apply("get-component", {owner, NewString("Button1")})->AsText(), "<Object: TButton>");
  EXPECT_EQ(Call("(get-component Nothing)").Get(), SharedValues().Nil.Get());
  EXPECT_EQ(Call("(get-components)")->AsList()->Count(), 1);
  EXPECT_EQ(Apply("get-components", {Button()})->AsList()->Count(), 0);
  const TRef<TIEValue> list = Apply("create-object", {Call("(get-class TStringList)")});
  ExpectError(
      [&] {
        Apply("get-component", {list, NewAtom("x")});
      },
      "Expected component argument to get-component function call");
}

TEST_F(ObjectPackageTest, PropertiesReadByTheirKind) {
  const struct {
    std::string_view property;
    TIEType type;
    std::string_view text;
  } cases[] = {
      {"Caption", dtString, "\"\""}, {"Left", dtInteger, "8"},    {"Opacity", dtFloat, "0.5000"},
      {"Hotkey", dtInteger, "65"},   {"Align", dtAtom, "alNone"}, {"Anchors", dtString, "\"[akLeft,akTop]\""},
  };
  const TRef<TIEValue> button = Button();
  for (const auto& row : cases) {
    SCOPED_TRACE(row.property);
    const TRef<TIEValue> value = Apply("get-property", {button, NewAtom(row.property)});
    EXPECT_EQ(value->DType(), row.type);
    EXPECT_EQ(value->AsText(), row.text);
  }
  EXPECT_EQ(Apply("get-property", {button, NewAtom("PopupMenu")}).Get(), SharedValues().Nil.Get());
  EXPECT_EQ(Apply("get-property", {button, NewAtom("Missing")}).Get(), SharedValues().Nil.Get());
  ExpectError([&] { Apply("get-property", {button, NewAtom("OnClick")}); }, "Invalid property type: pkMethod");
  ExpectError(
      [&] {
        Apply("get-property", {button, NewAtom("Serial")});
      },
      "Value of property Serial does not fit an integer");
  EXPECT_EQ(Call("(get-property nil Caption)").Get(), SharedValues().False.Get());
  const TRef<TIEValue> opaque = Apply("create-object", {NewAtom("TOpaque")});
  EXPECT_EQ(Apply("get-property", {opaque, NewAtom("Caption")}).Get(), SharedValues().False.Get());
  EXPECT_EQ(Apply("get-properties", {Call("(create-object TStringList)")})->AsText(), "Text ");
}

TEST_F(ObjectPackageTest, TheHostRefusesWhatItsClassesDoNotAllow) {
  ExpectError([&] { host.RegisterClass("TButton"); }, Format(IEConsts::SClassExists, "TButton"));
  ExpectError([&] { host.CreateComponent(*host.FindClass("TStringList"), *form, nullptr); },
              Format(IEConsts::SClassNotComponent, "TStringList"));
  TPlainObject& list = host.CreateObject(*host.FindClass("TStringList"));
  ExpectError([&] { list.GetProperty("Missing"); }, Format(IEConsts::SUnknownProperty, "Missing", "TStringList"));
}

TEST_F(ObjectPackageTest, PropertiesWriteByTheirKind) {
  const TRef<TIEValue> button = Button();
  const TRef<TIEValue> form1 = Call("(get-component)");
  const struct {
    std::string_view property;
    TRef<TIEValue> value;
    std::string_view readBack;
  } cases[] = {
      {"Caption", NewString("OK"), "\"OK\""},
      {"Left", NewInteger(-3), "-3"},
      {"Opacity", NewFloat(0.25), "0.2500"},
      {"Align", NewAtom("alClient"), "alClient"},
      {"Anchors", NewString("[akRight, akBottom]"), "\"[akRight,akBottom]\""},
      {"PopupMenu", form1, "<Object: TForm>"},
      {"Name", NewString("OkButton"), "\"OkButton\""},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.property);
    EXPECT_EQ(Apply("set-property", {button, NewAtom(row.property), row.value}).Get(), SharedValues().True.Get());
    EXPECT_EQ(Apply("get-property", {button, NewAtom(row.property)})->AsText(), row.readBack);
  }
  EXPECT_EQ(Call("(get-component OkButton)")->AsText(), "<Object: TButton>");
  EXPECT_EQ(Apply("set-property", {button, NewAtom("Missing"), NewInteger(1)}).Get(), SharedValues().False.Get());
  ExpectError(
      [&] {
        Apply("set-property", {button, NewAtom("Align"), NewAtom("alNowhere")});
      },
      "Invalid value for property Align");
  ExpectError(
      [&] {
        Apply("set-property", {button, NewAtom("Left"), NewAtom("left")});
      },
      "Not a integer type.  Value (left) is a dtAtom type");
}

TEST_F(ObjectPackageTest, ObjectsAreCreatedTestedAndRun) {
  const TRef<TIEValue> button = Apply("create-component", {NewAtom("TButton"), Call("(get-component)")});
  EXPECT_EQ(Call("(get-components)")->AsList()->Count(), 2);
  EXPECT_EQ(Apply("is-class", {button, Call("(get-class TControl)")}).Get(), SharedValues().True.Get());
  EXPECT_EQ(Apply("is-class", {button, Call("(get-class TButton)")}).Get(), SharedValues().True.Get());
  EXPECT_EQ(Apply("is-class", {button, Call("(get-class TForm)")}).Get(), SharedValues().False.Get());
  EXPECT_EQ(Call("(get-class TNothing)").Get(), SharedValues().Nil.Get());
  const TRef<TIEValue> action = Apply("create-component", {NewAtom("TAction"), Call("(get-component)")});
  EXPECT_EQ(Apply("execute-action", {action}).Get(), SharedValues().True.Get());
  EXPECT_EQ(Apply("execute-action", {action}).Get(), SharedValues().False.Get());
  EXPECT_EQ(actionsRun, 2);
  ExpectError([&] { Apply("execute-action", {button}); }, "Expected action argument to execute-action function call");
  ExpectError([&] { Call("(create-object TNothing)"); }, "Unknown class: TNothing");
  ExpectError([&] { Call("(create-object 12)"); },
              "Expected class argument to create-object function call, received 12");
}

TEST_F(ObjectPackageTest, ValuesOfFreedObjectsAreDetected) {
  const TRef<TIEValue> button = Button();
  const TRef<TIEValue> copy = button->Clone();
  const TRef<TIEValue> owner = Call("(get-component)");
  const std::size_t before = host.ObjectCount();
  // Freeing the form frees its button too; the button's values and the
  // property that pointed to the form notice.
  Apply("set-property", {button, NewAtom("PopupMenu"), owner});
  Apply("free-object", {owner});
  EXPECT_EQ(host.ObjectCount(), before - 2);
  const std::string freed = "Object of class TButton has been freed and can no longer be used";
  ExpectError([&] { Apply("get-property", {button, NewAtom("Caption")}); }, freed);
  ExpectError([&] { Apply("set-property", {copy, NewAtom("Left"), NewInteger(1)}); }, freed);
  ExpectError([&] { Apply("free-object", {copy}); }, freed);
  ExpectError(
      [&] {
        Apply("is-class", {owner, NewAtom("TForm")});
      },
      "Object of class TForm has been freed and can no longer be used");
  EXPECT_EQ(Call("(get-component)").Get(), SharedValues().Nil.Get());
  EXPECT_EQ(Call("(get-components)")->AsList()->Count(), 0);
}

TEST_F(ObjectPackageTest, NonObjectsAndAMissingHostAreRefused) {
  ExpectError([&] { Call("(get-property 12 Caption)"); },
              "Expected object argument to get-property function call, received 12");
  ExpectError([&] { Call("(is-class \"Button1\" TButton)"); },
              "Expected object argument to is-class function call, received \"Button1\"");
  ExpectError([&] { Call("(get-properties nil)"); },
              "Expected object argument to get-properties function call, received nil");
  engine.SetObjectHost(nullptr);
  ExpectError([&] { Call("(get-component)"); }, "No host object model is installed for get-component");
}

}  // namespace
}  // namespace fxe
