// Engine values, multifields, point lists and the shared constants.
#include "values/IEValue.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "base/Format.h"
#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "base/ScopeExit.h"
#include "base/TextUtils.h"
#include "base/WordText.h"
#include "fuzzysets/IFuzzyLogic.h"

namespace fxe {

// --- Kind names and set texts ----------------------------------------------

namespace {

constexpr std::array<std::string_view, IETypeCount> kTypeNames = {
    "dtNone",       "dtAtom",  "dtString",        "dtInteger",    "dtVariable",  "dtFactId", "dtFloat",
    "dtFunCall",    "dtFact",  "dtList",          "dtDescriptor", "dtObject",    "dtClass",  "dtExternalAddress",
    "dtSingletons", "dtFuzzy", "dtMultiVariable", "dtSlot",       "dtMultiSlot",
};

bool IsSetDelimiter(char c) { return c == '[' || c == ']' || c == ',' || c == ' '; }

// Truncates toward zero into 32 bits; false when the number does not fit.
bool TruncToInt32(double number, std::int32_t& result) {
  if (!(number > -2147483649.0 && number < 2147483648.0)) return false;
  result = static_cast<std::int32_t>(number);
  return true;
}

// Floats compare exactly, but an unordered comparison (a NaN) counts as equal.
bool SameFloat(double a, double b) { return !(a < b) && !(a > b); }

}  // namespace

std::string TypeName(TIEType type) {
  if (static_cast<int>(type) < IETypeCount) return std::string(kTypeNames[type]);
  return "Unknown Type (" + std::to_string(static_cast<int>(type)) + ")";
}

std::span<const std::string_view> TypeNames() { return kTypeNames; }

std::string EnumSetText(std::uint64_t mask, std::span<const std::string_view> names, std::size_t prefixLength,
                        std::string_view separator, bool brackets) {
  std::string out;
  if (brackets) out += '[';
  bool first = true;
  for (std::size_t i = 0; i < names.size() && i < 64; ++i) {
    if ((mask & (std::uint64_t{1} << i)) == 0) continue;
    if (!first) out += separator;
    first = false;
    std::string_view name = names[i];
    out += name.substr(std::min(prefixLength, name.size()));
  }
  if (brackets) out += ']';
  return out;
}

std::string TypeSetText(TIETypes types, std::string_view separator, bool brackets) {
  return EnumSetText(types.Mask(), kTypeNames, 2, separator, brackets);
}

std::uint64_t EnumSetFromText(std::string_view text, std::span<const std::string_view> names, std::string_view prefix) {
  std::uint64_t mask = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsSetDelimiter(text[i])) ++i;
    std::size_t start = i;
    while (i < text.size() && !IsSetDelimiter(text[i])) ++i;
    if (start == i) continue;
    std::string item = std::string(prefix) + std::string(text.substr(start, i - start));
    auto found = std::find_if(names.begin(), names.end(),
                              [&](std::string_view name) { return detail::EqualsIgnoreCase(name, item); });
    if (found == names.end()) Raise<EIEException>(IEConsts::SInvalidSetItem, item);
    mask |= std::uint64_t{1} << (found - names.begin());
  }
  return mask;
}

TIETypes TypeSetFromText(std::string_view text) { return TIETypes::FromMask(EnumSetFromText(text, kTypeNames, "dt")); }

bool SameDouble(double a, double b) noexcept { return a - 0.0001 <= b && b <= a + 0.0001; }

std::uint32_t StringHash(std::string_view text) noexcept {
  std::uint32_t h = 0;
  const std::size_t n = text.size();
  const std::size_t step = n < 16 ? 1 : n / 8;
  for (std::size_t i = 0; i < n; i += step) h = h * 31u + static_cast<unsigned char>(text[i]);
  return h;
}

std::string_view StripQuotes(std::string_view text) noexcept {
  if (text.size() > 1 && text.front() == '"' && text.back() == '"') return text.substr(1, text.size() - 2);
  return text;
}

bool TryStrToInt(std::string_view text, std::int32_t& result) noexcept {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i >= text.size()) return false;
  std::uint64_t magnitude = 0;
  if (text[i] == '$') {
    ++i;
    if (i >= text.size()) return false;
    for (; i < text.size(); ++i) {
      char c = text[i];
      int digit;
      if (c >= '0' && c <= '9')
        digit = c - '0';
      else if (c >= 'a' && c <= 'f')
        digit = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F')
        digit = c - 'A' + 10;
      else
        return false;
      magnitude = magnitude * 16 + static_cast<unsigned>(digit);
      if (magnitude > 0xFFFFFFFFull) return false;
    }
    // Hexadecimal texts describe the 32 bits themselves.
    auto bits = static_cast<std::int32_t>(static_cast<std::uint32_t>(magnitude));
    result = negative ? static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(bits)) : bits;
    return true;
  }
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return false;
    magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
    if (magnitude > 2147483648ull) return false;
  }
  if (!negative && magnitude > 2147483647ull) return false;
  result = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(magnitude))
                    : static_cast<std::int32_t>(magnitude);
  return true;
}

