// Functions, calls, deffunctions, host functions and packages.
#include "model/IEPackages.h"

#include <algorithm>
#include <utility>

#include "base/Format.h"
#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "base/ScopeExit.h"
#include "base/TextUtils.h"
#include "base/WordText.h"
#include "model/IEContext.h"

namespace fxe {

namespace {

// A reference that keeps a function alive while reasoners drop theirs; an
// object nobody counts yet is left alone.
TRef<IUserFunction> KeepAlive(IUserFunction& function) {
  return function.RefCount() > 0 ? TRef<IUserFunction>(&function) : nullptr;
}

// Each line of the comment, trimmed, as "; " + line (lines that are empty or
// start with ";" as they are), each followed by CR LF. A line break at the
// very end does not open another line.
void AppendCommentLines(std::string& out, std::string_view comment) {
  std::size_t start = 0;
  while (start < comment.size()) {
    const std::size_t end = comment.find_first_of("\r\n", start);
    const std::string_view line =
        detail::TrimText(comment.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (!line.empty() && line.front() != ';') out += "; ";
    out += line;
    out += "\r\n";
    if (end == std::string_view::npos) break;
    start = end + (comment[end] == '\r' && end + 1 < comment.size() && comment[end + 1] == '\n' ? 2 : 1);
  }
}

}  // namespace

bool IsDefaultSlotFunction(std::string_view name) noexcept {
  return std::find(DefaultSlotFunctions.begin(), DefaultSlotFunctions.end(), name) != DefaultSlotFunctions.end();
}

// --- Stored data -------------------------------------------------------------------------

template <class T>
const T& TFunctionDataReader::Next(std::string_view expected) {
  const T* item = next_ < items_.size() ? std::get_if<T>(&items_[next_]) : nullptr;
  if (!item) Raise<EIEException>(IEConsts::SInvalidFunctionData, expected);
  ++next_;
  return *item;
}

void TFunctionDataReader::ReadListBegin() {
  if (Next<TFunctionDataMark>("the start of a list") != TFunctionDataMark::ListBegin) {
    --next_;
    Raise<EIEException>(IEConsts::SInvalidFunctionData, "the start of a list");
  }
}

void TFunctionDataReader::ReadListEnd() {
  if (Next<TFunctionDataMark>("the end of a list") != TFunctionDataMark::ListEnd) {
    --next_;
    Raise<EIEException>(IEConsts::SInvalidFunctionData, "the end of a list");
  }
}

bool TFunctionDataReader::EndOfList() const noexcept {
  if (next_ >= items_.size()) return true;
  const auto* mark = std::get_if<TFunctionDataMark>(&items_[next_]);
  return mark && *mark == TFunctionDataMark::ListEnd;
}

std::string TFunctionDataReader::ReadString() { return Next<std::string>("a string"); }

std::int32_t TFunctionDataReader::ReadInteger() { return Next<std::int32_t>("an integer"); }

// --- TIEUserFunction ------------------------------------------------------------------------

TIEUserFunction::TIEUserFunction(std::string_view name, std::string_view comment, std::string_view argumentString,
                                 std::int32_t minArguments, std::int32_t maxArguments)
    : name_(name),
      comment_(comment),
      argumentString_(argumentString),
      minArguments_(std::max(minArguments, 0)),
      maxArguments_(std::max({maxArguments, minArguments, 0})) {}

std::int32_t TIEUserFunction::AddReasoner(IReasoner& reasoner) {
  const std::int32_t index = IndexOfReasoner(reasoner);
  if (index >= 0) return index;
  // Listed only once the reasoner has accepted the function.
  reasoner.AddFunction(*this);
  reasoners_.push_back(&reasoner);
  ReasonerChanged(reasoner, TReasonerChange::Added);
  return ReasonerCount() - 1;
}

std::int32_t TIEUserFunction::RemoveReasoner(IReasoner& reasoner) {
  const std::int32_t index = IndexOfReasoner(reasoner);
  if (index >= 0) DeleteReasoner(index);
  return index;
}

void TIEUserFunction::DeleteReasoner(std::int32_t index) {
  CheckIndex<EIEException>(index, ReasonerCount());
  IReasoner& reasoner = *reasoners_[static_cast<std::size_t>(index)];
  reasoners_.erase(reasoners_.begin() + index);
  // The reasoner may hold the last reference to this function.
  const TRef<IUserFunction> keep = KeepAlive(*this);
  reasoner.RemoveFunction(*this);
  ReasonerChanged(reasoner, TReasonerChange::Removed);
}

void TIEUserFunction::ClearReasoners() {
  while (!reasoners_.empty()) DeleteReasoner(ReasonerCount() - 1);
}

std::int32_t TIEUserFunction::IndexOfReasoner(const IReasoner& reasoner) const noexcept {
  const auto it = std::find(reasoners_.begin(), reasoners_.end(), &reasoner);
  return it == reasoners_.end() ? -1 : static_cast<std::int32_t>(it - reasoners_.begin());
}

IReasoner& TIEUserFunction::Reasoner(std::int32_t index) const {
  CheckIndex<EIEException>(index, ReasonerCount());
  return *reasoners_[static_cast<std::size_t>(index)];
}

void TIEUserFunction::SetFunctionName(std::string_view name) {
  if (name == name_) return;
  const TRef<IUserFunction> keep = KeepAlive(*this);
  for (IReasoner* reasoner : reasoners_) reasoner->RemoveFunction(*this);
  std::string oldName = std::exchange(name_, std::string(name));
  std::size_t added = 0;
  // A reasoner that refuses the new name puts the function back under the old one.
  auto rollback = ScopeExit([&] {
    for (std::size_t i = 0; i < added; ++i) reasoners_[i]->RemoveFunction(*this);
    name_ = std::move(oldName);
    for (IReasoner* reasoner : reasoners_) reasoner->AddFunction(*this);
  });
  for (; added < reasoners_.size(); ++added) reasoners_[added]->AddFunction(*this);
  rollback.release();
}

void TIEUserFunction::SetMinArgumentCount(std::int32_t count) {
  minArguments_ = std::max(count, 0);
  if (maxArguments_ < minArguments_) maxArguments_ = minArguments_;
}

void TIEUserFunction::SetMaxArgumentCount(std::int32_t count) {
  maxArguments_ = std::max(count, 0);
  if (minArguments_ > maxArguments_) minArguments_ = maxArguments_;
}

TRef<TIEValue> TIEUserFunction::Call(IFunCall& call, TIEContext* context) {
  const std::int32_t count = call.ArgumentCount();
  if (count < MinArgumentCount()) Raise<EIEException>(IEConsts::STooFewArguments, name_);
  if (count > MaxArgumentCount()) Raise<EIEException>(IEConsts::STooManyArguments, name_);
  return OrNil(Execute(call, context));
}

TRef<TIEValue> TIEUserFunction::Execute(IFunCall&, TIEContext*) { return nullptr; }

void TIEUserFunction::ReasonerChanged(IReasoner&, TReasonerChange) {}

void TIEUserFunction::ReadData(TFunctionDataReader& reader) {
  SetFunctionName(reader.ReadString());
  SetComment(reader.ReadString());
  SetMaxArgumentCount(reader.ReadInteger());
  SetMinArgumentCount(reader.ReadInteger());
}

void TIEUserFunction::WriteData(TFunctionDataWriter& writer) const {
  writer.WriteString(FunctionName());
  writer.WriteString(Comment());
  writer.WriteInteger(MaxArgumentCount());
  writer.WriteInteger(MinArgumentCount());
}

namespace {

TRef<IUserFunction> NewUserFunction() { return MakeRef<TIEUserFunction>(); }

struct TFunctionClass {
  std::string_view name;
  TRef<IUserFunction> (*create)();
};

// The classes stored package functions may name.
constexpr std::array<TFunctionClass, 1> FunctionClasses{{{"TIEUserFunction", &NewUserFunction}}};

}  // namespace

TRef<IUserFunction> CreateRegisteredFunction(std::string_view className) {
  for (const TFunctionClass& entry : FunctionClasses) {
    if (entry.name == className) return entry.create();
  }
  return nullptr;
}

// --- TFunctionCall --------------------------------------------------------------------------

TFunctionCall::TFunctionCall(IReasoner* owner, std::string_view name) : name_(name), owner_(owner) {}

const TRef<IUserFunction>& TFunctionCall::Resolve() {
  TRef<IUserFunction> found = owner_ ? owner_->FindFunction(name_) : nullptr;
  if (!found) Raise<EIEException>(IEConsts::SFunctionUnimplemented, name_);
  function_ = std::move(found);
  name_ = function_->FunctionName();
  return function_;
}

TRef<TIEValue> TFunctionCall::Evaluate(IIEContext* context) {
  // Held for the call: the function may be unregistered, or this call made
  // to forget it, while it runs.
  const TRef<IUserFunction> function = function_ ? function_ : Resolve();
  TIEContext* evaluationContext = nullptr;
  if (context) {
    evaluationContext = context->EvaluationContext();
    if (!evaluationContext) Raise<EIEException>(IEConsts::SEvaluationContextRequired, name_);
  }
  return function->Call(*this, evaluationContext);
}

TRef<TIEValue> TFunctionCall::Execute(IIEContext* context) {
  if (!function_) Raise<EIEException>(IEConsts::SFunctionUnimplemented, name_);
  try {
    return Evaluate(context);
  } catch (const EAbort&) {
    throw;
  } catch (const std::exception& e) {
    Raise<EIEException>(IEConsts::SFunctionCallError, name_, e.what());
  }
}

bool TFunctionCall::Equals(const IFunCall& other) const {
  if (&other == this) return true;
  if (name_ != other.Name() || ArgumentCount() != other.ArgumentCount()) return false;
  const std::span<const TRef<TIEValue>> others = other.Arguments();
  if (others.size() != arguments_.size()) return false;
  for (std::size_t i = 0; i < arguments_.size(); ++i) {
    if (!arguments_[i]->Equals(others[i].Get())) return false;
  }
  return true;
}

std::uint32_t TFunctionCall::HashCode() const {
  std::uint32_t hash = StringHash(name_);
  for (const auto& argument : arguments_) hash += argument->HashCode();
  return hash;
}

std::string TFunctionCall::AsString() const {
  std::string text;
  AppendText(text);
  return text;
}

void TFunctionCall::AppendText(std::string& out) const {
  AppendCommentLines(out, comment_);
  out += '(';
  detail::AppendWord(out, name_);
  const bool slotForm = owner_ ? owner_->IsSlotFunction(name_) : IsDefaultSlotFunction(name_);
  for (std::size_t i = 0; i < arguments_.size(); ++i) {
    const TIEValue& argument = *arguments_[i];
    // A slot-value pair prints in its parentheses, also in the first place,
    // where the reader takes a parenthesised argument of modify as a pair.
    if (slotForm && argument.DType() == dtList) {
      out += " (";
      argument.AppendText(out);
      out += ')';
    } else {
      out += ' ';
      argument.AppendItemText(out);
    }
  }
  out += ')';
}

void TFunctionCall::CheckIndex(std::int32_t index) const { fxe::CheckIndex<EIEException>(index, ArgumentCount()); }

const TRef<TIEValue>& TFunctionCall::Argument(std::int32_t index) const {
  CheckIndex(index);
  return arguments_[static_cast<std::size_t>(index)];
}

void TFunctionCall::DeleteArgument(std::int32_t index) {
  CheckIndex(index);
  arguments_.erase(arguments_.begin() + index);
}

std::int32_t TFunctionCall::Append(TRef<TIEValue> value) {
  arguments_.push_back(std::move(value));
  return ArgumentCount() - 1;
}

std::int32_t TFunctionCall::AddArgument(std::string_view text, TIEType kind) {
  if (!TextTypes.Contains(kind)) Raise<EIEException>(IEConsts::SNotAType, "String", text, TypeName(kind));
  return Append(MakeRef<TIEValue>(text, kind));
}

std::int32_t TFunctionCall::AddArgument(std::int32_t number, TIEType kind) {
  switch (kind) {
    case dtInteger:
      return Append(NewInteger(number));
    case dtFloat:
      return Append(NewFloat(number));
    default:
      Raise<EIEException>(IEConsts::SNotAType, "Integer", number, TypeName(kind));
  }
}

std::int32_t TFunctionCall::AddArgument(double number, TIEType kind) {
  switch (kind) {
    case dtInteger: {
      // Truncated toward zero; a number beyond 32 bits raises the conversion error.
      TRef<TIEValue> value = NewFloat(number);
      value->SetAsInteger(value->AsInteger());
      return Append(std::move(value));
    }
    case dtFloat:
      return Append(NewFloat(number));
    default:
      Raise<EIEException>(IEConsts::SNotAType, "Float", FormatFloat(number), TypeName(kind));
  }
}

std::int32_t TFunctionCall::AddArgument(TIEObject* object) {
  auto value = MakeRef<TIEValue>();
  value->SetAsObject(object);
  return Append(std::move(value));
}

std::int32_t TFunctionCall::AddArgument(const TRef<IFunCall>& call) { return Append(MakeRef<TIEValue>(call)); }

std::int32_t TFunctionCall::AddArgument(const TRef<TValueVector>& list) {
  return Append(NewList(list ? list : MakeRef<TValueVector>()));
}

std::int32_t TFunctionCall::AddArgument(const TRef<TIEValue>& value) {
  return Append(value ? value : MakeRef<TIEValue>());
}

TRef<IFunCall> TFunctionCall::Clone() const {
  auto copy = MakeRef<TFunctionCall>(owner_, name_);
  copy->Assign(*this);
  return copy;
}

void TFunctionCall::Assign(const IFunCall& source) {
  if (&source == this) return;
  std::vector<TRef<TIEValue>> arguments;
  arguments.reserve(static_cast<std::size_t>(source.ArgumentCount()));
  for (const auto& argument : source.Arguments()) {
    arguments.push_back(argument ? argument->Clone() : MakeRef<TIEValue>());
  }
  name_ = source.Name();
  owner_ = source.Owner();
  function_ = owner_ ? nullptr : TRef<IUserFunction>(source.Function());
  comment_ = source.Comment();
  tag_ = source.Tag();
  arguments_ = std::move(arguments);
}

// --- TInterpretedFunction ------------------------------------------------------------------

TInterpretedFunction::TInterpretedFunction(std::string_view name, std::string_view comment)
    : TIEUserFunction(name, comment), parameters_(MakeRef<TValueVector>()), actions_(MakeRef<TValueVector>()) {}

void TInterpretedFunction::AddParameter(std::string_view name, TIEType kind) {
  static constexpr TIETypes accepted{dtAtom, dtVariable, dtMultiVariable};
  if (!accepted.Contains(kind)) {
    Raise<EIEException>(IEConsts::SInvalidDeffunctionArgument, TypeName(kind), TypeSetText(accepted, ", "));
  }
  if (!parameters_->Empty() && parameters_->Last()->DType() == dtMultiVariable) {
    Raise<EIEException>(IEConsts::SWildcardNotLast, name, FunctionName());
  }
  parameters_->Add(MakeRef<TIEValue>(name, kind));
}

void TInterpretedFunction::ClearParameters() { parameters_->Clear(); }

void TInterpretedFunction::AddAction(TRef<TIEValue> action) {
  actions_->Add(action ? std::move(action) : MakeRef<TIEValue>());
}

std::int32_t TInterpretedFunction::MaxArgumentCount() const noexcept {
  if (parameters_->Empty()) return 0;
  if (parameters_->Last()->DType() == dtMultiVariable) return UnlimitedArguments;
  return parameters_->Count();
}

namespace {

// Makes the calls in an expression that can look their function up again
// forget the function they resolved.
void ForgetResolvedFunctions(const TIEValue& expression) {
  if (IFunCall* call = expression.FunCallPtr()) {
    if (call->Owner() && call->Function()) {
      if (auto* functionCall = dynamic_cast<TFunctionCall*>(call)) functionCall->SetFunction(nullptr);
    }
    for (const auto& argument : call->Arguments()) {
      if (argument) ForgetResolvedFunctions(*argument);
    }
  } else if (const TValueVector* list = expression.ListPtr()) {
    for (const auto& item : *list) {
      if (item) ForgetResolvedFunctions(*item);
    }
  }
}

}  // namespace

void TInterpretedFunction::ReasonerChanged(IReasoner& reasoner, TReasonerChange change) {
  TIEUserFunction::ReasonerChanged(reasoner, change);
  if (change != TReasonerChange::Removed || ReasonerCount() != 0) return;
  for (const auto& action : actions_->Items()) ForgetResolvedFunctions(*action);
}

namespace {

// Frees a deffunction's context when the call ends, however it ends.
class TContextRelease {
 public:
  explicit TContextRelease(TIEContext& context) noexcept : context_(context) {}
  TContextRelease(const TContextRelease&) = delete;
  TContextRelease& operator=(const TContextRelease&) = delete;
  ~TContextRelease() {
    context_.ClearBindings();
    context_.LeaveChild();
  }

