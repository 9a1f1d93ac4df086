// A plain host object model: classes declared in code with their published
// properties, objects and components kept by one host, actions whose body is
// a function. Applications without an object model of their own (and the
// tests) install it in the engine.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "packages/ObjectHost.h"

namespace fxe {

class TPlainObject;

class TPlainClass final : public IHostClass {
 public:
  using TAction = std::function<bool(TPlainObject& action)>;

  struct TProperty {
    std::string name;
    TPropertyKind kind;
    TPropertyValue initial;
    // The allowed value names of an enumeration or the possible members of a set.
    std::vector<std::string> names;
  };

  TPlainClass(std::string_view name, const TPlainClass* parent, bool component, bool publishes)
      : name_(name), parent_(parent), component_(component), publishes_(publishes) {}

  std::string Name() const override { return name_; }
  const IHostClass* Parent() const noexcept override { return parent_; }
  bool IsComponent() const noexcept { return component_; }
  bool Publishes() const noexcept { return publishes_; }

  // Publishes a property on this class and its descendants.
  TPlainClass& AddProperty(std::string_view name, TPropertyKind kind, TPropertyValue initial,
                           std::vector<std::string> names = {});
  // Makes objects of this class (and descendants) actions.
  TPlainClass& SetAction(TAction action);

  // Own and inherited properties; ancestors' first.
  std::vector<const TProperty*> Properties() const;
  const TProperty* FindProperty(std::string_view name) const;
  const TAction* Action() const noexcept;

 private:
  std::string name_;
  const TPlainClass* parent_;
  bool component_;
  bool publishes_;
  std::vector<TProperty> properties_;
  TAction action_;
};

class TPlainObjectHost;

class TPlainObject final : public IHostObject {
 public:
  TPlainObject(TPlainObjectHost& host, THostObjectId id, const TPlainClass& cls, TPlainObject* owner);

  THostObjectId Id() const noexcept override { return id_; }
  const IHostClass& Class() const noexcept override { return class_; }
  std::string Name() const override { return name_; }
  void SetName(std::string_view name) { name_.assign(name); }
  bool IsComponent() const noexcept override { return class_.IsComponent(); }
  IHostObject* Owner() const noexcept override { return owner_; }
  TPlainObject* Parent() const noexcept { return parent_; }
  void SetParent(TPlainObject* parent) noexcept { parent_ = parent; }
  std::vector<IHostObject*> Components() const override;
  IHostObject* FindComponent(std::string_view name) const override;

  bool HasPropertyInfo() const noexcept override { return class_.Publishes(); }
  std::vector<std::string> PropertyNames() const override;
  std::optional<TPropertyKind> FindProperty(std::string_view name) const override;
  TPropertyValue GetProperty(std::string_view name) const override;
  bool SetProperty(std::string_view name, const TPropertyValue& value) override;

  bool IsAction() const noexcept override { return class_.Action() != nullptr; }
  bool Execute() override;

 private:
  friend class TPlainObjectHost;

  TPlainObjectHost& host_;
  THostObjectId id_;
  const TPlainClass& class_;
  TPlainObject* owner_;
  TPlainObject* parent_ = nullptr;
  std::string name_;
  std::vector<TPlainObject*> components_;
  // Values set so far; properties not here have their initial value. Objects
  // are stored by identity so that a freed one reads as none.
  std::map<std::string, TPropertyValue, std::less<>> values_;
};

class TPlainObjectHost final : public IObjectHost {
 public:
  TPlainObjectHost() = default;
  TPlainObjectHost(const TPlainObjectHost&) = delete;
  TPlainObjectHost& operator=(const TPlainObjectHost&) = delete;
  ~TPlainObjectHost() override;

  // Registers a class; components get a published "Name" property. A name
  // registered before is refused.
  TPlainClass& RegisterClass(std::string_view name, const TPlainClass* parent = nullptr, bool component = true,
                             bool publishes = true);
  void SetEngineOwner(IHostObject* owner) noexcept { engineOwner_ = owner ? owner->Id() : 0; }
  std::size_t ObjectCount() const noexcept { return objects_.size(); }

  IHostClass* FindClass(std::string_view name) const override;
  IHostObject* FindObject(THostObjectId id) const noexcept override;
  IHostObject* EngineOwner() const noexcept override { return FindObject(engineOwner_); }
  TPlainObject& CreateObject(const IHostClass& cls) override;
  TPlainObject& CreateComponent(const IHostClass& cls, IHostObject& owner, IHostObject* parent) override;
  void FreeObject(IHostObject& object) override;

 private:
  TPlainObject& Create(const IHostClass& cls, TPlainObject* owner);
  const TPlainClass& PlainClass(const IHostClass& cls) const;
  TPlainObject& PlainObject(IHostObject& object) const;

  std::map<std::string, std::unique_ptr<TPlainClass>, std::less<>> classes_;
  std::unordered_map<THostObjectId, std::unique_ptr<TPlainObject>> objects_;
  THostObjectId nextId_ = 1;
  THostObjectId engineOwner_ = 0;
};

}  // namespace fxe
