// Engine values: the tagged value every datum of the engine is (TIEValue), the
// multifield (TValueVector), the fuzzy point list (TSingletonsVector), the
// shared constant values, the kind sets and the text helpers around them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "collections/EnumSet.h"
#include "collections/GHashtable.h"
#include "collections/RefCounted.h"
#include "fuzzysets/IFuzzyLogic.h"
#include "values/IEInterfaces.h"

namespace fxe {

class TValueVector;
class TSingletonsVector;

// The kinds of engine value, in their fixed order (ordinals 0..18).
enum TIEType : std::uint8_t {
  dtNone,
  dtAtom,
  dtString,
  dtInteger,
  dtVariable,
  dtFactId,
  dtFloat,
  dtFunCall,
  dtFact,
  dtList,
  dtDescriptor,
  dtObject,
  dtClass,
  dtExternalAddress,
  dtSingletons,
  dtFuzzy,
  dtMultiVariable,
  dtSlot,
  dtMultiSlot,
};
inline constexpr int IETypeCount = 19;

using TIETypes = TEnumSet<TIEType>;

// Kinds whose payload is text.
inline constexpr TIETypes TextTypes{dtAtom, dtString, dtVariable, dtMultiVariable, dtSlot, dtMultiSlot};
inline constexpr TIETypes NumericTypes{dtInteger, dtFloat};
inline constexpr TIETypes FactIndexTypes{dtInteger, dtFactId, dtFloat};
inline constexpr TIETypes VariableTypes{dtVariable, dtMultiVariable};
inline constexpr TIETypes MultiFieldTypes{dtList, dtMultiSlot};
// Kinds whose payload is a counted reference.
inline constexpr TIETypes RefCountedTypes{dtFunCall, dtFact, dtList, dtSingletons, dtFuzzy};

// "dtAtom", "dtInteger", ...; "Unknown Type (n)" beyond the enumeration.
std::string TypeName(TIEType type);
// The names of all kinds, in ordinal order.
std::span<const std::string_view> TypeNames();

// The members of an enumeration set as text: names in ordinal order without
// their first prefixLength characters, joined by separator, in "[" "]" when
// brackets is set. TypeSetText({dtInteger, dtFloat}, ", ") is "Integer, Float".
std::string EnumSetText(std::uint64_t mask, std::span<const std::string_view> names, std::size_t prefixLength,
                        std::string_view separator, bool brackets = false);
std::string TypeSetText(TIETypes types, std::string_view separator, bool brackets = false);
// The reverse: items separated by "[", "]", "," or blank, each looked up as
// prefix + item; raises "Invalid item for set: %s" for an item that is not a member.
std::uint64_t EnumSetFromText(std::string_view text, std::span<const std::string_view> names, std::string_view prefix);
TIETypes TypeSetFromText(std::string_view text);

// a and b are equal when a - 0.0001 <= b <= a + 0.0001.
bool SameDouble(double a, double b) noexcept;
// The text hash of values: h = h * 31 + byte over all bytes (fewer than 16), or
// over every (n div 8)-th byte from the first (16 or more); wraps at 2^32.
std::uint32_t StringHash(std::string_view text) noexcept;
// A text of two or more characters that starts and ends with '"' loses them.
std::string_view StripQuotes(std::string_view text) noexcept;

// Reads an optionally signed decimal integer ("$" before hexadecimal digits);
// false on anything else or beyond 32 bits.
bool TryStrToInt(std::string_view text, std::int32_t& result) noexcept;
// Reads a decimal floating number with optional fraction and exponent; false
// on anything else and on magnitudes beyond the double range.
bool TryStrToFloat(std::string_view text, double& result) noexcept;

// Formats a value's stored singletons (the engine implements this).
class ISingletonsParser {
 public:
  virtual std::string FormatSingletons(const TSingletonsVector& singletons) const = 0;