bool TryStrToFloat(std::string_view text, double& result) noexcept {
  // Validate the shape first: [sign] digits [. digits] | . digits, [e [sign] digits].
  std::size_t i = 0;
  const std::size_t n = text.size();
  if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
  const std::size_t numberStart = i;
  std::size_t intDigits = 0, fracDigits = 0;
  std::size_t significantIntDigits = 0;
  bool seenNonZero = false;
  while (i < n && text[i] >= '0' && text[i] <= '9') {
    if (text[i] != '0') seenNonZero = true;
    if (seenNonZero) ++significantIntDigits;
    ++i;
    ++intDigits;
  }
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
      ++i;
      ++fracDigits;
    }
  }
  if (intDigits + fracDigits == 0) return false;
  long long exponent = 0;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
      negativeExponent = text[i] == '-';
      ++i;
    }
    std::size_t expDigits = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
      if (exponent < 100000) exponent = exponent * 10 + (text[i] - '0');
      ++i;
      ++expDigits;
    }
    if (expDigits == 0) return false;
    if (negativeExponent) exponent = -exponent;
  }
  if (i != n) return false;
  double value = 0.0;
  const char* first = text.data() + numberStart;
  auto [end, ec] = std::from_chars(first, text.data() + n, value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // Overflow fails; underflow reads as zero.
    if (static_cast<long long>(significantIntDigits) + exponent > 0) return false;
    value = 0.0;
  } else if (ec != std::errc() || end != text.data() + n) {
    return false;
  }
  result = (numberStart > 0 && text[0] == '-') ? -value : value;
  return true;
}

// --- Host objects ------------------------------------------------------------

TRef<TIEValue> TIEObject::Evaluate(IIEContext*) const { return nullptr; }

TIEValue* IIEContext::FindVariable(const TIEValue& variable) const { return FindVariableValue(variable.Text()); }

TIEComponent::~TIEComponent() { NotifyFreed(); }

void TIEComponent::FreeNotification(IFreeNotification* watcher) {
  if (watcher && std::find(watchers_.begin(), watchers_.end(), watcher) == watchers_.end())
    watchers_.push_back(watcher);
}

void TIEComponent::RemoveFreeNotification(IFreeNotification* watcher) {
  watchers_.erase(std::remove(watchers_.begin(), watchers_.end(), watcher), watchers_.end());
}

void TIEComponent::NotifyFreed() {
  if (destroying_) return;
  destroying_ = true;
  // A watcher may unregister itself while being told; work on a copy.
  std::vector<IFreeNotification*> watchers;
  watchers.swap(watchers_);
  for (IFreeNotification* watcher : watchers) watcher->ComponentFreed(*this);
}

// --- TIEValue ----------------------------------------------------------------

// Links an owned component to its value, so that the value clears itself when
// the component is destroyed elsewhere.
class TIEValue::TNexus final : public IFreeNotification {
 public:
  TNexus(TIEValue& value, TIEComponent& component) : value_(value), component_(component) {
    component_.FreeNotification(this);
  }
  ~TNexus() { component_.RemoveFreeNotification(this); }
  void ComponentFreed(TIEComponent& component) override {
    if (&component == &component_) value_.ComponentFreed();
  }

 private:
  TIEValue& value_;
  TIEComponent& component_;
};

struct TIEValue::TExtras {
  TChangeEvent onChange;
  std::unique_ptr<TNexus> nexus;
};

TIEValue::TIEValue() noexcept { payload_.number = 0.0; }

TIEValue::TIEValue(std::int32_t number, TIEType type) {
  if (type != dtInteger && type != dtFactId && type != dtDescriptor) Raise<EIEException>(IEConsts::SValueTypeMismatch);
  payload_.number = 0.0;
  payload_.integer = number;
  type_ = type;
}

TIEValue::TIEValue(std::string_view text, TIEType type) {
  if (!TextTypes.Contains(type)) Raise<EIEException>(IEConsts::SValueTypeMismatch);
  new (&text_) std::string(text);
  textHash_ = StringHash(text_);
  type_ = type;
}

TIEValue::TIEValue(double number) noexcept : type_(dtFloat) { payload_.number = number; }