 private:
  TIEContext& context_;
};

}  // namespace

TRef<TIEValue> TInterpretedFunction::Execute(IFunCall& call, TIEContext* context) {
  // Without a caller's context the call runs below the engine's root context.
  IReasoner* const engine = ReasonerCount() > 0 ? &Reasoner(0) : nullptr;
  if (!context && engine) context = &engine->EngineContext();
  const std::int32_t calls = engine ? engine->EnterCall() : 0;
  auto leave = ScopeExit([engine] {
    if (engine) engine->LeaveCall();
  });
  // The stack used since the outermost call counts as depth too.
  const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
  bool stackSpent = false;
  if (engine) {
    std::uintptr_t& base = engine->CallStackBase();
    if (calls == 1) base = here;
    stackSpent = base > here && base - here > MaxCallStackBytes;
  }
  if ((context && context->Depth() >= MaxCallDepth) || calls > MaxCallDepth || stackSpent) {
    Raise<EIEException>(IEConsts::SCallDepthExceeded, MaxCallDepth, FunctionName());
  }
  std::unique_ptr<TIEContext> child = context ? context->CreateChild() : std::make_unique<TIEContext>();
  TContextRelease release(*child);

  // Arguments are evaluated in the child, so an argument naming an earlier
  // parameter sees that parameter's new value.
  const std::span<const TRef<TIEValue>> arguments = call.Arguments();
  for (std::int32_t i = 0; i < parameters_->Count(); ++i) {
    const TRef<TIEValue> parameter = parameters_->Item(i);
    const auto position = static_cast<std::size_t>(i);
    switch (parameter->DType()) {
      case dtVariable:
        if (position >= arguments.size()) RaiseListIndex<EIEException>(i);
        child->AddLocal(parameter->Text(), arguments[position]->Evaluate(child.get()));
        break;
      case dtMultiVariable: {
        auto rest = MakeRef<TValueVector>();
        if (position < arguments.size()) rest->Reserve(arguments.size() - position);
        for (std::size_t j = position; j < arguments.size(); ++j) rest->Add(arguments[j]->Evaluate(child.get()));
        child->AddLocal(parameter->Text(), NewList(std::move(rest)));
        break;
      }
      default:
        child->AddLocal(parameter->Text(), SharedValues().Nil);
        break;
    }
  }

  // By position, holding each action while it runs: an action may change the
  // function's own action list.
  TRef<TIEValue> result;
  for (std::int32_t i = 0; i < actions_->Count(); ++i) {
    const TRef<TIEValue> action = actions_->Item(i);
    result = action->Evaluate(child.get());
    if (child->ReturnFlag()) {
      result = child->ReturnValueRef();
      child->ClearReturn();
      break;
    }
  }
  return result;
}

// --- Host functions ---------------------------------------------------------------------------

std::string ArgumentSynopsis(std::string_view synopsis, std::int32_t minimum, std::int32_t maximum) {
  if (maximum < minimum || maximum <= 0) return {};
  std::string text;
  int open = 0;
  if (minimum <= 0) {
    text += '[';
    ++open;
  }
  std::size_t scan = 0;
  for (std::int32_t i = 0; i < maximum && i < 10; ++i) {
    const std::size_t start = synopsis.find('<', scan);
    const std::size_t end = start == std::string_view::npos ? start : synopsis.find('>', start);
    text += ' ';
    if (end == std::string_view::npos) {
      text += "<expression>";
      scan = synopsis.size();
    } else {
      text += synopsis.substr(start, end - start + 1);
      scan = end + 1;
    }
    if (i + 1 >= minimum && i < maximum - 1) {
      text += '[';
      ++open;
    }
  }
  text.append(static_cast<std::size_t>(open), ']');
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : text.substr(first);
}

// The function a host function component registers: it asks the component,
// while the component exists.
class TUserFunction::TInnerFunction final : public TIEUserFunction {
 public:
  explicit TInnerFunction(TUserFunction& owner, std::string_view name) : TIEUserFunction(name), owner_(&owner) {}
  void Detach() noexcept { owner_ = nullptr; }
  std::string ClassName() const override { return "TIEInnerFunction"; }