 protected:
  ~ISingletonsParser() = default;
};

// One engine value. Values are shared by reference: create them with MakeRef
// (or the New* helpers) and hold them in TRef, never on the stack, because
// Evaluate hands out references to the value itself.
class TIEValue final : public TRefCounted {
 public:
  using TChangeEvent = std::function<void(TIEValue&)>;

  TIEValue() noexcept;
  // Kinds dtInteger, dtFactId, dtDescriptor; any other raises "Value and type mismatch".
  TIEValue(std::int32_t number, TIEType type);
  // Text kinds; any other raises "Value and type mismatch".
  TIEValue(std::string_view text, TIEType type);
  explicit TIEValue(double number) noexcept;
  // A bare integer would silently become a float; name the kind instead.
  TIEValue(std::int32_t number) = delete;
  explicit TIEValue(TRef<TValueVector> list) noexcept;
  explicit TIEValue(TRef<IFuzzySet> fuzzy) noexcept;
  explicit TIEValue(TRef<IFact> fact) noexcept;
  explicit TIEValue(TRef<IFunCall> call) noexcept;
  explicit TIEValue(TRef<TSingletonsVector> singletons) noexcept;
  ~TIEValue();

  // Values are shared by reference; Clone makes a copy.
  TIEValue(const TIEValue&) = delete;
  TIEValue& operator=(const TIEValue&) = delete;

  TIEType DType() const noexcept { return type_; }
  std::int32_t Tag() const noexcept { return tag_; }
  void SetTag(std::int32_t tag) noexcept { tag_ = tag; }

  // The raw text of a text kind, without conversion (empty for other kinds).
  std::string_view Text() const noexcept;
  // The raw number of an integer-like kind or the double of a float (no checks).
  std::int32_t RawInteger() const noexcept { return payload_.integer; }
  double RawFloat() const noexcept { return payload_.number; }

  // Readers: convert where the kind allows, else raise
  // "Not a %s type.  Value (%s) is a %s type".
  std::string AsString() const;
  std::string AsAtom() const { return AsString(); }
  std::string AsVariable() const { return AsString(); }
  std::string AsMultiVariable() const { return AsString(); }
  std::string AsSlot() const { return AsString(); }
  std::string AsMultiSlot() const { return AsString(); }
  std::int32_t AsInteger() const;
  double AsFloat() const;
  double AsNumeric() const { return AsFloat(); }
  std::int32_t AsFactId() const;
  std::int32_t AsDescriptor() const;
  std::intptr_t AsExternalAddress() const;
  TIEObject* AsObject() const;
  TIEObject* AsOwnedObject() const { return AsObject(); }
  TIEClass* AsClass() const;
  TRef<IFunCall> AsFunCall() const;
  TRef<IFact> AsFact() const;
  TRef<TValueVector> AsList() const;
  TRef<TSingletonsVector> AsSingletons() const;
  TRef<IFuzzySet> AsFuzzy() const;
  // Unchecked access to a counted payload of the current kind (nullptr otherwise).
  TValueVector* ListPtr() const noexcept { return type_ == dtList ? payload_.list : nullptr; }
  IFact* FactPtr() const noexcept { return type_ == dtFact ? payload_.fact : nullptr; }
  IFunCall* FunCallPtr() const noexcept { return type_ == dtFunCall ? payload_.call : nullptr; }
  IFuzzySet* FuzzyPtr() const noexcept { return type_ == dtFuzzy ? payload_.fuzzy : nullptr; }