TIEValue::TIEValue(TRef<TValueVector> list) noexcept : type_(dtList) { payload_.list = list.Detach(); }
TIEValue::TIEValue(TRef<IFuzzySet> fuzzy) noexcept : type_(dtFuzzy) { payload_.fuzzy = fuzzy.Detach(); }
TIEValue::TIEValue(TRef<IFact> fact) noexcept : type_(dtFact) { payload_.fact = fact.Detach(); }
TIEValue::TIEValue(TRef<IFunCall> call) noexcept : type_(dtFunCall) { payload_.call = call.Detach(); }
TIEValue::TIEValue(TRef<TSingletonsVector> singletons) noexcept : type_(dtSingletons) {
  payload_.singletons = singletons.Detach();
}

TIEValue::~TIEValue() {
  if (extras_) extras_->onChange = nullptr;
  Release();
  DestroyText();
}

std::string_view TIEValue::Text() const noexcept {
  return TextTypes.Contains(type_) ? std::string_view(text_) : std::string_view();
}

void TIEValue::DestroyText() noexcept {
  if (TextTypes.Contains(type_)) {
    text_.~basic_string();
    payload_.number = 0.0;
    type_ = dtNone;
  }
}

void TIEValue::Release() noexcept {
  if (ownership_ != EOwnership::None) {
    TIEObject* object = payload_.object;
    if (extras_) extras_->nexus.reset();
    ownership_ = EOwnership::None;
    auto* component = dynamic_cast<TIEComponent*>(object);
    if (!component || !component->Destroying()) delete object;
    payload_.object = nullptr;
    type_ = dtNone;
    return;
  }
  switch (type_) {
    case dtFunCall:
      TRef<IFunCall>::Adopt(payload_.call).Reset();
      break;
    case dtFact:
      TRef<IFact>::Adopt(payload_.fact).Reset();
      break;
    case dtList:
      TRef<TValueVector>::Adopt(payload_.list).Reset();
      break;
    case dtSingletons:
      TRef<TSingletonsVector>::Adopt(payload_.singletons).Reset();
      break;
    case dtFuzzy:
      TRef<IFuzzySet>::Adopt(payload_.fuzzy).Reset();
      break;
    default:
      return;
  }
  payload_.number = 0.0;
  type_ = dtNone;
}

void TIEValue::ComponentFreed() {
  // The component is being destroyed by its owner: forget it without freeing it.
  Clear();
}

void TIEValue::Clear() {
  Release();
  DestroyText();
  type_ = dtNone;
}

void TIEValue::Changed() {
  if (extras_ && extras_->onChange) extras_->onChange(*this);
}

const TIEValue::TChangeEvent* TIEValue::OnChange() const noexcept {
  return extras_ && extras_->onChange ? &extras_->onChange : nullptr;
}

void TIEValue::SetOnChange(TChangeEvent handler) {
  if (!extras_) {
    if (!handler) return;
    extras_ = std::make_unique<TExtras>();
  }
  extras_->onChange = std::move(handler);
}

void TIEValue::SetText(std::string_view text, TIEType type) {
  if (TextTypes.Contains(type_)) {
    text_.assign(text.data(), text.size());
  } else {
    // Copy first: the text may live in a payload about to be released.
    std::string copy(text);
    Release();
    new (&text_) std::string(std::move(copy));
  }
  textHash_ = StringHash(text_);
  type_ = type;
  Changed();
}

void TIEValue::SetNumber(std::int32_t number, TIEType type) {
  TPayload payload{.number = 0.0};
  payload.integer = number;
  SetPayload(payload, type);
}

void TIEValue::SetPayload(TPayload payload, TIEType type) {
  Clear();
  payload_ = payload;
  type_ = type;
  Changed();
}

void TIEValue::SetAsFloat(double number) { SetPayload({.number = number}, dtFloat); }
void TIEValue::SetAsFunCall(TRef<IFunCall> call) { SetPayload({.call = call.Detach()}, dtFunCall); }
void TIEValue::SetAsFact(TRef<IFact> fact) { SetPayload({.fact = fact.Detach()}, dtFact); }
void TIEValue::SetAsList(TRef<TValueVector> list) { SetPayload({.list = list.Detach()}, dtList); }
void TIEValue::SetAsSingletons(TRef<TSingletonsVector> singletons) {
  SetPayload({.singletons = singletons.Detach()}, dtSingletons);
}
void TIEValue::SetAsFuzzy(TRef<IFuzzySet> fuzzy) { SetPayload({.fuzzy = fuzzy.Detach()}, dtFuzzy); }
void TIEValue::SetAsObject(TIEObject* object) { SetPayload({.object = object}, dtObject); }
void TIEValue::SetAsClass(TIEClass* cls) { SetPayload({.cls = cls}, dtClass); }

void TIEValue::SetAsOwnedObject(std::unique_ptr<TIEObject> object) {
  Clear();
  StoreOwnedObject(std::move(object));
  Changed();
}

