// The host object model rules reach through the object package: classes
// registered by name, objects with a class, a name, an owner, owned
// components and published properties of a kind, and actions. An
// application implements IObjectHost over its own objects and installs it in
// the engine; PlainObjects.h is a plain implementation.
//
// Values never point at host objects directly: they hold a TObjectReference,
// which names its object by an identity the host never reuses and is looked
// up on every use, so a value whose object was freed is detected instead of
// touching freed memory.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "values/IEInterfaces.h"

namespace fxe {

class IHostObject;

// An object's identity; never reused by a host, 0 for none.
using THostObjectId = std::uint64_t;

// The kinds of published property.
enum TPropertyKind : std::uint8_t {
  pkUnknown,
  pkInteger,
  pkChar,
  pkEnumeration,
  pkFloat,
  pkString,
  pkSet,
  pkClass,
  pkMethod,
  pkWChar,
  pkLString,
  pkWString,
  pkVariant,
  pkArray,
  pkRecord,
  pkInterface,
  pkInt64,
  pkDynArray,
};
// "pkInteger", "pkMethod", ...
std::string_view PropertyKindName(TPropertyKind kind) noexcept;

// A property value as host and package exchange it: a number for the integer
// kinds, a double for floats, text for the string kinds and enumeration
// value names, the member names for sets, an object (nullptr for none) for
// the class kind.
using TPropertyValue = std::variant<std::int64_t, double, std::string, std::vector<std::string>, IHostObject*>;

// A registered host class.
class IHostClass : public TIEClass {
 public:
  virtual const IHostClass* Parent() const noexcept = 0;
  // This class or one of its ancestors is other.
  bool InheritsFrom(const IHostClass& other) const noexcept;
};

class IHostObject {
 public:
  virtual ~IHostObject() = default;
  virtual THostObjectId Id() const noexcept = 0;
  virtual const IHostClass& Class() const noexcept = 0;
  virtual std::string Name() const = 0;
  // Components have an owner and may own further components.
  virtual bool IsComponent() const noexcept = 0;
  virtual IHostObject* Owner() const noexcept = 0;
  virtual std::vector<IHostObject*> Components() const = 0;
  // The owned component of that name, or nullptr.
  virtual IHostObject* FindComponent(std::string_view name) const = 0;

  // False for objects that publish no property information.
  virtual bool HasPropertyInfo() const noexcept = 0;
  virtual std::vector<std::string> PropertyNames() const = 0;
  // The kind of a published property; nullopt for an unknown name.
  virtual std::optional<TPropertyKind> FindProperty(std::string_view name) const = 0;
  // The value of a published property (the name must exist).
  virtual TPropertyValue GetProperty(std::string_view name) const = 0;
  // False when the property does not exist; a host may raise for a value
  // its property cannot take.
  virtual bool SetProperty(std::string_view name, const TPropertyValue& value) = 0;

  virtual bool IsAction() const noexcept = 0;
  // Runs an action; what it reports.
  virtual bool Execute() = 0;
};

class IObjectHost {
 public:
  virtual ~IObjectHost() = default;
  // The class registered under name, or nullptr.
  virtual IHostClass* FindClass(std::string_view name) const = 0;
  // The living object of that identity, or nullptr once it is freed.
  virtual IHostObject* FindObject(THostObjectId id) const noexcept = 0;
  // The component the engine belongs to, or nullptr.
  virtual IHostObject* EngineOwner() const noexcept = 0;
  virtual IHostObject& CreateObject(const IHostClass& cls) = 0;
  // A component owned by owner; parent, when given, becomes its visual parent.
  virtual IHostObject& CreateComponent(const IHostClass& cls, IHostObject& owner, IHostObject* parent) = 0;
  // Destroys the object and the components it owns.
  virtual void FreeObject(IHostObject& object) = 0;
};

// What an engine value holds for a host object: its identity and, for the
// printed form, its class name.
class TObjectReference final : public TIEObject {
 public:
  explicit TObjectReference(const IHostObject& object);

  THostObjectId Id() const noexcept { return id_; }
  std::string ClassName() const override { return className_; }
  std::unique_ptr<TIEObject> CloneObject() const override { return std::make_unique<TObjectReference>(*this); }

 private:
  THostObjectId id_;
  std::string className_;
};

}  // namespace fxe