  // Writers: release the old payload, store the new one, fire OnChange.
  void SetAsAtom(std::string_view text) { SetText(text, dtAtom); }
  void SetAsString(std::string_view text) { SetText(text, dtString); }
  void SetAsVariable(std::string_view text) { SetText(text, dtVariable); }
  void SetAsMultiVariable(std::string_view text) { SetText(text, dtMultiVariable); }
  void SetAsSlot(std::string_view text) { SetText(text, dtSlot); }
  void SetAsMultiSlot(std::string_view text) { SetText(text, dtMultiSlot); }
  void SetAsInteger(std::int32_t number) { SetNumber(number, dtInteger); }
  void SetAsFactId(std::int32_t number) { SetNumber(number, dtFactId); }
  void SetAsDescriptor(std::int32_t number) { SetNumber(number, dtDescriptor); }
  void SetAsExternalAddress(std::int32_t number) { SetNumber(number, dtExternalAddress); }
  void SetAsFloat(double number);
  void SetAsFunCall(TRef<IFunCall> call);
  void SetAsFact(TRef<IFact> fact);
  void SetAsList(TRef<TValueVector> list);
  void SetAsSingletons(TRef<TSingletonsVector> singletons);
  void SetAsFuzzy(TRef<IFuzzySet> fuzzy);
  // An object the value does not own.
  void SetAsObject(TIEObject* object);
  // An object the value owns and frees; a component destroyed elsewhere
  // clears the value instead.
  void SetAsOwnedObject(std::unique_ptr<TIEObject> object);
  void SetAsClass(TIEClass* cls);
  bool IsOwned() const noexcept { return ownership_ != EOwnership::None; }

  // Strict equality (eq): kinds must agree, texts compare case-sensitively.
  bool Equals(const TIEValue* other) const;
  // Loose equality (eq*): the other value is converted to this value's kind,
  // which may raise the conversion error.
  bool EqualsValue(const TIEValue* other) const;
  std::uint32_t HashCode() const;
  // The canonical printed form.
  std::string AsText() const;
  void AppendText(std::string& out) const;
  // The printed form as one item of a call, a fact or a list: a symbol with
  // empty text (nil) is written as the word nil, which reads back as it,
  // where the empty text would drop the item.
  void AppendItemText(std::string& out) const;

  // Variables resolve in the context, calls are called, singletons become a
  // fuzzy value; every other kind evaluates to itself.
  TRef<TIEValue> Evaluate(IIEContext* context);
  // As Evaluate, for a reader that is done with the value before anything
  // else is evaluated: a constant or a bound variable is lent as it stands,
  // without counting a reference; a value made by the evaluation is kept in
  // holder. Raises what Evaluate raises.
  const TIEValue& EvaluateLent(IIEContext* context, TRef<TIEValue>& holder);
  // Empties the value (dtNone) without firing OnChange.
  void Clear();
  // Copies kind and payload (sharing counted payloads; an owned object is
  // copied), then Tag; fires OnChange.
  void Assign(const TIEValue& source);
  // As Assign, but a multifield is copied deeply (a clone of the vector).
  void AssignFrom(const TIEValue& source);
  TRef<TIEValue> Clone() const;

  const TChangeEvent* OnChange() const noexcept;
  void SetOnChange(TChangeEvent handler);

  // True for the fourteen shared constants of SharedValues().
  bool IsShared() const noexcept { return shared_; }

 private:
  enum class EOwnership : std::uint8_t { None, Owned, OwnedWithNexus };
  class TNexus;
  struct TExtras;
  friend struct TSharedValuesInit;

  void SetText(std::string_view text, TIEType type);
  void SetNumber(std::int32_t number, TIEType type);
  void Release() noexcept;
  void DestroyText() noexcept;
  void Changed();
  [[noreturn]] void RaiseConversion(std::string_view kindWord) const;
  void CopyPayload(const TIEValue& source, bool deepList);
  void StealPayload(TIEValue& from) noexcept;
  void AssignPayload(const TIEValue& source, bool deepList);
  void StoreOwnedObject(std::unique_ptr<TIEObject> object);
  std::int32_t TextToInteger(std::string_view kindWord) const;
  void ComponentFreed();