void TIEValue::StoreOwnedObject(std::unique_ptr<TIEObject> object) {
  payload_.object = object.release();
  type_ = dtObject;
  if (payload_.object) {
    ownership_ = EOwnership::Owned;
    if (auto* component = dynamic_cast<TIEComponent*>(payload_.object)) {
      if (!extras_) extras_ = std::make_unique<TExtras>();
      extras_->nexus = std::make_unique<TNexus>(*this, *component);
      ownership_ = EOwnership::OwnedWithNexus;
    }
  }
}

// --- Readers -------------------------------------------------------------------

void TIEValue::RaiseConversion(std::string_view kindWord) const {
  Raise<EIEException>(IEConsts::SNotAType, kindWord, AsText(), TypeName(type_));
}

std::string TIEValue::AsString() const {
  switch (type_) {
    case dtAtom:
    case dtString:
    case dtVariable:
    case dtMultiVariable:
    case dtSlot:
    case dtMultiSlot:
      return text_;
    case dtInteger:
      return std::to_string(payload_.integer);
    case dtFloat:
      return FormatFloat(payload_.number);
    case dtFuzzy:
      if (payload_.fuzzy) return payload_.fuzzy->AsText();
      break;
    default:
      break;
  }
  RaiseConversion("string");
}

std::int32_t TIEValue::TextToInteger(std::string_view kindWord) const {
  std::int32_t result = 0;
  if (TryStrToInt(text_, result)) return result;
  double number = 0.0;
  if (TryStrToFloat(text_, number) && TruncToInt32(number, result)) return result;
  RaiseConversion(kindWord);
}

std::int32_t TIEValue::AsInteger() const {
  std::int32_t result = 0;
  switch (type_) {
    case dtAtom:
    case dtString:
      return TextToInteger("integer");
    case dtInteger:
    case dtFactId:
    case dtDescriptor:
    case dtExternalAddress:
      return payload_.integer;
    case dtFloat:
      if (TruncToInt32(payload_.number, result)) return result;
      break;
    case dtFuzzy:
      // The crisp value rounded to nearest, ties to even.
      if (payload_.fuzzy && TruncToInt32(std::nearbyint(payload_.fuzzy->Defuzzify()), result)) return result;
      break;
    default:
      break;
  }
  RaiseConversion("integer");
}

double TIEValue::AsFloat() const {
  switch (type_) {
    case dtAtom:
    case dtString: {
      if (this == SharedValues().Nil.Get()) return 0.0;
      double result = 0.0;
      if (TryStrToFloat(text_, result)) return result;
      break;
    }
    case dtInteger:
    case dtFactId:
    case dtDescriptor:
      return payload_.integer;
    case dtFloat:
      return payload_.number;
    case dtFuzzy:
      if (payload_.fuzzy) return payload_.fuzzy->Defuzzify();
      break;
    default:
      break;
  }
  RaiseConversion("numeric");
}

std::int32_t TIEValue::AsFactId() const {
  std::int32_t result = 0;
  switch (type_) {
    case dtInteger:
    case dtFactId:
      return payload_.integer;
    case dtFloat:
      if (TruncToInt32(payload_.number, result)) return result;
      break;
    default:
      break;
  }
  RaiseConversion("fact id");
}

std::int32_t TIEValue::AsDescriptor() const {
  if (type_ != dtDescriptor) RaiseConversion("descriptor");
  return payload_.integer;
}

std::intptr_t TIEValue::AsExternalAddress() const {
  if (type_ == dtObject) return reinterpret_cast<std::intptr_t>(payload_.object);
  if (type_ == dtExternalAddress) return payload_.integer;
  RaiseConversion("External Address");
}

TIEObject* TIEValue::AsObject() const {
  if (type_ != dtObject) RaiseConversion("object");
  return payload_.object;
}

TIEClass* TIEValue::AsClass() const {
  if (type_ != dtClass) RaiseConversion("class");
  return payload_.cls;
}

TRef<IFunCall> TIEValue::AsFunCall() const {
  if (type_ != dtFunCall) RaiseConversion("function call");
  return TRef<IFunCall>(payload_.call);
}

TRef<IFact> TIEValue::AsFact() const {
  if (type_ != dtFact) RaiseConversion("fact");
  return TRef<IFact>(payload_.fact);
}

TRef<TValueVector> TIEValue::AsList() const {
  if (type_ != dtList) RaiseConversion("list");
  return TRef<TValueVector>(payload_.list);
}

TRef<TSingletonsVector> TIEValue::AsSingletons() const {
  if (type_ != dtSingletons) RaiseConversion("singletons");
  return TRef<TSingletonsVector>(payload_.singletons);
}

TRef<IFuzzySet> TIEValue::AsFuzzy() const {
  if (type_ != dtFuzzy) RaiseConversion("fuzzy value");
  return TRef<IFuzzySet>(payload_.fuzzy);
}

// --- Equality, hashing, text ----------------------------------------------------

