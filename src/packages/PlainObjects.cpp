// The plain host object model: classes, objects with their property values,
// components and their freeing.
#include "packages/PlainObjects.h"

#include <algorithm>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"

namespace fxe {
namespace {

// The variant alternative each kind's values take.
bool FitsKind(TPropertyKind kind, const TPropertyValue& value) noexcept {
  switch (kind) {
    case pkInteger:
    case pkChar:
    case pkWChar:
    case pkInt64:
      return std::holds_alternative<std::int64_t>(value);
    case pkFloat:
      return std::holds_alternative<double>(value);
    case pkString:
    case pkLString:
    case pkWString:
    case pkVariant:
    case pkEnumeration:
      return std::holds_alternative<std::string>(value);
    case pkSet:
      return std::holds_alternative<std::vector<std::string>>(value);
    case pkClass:
      return std::holds_alternative<IHostObject*>(value);
    default:
      return false;
  }
}

bool Allowed(const std::vector<std::string>& names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

// --- TPlainClass ----------------------------------------------------------------

TPlainClass& TPlainClass::AddProperty(std::string_view name, TPropertyKind kind, TPropertyValue initial,
                                      std::vector<std::string> names) {
  properties_.push_back(TProperty{std::string(name), kind, std::move(initial), std::move(names)});
  return *this;
}

TPlainClass& TPlainClass::SetAction(TAction action) {
  action_ = std::move(action);
  return *this;
}

std::vector<const TPlainClass::TProperty*> TPlainClass::Properties() const {
  std::vector<const TProperty*> all = parent_ ? parent_->Properties() : std::vector<const TProperty*>{};
  for (const TProperty& property : properties_) all.push_back(&property);
  return all;
}

const TPlainClass::TProperty* TPlainClass::FindProperty(std::string_view name) const {
  for (const TPlainClass* cls = this; cls; cls = cls->parent_) {
    for (const TProperty& property : cls->properties_)
      if (property.name == name) return &property;
  }
  return nullptr;
}

const TPlainClass::TAction* TPlainClass::Action() const noexcept {
  for (const TPlainClass* cls = this; cls; cls = cls->parent_)
    if (cls->action_) return &cls->action_;
  return nullptr;
}

// --- TPlainObject ---------------------------------------------------------------

TPlainObject::TPlainObject(TPlainObjectHost& host, THostObjectId id, const TPlainClass& cls, TPlainObject* owner)
    : host_(host), id_(id), class_(cls), owner_(owner) {}

std::vector<IHostObject*> TPlainObject::Components() const {
  return std::vector<IHostObject*>(components_.begin(), components_.end());
}

IHostObject* TPlainObject::FindComponent(std::string_view name) const {
  for (TPlainObject* component : components_)
    if (component->name_ == name) return component;
  return nullptr;
}

std::vector<std::string> TPlainObject::PropertyNames() const {
  std::vector<std::string> names;
  if (!HasPropertyInfo()) return names;
  for (const TPlainClass::TProperty* property : class_.Properties()) names.push_back(property->name);
  return names;
}

std::optional<TPropertyKind> TPlainObject::FindProperty(std::string_view name) const {
  const TPlainClass::TProperty* property = HasPropertyInfo() ? class_.FindProperty(name) : nullptr;
  if (!property) return std::nullopt;
  return property->kind;
}

TPropertyValue TPlainObject::GetProperty(std::string_view name) const {
  const TPlainClass::TProperty* property = class_.FindProperty(name);
  if (!property) Raise<EIEException>(IEConsts::SUnknownProperty, name, class_.Name());
  if (property->name == "Name" && IsComponent()) return name_;
  const auto stored = values_.find(name);
  const TPropertyValue& value = stored != values_.end() ? stored->second : property->initial;
  if (property->kind != pkClass) return value;
  // Object properties are kept by identity: a freed object reads as none.
  const auto* id = std::get_if<std::int64_t>(&value);
  return id ? host_.FindObject(static_cast<THostObjectId>(*id)) : nullptr;
}

bool TPlainObject::SetProperty(std::string_view name, const TPropertyValue& value) {
  const TPlainClass::TProperty* property = HasPropertyInfo() ? class_.FindProperty(name) : nullptr;
  if (!property) return false;
  if (!FitsKind(property->kind, value)) Raise<EIEException>(IEConsts::SInvalidPropertyValue, name);
  if (property->kind == pkEnumeration && !Allowed(property->names, std::get<std::string>(value)))
    Raise<EIEException>(IEConsts::SInvalidPropertyValue, name);
  if (property->kind == pkSet) {
    for (const std::string& member : std::get<std::vector<std::string>>(value))
      if (!Allowed(property->names, member)) Raise<EIEException>(IEConsts::SInvalidPropertyValue, name);
  }
  if (property->name == "Name" && IsComponent()) {
    name_ = std::get<std::string>(value);
    return true;
  }
  if (property->kind == pkClass) {
    const IHostObject* object = std::get<IHostObject*>(value);
    values_.insert_or_assign(std::string(name), static_cast<std::int64_t>(object ? object->Id() : 0));
  } else {
    values_.insert_or_assign(std::string(name), value);
  }
  return true;
}

bool TPlainObject::Execute() {
  const TPlainClass::TAction* action = class_.Action();
  return action && (*action)(*this);
}

// --- TPlainObjectHost -----------------------------------------------------------

TPlainObjectHost::~TPlainObjectHost() = default;

TPlainClass& TPlainObjectHost::RegisterClass(std::string_view name, const TPlainClass* parent, bool component,
                                             bool publishes) {
  if (classes_.find(name) != classes_.end()) Raise<EIEException>(IEConsts::SClassExists, name);
  auto cls = std::make_unique<TPlainClass>(name, parent, component, publishes);
  if (component && !(parent && parent->IsComponent())) cls->AddProperty("Name", pkString, std::string());
  TPlainClass& result = *cls;
  classes_.emplace(std::string(name), std::move(cls));
  return result;
}

IHostClass* TPlainObjectHost::FindClass(std::string_view name) const {
  const auto found = classes_.find(name);
  return found != classes_.end() ? found->second.get() : nullptr;
}

IHostObject* TPlainObjectHost::FindObject(THostObjectId id) const noexcept {
  const auto found = objects_.find(id);
  return found != objects_.end() ? found->second.get() : nullptr;
}

const TPlainClass& TPlainObjectHost::PlainClass(const IHostClass& cls) const {
  const auto found = classes_.find(cls.Name());
  if (found == classes_.end() || found->second.get() != &cls) Raise<EIEException>(IEConsts::SUnknownClass, cls.Name());
  return *found->second;
}

TPlainObject& TPlainObjectHost::PlainObject(IHostObject& object) const {
  const auto found = objects_.find(object.Id());
  if (found == objects_.end() || found->second.get() != &object)
    Raise<EIEException>(IEConsts::SObjectFreed, object.Class().Name());
  return *found->second;
}

TPlainObject& TPlainObjectHost::Create(const IHostClass& cls, TPlainObject* owner) {
  const THostObjectId id = nextId_++;
  auto object = std::make_unique<TPlainObject>(*this, id, PlainClass(cls), owner);
  TPlainObject& result = *object;
  objects_.emplace(id, std::move(object));
  if (owner) owner->components_.push_back(&result);
  return result;
}

TPlainObject& TPlainObjectHost::CreateObject(const IHostClass& cls) { return Create(cls, nullptr); }

TPlainObject& TPlainObjectHost::CreateComponent(const IHostClass& cls, IHostObject& owner, IHostObject* parent) {
  TPlainObject& plainOwner = PlainObject(owner);
  TPlainObject* plainParent = parent ? &PlainObject(*parent) : nullptr;
  if (!PlainClass(cls).IsComponent()) Raise<EIEException>(IEConsts::SClassNotComponent, cls.Name());
  TPlainObject& component = Create(cls, &plainOwner);
  component.parent_ = plainParent;
  return component;
}

void TPlainObjectHost::FreeObject(IHostObject& object) {
  TPlainObject& plain = PlainObject(object);
  // Owned components go first, the most recent first.
  while (!plain.components_.empty()) FreeObject(*plain.components_.back());
  if (plain.owner_) std::erase(plain.owner_->components_, &plain);
  for (auto& [id, other] : objects_)
    if (other->parent_ == &plain) other->parent_ = nullptr;
  objects_.erase(plain.id_);
}

}  // namespace fxe