  union TPayload {
    std::int32_t integer;
    double number;
    IFunCall* call;
    IFact* fact;
    TValueVector* list;
    TSingletonsVector* singletons;
    IFuzzySet* fuzzy;
    TIEObject* object;
    TIEClass* cls;
  };
  void SetPayload(TPayload payload, TIEType type);
  // Laid out to keep a value at 56 bytes: one small heap block.
  std::int32_t tag_ = 0;
  TIEType type_ = dtNone;
  EOwnership ownership_ = EOwnership::None;
  bool shared_ = false;
  // The hash of the text of text kinds, kept with the text: join memories
  // and the fact index hash the same values again and again.
  std::uint32_t textHash_ = 0;
  // The text of text kinds shares the storage of the fixed payload.
  union {
    TPayload payload_;
    std::string text_;
  };
  // The rarely used parts: the change handler and an owned component's nexus.
  std::unique_ptr<TExtras> extras_;
};
static_assert(sizeof(void*) != 8 || sizeof(TIEValue) == 56, "a value is one 56-byte heap block");

using IIEValue = TIEValue;

// The shared constants, created once and compared by identity.
struct TSharedValues {
  TRef<TIEValue> True, False, Nil, Empty, EmptyList;
  TRef<TIEValue> Catch, Except, Finally, Else, Do, Then;
  TRef<TIEValue> Eof, Pi, Zero;
};
const TSharedValues& SharedValues();
// The value, or nil in its place; the value is moved through, so that the
// hot call paths pay no reference counting for it.
inline TRef<TIEValue> OrNil(TRef<TIEValue> value) {
  if (!value) return SharedValues().Nil;
  return value;
}

// The most items one multifield may hold: a program that doubles a list
// without end is stopped with a message long before memory runs out.
inline constexpr std::int32_t MaxMultifieldItems = 1 << 24;

// A multifield: an ordered, 0-based list of values (an item may be absent).
// Growing beyond MaxMultifieldItems raises the multifield-size error.
class TValueVector final : public TRefCounted {
 public:
  TValueVector() = default;
  explicit TValueVector(std::vector<TRef<TIEValue>> items);

  std::int32_t Count() const noexcept { return static_cast<std::int32_t>(items_.size()); }
  bool Empty() const noexcept { return items_.empty(); }
  const TRef<TIEValue>& Item(std::int32_t index) const;
  void SetItem(std::int32_t index, TRef<TIEValue> value);
  std::int32_t Add(TRef<TIEValue> value);
  void Clear() noexcept { items_.clear(); }
  const TRef<TIEValue>& First() const { return Item(0); }
  const TRef<TIEValue>& Last() const { return Item(Count() - 1); }
  // The position of that very value object (identity), or -1.
  std::int32_t IndexOf(const TIEValue* value) const noexcept;
  void Insert(std::int32_t index, TRef<TIEValue> value);
  void Delete(std::int32_t index);
  // Appends the other vector's items themselves (not copies).
  void AddAll(const TValueVector& other);
  // Deletes the item found by IndexOf and returns its position, or -1.
  std::int32_t Remove(const TIEValue* value);
  void Reserve(std::size_t n);

  // Same count and, position by position, both absent or strictly equal.
  bool Equals(const TValueVector& other) const;
  // Sum of the items' hash codes.
  std::uint32_t HashCode() const;
  // Each item's printed form followed by one blank.
  std::string AsText() const;
  void AppendText(std::string& out) const;
  // A new vector holding clones of the items, with the same Tag.
  TRef<TValueVector> Clone() const;
  // Replaces the items with clones of the source's; copies Tag.
  void AssignFrom(const TValueVector& source);

  std::int32_t Tag() const noexcept { return tag_; }
  void SetTag(std::int32_t tag) noexcept { tag_ = tag; }

  auto begin() const noexcept { return items_.begin(); }
  auto end() const noexcept { return items_.end(); }
  const std::vector<TRef<TIEValue>>& Items() const noexcept { return items_; }