namespace {

// The fuzzy equality test between a fuzzy value and any other value.
bool FuzzyEquals(IFuzzySet* set, const TIEValue& other) {
  if (!set) return false;
  switch (other.DType()) {
    case dtFuzzy:
      return other.FuzzyPtr() && set->EqualsSet(*other.FuzzyPtr());
    case dtInteger:
      return set->EqualsNumber(other.RawInteger());
    case dtFloat:
      return set->EqualsNumber(other.RawFloat());
    default:
      return false;
  }
}

template <class T>
bool SamePayload(const T* a, const T* b) {
  if (a == b) return true;
  return a && b && a->Equals(*b);
}

}  // namespace

bool TIEValue::Equals(const TIEValue* other) const {
  if (other == this) return true;
  if (!other) return false;
  if (type_ == other->type_ || type_ == dtFuzzy) {
    switch (type_) {
      case dtNone:
        return true;
      case dtInteger:
      case dtFactId:
      case dtDescriptor:
        return other->payload_.integer == payload_.integer;
      case dtFloat:
        return SameFloat(payload_.number, other->payload_.number);
      case dtFunCall:
        return SamePayload(payload_.call, other->payload_.call);
      case dtFact:
        return SamePayload(payload_.fact, other->payload_.fact);
      case dtList:
        return SamePayload(payload_.list, other->payload_.list);
      case dtObject:
        return payload_.object == other->payload_.object;
      case dtExternalAddress:
        return payload_.integer == other->payload_.integer;
      case dtClass:
        return false;
      case dtSingletons:
        return SamePayload(payload_.singletons, other->payload_.singletons);
      case dtFuzzy:
        return FuzzyEquals(payload_.fuzzy, *other);
      case dtAtom:
      case dtString:
      case dtVariable:
      case dtMultiVariable:
      case dtSlot:
      case dtMultiSlot:
        return text_ == other->text_;
    }
    return false;
  }
  if (other->type_ == dtFuzzy) return other->Equals(this);
  return false;
}

bool TIEValue::EqualsValue(const TIEValue* other) const {
  // Unlike strict equality there is no shortcut for the value itself: a
  // class value is unequal even to itself.
  if (!other) return false;
  if (type_ == dtFunCall && other->type_ != dtFunCall) return false;
  if (type_ != dtFuzzy && other->type_ == dtFuzzy) return other->EqualsValue(this);
  switch (type_) {
    case dtNone:
      return true;
    case dtInteger:
    case dtFactId:
    case dtDescriptor:
      return other->AsInteger() == payload_.integer;
    case dtFloat:
      return SameFloat(payload_.number, other->AsFloat());
    case dtFunCall:
      return SamePayload(payload_.call, other->AsFunCall().Get());
    case dtFact:
      return SamePayload(payload_.fact, other->AsFact().Get());
    case dtList:
      return SamePayload(payload_.list, other->AsList().Get());
    case dtObject:
      return other->AsObject() == payload_.object;
    case dtExternalAddress:
      return other->AsExternalAddress() == payload_.integer;
    case dtSingletons:
      return other->type_ == dtSingletons && SamePayload(payload_.singletons, other->payload_.singletons);
    case dtFuzzy:
      return FuzzyEquals(payload_.fuzzy, *other);
    case dtAtom:
    case dtString:
    case dtVariable:
    case dtMultiVariable:
    case dtSlot:
    case dtMultiSlot:
      // Texts compare in place; only other kinds are converted.
      if (TextTypes.Contains(other->type_)) return text_ == other->text_;
      return text_ == other->AsString();
    default:
      return false;
  }
}

std::uint32_t TIEValue::HashCode() const {
  switch (type_) {
    case dtNone:
      return 0;
    case dtAtom:
    case dtString:
    case dtVariable:
    case dtMultiVariable:
    case dtSlot:
    case dtMultiSlot:
      return textHash_;
    case dtFuzzy:
      return payload_.fuzzy ? StringHash(payload_.fuzzy->AsText()) : 0;
    case dtFunCall:
      return payload_.call ? payload_.call->HashCode() : 0;
    case dtFact:
      return payload_.fact ? payload_.fact->HashCode() : 0;
    case dtList:
      return payload_.list ? payload_.list->HashCode() : 0;
    case dtSingletons:
      return payload_.singletons ? payload_.singletons->HashCode() : 0;
    case dtObject:
      return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(payload_.object));
    case dtClass:
      return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(payload_.cls));
    case dtFloat: {
      std::int32_t truncated = 0;
      if (TruncToInt32(payload_.number, truncated)) return static_cast<std::uint32_t>(truncated);
      // Beyond 32 bits (or not a number): hash the bits instead of failing.
      std::uint64_t bits = 0;
      static_assert(sizeof bits == sizeof payload_.number);
      std::memcpy(&bits, &payload_.number, sizeof bits);
      return static_cast<std::uint32_t>(bits ^ (bits >> 32));
    }
    default:
      return static_cast<std::uint32_t>(payload_.integer);
  }
}

