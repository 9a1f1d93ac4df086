// Facts (values, copying, equality, hash, printed forms), modify and
// duplicate at the fact level, and fact sets.
#include "model/IEFacts.h"

#include <charconv>
#include <exception>

#include "base/Format.h"
#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "base/WordText.h"
#include "fuzzysets/IFuzzyLogic.h"
#include "model/ConstructText.h"
#include "model/IReasoner.h"

namespace fxe {

using detail::AppendIndented;
using detail::AppendQuoted;
using detail::AppendWord;
using detail::kIndent;
using detail::kLineEnd;

namespace {

std::uint32_t HashByte(std::uint32_t h, char c) noexcept { return h * 31u + static_cast<unsigned char>(c); }

std::uint32_t HashBytes(std::uint32_t h, std::string_view text) noexcept {
  for (char c : text) h = HashByte(h, c);
  return h;
}

std::uint32_t HashNumber(std::uint32_t h, std::int32_t number) noexcept {
  char buffer[16];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
  return HashBytes(h, std::string_view(buffer, static_cast<std::size_t>(result.ptr - buffer)));
}

// Continues the 31-multiplier hash h over the value's printed text, without
// building the text for the common kinds.
std::uint32_t HashPrintedText(std::uint32_t h, const TIEValue& value) {
  switch (value.DType()) {
    case dtNone:
      return h;
    case dtAtom:
    case dtSlot:
    case dtMultiSlot:
      return HashBytes(h, value.Text());
    case dtVariable:
      return HashBytes(HashByte(h, '?'), value.Text());
    case dtMultiVariable:
      return HashBytes(HashBytes(h, "$?"), value.Text());
    case dtString:
      h = HashByte(h, '"');
      for (char c : value.Text()) {
        if (c == '\\' || c == '"') h = HashByte(h, '\\');
        h = HashByte(h, c);
      }
      return HashByte(h, '"');
    case dtInteger:
      return HashNumber(h, value.RawInteger());
    case dtFactId:
      return HashByte(HashNumber(HashBytes(h, "<Fact-"), value.RawInteger()), '>');
    case dtFloat: {
      char buffer[32];
      if (const std::size_t n = FormatFloatFast(value.RawFloat(), buffer); n != 0)
        return HashBytes(h, std::string_view(buffer, n));
      return HashBytes(h, FormatFloat(value.RawFloat()));
    }
    case dtList:
      if (const TValueVector* list = value.ListPtr()) {
        for (const auto& item : *list) {
          if (item) h = HashPrintedText(h, *item);
          h = HashByte(h, ' ');
        }
      }
      return h;
    default: {
      std::string text;
      value.AppendText(text);
      return HashBytes(h, text);
    }
  }
}

TRef<TIEValue> NilCopy() { return CopySlotValue(*SharedValues().Nil); }

// The default a missing value stands for, as a value of the fact's own.
TRef<TIEValue> DefaultCopy(const IFactSlot& slot) {
  const TIEValue* defaultValue = slot.SlotDefault();
  return defaultValue ? CopySlotValue(*defaultValue) : NilCopy();
}

}  // namespace

// --- TFact ----------------------------------------------------------------------------------

TFact::TFact(TRef<IFactTemplate> factTemplate) : template_(std::move(factTemplate)) {}

TFact::TFact(TRef<IFactTemplate> factTemplate, const IFact& source) : template_(std::move(factTemplate)) {
  Assign(source);
}

TFact::TValues TFact::Remap(const TSlotLayout& layout) const {
  const std::int32_t count = layout.Count();
  if (count == 0) return nullptr;
  TValues values = std::make_unique<TRef<TIEValue>[]>(static_cast<std::size_t>(count));
  if (layout_ && values_) {
    for (std::int32_t i = 0; i < count; ++i) {
      const std::int32_t old = layout_->IndexOf(layout.NameAt(i));
      if (old >= 0) values[i] = std::move(values_[old]);
    }
  }
  return values;
}

void TFact::Sync() const {
  if (!template_) return;
  const TSlotLayout& current = template_->SlotLayout();
  if (layout_.Get() == &current) return;
  values_ = Remap(current);
  layout_ = TRef<const TSlotLayout>(&current);
}

std::int32_t TFact::CheckedIndex(std::int32_t index) const {
  if (!template_) Raise<EIEException>(IEConsts::SFactTemplateMissing);
  Sync();
  CheckIndex<EIEException>(index, layout_->Count());
  return index;
}

std::int32_t TFact::IndexOfSlot(std::string_view name) const {
  if (!template_) Raise<EIEException>(IEConsts::SFactTemplateMissing);
  Sync();
  return layout_->IndexOf(name);
}

TIEValue& TFact::Materialize(std::int32_t index) const {
  TRef<TIEValue>& value = values_[index];
  if (!value) value = DefaultCopy(layout_->SlotAt(index));
  return *value;
}

const TIEValue* TFact::Peek(std::int32_t index) const noexcept {
  const TIEValue* value = values_[index].Get();
  return value ? value : layout_->SlotAt(index).SlotDefault();
}

void TFact::Store(std::int32_t index, TRef<TIEValue> value) {
  if (!value) value = SharedValues().Nil;
  IReasoner* engine = template_->Owner();
  if (engine && engine->TypeChecks().Contains(tcDynamic)) {
    // Keeps the slot alive should a conversion change the template.
    const TRef<IFactSlot> slot(&layout_->SlotAt(index));
    const TIEType kind = value->DType();
    if ((kind == dtAtom || kind == dtString) && slot->IsFuzzy()) {
      // A linguistic value in a fuzzy slot: the term it names.
      IIEDefinedType* type = slot->ExtendedTypeInfo();
      IFuzzyVariable* variable = type ? type->FuzzyVariable() : nullptr;
      if (!variable) throw EIEException(slot->Validate(*value));
      TRef<TIEValue> fuzzy = engine->LinguisticToFuzzy(*variable, *value, nullptr);
      if (!fuzzy || !slot->IsValid(fuzzy.Get())) throw EIEException(slot->Validate(*value));
      if (value->IsShared() || fuzzy->DType() != dtFuzzy) {
        value = std::move(fuzzy);
      } else {
        value->SetAsFuzzy(fuzzy->AsFuzzy());
      }
    } else if (!slot->IsValid(value.Get())) {
      // An integer for a float slot becomes the equal float, if the slot takes that.
      TRef<TIEValue> converted =
          kind == dtInteger && slot->SlotType().Contains(dtFloat) ? NewFloat(value->RawInteger()) : nullptr;
      if (!converted || !slot->IsValid(converted.Get())) {
        std::string message = slot->Validate(*value);
        if (message.empty()) message = Format(IEConsts::SValueNotValid, value->AsText(), slot->Name());
        throw EIEException(message);
      }
      if (value->IsShared()) {
        value = std::move(converted);
      } else {
        value->SetAsFloat(value->RawInteger());
      }
    }
  }
  values_[index] = std::move(value);
}

void TFact::SetTemplate(TRef<IFactTemplate> factTemplate) {
  if (factTemplate == template_) return;
  if (!factTemplate) {
    template_ = nullptr;
    layout_ = nullptr;
    values_.reset();
    return;
  }
  Sync();
  const TSlotLayout& next = factTemplate->SlotLayout();
  TValues values = Remap(next);
  for (std::int32_t i = 0; i < next.Count(); ++i) {
    if (!values[i]) values[i] = DefaultCopy(next.SlotAt(i));
  }
  template_ = std::move(factTemplate);
  layout_ = TRef<const TSlotLayout>(&next);
  values_ = std::move(values);
}

TRef<TIEValue> TFact::GetSlotValue(std::string_view name) {
  const std::int32_t index = IndexOfSlot(name);
  if (index < 0) Raise<EIEException>(IEConsts::SNoSuchSlotName, name);
  return TRef<TIEValue>(&Materialize(index));
}

TRef<TIEValue> TFact::TryGetSlotValue(std::string_view name) {
  const std::int32_t index = IndexOfSlot(name);
  return index < 0 ? nullptr : TRef<TIEValue>(&Materialize(index));
}

void TFact::SetSlotValue(std::string_view name, TRef<TIEValue> value) {
  const std::int32_t index = IndexOfSlot(name);
  if (index < 0) Raise<EIEException>(IEConsts::SNoSuchSlotName, name);
  Store(index, std::move(value));
}

std::int32_t TFact::SlotCount() const { return template_ ? template_->SlotLayout().Count() : 0; }

IFactSlot& TFact::SlotAt(std::int32_t index) const {
  // The index check brings the layout in line first.
  const std::int32_t checked = CheckedIndex(index);
  return layout_->SlotAt(checked);
}

TIEValue& TFact::SlotValueAt(std::int32_t index) { return Materialize(CheckedIndex(index)); }

const TIEValue* TFact::PeekSlotValue(std::int32_t index) const { return Peek(CheckedIndex(index)); }

void TFact::SetSlotValueAt(std::int32_t index, TRef<TIEValue> value) { Store(CheckedIndex(index), std::move(value)); }

void TFact::AssignValues(const IFact& source) {
  if (!template_) Raise<EIEException>(IEConsts::SFactTemplateMissing);
  IFactTemplate* sourceTemplate = source.Template();
  if (sourceTemplate != template_.Get())
    Raise<EIEException>(IEConsts::SFactTemplatesDifferent, template_->Name(),
                        sourceTemplate ? sourceTemplate->Name() : std::string());
  if (&source == this) return;
  Sync();
  const std::int32_t count = layout_->Count();
  TValues values = count ? std::make_unique<TRef<TIEValue>[]>(static_cast<std::size_t>(count)) : nullptr;
  for (std::int32_t i = 0; i < count; ++i) {
    // A value the source has not created yet stays missing here too.
    const TIEValue* value = source.PeekSlotValue(i);
    if (value && value != source.SlotAt(i).SlotDefault()) values[i] = CopySlotValue(*value);
  }
  values_ = std::move(values);
}

void TFact::TakeContents(TFact& other) noexcept {
  template_ = std::move(other.template_);
  layout_ = std::move(other.layout_);
  values_ = std::move(other.values_);
}

void TFact::Assign(const IFact& source) {
  if (&source == this) return;
  TRef<IFactTemplate> sourceTemplate = source.GetTemplate();
  IReasoner* engine = template_ ? template_->Owner() : nullptr;
  if (template_ && sourceTemplate && sourceTemplate != template_ && engine && sourceTemplate->Owner() != engine) {
    // A fact of another engine: re-read through this engine's template of that name.
    if (!engine->FindFactTemplate(sourceTemplate->Name()))
      engine->GetImpliedTemplate(sourceTemplate->Name())->Assign(*sourceTemplate);
    TRef<IFact> parsed = engine->ParseFact(source.AsString());
    auto copy = MakeRef<TFact>(parsed->GetTemplate());
    copy->AssignValues(*parsed);
    TakeContents(*copy);
  } else {
    auto copy = MakeRef<TFact>(sourceTemplate);
    for (std::int32_t i = 0; i < source.SlotCount(); ++i) {
      const TIEValue* value = source.PeekSlotValue(i);
      if (value && value != source.SlotAt(i).SlotDefault()) copy->SetSlotValueAt(i, CopySlotValue(*value));
    }
    TakeContents(*copy);
  }
  id_ = source.ID();
  tag_ = source.Tag();
}

TRef<IFact> TFact::Clone() const {
  auto copy = MakeRef<TFact>(template_);
  if (!template_) {
    copy->Assign(*this);
    return copy;
  }
  // A copy on the same template: the values are copied straight into place
  // (the values of a fact have passed the slot checks already).
  copy->AssignValues(*this);
  copy->id_ = id_;
  copy->tag_ = tag_;
  return copy;
}

bool TFact::Equals(const IFact& other) const {
  if (&other == this) return true;
  if (!template_ || other.Template() != template_.Get()) return false;
  Sync();
  const TSlotLayout& layout = *layout_;
  // A missing value of a slot without default reads as nil.
  const TIEValue* nil = SharedValues().Nil.Get();
  for (std::int32_t i = 0; i < layout.Count(); ++i) {
    if (layout.SlotAt(i).IsFuzzy()) continue;
    const TIEValue* mine = Peek(i);
    const TIEValue* theirs = other.PeekSlotValue(i);
    if (!mine) mine = nil;
    if (!theirs) theirs = nil;
    if (mine != theirs && !mine->Equals(theirs)) return false;
  }
  return true;
}

std::uint32_t TFact::HashCode() const {
  if (!template_) return 0;
  Sync();
  std::uint32_t h = 0;
  for (std::int32_t i = 0; i < layout_->Count(); ++i) {
    if (const TIEValue* value = Peek(i)) h = HashPrintedText(h, *value);
  }
  return template_->HashCode() * 31u + h;
}

namespace {

bool IsNilText(const TIEValue& value) noexcept { return value.DType() == dtAtom && value.Text().empty(); }

// Whether a slot left out of a printed fact reads back as nil: its default
// is nil and is not computed anew for every fact.
bool OmittedReadsAsNil(const IFactSlot& slot) {
  const TIEValue* defaultValue = slot.SlotDefault();
  return !slot.DefaultDynamic() && (!defaultValue || IsNilText(*defaultValue));
}

}  // namespace

std::string TFact::AsString() const {
  if (!template_) return "()";
  Sync();
  std::string out;
  out.reserve(64);
  out += '(';
  AppendWord(out, template_->Name());
  if (template_->IsImplied()) {
    const std::int32_t data = layout_->IndexOf(ImpliedSlotName);
    if (const TIEValue* value = data >= 0 ? Peek(data) : nullptr) {
      out += ' ';
      const std::size_t start = out.size();
      value->AppendText(out);
      if (out.size() == start) out.pop_back();
    }
  } else {
    for (std::int32_t i = 0; i < layout_->Count(); ++i) {
      const TIEValue* value = Peek(i);
      if (!value) continue;
      const std::size_t mark = out.size();
      out += " (";
      AppendWord(out, layout_->NameAt(i));
      out += ' ';
      const std::size_t start = out.size();
      value->AppendText(out);
      if (out.size() != start) {
        out += ')';
      } else if (IsNilText(*value) && !OmittedReadsAsNil(layout_->SlotAt(i))) {
        out += "nil)";
      } else {
        out.resize(mark);
      }
    }
  }
  out += ')';
  return out;
}

std::string TFact::AsStringWithID() const {
  IReasoner* engine = template_ ? template_->Owner() : nullptr;
  if (!engine) return "f-" + std::to_string(id_) + " " + AsString();
  // The index is padded with zeros to as many digits as the next index has.
  const std::string digits = std::to_string(std::to_string(engine->NextFactIndex()).size());
  return Format("%s%" + digits + "." + digits + "d %s", "f-", id_, AsString());
}

// --- modify and duplicate ----------------------------------------------------------------

namespace {

TRef<IFact> FindIndexedFact(IReasoner& engine, IIEContext* context, TIEValue& factIndex) {
  TRef<TIEValue> evaluated = factIndex.Evaluate(context);
  const IFact* fact = evaluated->FactPtr();
  const std::int32_t index = fact ? fact->ID() : evaluated->AsFactId();
  TRef<IFact> found = engine.FindFact(index);
  if (!found) Raise<EIEException>(IEConsts::SNoSuchFact, index);
  return found;
}

// The value of an expression, copied when evaluation hands back the
// expression itself or a value another holder keeps (a variable's value), so
// the fact never shares a value object with the call or a binding.
TRef<TIEValue> EvaluateForSlot(TIEValue& expression, IIEContext* context) {
  TRef<TIEValue> result = expression.Evaluate(context);
  const bool heldElsewhere = result.Get() == &expression || (result->RefCount() > 1 && !result->IsShared());
  return heldElsewhere ? CopySlotValue(*result) : result;
}

// Sets one slot from a slot change: a multifield of the slot name and the
// expressions of its new value.
void ApplySlotChange(IReasoner& engine, IIEContext* context, IFact& fact, const TRef<TIEValue>& change,
                     bool convertFuzzy) {
  const TValueVector* items = change ? change->ListPtr() : nullptr;
  if (!items || items->Empty() || !items->First())
    Raise<EIEException>(IEConsts::SInvalidSlotChange, change ? change->AsText() : "");
  const TIEValue& nameValue = *items->First();
  const std::string name = TextTypes.Contains(nameValue.DType()) ? std::string(nameValue.Text()) : nameValue.AsString();
  IFactTemplate* factTemplate = fact.Template();
  if (!factTemplate) Raise<EIEException>(IEConsts::SFactTemplateMissing);
  const IFactSlot& slot = factTemplate->GetSlot(name);

  std::vector<TRef<TIEValue>> expressions(items->Items().begin() + 1, items->Items().end());
  if (convertFuzzy && slot.IsFuzzy() && !expressions.empty() && expressions.front() &&
      expressions.front()->DType() != dtFuzzy) {
    // Linguistic or point-list text for a fuzzy slot becomes a fuzzy value first.
    IIEDefinedType* type = slot.ExtendedTypeInfo();
    if (IFuzzyVariable* variable = type ? type->FuzzyVariable() : nullptr) {
      TIEValue& first = *expressions.front();
      expressions.front() = first.DType() == dtList ? engine.SingletonsToFuzzy(*variable, first, context)
                                                    : engine.LinguisticToFuzzy(*variable, first, context);
    }
  }
  const TIEValue* first = expressions.empty() ? nullptr : expressions.front().Get();
  if (!slot.IsMultislot() || (first && first->DType() == dtList)) {
    fact.SetSlotValue(name, first ? EvaluateForSlot(*expressions.front(), context) : nullptr);
    return;
  }
  auto values = MakeRef<TValueVector>();
  values->Reserve(expressions.size());
  for (const auto& expression : expressions) values->Add(expression ? EvaluateForSlot(*expression, context) : nullptr);
  TRef<TIEValue> current = fact.GetSlotValue(name);
  if (current->IsShared()) {
    fact.SetSlotValue(name, NewList(std::move(values)));
  } else {
    current->SetAsList(std::move(values));
  }
}

}  // namespace

TRef<TIEValue> ModifyFact(IReasoner& engine, IIEContext* context, TIEValue& factIndex,
                          std::span<const TRef<TIEValue>> slotChanges) {
  TRef<IFact> fact = FindIndexedFact(engine, context, factIndex);
  engine.RetractFact(*fact);
  // The fact goes back into the fact base even when a slot could not be set.
  std::exception_ptr failure;
  try {
    for (const auto& change : slotChanges) ApplySlotChange(engine, context, *fact, change, true);
  } catch (...) {
    failure = std::current_exception();
  }
  try {
    engine.ResolveFact(*fact, context);
  } catch (...) {
    if (!failure) failure = std::current_exception();
  }
  const std::int32_t index = engine.AssertFact(*fact);
  if (failure) std::rethrow_exception(failure);
  return MakeRef<TIEValue>(index, dtFactId);
}

TRef<TIEValue> DuplicateFact(IReasoner& engine, IIEContext* context, TIEValue& factIndex,
                             std::span<const TRef<TIEValue>> slotChanges) {
  TRef<IFact> copy = FindIndexedFact(engine, context, factIndex)->Clone();
  copy->SetID(-1);
  for (const auto& change : slotChanges) ApplySlotChange(engine, context, *copy, change, false);
  return MakeRef<TIEValue>(engine.AssertFact(*copy), dtFactId);
}

// --- TFactSet ---------------------------------------------------------------------------------

TFactSet::TFactSet(IReasoner* engine, std::string_view name) : name_(name) { SetEngine(engine); }

TFactSet::~TFactSet() {
  if (IReasoner* engine = std::exchange(engine_, nullptr)) {
    try {
      engine->RemoveFactSet(*this);
    } catch (...) {
      // A set being destroyed cannot report that its engine refused to let it go.
    }
  }
}

void TFactSet::SetFactSetName(std::string_view name) {
  if (name == name_) return;
  const std::string old = std::exchange(name_, std::string(name));
  if (engine_) engine_->FactSetRenamed(*this, old);
}

void TFactSet::SetEngine(IReasoner* engine) {
  if (engine == engine_) return;
  IReasoner* old = std::exchange(engine_, engine);
  if (old) old->RemoveFactSet(*this);
  if (engine_) engine_->AddFactSet(*this);
  for (TLine& line : lines_) line.fact = TryParse(line.text);
}

TRef<IFact> TFactSet::TryParse(const std::string& text) const {
  if (!engine_) return nullptr;
  try {
    return engine_->ParseFact(text + std::string(kLineEnd));
  } catch (const EIEException&) {
    return nullptr;
  }
}

void TFactSet::CheckIndex(std::int32_t index) const { fxe::CheckIndex<EIEException>(index, Count()); }

const std::string& TFactSet::Line(std::int32_t index) const {
  CheckIndex(index);
  return lines_[static_cast<std::size_t>(index)].text;
}

std::vector<std::string> TFactSet::Lines() const {
  std::vector<std::string> lines;
  lines.reserve(lines_.size());
  for (const TLine& line : lines_) lines.push_back(line.text);
  return lines;
}

void TFactSet::SetFacts(std::span<const std::string> lines) {
  std::vector<TLine> parsed;
  parsed.reserve(lines.size());
  for (const std::string& text : lines) parsed.push_back({text, TryParse(text)});
  lines_ = std::move(parsed);
}

TRef<IFact> TFactSet::Fact(std::int32_t index) {
  CheckIndex(index);
  TLine& line = lines_[static_cast<std::size_t>(index)];
  if (!line.fact && engine_) line.fact = engine_->ParseFact(line.text + std::string(kLineEnd));
  return line.fact;
}

std::int32_t TFactSet::AddFact(TRef<IFact> fact) {
  std::string text = fact ? fact->AsString() : std::string();
  lines_.push_back({std::move(text), std::move(fact)});
  return Count() - 1;
}

void TFactSet::DeleteFact(std::int32_t index) {
  CheckIndex(index);
  lines_.erase(lines_.begin() + index);
}

void TFactSet::AssertFacts() {
  if (!engine_) return;
  for (std::int32_t i = 0; i < Count(); ++i) {
    TRef<IFact> copy;
    try {
      TRef<IFact> fact = Fact(i);
      if (!fact) continue;
      copy = fact->Clone();
    } catch (const EIEException&) {
      continue;
    }
    engine_->ResolveFact(*copy, engine_->Context());
    engine_->AssertFact(*copy);
  }
}

void TFactSet::Assign(const TFactSet& source) {
  if (&source == this) return;
  std::vector<TLine> lines;
  lines.reserve(source.lines_.size());
  for (const TLine& line : source.lines_) {
    if (engine_) {
      std::string text = line.fact ? line.fact->AsString() : line.text;
      TRef<IFact> fact = TryParse(text);
      lines.push_back({std::move(text), std::move(fact)});
    } else if (line.fact) {
      TRef<IFact> copy = line.fact->Clone();
      std::string text = copy->AsString();
      lines.push_back({std::move(text), std::move(copy)});
    } else {
      lines.push_back({line.text, nullptr});
    }
  }
  comment_ = source.comment_;
  name_ = source.name_;
  lines_ = std::move(lines);
}

namespace {

// A line its engine cannot read (a template changed under it) is kept, but
// printed as a comment, every physical line of it: the deffacts text must
// read back, and written as it is the line would make the whole set unreadable.
void AppendUnreadable(std::string& out, std::string_view text) {
  out += "; ";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n') {
      out += c;
      continue;
    }
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    out += kLineEnd;
    out += kIndent;
    out += "; ";
  }
}

}  // namespace

std::string TFactSet::AsString() const {
  std::string out = "(deffacts ";
  AppendWord(out, name_);
  if (!comment_.empty()) {
    out += ' ';
    AppendQuoted(out, comment_);
  }
  out += kLineEnd;
  for (const TLine& line : lines_) {
    out += kIndent;
    if (line.fact || !engine_ || line.text.empty()) {
      AppendIndented(out, line.fact ? line.fact->AsString() : line.text, kIndent);
    } else {
      AppendUnreadable(out, line.text);
    }
    out += kLineEnd;
  }
  out += ')';
  return out;
}

}  // namespace fxe