 private:
  void CheckIndex(std::int32_t index, bool allowEnd) const;
  // Raises the multifield-size error when the list would grow to more than
  // MaxMultifieldItems items.
  static void CheckSize(std::size_t count);
  std::vector<TRef<TIEValue>> items_;
  std::int32_t tag_ = 0;
};

using IValueVector = TValueVector;

// A fuzzy point list whose coordinates are values (numbers, variables or
// calls until evaluated): X and Y kept as two parallel vectors.
class TSingletonsVector final : public TRefCounted {
 public:
  TSingletonsVector() = default;
  explicit TSingletonsVector(const ISingletonsParser* formatter) noexcept : formatter_(formatter) {}

  std::int32_t Count() const noexcept { return xs_.Count(); }
  const TRef<TIEValue>& X(std::int32_t index) const { return xs_.Item(index); }
  const TRef<TIEValue>& Y(std::int32_t index) const { return ys_.Item(index); }
  void SetX(std::int32_t index, TRef<TIEValue> value) { xs_.SetItem(index, std::move(value)); }
  void SetY(std::int32_t index, TRef<TIEValue> value) { ys_.SetItem(index, std::move(value)); }
  std::int32_t Add(TRef<TIEValue> x, TRef<TIEValue> y);
  void Clear() noexcept;
  std::int32_t IndexOfX(const TIEValue* value) const noexcept { return xs_.IndexOf(value); }
  std::int32_t IndexOfY(const TIEValue* value) const noexcept { return ys_.IndexOf(value); }
  void Insert(std::int32_t index, TRef<TIEValue> x, TRef<TIEValue> y);
  void Delete(std::int32_t index);
  void AddAll(const TSingletonsVector& other);

  const ISingletonsParser* Formatter() const noexcept { return formatter_; }
  void SetFormatter(const ISingletonsParser* formatter) noexcept { formatter_ = formatter; }

  // Same count and pairwise absent-or-strictly-equal X and Y items.
  bool Equals(const TSingletonsVector& other) const;
  std::uint32_t HashCode() const;
  // The formatter's text, or "(x y) " for every point.
  std::string AsText() const;
  TRef<TSingletonsVector> Clone() const;
  // Replaces the points with clones of the source's; copies formatter and Tag.
  void AssignFrom(const TSingletonsVector& source);

  std::int32_t Tag() const noexcept { return tag_; }
  void SetTag(std::int32_t tag) noexcept { tag_ = tag; }

 private:
  TValueVector xs_;
  TValueVector ys_;
  const ISingletonsParser* formatter_ = nullptr;
  std::int32_t tag_ = 0;
};

using ISingletonsVector = TSingletonsVector;

// A string-keyed table of values (the store of named values).
class TValueHashTable : public TIStringHashTable<TIEValue> {
 public:
  using TIStringHashTable<TIEValue>::TIStringHashTable;
  // Every entry in enumeration order as key + " = " + printed value + CR LF.
  std::string AsText() const;
};

// Convenience constructors for the common kinds.
inline TRef<TIEValue> NewAtom(std::string_view text) { return MakeRef<TIEValue>(text, dtAtom); }
inline TRef<TIEValue> NewString(std::string_view text) { return MakeRef<TIEValue>(text, dtString); }
inline TRef<TIEValue> NewInteger(std::int32_t number) { return MakeRef<TIEValue>(number, dtInteger); }
inline TRef<TIEValue> NewFloat(double number) { return MakeRef<TIEValue>(number); }
inline TRef<TIEValue> NewVariable(std::string_view name) { return MakeRef<TIEValue>(name, dtVariable); }
inline TRef<TIEValue> NewList(TRef<TValueVector> list) { return MakeRef<TIEValue>(std::move(list)); }
inline TRef<TIEValue> NewList() { return MakeRef<TIEValue>(MakeRef<TValueVector>()); }

}  // namespace fxe