std::string TIEValue::AsText() const {
  std::string out;
  AppendText(out);
  return out;
}

void TIEValue::AppendText(std::string& out) const {
  switch (type_) {
    case dtNone:
      return;
    case dtAtom:
    case dtSlot:
    case dtMultiSlot:
      detail::AppendWord(out, text_);
      return;
    case dtString:
      out += '"';
      for (char c : text_) {
        if (c == '\\')
          out += "\\\\";
        else if (c == '"')
          out += "\\\"";
        else
          out += c;
      }
      out += '"';
      return;
    case dtInteger:
      out += std::to_string(payload_.integer);
      return;
    case dtVariable:
      out += '?';
      detail::AppendWordTail(out, text_);
      return;
    case dtMultiVariable:
      out += "$?";
      detail::AppendWordTail(out, text_);
      return;
    case dtFactId:
      out += "<Fact-";
      out += std::to_string(payload_.integer);
      out += '>';
      return;
    case dtFloat:
      AppendFloat(out, payload_.number);
      return;
    case dtFunCall:
      if (payload_.call) out += payload_.call->AsString();
      return;
    case dtFact:
      if (payload_.fact) out += payload_.fact->AsString();
      return;
    case dtList:
      if (payload_.list) payload_.list->AppendText(out);
      return;
    case dtObject:
      if (payload_.object) out += payload_.object->ValueText();
      return;
    case dtClass:
      if (payload_.cls) out += payload_.cls->Name();
      return;
    case dtExternalAddress:
      out += "<External-Address: ";
      out += std::to_string(payload_.integer);
      out += '>';
      return;
    case dtSingletons:
      if (payload_.singletons) out += payload_.singletons->AsText();
      return;
    case dtFuzzy:
      if (payload_.fuzzy) out += payload_.fuzzy->AsText();
      return;
    default:
      out += "<UNKNOWN>";
      return;
  }
}

void TIEValue::AppendItemText(std::string& out) const {
  if (type_ == dtAtom && text_.empty())
    out += "nil";
  else
    AppendText(out);
}

// --- Evaluation, copying ---------------------------------------------------------

TRef<TIEValue> TIEValue::Evaluate(IIEContext* context) {
  switch (type_) {
    case dtVariable:
    case dtMultiVariable: {
      if (!context) Raise<EIEException>(IEConsts::SNoContext, TypeName(type_));
      TIEValue* bound = context->FindVariable(*this);
      if (!bound) Raise<EIEException>(IEConsts::SCorruptedBinding, text_);
      return TRef<TIEValue>(bound);
    }
    case dtFunCall:
      if (payload_.call) return payload_.call->Evaluate(context);
      break;
    case dtObject:
      if (payload_.object) {
        if (TRef<TIEValue> result = payload_.object->Evaluate(context)) return result;
      }
      break;
    case dtSingletons: {
      if (!payload_.singletons) break;
      const TSingletonsVector& points = *payload_.singletons;
      TRef<IFuzzySet> set = NewEngineFuzzySet();
      auto* formatter = const_cast<ISingletonsParser*>(points.Formatter());
      if (auto* parser = dynamic_cast<IFuzzyParser*>(formatter)) set->SetFuzzyParser(parser);
      auto coordinate = [context](const TRef<TIEValue>& item) {
        if (!item) return TIEValue().AsNumeric();  // raises the conversion error
        return item->Evaluate(context)->AsNumeric();
      };
      {
        TUpdateScope update(*set);
        for (std::int32_t i = 0; i < points.Count(); ++i) {
          double x = coordinate(points.X(i));
          double y = coordinate(points.Y(i));
          set->AddPoint(x, y);
        }
      }
      return MakeRef<TIEValue>(std::move(set));
    }
    default:
      break;
  }
  return TRef<TIEValue>(this);
}

const TIEValue& TIEValue::EvaluateLent(IIEContext* context, TRef<TIEValue>& holder) {
  switch (type_) {
    case dtVariable:
    case dtMultiVariable: {
      if (!context) Raise<EIEException>(IEConsts::SNoContext, TypeName(type_));
      const TIEValue* bound = context->FindVariable(*this);
      if (!bound) Raise<EIEException>(IEConsts::SCorruptedBinding, text_);
      return *bound;
    }
    case dtFunCall:
    case dtObject:
    case dtSingletons:
      holder = Evaluate(context);
      return holder ? *holder : *SharedValues().Nil;
    default:
      return *this;
  }
}

