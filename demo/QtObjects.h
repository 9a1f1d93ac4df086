// The object package's host model over Qt's own objects: classes are Qt
// meta-objects, an object's components are its children, its published
// properties are its meta-object's properties, and a QAction is an action.
// Rules in the demo's engine reach the window's widgets through it.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include "packages/ObjectHost.h"

namespace fxe {

class TQtObjectHost;

class TQtClass final : public IHostClass {
 public:
  // Makes an object of the class under owner (nullptr for none).
  using TFactory = std::function<QObject*(QObject* owner)>;

  TQtClass(const QMetaObject& meta, const TQtClass* parent, TFactory factory)
      : meta_(meta), parent_(parent), factory_(std::move(factory)) {}

  std::string Name() const override { return meta_.className(); }
  const IHostClass* Parent() const noexcept override { return parent_; }
  const QMetaObject& MetaObject() const noexcept { return meta_; }
  bool IsWidgetClass() const noexcept { return meta_.inherits(&QWidget::staticMetaObject); }
  // Empty for classes that rules cannot create.
  const TFactory& Factory() const noexcept { return factory_; }
  void SetFactory(TFactory factory) { factory_ = std::move(factory); }

 private:
  const QMetaObject& meta_;
  const TQtClass* parent_;
  TFactory factory_;
};

// One living QObject as the package sees it. Every QObject is a component:
// its owner is its Qt parent and its components are its children.
class TQtObject final : public IHostObject {
 public:
  TQtObject(TQtObjectHost& host, THostObjectId id, QObject& object, const TQtClass& cls)
      : host_(host), id_(id), object_(&object), class_(cls) {}

  QObject* Object() const noexcept { return object_.data(); }

  THostObjectId Id() const noexcept override { return id_; }
  const IHostClass& Class() const noexcept override { return class_; }
  std::string Name() const override;
  bool IsComponent() const noexcept override { return true; }
  IHostObject* Owner() const noexcept override;
  std::vector<IHostObject*> Components() const override;
  IHostObject* FindComponent(std::string_view name) const override;

  bool HasPropertyInfo() const noexcept override { return true; }
  std::vector<std::string> PropertyNames() const override;
  std::optional<TPropertyKind> FindProperty(std::string_view name) const override;
  TPropertyValue GetProperty(std::string_view name) const override;
  bool SetProperty(std::string_view name, const TPropertyValue& value) override;

  bool IsAction() const noexcept override;
  // Triggers the action; false when it is disabled.
  bool Execute() override;

 private:
  TQtObjectHost& host_;
  THostObjectId id_;
  QPointer<QObject> object_;
  const TQtClass& class_;
};

class TQtObjectHost final : public IObjectHost {
 public:
  // Registers QObject and the usual widgets, timers and actions as classes
  // rules may create.
  TQtObjectHost();
  TQtObjectHost(const TQtObjectHost&) = delete;
  TQtObjectHost& operator=(const TQtObjectHost&) = delete;
  // Destroys the objects rules created without an owner.
  ~TQtObjectHost() override;

  // Registers T, which rules may then create; T takes its parent in its
  // constructor as Qt's classes do.
  template <class T>
  TQtClass& RegisterClass() {
    return RegisterFactory(T::staticMetaObject, [](QObject* owner) -> QObject* {
      if constexpr (std::is_base_of_v<QWidget, T>) {
        return new T(qobject_cast<QWidget*>(owner));
      } else {
        return new T(owner);
      }
    });
  }
  // The class of a meta-object and its ancestors, registered on first use.
  TQtClass& ClassOf(const QMetaObject& meta);
  // The host object of a QObject.
  TQtObject& Wrap(QObject& object);

  // The component the engine belongs to (what get-component answers without
  // arguments).
  void SetEngineOwner(QObject* owner);
  // The object holding the engine: it and its owners cannot be freed by rules.
  void SetEngineHolder(QObject* holder) noexcept { engineHolder_ = holder; }

  IHostClass* FindClass(std::string_view name) const override;
  IHostObject* FindObject(THostObjectId id) const noexcept override;
  IHostObject* EngineOwner() const noexcept override;
  IHostObject& CreateObject(const IHostClass& cls) override;
  // A widget lives under its visual parent, which Qt makes its owner as well;
  // other objects live under their owner.
  IHostObject& CreateComponent(const IHostClass& cls, IHostObject& owner, IHostObject* parent) override;
  void FreeObject(IHostObject& object) override;

 private:
  TQtClass& RegisterFactory(const QMetaObject& meta, TQtClass::TFactory factory);
  const TQtClass& CreatableClass(const IHostClass& cls) const;
  QObject& LivingObject(IHostObject& object) const;
  void Forget(THostObjectId id, const QObject* address);

  std::map<std::string, std::unique_ptr<TQtClass>, std::less<>> classes_;
  std::unordered_map<THostObjectId, std::unique_ptr<TQtObject>> objects_;
  std::unordered_map<const QObject*, THostObjectId> ids_;
  // Objects created without an owner; the host frees those still alive.
  std::unordered_map<THostObjectId, std::unique_ptr<QObject>> unowned_;
  // Context of the destruction notifications: destroyed first, so none
  // reaches a host that is going away.
  std::unique_ptr<QObject> listener_;
  THostObjectId nextId_ = 1;
  THostObjectId engineOwner_ = 0;
  QPointer<QObject> engineHolder_;
};

}  // namespace fxe
