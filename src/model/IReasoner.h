// The inference engine as the objects it owns see it: the lookups, parsing,
// type-checking settings, fuzzy conversions and fact-base operations that
// defined types, templates, facts and fact sets need from their engine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "collections/EnumSet.h"
#include "collections/RefCounted.h"
#include "values/IEInterfaces.h"
#include "values/IEParser.h"

namespace fxe {

class TIEValue;
class IIEDefinedType;
class IFactTemplate;
class IFactSlot;
class IFact;
class IFuzzyParser;
class IFuzzyVariable;
class TFactSet;

// When values are checked against slot types: while parsing (static) and
// whenever a value is stored into a fact or a slot default (dynamic).
enum TTypeCheck : std::uint8_t { tcStatic, tcDynamic };
using TTypeChecks = TEnumSet<TTypeCheck>;

class IReasoner : public ISymbolSource {
 public:
  // --- Collections ----------------------------------------------------------
  // The defined type registered under name (case-sensitive), or nullptr.
  virtual TRef<IIEDefinedType> FindDefinedType(std::string_view name) const = 0;
  // The template registered under name (case-sensitive), or nullptr.
  virtual TRef<IFactTemplate> FindFactTemplate(std::string_view name) const = 0;
  // The template registered under name; when there is none, a new template
  // with the comment "(Implied)" is registered under it and returned.
  virtual TRef<IFactTemplate> GetImpliedTemplate(std::string_view name) = 0;
  // Told by a template before its name changes from oldName to newName, so
  // the collection can re-key it. May refuse by raising; nothing changes then.
  // A template that is not registered is ignored.
  virtual void RenameFactTemplate(IFactTemplate& factTemplate, std::string_view oldName,
                                  std::string_view newName) = 0;
  // Fact sets register while this engine is their engine.
  virtual void AddFactSet(TFactSet& factSet) = 0;
  virtual void RemoveFactSet(TFactSet& factSet) = 0;

  // --- Settings ---------------------------------------------------------------
  virtual TTypeChecks TypeChecks() const = 0;
  // The index the next asserted fact will get.
  virtual std::int32_t NextFactIndex() const = 0;
  // The root evaluation context (dynamic defaults are evaluated in it).
  virtual IIEContext* Context() = 0;

  // --- Fuzzy values -------------------------------------------------------------
  // The printer/parser handed to fuzzy variables and sets; may be nullptr.
  virtual IFuzzyParser* FuzzyParser() = 0;
  // A linguistic expression (a term name with hedges and operators, given as
  // a symbol, a string or a multifield of items) as a fuzzy value of the
  // variable; a fuzzy value is returned as it is. Variables and calls among
  // the items are evaluated in the context (which may be nullptr).
  virtual TRef<TIEValue> LinguisticToFuzzy(IFuzzyVariable& variable, const TIEValue& value,
                                           IIEContext* context) = 0;
  // A multifield of (x y) points as a fuzzy value of the variable.
  virtual TRef<TIEValue> SingletonsToFuzzy(IFuzzyVariable& variable, const TIEValue& value,
                                           IIEContext* context) = 0;

  // --- Parsing (copying objects between engines) ------------------------------------
  // One fact from its printed text, on this engine's templates.
  virtual TRef<IFact> ParseFact(std::string_view text) = 0;
  // One slot from its printed text, for a template of this engine (type names
  // resolve in this engine). The slot is not added to the template.
  virtual TRef<IFactSlot> ParseFactSlot(std::string_view text, IFactTemplate& owner) = 0;
  // A value for a slot from its printed text, read against the slot's types.
  virtual TRef<TIEValue> ParseSlotValue(std::string_view text, IFactSlot& slot) = 0;

  // --- Fact base ------------------------------------------------------------------
  // The asserted fact with this index, or nullptr.
  virtual TRef<IFact> FindFact(std::int32_t index) = 0;
  // Asserts the fact; the new fact index, or -1 when the fact was refused as
  // a duplicate.
  virtual std::int32_t AssertFact(IFact& fact) = 0;
  virtual void RetractFact(IFact& fact) = 0;
  // Evaluates the fact's slot values in the context and stores the results
  // back into the fact.
  virtual void ResolveFact(IFact& fact, IIEContext* context) = 0;

 protected:
  ~IReasoner() = default;
};

}  // namespace fxe