 protected:
  TRef<TIEValue> Execute(IFunCall& call, TIEContext* context) override {
    if (!owner_) Raise<EIEException>(IEConsts::SFunctionUnimplemented, FunctionName());
    TRef<TIEValue> result = SharedValues().Nil;
    if (owner_->onCall_) owner_->onCall_(*owner_, call, result, context);
    return result;
  }

 private:
  TUserFunction* owner_;
};

TUserFunction::TUserFunction(std::string_view name) : function_(MakeRef<TInnerFunction>(*this, name)) {}

TUserFunction::~TUserFunction() {
  if (engine_) {
    engine_->RemoveDestroyWatcher(*this);
    function_->RemoveReasoner(*engine_);
  }
  function_->Detach();
}

IUserFunction& TUserFunction::Function() const noexcept { return *function_; }

const std::string& TUserFunction::FunctionName() const noexcept { return function_->FunctionName(); }

void TUserFunction::SetFunctionName(std::string_view name) {
  if (name == function_->FunctionName()) return;
  if (name.empty()) {
    if (engine_) function_->RemoveReasoner(*engine_);
    function_->SetFunctionName(name);
    return;
  }
  function_->SetFunctionName(name);
  if (engine_ && function_->IndexOfReasoner(*engine_) < 0) function_->AddReasoner(*engine_);
}

const std::string& TUserFunction::Comment() const noexcept { return function_->Comment(); }
void TUserFunction::SetComment(std::string_view comment) { function_->SetComment(comment); }
const std::string& TUserFunction::ArgumentString() const noexcept { return function_->ArgumentString(); }
void TUserFunction::SetArgumentString(std::string_view text) { function_->SetArgumentString(text); }
std::int32_t TUserFunction::MinArgumentCount() const noexcept { return function_->MinArgumentCount(); }
std::int32_t TUserFunction::MaxArgumentCount() const noexcept { return function_->MaxArgumentCount(); }

void TUserFunction::SetMinArgumentCount(std::int32_t count) {
  function_->SetMinArgumentCount(count);
  RebuildArgumentString();
}

void TUserFunction::SetMaxArgumentCount(std::int32_t count) {
  function_->SetMaxArgumentCount(count);
  RebuildArgumentString();
}

void TUserFunction::RebuildArgumentString() {
  function_->SetArgumentString(
      ArgumentSynopsis(function_->ArgumentString(), function_->MinArgumentCount(), function_->MaxArgumentCount()));
}

void TUserFunction::SetEngine(IReasoner* engine) {
  if (engine == engine_) return;
  IReasoner* old = engine_;
  const bool named = !FunctionName().empty();
  if (old) {
    old->RemoveDestroyWatcher(*this);
    if (named) function_->RemoveReasoner(*old);
    engine_ = nullptr;
  }
  if (engine) {
    // Stay with the old engine when the new one refuses the function.
    auto rollback = ScopeExit([&] {
      if (!old) return;
      if (named) function_->AddReasoner(*old);
      old->AddDestroyWatcher(*this);
      engine_ = old;
    });
    if (named) function_->AddReasoner(*engine);
    rollback.release();
    engine->AddDestroyWatcher(*this);
    engine_ = engine;
  }
}

void TUserFunction::ReasonerDestroyed(IReasoner& reasoner) {
  if (&reasoner != engine_) return;
  reasoner.RemoveDestroyWatcher(*this);
  function_->RemoveReasoner(reasoner);
  engine_ = nullptr;
}

// --- TUserPackage ------------------------------------------------------------------------------

TUserPackage::~TUserPackage() {
  while (!reasoners_.empty()) RemoveReasoner(*reasoners_.back());
  engine_ = nullptr;
  functions_.clear();
}

void TUserPackage::SetEngine(IReasoner* engine) {
  if (engine == engine_) return;
  IReasoner* old = engine_;
  if (old) {
    RemoveReasoner(*old);
    engine_ = nullptr;
  }
  if (engine) {
    auto rollback = ScopeExit([&] {
      if (!old) return;
      AddReasoner(*old);
      engine_ = old;
    });
    AddReasoner(*engine);
    rollback.release();
    engine_ = engine;
  }
}

void TUserPackage::AddReasoner(IReasoner& reasoner) {
  if (IndexOfReasoner(reasoner) >= 0) return;
  std::size_t added = 0;
  auto rollback = ScopeExit([&] {
    for (std::size_t i = 0; i < added; ++i) functions_[i]->RemoveReasoner(reasoner);
  });
  for (; added < functions_.size(); ++added) functions_[added]->AddReasoner(reasoner);
  rollback.release();
  reasoners_.push_back(&reasoner);
  reasoner.AddDestroyWatcher(*this);
}

void TUserPackage::RemoveReasoner(IReasoner& reasoner) {
  const std::int32_t index = IndexOfReasoner(reasoner);
  if (index < 0) return;
  reasoners_.erase(reasoners_.begin() + index);
  reasoner.RemoveDestroyWatcher(*this);
  for (const auto& function : functions_) function->RemoveReasoner(reasoner);
  if (engine_ == &reasoner) engine_ = nullptr;
}

IReasoner& TUserPackage::Reasoner(std::int32_t index) const {
  CheckIndex<EIEException>(index, ReasonerCount());
  return *reasoners_[static_cast<std::size_t>(index)];
}

std::int32_t TUserPackage::IndexOfReasoner(const IReasoner& reasoner) const noexcept {
  const auto it = std::find(reasoners_.begin(), reasoners_.end(), &reasoner);
  return it == reasoners_.end() ? -1 : static_cast<std::int32_t>(it - reasoners_.begin());
}

void TUserPackage::ReasonerDestroyed(IReasoner& reasoner) { RemoveReasoner(reasoner); }

std::int32_t TUserPackage::AddFunction(TRef<IUserFunction> function) {
  if (!function) Raise<EIEException>(IEConsts::SArgumentIsNull);
  const auto it = std::find(functions_.begin(), functions_.end(), function);
  if (it != functions_.end()) return static_cast<std::int32_t>(it - functions_.begin());
  std::size_t added = 0;
  auto rollback = ScopeExit([&] {
    for (std::size_t i = 0; i < added; ++i) function->RemoveReasoner(*reasoners_[i]);
  });
  for (; added < reasoners_.size(); ++added) function->AddReasoner(*reasoners_[added]);
  rollback.release();
  functions_.push_back(std::move(function));
  return static_cast<std::int32_t>(functions_.size()) - 1;
}

bool TUserPackage::RemoveFunction(IUserFunction& function) {
  const auto it = std::find_if(functions_.begin(), functions_.end(),
                               [&function](const TRef<IUserFunction>& f) { return f.Get() == &function; });
  if (it == functions_.end()) return false;
  TRef<IUserFunction> removed = std::move(*it);
  functions_.erase(it);
  for (IReasoner* reasoner : reasoners_) removed->RemoveReasoner(*reasoner);
  return true;
}

void TUserPackage::ClearFunctions() {
  while (!functions_.empty()) RemoveFunction(*functions_.back());
}

void TUserPackage::SetFunctions(std::span<const TRef<IUserFunction>> functions) {
  // The new list may share functions with the current one.
  std::vector<TRef<IUserFunction>> keep(functions.begin(), functions.end());
  ClearFunctions();
  for (auto& function : keep) {
    if (function) AddFunction(std::move(function));
  }
}

IUserFunction* TUserPackage::FindFunction(std::string_view name) const noexcept {
  for (const auto& function : functions_) {
    if (function->FunctionName() == name) return function.Get();
  }
  return nullptr;
}

void TUserPackage::CreateFunctions() {
  if (onCreateFunctions_) onCreateFunctions_(*this);
}

void TUserPackage::SetReset(bool reset) {
  if (!reset) return;
  ClearFunctions();
  CreateFunctions();
}

void TUserPackage::WritePackageFunctions(TFunctionDataWriter& writer) const {
  writer.WriteListBegin();
  for (const auto& function : functions_) {
    if (const auto* streamable = dynamic_cast<const IStreamableFunction*>(function.Get())) {
      writer.WriteString(streamable->ClassName());
      streamable->WriteData(writer);
    }
  }
  writer.WriteListEnd();
}

void TUserPackage::ReadPackageFunctions(TFunctionDataReader& reader) {
  // Everything is read before the functions are replaced: damaged data
  // leaves the package as it was.
  std::vector<TRef<IUserFunction>> functions;
  reader.ReadListBegin();
  while (!reader.EndOfList()) {
    const std::string className = reader.ReadString();
    TRef<IUserFunction> function = CreateStreamedFunction(className);
    auto* streamable = dynamic_cast<IStreamableFunction*>(function.Get());
    if (!streamable) Raise<EIEException>(IEConsts::SUnknownFunctionClass, className);
    streamable->ReadData(reader);
    functions.push_back(std::move(function));
  }
  reader.ReadListEnd();
  ClearFunctions();
  for (auto& function : functions) AddFunction(std::move(function));
}

TRef<IUserFunction> TUserPackage::CreateStreamedFunction(std::string_view className) {
  return CreateRegisteredFunction(className);
}

}  // namespace fxe