void TIEValue::CopyPayload(const TIEValue& source, bool deepList) {
  if (TextTypes.Contains(source.type_)) {
    new (&text_) std::string(source.text_);
    textHash_ = source.textHash_;
    type_ = source.type_;
    return;
  }
  payload_ = source.payload_;
  type_ = source.type_;
  switch (type_) {
    case dtFunCall:
      if (payload_.call) payload_.call->AddRef();
      break;
    case dtFact:
      if (payload_.fact) payload_.fact->AddRef();
      break;
    case dtList:
      if (payload_.list) {
        if (deepList)
          payload_.list = payload_.list->Clone().Detach();
        else
          payload_.list->AddRef();
      }
      break;
    case dtSingletons:
      if (payload_.singletons) payload_.singletons->AddRef();
      break;
    case dtFuzzy:
      if (payload_.fuzzy) payload_.fuzzy->AddRef();
      break;
    default:
      break;
  }
}

namespace {

std::unique_ptr<TIEObject> CopyOwnedObject(const TIEObject& object) {
  std::unique_ptr<TIEObject> copy = object.CloneObject();
  if (!copy) Raise<EIEException>(IEConsts::SUncloneableValue);
  return copy;
}

}  // namespace

void TIEValue::StealPayload(TIEValue& from) noexcept {
  if (TextTypes.Contains(from.type_)) {
    new (&text_) std::string(std::move(from.text_));
    textHash_ = from.textHash_;
    type_ = from.type_;
    from.DestroyText();
  } else {
    payload_ = from.payload_;
    type_ = from.type_;
    from.payload_.number = 0.0;
  }
  from.type_ = dtNone;
}

void TIEValue::AssignPayload(const TIEValue& source, bool deepList) {
  if (&source == this) return;
  // The source may live inside this value's payload (an item of its own
  // list): copy everything needed before this value lets go of it.
  const std::int32_t tag = source.tag_;
  if (source.IsOwned()) {
    std::unique_ptr<TIEObject> copy = CopyOwnedObject(*source.payload_.object);
    Clear();
    StoreOwnedObject(std::move(copy));
  } else {
    TIEValue copy;
    copy.CopyPayload(source, deepList);
    Clear();
    StealPayload(copy);
  }
  tag_ = tag;
  Changed();
}

void TIEValue::Assign(const TIEValue& source) { AssignPayload(source, false); }

void TIEValue::AssignFrom(const TIEValue& source) { AssignPayload(source, true); }

TRef<TIEValue> TIEValue::Clone() const {
  auto copy = MakeRef<TIEValue>();
  copy->Assign(*this);
  return copy;
}

// --- Shared constants ----------------------------------------------------------

struct TSharedValuesInit {
  static TRef<TIEValue> Mark(TRef<TIEValue> value) {
    value->shared_ = true;
    return value;
  }
  static const TSharedValues* Create() {
    auto* values = new TSharedValues{
        Mark(NewAtom("TRUE")),
        Mark(NewAtom("FALSE")),
        Mark(NewAtom("")),
        Mark(NewAtom("")),
        Mark(NewList()),
        Mark(NewAtom("catch")),
        Mark(NewAtom("except")),
        Mark(NewAtom("finally")),
        Mark(NewAtom("else")),
        Mark(NewAtom("do")),
        Mark(NewAtom("then")),
        Mark(NewAtom("EOF")),
        Mark(NewFloat(3.141592653589793)),
        Mark(NewFloat(0.0)),
    };
    return values;
  }
};

const TSharedValues& SharedValues() {
  // Created once and never destroyed: values anywhere may still refer to them
  // while static objects are torn down.
  static const TSharedValues* values = TSharedValuesInit::Create();
  return *values;
}

// --- TValueVector ----------------------------------------------------------------

void TValueVector::CheckIndex(std::int32_t index, bool allowEnd) const {
  fxe::CheckIndex<EIEException>(index, Count() + (allowEnd ? 1 : 0));
}

const TRef<TIEValue>& TValueVector::Item(std::int32_t index) const {
  CheckIndex(index, false);
  return items_[static_cast<std::size_t>(index)];
}

void TValueVector::SetItem(std::int32_t index, TRef<TIEValue> value) {
  CheckIndex(index, false);
  items_[static_cast<std::size_t>(index)] = std::move(value);
}

TValueVector::TValueVector(std::vector<TRef<TIEValue>> items) : items_(std::move(items)) { CheckSize(items_.size()); }

void TValueVector::CheckSize(std::size_t count) {
  if (count > static_cast<std::size_t>(MaxMultifieldItems))
    Raise<EIEException>(IEConsts::SMultifieldTooLarge, MaxMultifieldItems);
}

void TValueVector::Reserve(std::size_t n) {
  CheckSize(n);
  items_.reserve(n);
}

std::int32_t TValueVector::Add(TRef<TIEValue> value) {
  CheckSize(items_.size() + 1);
  items_.push_back(std::move(value));
  return Count() - 1;
}

