// The object package's table and bodies: host objects and classes as engine
// values, components by name, published properties converted by their kind,
// class tests and actions.
#include "packages/ObjectPackage.h"

#include <limits>
#include <string>
#include <vector>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "packages/ObjectHost.h"

namespace fxe {
namespace {

IObjectHost& Host(TArguments& arguments) {
  IObjectHost* host = arguments.Engine().ObjectHost();
  if (!host) Raise<EIEException>(IEConsts::SNoObjectHost, arguments.FunctionName());
  return *host;
}

bool IsNoObject(const TIEValue& value) {
  return value.DType() == dtNone || &value == SharedValues().Nil.Get() ||
         (value.DType() == dtObject && !value.AsObject());
}

// The living host object a value refers to; nullptr for nil. Values that are
// no object reference, and references to freed objects, raise.
IHostObject* ObjectOf(TArguments& arguments, IObjectHost& host, const TIEValue& value) {
  if (IsNoObject(value)) return nullptr;
  const auto* reference = value.DType() == dtObject ? dynamic_cast<const TObjectReference*>(value.AsObject()) : nullptr;
  if (!reference) Raise<EIEException>(IEConsts::SExpectedObject, arguments.FunctionName(), value.AsText());
  IHostObject* object = host.FindObject(reference->Id());
  if (!object) Raise<EIEException>(IEConsts::SObjectFreed, reference->ClassName());
  return object;
}

IHostObject& RequiredObject(TArguments& arguments, IObjectHost& host, std::int32_t index) {
  const TRef<TIEValue> value = arguments.Value(index);
  IHostObject* object = ObjectOf(arguments, host, *value);
  if (!object) Raise<EIEException>(IEConsts::SExpectedObject, arguments.FunctionName(), "nil");
  return *object;
}

IHostObject& ComponentArgument(TArguments& arguments, IObjectHost& host, std::int32_t index) {
  IHostObject& object = RequiredObject(arguments, host, index);
  if (!object.IsComponent()) Raise<EIEException>(IEConsts::SExpectedComponent, arguments.FunctionName());
  return object;
}

// A class value, or a class named by a symbol or string.
const IHostClass& ClassArgument(TArguments& arguments, IObjectHost& host, std::int32_t index) {
  const TRef<TIEValue> value = arguments.Value(index);
  if (value->DType() == dtAtom || value->DType() == dtString) {
    const IHostClass* cls = host.FindClass(value->Text());
    if (!cls) Raise<EIEException>(IEConsts::SUnknownClass, value->Text());
    return *cls;
  }
  const auto* cls = value->DType() == dtClass ? dynamic_cast<const IHostClass*>(value->AsClass()) : nullptr;
  if (!cls) Raise<EIEException>(IEConsts::SExpectedClass, arguments.FunctionName(), value->AsText());
  return *cls;
}

TRef<TIEValue> ObjectValue(const IHostObject* object) {
  if (!object) return SharedValues().Nil;
  auto value = MakeRef<TIEValue>();
  value->SetAsOwnedObject(std::make_unique<TObjectReference>(*object));
  return value;
}

TRef<TIEValue> ObjectList(const std::vector<IHostObject*>& objects) {
  auto list = MakeRef<TValueVector>();
  list->Reserve(objects.size());
  for (const IHostObject* object : objects) list->Add(ObjectValue(object));
  return NewList(std::move(list));
}

// --- Property values ------------------------------------------------------------

template <class T>
const T& Alternative(const TPropertyValue& value, std::string_view name) {
  const T* alternative = std::get_if<T>(&value);
  if (!alternative) Raise<EIEException>(IEConsts::SInvalidPropertyValue, name);
  return *alternative;
}

// "[a,b]" for the members a and b.
std::string SetText(const std::vector<std::string>& members) {
  std::string text = "[";
  for (std::size_t i = 0; i < members.size(); ++i) {
    if (i > 0) text += ',';
    text += members[i];
  }
  text += ']';
  return text;
}

// The members of a set written "[a,b]", "a b" or as a multifield.
std::vector<std::string> SetMembers(const TIEValue& value) {
  std::vector<std::string> members;
  if (const TValueVector* list = value.ListPtr()) {
    for (const TRef<TIEValue>& item : *list)
      if (item) members.push_back(item->AsString());
    return members;
  }
  const std::string text = value.AsString();
  std::string member;
  for (const char c : text) {
    if (c == '[' || c == ']' || c == ',' || c == ' ') {
      if (!member.empty()) members.push_back(std::move(member));
      member.clear();
    } else {
      member += c;
    }
  }
  if (!member.empty()) members.push_back(std::move(member));
  return members;
}

bool IsIntegerKind(TPropertyKind kind) noexcept {
  return kind == pkInteger || kind == pkChar || kind == pkWChar || kind == pkInt64;
}
bool IsStringKind(TPropertyKind kind) noexcept {
  return kind == pkString || kind == pkLString || kind == pkWString || kind == pkVariant;
}

TRef<TIEValue> PropertyToValue(const IHostObject& object, std::string_view name, TPropertyKind kind) {
  if (IsIntegerKind(kind)) {
    const std::int64_t number = Alternative<std::int64_t>(object.GetProperty(name), name);
    if (number < std::numeric_limits<std::int32_t>::min() || number > std::numeric_limits<std::int32_t>::max())
      Raise<EIEException>(IEConsts::SPropertyOutOfRange, name);
    return NewInteger(static_cast<std::int32_t>(number));
  }
  if (IsStringKind(kind)) return NewString(Alternative<std::string>(object.GetProperty(name), name));
  switch (kind) {
    case pkEnumeration:
      return NewAtom(Alternative<std::string>(object.GetProperty(name), name));
    case pkFloat:
      return NewFloat(Alternative<double>(object.GetProperty(name), name));
    case pkSet:
      return NewString(SetText(Alternative<std::vector<std::string>>(object.GetProperty(name), name)));
    case pkClass:
      return ObjectValue(Alternative<IHostObject*>(object.GetProperty(name), name));
    default:
      Raise<EIEException>(IEConsts::SInvalidPropertyType, PropertyKindName(kind));
  }
}

TPropertyValue ValueToProperty(TArguments& arguments, IObjectHost& host, const TIEValue& value, TPropertyKind kind) {
  if (IsIntegerKind(kind)) return static_cast<std::int64_t>(value.AsInteger());
  if (IsStringKind(kind) || kind == pkEnumeration) return value.AsString();
  switch (kind) {
    case pkFloat:
      return value.AsFloat();
    case pkSet:
      return SetMembers(value);
    case pkClass:
      return ObjectOf(arguments, host, value);
    default:
      Raise<EIEException>(IEConsts::SInvalidPropertyType, PropertyKindName(kind));
  }
}

// --- Bodies -------------------------------------------------------------------

TRef<TIEValue> CreateComponent(TArguments& arguments) {
  IObjectHost& host = Host(arguments);
  const IHostClass& cls = ClassArgument(arguments, host, 0);
  IHostObject& owner = ComponentArgument(arguments, host, 1);
  IHostObject* parent = arguments.Count() > 2 ? ObjectOf(arguments, host, *arguments.Value(2)) : nullptr;
  return ObjectValue(&host.CreateComponent(cls, owner, parent));
}

TRef<TIEValue> CreateObject(TArguments& arguments) {
  IObjectHost& host = Host(arguments);
  return ObjectValue(&host.CreateObject(ClassArgument(arguments, host, 0)));
}

TRef<TIEValue> ExecuteAction(TArguments& arguments) {
  IObjectHost& host = Host(arguments);
  IHostObject& action = RequiredObject(arguments, host, 0);
  if (!action.IsAction()) Raise<EIEException>(IEConsts::SExpectedAction, arguments.FunctionName());
  return Truth(action.Execute());
}

TRef<TIEValue> FreeObject(TArguments& arguments) {
  IObjectHost& host = Host(arguments);
  for (std::int32_t i = 0; i < arguments.Count(); ++i) {
    if (IHostObject* object = ObjectOf(arguments, host, *arguments.Value(i))) host.FreeObject(*object);
  }
  return SharedValues().True;
}

TRef<TIEValue> GetComponent(TArguments& arguments) {
  IObjectHost& host = Host(arguments);
  if (arguments.Count() == 0) return ObjectValue(host.EngineOwner());
  if (arguments.Count() == 1) {
    const IHostObject* owner = host.EngineOwner();
    return owner ? ObjectValue(owner->FindComponent(arguments.Text(0))) : nullptr;
  }
  const IHostObject& owner = ComponentArgument(arguments, host, 0);
  return ObjectValue(owner.FindComponent(arguments.Text(1)));
}

TRef<TIEValue> GetComponents(TArguments& arguments) {
  IObjectHost& host = Host(arguments);
  const IHostObject* owner = arguments.Count() > 0 ? &ComponentArgument(arguments, host, 0) : host.EngineOwner();
  return owner ? ObjectList(owner->Components()) : NewList();
}

TRef<TIEValue> GetClass(TArguments& arguments) {
  IHostClass* cls = Host(arguments).FindClass(arguments.Text(0));
  if (!cls) return nullptr;
  auto value = MakeRef<TIEValue>();
  value->SetAsClass(cls);
  return value;
}

TRef<TIEValue> GetProperty(TArguments& arguments) {
  IObjectHost& host = Host(arguments);
  const IHostObject* object = ObjectOf(arguments, host, *arguments.Value(0));
  if (!object || !object->HasPropertyInfo()) return SharedValues().False;
  const std::string name = arguments.Text(1);
  const std::optional<TPropertyKind> kind = object->FindProperty(name);
  if (!kind) return nullptr;
  return PropertyToValue(*object, name, *kind);
}

TRef<TIEValue> GetProperties(TArguments& arguments) {
  IObjectHost& host = Host(arguments);
  auto list = MakeRef<TValueVector>();
  for (const std::string& name : RequiredObject(arguments, host, 0).PropertyNames()) list->Add(NewAtom(name));
  return NewList(std::move(list));
}

TRef<TIEValue> SetProperty(TArguments& arguments) {
  IObjectHost& host = Host(arguments);
  IHostObject& object = RequiredObject(arguments, host, 0);
  const std::string name = arguments.Text(1);
  const std::optional<TPropertyKind> kind = object.HasPropertyInfo() ? object.FindProperty(name) : std::nullopt;
  if (!kind) return SharedValues().False;
  const TRef<TIEValue> value = arguments.Value(2);
  return Truth(object.SetProperty(name, ValueToProperty(arguments, host, *value, *kind)));
}

TRef<TIEValue> IsClass(TArguments& arguments) {
  IObjectHost& host = Host(arguments);
  const IHostObject& object = RequiredObject(arguments, host, 0);
  return Truth(object.Class().InheritsFrom(ClassArgument(arguments, host, 1)));
}

constexpr TFunctionRow kRows[] = {
    {"create-component", " <TComponentClass-expression> <TComponent-expression> [<TWinControl-expression>]",
     "Creates a component of the class owned by the second argument; the optional third argument becomes its "
     "visual parent.  Returns the new component",
     2, 3, CreateComponent},
    {"create-object", " <TClass-expression>", "Creates an object of the class and returns it", 1, 1, CreateObject},
    {"execute-action", " <TBasicAction-expression>", "Runs the action; returns TRUE or FALSE as the action reports", 1,
     1, ExecuteAction},
    {"free-object", " <TObject-expression>*", "Destroys each object argument and the components it owns", 1,
     UnlimitedArguments, FreeObject},
    {"get-component", " [<component-name>] | \r\n [<TComponent-expression> <component-name>]",
     "Returns the engine's owner, the component of that name owned by the engine's owner, or the component of "
     "that name owned by the first argument",
     0, 2, GetComponent},
    {"get-components", " [<TComponent-expression>]",
     "Returns the components owned by the argument, or by the engine's owner, as a multifield", 0, 1, GetComponents},
    {"get-class", " <class-name>", "Returns the registered class of that name", 1, 1, GetClass},
    {"get-property", " <TObject-expression> <property-name>",
     "Returns the value of the object's published property; FALSE without an object, nil for an unknown property", 2, 2,
     GetProperty},
    {"get-properties", " <TObject-expression>", "Returns the names of the object's published properties", 1, 1,
     GetProperties},
    {"set-property", " <TObject-expression> <property-name> <expression>",
     "Sets the object's published property to the value; TRUE when set, FALSE when there is no such property", 3, 3,
     SetProperty},
    {"is-class", " <TObject-expression> <TClass-expression>",
     "Returns TRUE if the object's class is the class or derives from it", 2, 2, IsClass},
};
static_assert(std::size(kRows) == 11, "the object package has 11 functions");

}  // namespace

TObjectPackage::TObjectPackage() : TTablePackage("TObjectPackage", kRows) {}

}  // namespace fxe
