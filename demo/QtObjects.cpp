// Qt objects as host objects: identities that outlive their objects, classes
// from meta-objects, children as components, and meta-properties converted
// to the package's property kinds.
#include "QtObjects.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMetaEnum>
#include <QMetaProperty>
#include <QPushButton>
#include <QTimer>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"

namespace fxe {
namespace {

// Booleans are published as an enumeration of the rule language's two truth
// symbols, so that a rule reads and writes them as TRUE and FALSE.
constexpr std::string_view kFalseName = "FALSE";
constexpr std::string_view kTrueName = "TRUE";

QByteArray Latin(std::string_view text) { return QByteArray(text.data(), static_cast<qsizetype>(text.size())); }

std::optional<QMetaProperty> MetaProperty(const QObject& object, std::string_view name) {
  const QMetaObject& meta = *object.metaObject();
  const int index = meta.indexOfProperty(Latin(name).constData());
  if (index < 0) return std::nullopt;
  return meta.property(index);
}

TPropertyKind KindOf(const QMetaProperty& property) {
  if (property.isFlagType()) return pkSet;
  if (property.isEnumType()) return pkEnumeration;
  const QMetaType type = property.metaType();
  if (type.flags().testFlag(QMetaType::PointerToQObject)) return pkClass;
  switch (type.id()) {
    case QMetaType::Bool:
      return pkEnumeration;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::SChar:
    case QMetaType::UChar:
      return pkInteger;
    case QMetaType::Char:
      return pkChar;
    case QMetaType::QChar:
      return pkWChar;
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
      return pkInt64;
    case QMetaType::Float:
    case QMetaType::Double:
      return pkFloat;
    case QMetaType::QString:
    case QMetaType::QByteArray:
      return pkString;
    default:
      return pkRecord;
  }
}

// The key of an enumeration value; its number when the value has no key.
std::string EnumKey(const QMetaEnum& enumeration, int value) {
  const char* key = enumeration.valueToKey(value);
  return key ? std::string(key) : std::to_string(value);
}

std::vector<std::string> FlagKeys(const QMetaEnum& enumeration, int value) {
  std::vector<std::string> keys;
  for (const QByteArray& key : enumeration.valueToKeys(value).split('|')) {
    if (!key.isEmpty()) keys.push_back(key.toStdString());
  }
  return keys;
}

QVariant EnumVariant(const QMetaProperty& property, const TPropertyValue& value, std::string_view name) {
  const std::string* text = std::get_if<std::string>(&value);
  if (!text) Raise<EIEException>(IEConsts::SInvalidPropertyValue, name);
  if (property.metaType().id() == QMetaType::Bool) {
    const QString key = QString::fromStdString(*text);
    if (key.compare(QLatin1String(kTrueName.data()), Qt::CaseInsensitive) == 0) return true;
    if (key.compare(QLatin1String(kFalseName.data()), Qt::CaseInsensitive) == 0) return false;
    Raise<EIEException>(IEConsts::SInvalidPropertyValue, name);
  }
  bool ok = false;
  const int number = property.enumerator().keyToValue(text->c_str(), &ok);
  if (!ok) Raise<EIEException>(IEConsts::SInvalidPropertyValue, name);
  return number;
}

QVariant FlagsVariant(const QMetaProperty& property, const TPropertyValue& value, std::string_view name) {
  const auto* members = std::get_if<std::vector<std::string>>(&value);
  if (!members) Raise<EIEException>(IEConsts::SInvalidPropertyValue, name);
  int flags = 0;
  for (const std::string& member : *members) {
    bool ok = false;
    flags |= property.enumerator().keyToValue(member.c_str(), &ok);
    if (!ok) Raise<EIEException>(IEConsts::SInvalidPropertyValue, name);
  }
  return flags;
}

// A variant of the property's own pointer type, refused for objects of
// another class.
QVariant ObjectVariant(const QMetaProperty& property, const TPropertyValue& value, std::string_view name) {
  const auto* target = std::get_if<IHostObject*>(&value);
  if (!target) Raise<EIEException>(IEConsts::SInvalidPropertyValue, name);
  QObject* object = *target ? static_cast<TQtObject*>(*target)->Object() : nullptr;
  const QMetaObject* wanted = property.metaType().metaObject();
  if (object && wanted && !object->metaObject()->inherits(wanted))
    Raise<EIEException>(IEConsts::SInvalidPropertyValue, name);
  return QVariant(property.metaType(), &object);
}

}  // namespace

// --- TQtObject ------------------------------------------------------------------

std::string TQtObject::Name() const { return object_ ? object_->objectName().toStdString() : std::string(); }

IHostObject* TQtObject::Owner() const noexcept {
  QObject* parent = object_ ? object_->parent() : nullptr;
  return parent ? &host_.Wrap(*parent) : nullptr;
}

std::vector<IHostObject*> TQtObject::Components() const {
  std::vector<IHostObject*> components;
  if (!object_) return components;
  for (QObject* child : object_->children()) components.push_back(&host_.Wrap(*child));
  return components;
}

IHostObject* TQtObject::FindComponent(std::string_view name) const {
  if (!object_) return nullptr;
  const QString wanted = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
  for (QObject* child : object_->children()) {
    if (child->objectName() == wanted) return &host_.Wrap(*child);
  }
  return nullptr;
}

std::vector<std::string> TQtObject::PropertyNames() const {
  std::vector<std::string> names;
  if (!object_) return names;
  const QMetaObject& meta = *object_->metaObject();
  for (int i = 0; i < meta.propertyCount(); ++i) names.emplace_back(meta.property(i).name());
  return names;
}

std::optional<TPropertyKind> TQtObject::FindProperty(std::string_view name) const {
  if (!object_) return std::nullopt;
  const std::optional<QMetaProperty> property = MetaProperty(*object_, name);
  if (!property) return std::nullopt;
  return KindOf(*property);
}

TPropertyValue TQtObject::GetProperty(std::string_view name) const {
  const std::optional<QMetaProperty> property = object_ ? MetaProperty(*object_, name) : std::nullopt;
  if (!property) Raise<EIEException>(IEConsts::SUnknownProperty, name, class_.Name());
  const QVariant value = property->read(object_.data());
  switch (KindOf(*property)) {
    case pkSet:
      return FlagKeys(property->enumerator(), value.toInt());
    case pkEnumeration:
      if (property->metaType().id() == QMetaType::Bool) return std::string(value.toBool() ? kTrueName : kFalseName);
      return EnumKey(property->enumerator(), value.toInt());
    case pkClass: {
      QObject* object = value.value<QObject*>();
      return object ? static_cast<IHostObject*>(&host_.Wrap(*object)) : nullptr;
    }
    case pkInteger:
    case pkChar:
    case pkInt64:
      return static_cast<std::int64_t>(value.toLongLong());
    case pkWChar:
      return static_cast<std::int64_t>(value.toChar().unicode());
    case pkFloat:
      return value.toDouble();
    case pkString:
      return value.toString().toStdString();
    default:
      // The package reports kinds it has no value for before reading them.
      return std::string();
  }
}

bool TQtObject::SetProperty(std::string_view name, const TPropertyValue& value) {
  const std::optional<QMetaProperty> property = object_ ? MetaProperty(*object_, name) : std::nullopt;
  if (!property) return false;
  if (!property->isWritable()) Raise<EIEException>(IEConsts::SPropertyReadOnly, name);
  QVariant variant;
  switch (KindOf(*property)) {
    case pkSet:
      variant = FlagsVariant(*property, value, name);
      break;
    case pkEnumeration:
      variant = EnumVariant(*property, value, name);
      break;
    case pkClass:
      variant = ObjectVariant(*property, value, name);
      break;
    case pkFloat:
      if (!std::holds_alternative<double>(value)) Raise<EIEException>(IEConsts::SInvalidPropertyValue, name);
      variant = std::get<double>(value);
      break;
    case pkString:
      if (!std::holds_alternative<std::string>(value)) Raise<EIEException>(IEConsts::SInvalidPropertyValue, name);
      variant = QString::fromStdString(std::get<std::string>(value));
      break;
    case pkWChar:
      if (!std::holds_alternative<std::int64_t>(value)) Raise<EIEException>(IEConsts::SInvalidPropertyValue, name);
      variant = QChar(static_cast<char16_t>(std::get<std::int64_t>(value)));
      break;
    default:
      if (!std::holds_alternative<std::int64_t>(value)) Raise<EIEException>(IEConsts::SInvalidPropertyValue, name);
      variant = static_cast<qlonglong>(std::get<std::int64_t>(value));
      break;
  }
  // Enumerations and sets go in as their number, which the property turns
  // into its own type; other values take the property's type first.
  const bool numbered = property->isEnumType() || property->isFlagType();
  if ((!numbered && !variant.convert(property->metaType())) || !property->write(object_.data(), variant))
    Raise<EIEException>(IEConsts::SInvalidPropertyValue, name);
  return true;
}

bool TQtObject::IsAction() const noexcept { return qobject_cast<QAction*>(object_.data()) != nullptr; }

bool TQtObject::Execute() {
  auto* action = qobject_cast<QAction*>(object_.data());
  if (!action || !action->isEnabled()) return false;
  action->trigger();
  return true;
}

// --- TQtObjectHost --------------------------------------------------------------

TQtObjectHost::TQtObjectHost() : listener_(std::make_unique<QObject>()) {
  RegisterClass<QObject>();
  RegisterClass<QTimer>();
  RegisterClass<QAction>();
  RegisterClass<QWidget>();
  RegisterClass<QLabel>();
  RegisterClass<QPushButton>();
  RegisterClass<QCheckBox>();
  RegisterClass<QLineEdit>();
  RegisterClass<QListWidget>();
}

TQtObjectHost::~TQtObjectHost() {
  listener_.reset();
  unowned_.clear();
}

TQtClass& TQtObjectHost::ClassOf(const QMetaObject& meta) {
  const auto found = classes_.find(std::string_view(meta.className()));
  if (found != classes_.end()) return *found->second;
  const TQtClass* parent = meta.superClass() ? &ClassOf(*meta.superClass()) : nullptr;
  auto cls = std::make_unique<TQtClass>(meta, parent, nullptr);
  TQtClass& result = *cls;
  classes_.emplace(meta.className(), std::move(cls));
  return result;
}

TQtClass& TQtObjectHost::RegisterFactory(const QMetaObject& meta, TQtClass::TFactory factory) {
  TQtClass& cls = ClassOf(meta);
  cls.SetFactory(std::move(factory));
  return cls;
}

TQtObject& TQtObjectHost::Wrap(QObject& object) {
  const auto known = ids_.find(&object);
  if (known != ids_.end()) return *objects_.at(known->second);
  const THostObjectId id = nextId_++;
  auto wrapper = std::make_unique<TQtObject>(*this, id, object, ClassOf(*object.metaObject()));
  TQtObject& result = *wrapper;
  objects_.emplace(id, std::move(wrapper));
  ids_.emplace(&object, id);
  // The object's pointers are cleared before this is sent, so its address
  // travels with the notification.
  QObject::connect(&object, &QObject::destroyed, listener_.get(),
                   [this, id, address = &object] { Forget(id, address); });
  return result;
}

void TQtObjectHost::Forget(THostObjectId id, const QObject* address) {
  ids_.erase(address);
  objects_.erase(id);
  if (const auto unowned = unowned_.find(id); unowned != unowned_.end()) {
    // Destroyed by someone else: the host must not destroy it again.
    static_cast<void>(unowned->second.release());
    unowned_.erase(unowned);
  }
}

void TQtObjectHost::SetEngineOwner(QObject* owner) { engineOwner_ = owner ? Wrap(*owner).Id() : 0; }

IHostClass* TQtObjectHost::FindClass(std::string_view name) const {
  const auto found = classes_.find(name);
  return found != classes_.end() ? found->second.get() : nullptr;
}

IHostObject* TQtObjectHost::FindObject(THostObjectId id) const noexcept {
  const auto found = objects_.find(id);
  return found != objects_.end() && found->second->Object() ? found->second.get() : nullptr;
}

IHostObject* TQtObjectHost::EngineOwner() const noexcept { return FindObject(engineOwner_); }

const TQtClass& TQtObjectHost::CreatableClass(const IHostClass& cls) const {
  const auto found = classes_.find(cls.Name());
  if (found == classes_.end() || found->second.get() != &cls) Raise<EIEException>(IEConsts::SUnknownClass, cls.Name());
  if (!found->second->Factory()) Raise<EIEException>(IEConsts::SClassNotCreatable, cls.Name());
  return *found->second;
}

QObject& TQtObjectHost::LivingObject(IHostObject& object) const {
  const auto found = objects_.find(object.Id());
  if (found == objects_.end() || found->second.get() != &object || !found->second->Object())
    Raise<EIEException>(IEConsts::SObjectFreed, object.Class().Name());
  return *found->second->Object();
}

IHostObject& TQtObjectHost::CreateObject(const IHostClass& cls) {
  const TQtClass& qtClass = CreatableClass(cls);
  std::unique_ptr<QObject> object(qtClass.Factory()(nullptr));
  TQtObject& result = Wrap(*object);
  unowned_.emplace(result.Id(), std::move(object));
  return result;
}

IHostObject& TQtObjectHost::CreateComponent(const IHostClass& cls, IHostObject& owner, IHostObject* parent) {
  const TQtClass& qtClass = CreatableClass(cls);
  QObject& ownerObject = LivingObject(owner);
  QObject* parentObject = parent ? &LivingObject(*parent) : nullptr;
  QObject* home = &ownerObject;
  if (qtClass.IsWidgetClass()) {
    home = parentObject ? parentObject : &ownerObject;
    if (!home->isWidgetType()) Raise<EIEException>(IEConsts::SWidgetNeedsWidget, cls.Name());
  }
  QObject* object = qtClass.Factory()(home);
  // A widget added to a window on the screen is shown with it.
  if (auto* widget = qobject_cast<QWidget*>(object); widget && static_cast<QWidget*>(home)->isVisible()) widget->show();
  return Wrap(*object);
}

void TQtObjectHost::FreeObject(IHostObject& object) {
  QObject& doomed = LivingObject(object);
  for (const QObject* holder = engineHolder_.data(); holder; holder = holder->parent()) {
    if (holder == &doomed) Raise<EIEException>(IEConsts::SObjectHoldsEngine, object.Class().Name());
  }
  const auto unowned = unowned_.find(object.Id());
  if (unowned != unowned_.end()) {
    // Moved out first: destroying it reports back through Forget.
    std::unique_ptr<QObject> owned = std::move(unowned->second);
    unowned_.erase(unowned);
    owned.reset();
    return;
  }
  // Qt's parent lets go of a child that is destroyed.
  delete &doomed;
}

}  // namespace fxe