std::int32_t TValueVector::IndexOf(const TIEValue* value) const noexcept {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (items_[i].Get() == value) return static_cast<std::int32_t>(i);
  }
  return -1;
}

void TValueVector::Insert(std::int32_t index, TRef<TIEValue> value) {
  CheckIndex(index, true);
  CheckSize(items_.size() + 1);
  items_.insert(items_.begin() + index, std::move(value));
}

void TValueVector::Delete(std::int32_t index) {
  CheckIndex(index, false);
  items_.erase(items_.begin() + index);
}

void TValueVector::AddAll(const TValueVector& other) {
  CheckSize(items_.size() + other.items_.size());
  if (&other == this) {
    std::vector<TRef<TIEValue>> copy = items_;
    items_.insert(items_.end(), copy.begin(), copy.end());
    return;
  }
  items_.insert(items_.end(), other.items_.begin(), other.items_.end());
}

std::int32_t TValueVector::Remove(const TIEValue* value) {
  std::int32_t index = IndexOf(value);
  if (index >= 0) items_.erase(items_.begin() + index);
  return index;
}

bool TValueVector::Equals(const TValueVector& other) const {
  if (&other == this) return true;
  if (other.items_.size() != items_.size()) return false;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    const TIEValue* a = items_[i].Get();
    const TIEValue* b = other.items_[i].Get();
    if (!a || !b) {
      if (a != b) return false;
    } else if (!a->Equals(b)) {
      return false;
    }
  }
  return true;
}

std::uint32_t TValueVector::HashCode() const {
  std::uint32_t h = 0;
  for (const auto& item : items_) {
    if (item) h += item->HashCode();
  }
  return h;
}

std::string TValueVector::AsText() const {
  std::string out;
  AppendText(out);
  return out;
}

void TValueVector::AppendText(std::string& out) const {
  for (const auto& item : items_) {
    if (item) item->AppendItemText(out);
    out += ' ';
  }
}

TRef<TValueVector> TValueVector::Clone() const {
  auto copy = MakeRef<TValueVector>();
  copy->AssignFrom(*this);
  return copy;
}

void TValueVector::AssignFrom(const TValueVector& source) {
  std::vector<TRef<TIEValue>> items;
  items.reserve(source.items_.size());
  for (const auto& item : source.items_) items.push_back(item ? item->Clone() : nullptr);
  items_ = std::move(items);
  tag_ = source.tag_;
}

// --- TSingletonsVector ---------------------------------------------------------------

std::int32_t TSingletonsVector::Add(TRef<TIEValue> x, TRef<TIEValue> y) {
  ys_.Add(std::move(y));
  return xs_.Add(std::move(x));
}

void TSingletonsVector::Clear() noexcept {
  xs_.Clear();
  ys_.Clear();
}

void TSingletonsVector::Insert(std::int32_t index, TRef<TIEValue> x, TRef<TIEValue> y) {
  xs_.Insert(index, std::move(x));
  ys_.Insert(index, std::move(y));
}

void TSingletonsVector::Delete(std::int32_t index) {
  xs_.Delete(index);
  ys_.Delete(index);
}

void TSingletonsVector::AddAll(const TSingletonsVector& other) {
  xs_.AddAll(other.xs_);
  ys_.AddAll(other.ys_);
}

bool TSingletonsVector::Equals(const TSingletonsVector& other) const {
  return xs_.Equals(other.xs_) && ys_.Equals(other.ys_);
}

std::uint32_t TSingletonsVector::HashCode() const { return xs_.HashCode() + ys_.HashCode(); }

std::string TSingletonsVector::AsText() const {
  if (formatter_) return formatter_->FormatSingletons(*this);
  std::string out;
  for (std::int32_t i = 0; i < Count(); ++i) {
    out += '(';
    if (const auto& x = X(i)) x->AppendText(out);
    out += ' ';
    if (const auto& y = Y(i)) y->AppendText(out);
    out += ") ";
  }
  return out;
}

TRef<TSingletonsVector> TSingletonsVector::Clone() const {
  auto copy = MakeRef<TSingletonsVector>(formatter_);
  copy->AssignFrom(*this);
  return copy;
}

void TSingletonsVector::AssignFrom(const TSingletonsVector& source) {
  if (&source == this) return;
  xs_.AssignFrom(source.xs_);
  ys_.AssignFrom(source.ys_);
  formatter_ = source.formatter_;
  tag_ = source.tag_;
}

// --- TValueHashTable ---------------------------------------------------------------

std::string TValueHashTable::AsText() const {
  std::string out;
  for (const auto& entry : *this) {
    out += entry.Key();
    out += " = ";
    if (entry.Value()) entry.Value()->AppendText(out);
    out += "\r\n";
  }
  return out;
}

}  // namespace fxe
