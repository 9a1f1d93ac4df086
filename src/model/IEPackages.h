// The function framework: the function object and its calling protocol, the
// function-call expression, deffunctions, host functions answered by an event,
// packages that register a set of functions with every engine they serve, and
// the stored form of a package's functions.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "collections/RefCounted.h"
#include "model/IReasoner.h"
#include "values/IEInterfaces.h"
#include "values/IEValue.h"

namespace fxe {

class TIEContext;

// The maximum argument count that means "no limit".
inline constexpr std::int32_t UnlimitedArguments = 2147483647;
// How deeply evaluation contexts may nest before a deffunction call is
// refused: recursion without end must fail with a message, not exhaust the stack.
inline constexpr std::int32_t MaxCallDepth = 1000;
// The stack interpreted calls may use below the outermost one: half of the
// usual 8 MiB main-thread stack, which plain builds never reach within
// MaxCallDepth calls.
inline constexpr std::uintptr_t MaxCallStackBytes = std::uintptr_t{4} << 20;
// The functions whose calls print their arguments as slot changes
// when the engine does not say otherwise.
inline constexpr std::array<std::string_view, 5> DefaultSlotFunctions{
    "assert", "fuzzy-assert", "fuzzy-assert-unconditional", "modify", "duplicate"};
bool IsDefaultSlotFunction(std::string_view name) noexcept;

// --- Stored form of functions ------------------------------------------------------

// The stored data of functions: a flat sequence of texts, integers and list marks.
enum class TFunctionDataMark : std::uint8_t { ListBegin, ListEnd };
using TFunctionDataItem = std::variant<std::string, std::int32_t, TFunctionDataMark>;

class TFunctionDataWriter {
 public:
  void WriteListBegin() { items_.emplace_back(TFunctionDataMark::ListBegin); }
  void WriteListEnd() { items_.emplace_back(TFunctionDataMark::ListEnd); }
  void WriteString(std::string_view text) { items_.emplace_back(std::string(text)); }
  void WriteInteger(std::int32_t number) { items_.emplace_back(number); }
  const std::vector<TFunctionDataItem>& Items() const noexcept { return items_; }

 private:
  std::vector<TFunctionDataItem> items_;
};

// Reads items back in order; an item of another kind than asked for, or the
// end of the data, raises "Invalid stored function data, expected %s".
class TFunctionDataReader {
 public:
  explicit TFunctionDataReader(std::span<const TFunctionDataItem> items) noexcept : items_(items) {}
  void ReadListBegin();
  void ReadListEnd();
  // True when the next item closes a list (or there is none).
  bool EndOfList() const noexcept;
  std::string ReadString();
  std::int32_t ReadInteger();

 private:
  template <class T>
  const T& Next(std::string_view expected);

  std::span<const TFunctionDataItem> items_;
  std::size_t next_ = 0;
};

// A function a package can store and re-create by its class name.
class IStreamableFunction {
 public:
  virtual std::string ClassName() const = 0;
  virtual void ReadData(TFunctionDataReader& reader) = 0;
  virtual void WriteData(TFunctionDataWriter& writer) const = 0;

 protected:
  ~IStreamableFunction() = default;
};

// --- Functions ------------------------------------------------------------------------

// Something callable by name from the rule language. A function keeps the list
// of engines it is registered with; listing an engine registers the function
// there by name, dropping it unregisters it.
class IUserFunction : public IInterface {
 public:
  // --- Engines the function is registered with -------------------------------------
  // Registers the function with the reasoner and lists the reasoner; one that
  // is listed already is left as it is. Returns the reasoner's position.
  virtual std::int32_t AddReasoner(IReasoner& reasoner) = 0;
  // Unregisters the function and drops the reasoner; returns its former
  // position, or -1 when it was not listed.
  virtual std::int32_t RemoveReasoner(IReasoner& reasoner) = 0;
  virtual void DeleteReasoner(std::int32_t index) = 0;
  virtual void ClearReasoners() = 0;
  virtual std::int32_t IndexOfReasoner(const IReasoner& reasoner) const noexcept = 0;
  virtual std::int32_t ReasonerCount() const noexcept = 0;
  virtual IReasoner& Reasoner(std::int32_t index) const = 0;

  // --- Properties --------------------------------------------------------------------
  virtual const std::string& FunctionName() const noexcept = 0;
  // The function moves to the new name in every listed reasoner.
  virtual void SetFunctionName(std::string_view name) = 0;
  virtual std::int32_t MinArgumentCount() const noexcept = 0;
  // Raises the maximum when it is below the new minimum.
  virtual void SetMinArgumentCount(std::int32_t count) = 0;
  virtual std::int32_t MaxArgumentCount() const noexcept = 0;
  // Lowers the minimum when it is above the new maximum.
  virtual void SetMaxArgumentCount(std::int32_t count) = 0;
  // The help text.
  virtual const std::string& Comment() const noexcept = 0;
  virtual void SetComment(std::string_view comment) = 0;
  // The argument synopsis, e.g. " <numeric-expression>+".
  virtual const std::string& ArgumentString() const noexcept = 0;
  virtual void SetArgumentString(std::string_view text) = 0;

  // Refuses a call with fewer arguments than the minimum ("Too few arguments
  // for %s") or more than the maximum ("Too many arguments for %s"), then
  // executes it. The function receives the call with its arguments
  // unevaluated and evaluates what it needs in context (which may be nullptr).
  // The result is never nullptr.
  virtual TRef<TIEValue> Call(IFunCall& call, TIEContext* context) = 0;
};

// Whether a reasoner joined or left a function.
enum class TReasonerChange : std::uint8_t { Added, Removed };

// The base of every function. Descendants give Execute its meaning; the base
// Execute yields the nil value.
class TIEUserFunction : public IUserFunction, public IStreamableFunction {
 public:
  explicit TIEUserFunction(std::string_view name = {}, std::string_view comment = {},
                           std::string_view argumentString = {}, std::int32_t minArguments = 0,
                           std::int32_t maxArguments = UnlimitedArguments);
  TIEUserFunction(const TIEUserFunction&) = delete;
  TIEUserFunction& operator=(const TIEUserFunction&) = delete;

  std::int32_t AddReasoner(IReasoner& reasoner) override;
  std::int32_t RemoveReasoner(IReasoner& reasoner) override;
  void DeleteReasoner(std::int32_t index) override;
  void ClearReasoners() override;
  std::int32_t IndexOfReasoner(const IReasoner& reasoner) const noexcept override;
  std::int32_t ReasonerCount() const noexcept override { return static_cast<std::int32_t>(reasoners_.size()); }
  IReasoner& Reasoner(std::int32_t index) const override;

  const std::string& FunctionName() const noexcept override { return name_; }
  // When a reasoner refuses the new name, the function goes back to the old
  // name in every reasoner and the refusal is raised.
  void SetFunctionName(std::string_view name) override;
  std::int32_t MinArgumentCount() const noexcept override { return minArguments_; }
  void SetMinArgumentCount(std::int32_t count) override;
  std::int32_t MaxArgumentCount() const noexcept override { return maxArguments_; }
  void SetMaxArgumentCount(std::int32_t count) override;
  const std::string& Comment() const noexcept override { return comment_; }
  void SetComment(std::string_view comment) override { comment_.assign(comment); }
  const std::string& ArgumentString() const noexcept override { return argumentString_; }
  void SetArgumentString(std::string_view text) override { argumentString_.assign(text); }

  TRef<TIEValue> Call(IFunCall& call, TIEContext* context) override;

  // Stored data: FunctionName, Comment, MaxArgumentCount, MinArgumentCount.
  std::string ClassName() const override { return "TIEUserFunction"; }
  void ReadData(TFunctionDataReader& reader) override;
  void WriteData(TFunctionDataWriter& writer) const override;

 protected:
  // What the function does. Arguments arrive unevaluated: evaluate each one
  // needed with its Evaluate(context), in the order the function chooses.
  // nullptr stands for the nil value.
  virtual TRef<TIEValue> Execute(IFunCall& call, TIEContext* context);
  // Told after a reasoner joined or left the function.
  virtual void ReasonerChanged(IReasoner& reasoner, TReasonerChange change);

 private:
  std::vector<IReasoner*> reasoners_;
  std::string name_;
  std::string comment_;
  std::string argumentString_;
  std::int32_t minArguments_;
  std::int32_t maxArguments_;
};

// A function of the given class name registered for reading stored package
// functions back (TIEUserFunction); nullptr for any other name.
TRef<IUserFunction> CreateRegisteredFunction(std::string_view className);

// --- Calls ----------------------------------------------------------------------------------

// A function call: a name, unevaluated argument expressions and the function
// the name resolves to, looked up through the owner on the first evaluation.
class TFunctionCall : public IFunCall {
 public:
  explicit TFunctionCall(IReasoner* owner = nullptr, std::string_view name = {});
  TFunctionCall(const TFunctionCall&) = delete;
  TFunctionCall& operator=(const TFunctionCall&) = delete;

  // Resolves the name on first use ("Function is unimplemented or
  // unassigned: %s" when the owner has no such function) and calls the
  // function. A context must be an evaluation context or nullptr.
  TRef<TIEValue> Evaluate(IIEContext* context) override;
  // The second execution form: the function must be resolved already (same
  // message otherwise); any failure is raised again as "<name> error: <message>".
  virtual TRef<TIEValue> Execute(IIEContext* context);

  // Same name (case-sensitive), same number of arguments, arguments pairwise
  // strictly equal.
  bool Equals(const IFunCall& other) const override;
  // String hash of the name plus the arguments' hash codes.
  std::uint32_t HashCode() const override;
  // Comment lines ("; " + line), then "(" + name + " " + each argument + ")".
  // Calls of fact-changing functions print every argument after the first
  // that is a multifield (a slot change) as " (" + text + ")".
  std::string AsString() const override;
  void AppendText(std::string& out) const;

  const std::string& Name() const noexcept override { return name_; }
  IReasoner* Owner() const noexcept override { return owner_; }
  IUserFunction* Function() const noexcept override { return function_.Get(); }
  void SetFunction(const TRef<IUserFunction>& function) override { function_ = function; }
  const std::string& Comment() const noexcept override { return comment_; }
  void SetComment(std::string_view comment) override { comment_.assign(comment); }
  std::int32_t Tag() const noexcept override { return tag_; }
  void SetTag(std::int32_t tag) noexcept override { tag_ = tag; }

  std::int32_t ArgumentCount() const noexcept override { return static_cast<std::int32_t>(arguments_.size()); }
  const TRef<TIEValue>& Argument(std::int32_t index) const override;
  std::span<const TRef<TIEValue>> Arguments() const noexcept override { return arguments_; }
  std::int32_t AddArgument(std::string_view text, TIEType kind) override;
  std::int32_t AddArgument(std::int32_t number, TIEType kind) override;
  std::int32_t AddArgument(double number, TIEType kind) override;
  std::int32_t AddArgument(TIEObject* object) override;
  std::int32_t AddArgument(const TRef<IFunCall>& call) override;
  std::int32_t AddArgument(const TRef<TValueVector>& list) override;
  std::int32_t AddArgument(const TRef<TIEValue>& value) override;
  void ClearArguments() override { arguments_.clear(); }
  void DeleteArgument(std::int32_t index) override;

  // The copy shares the owner and resolves its function again; without an
  // owner it keeps this call's function, as it could not find one.
  TRef<IFunCall> Clone() const override;
  void Assign(const IFunCall& source) override;

 private:
  const TRef<IUserFunction>& Resolve();
  std::int32_t Append(TRef<TIEValue> value);
  void CheckIndex(std::int32_t index) const;

  std::string name_;
  std::string comment_;
  std::vector<TRef<TIEValue>> arguments_;
  TRef<IUserFunction> function_;
  IReasoner* owner_;
  std::int32_t tag_ = 0;
};

// --- Deffunctions -------------------------------------------------------------------------

// A function written in the rule language: parameters (single-field
// variables, symbols, and a multifield variable last taking the remaining
// arguments) and actions evaluated in a fresh context per call.
class TInterpretedFunction : public TIEUserFunction {
 public:
  explicit TInterpretedFunction(std::string_view name = {}, std::string_view comment = {});

  // Accepts dtAtom, dtVariable and dtMultiVariable; any other kind raises
  // "Invalid argument type for deffunction: \"%s\".  Expected %s", and a
  // parameter after the multifield variable is refused.
  void AddParameter(std::string_view name, TIEType kind);
  void ClearParameters();
  const TValueVector& Parameters() const noexcept { return *parameters_; }
  void AddAction(TRef<TIEValue> action);
  void ClearActions() noexcept { actions_->Clear(); }
  const TValueVector& Actions() const noexcept { return *actions_; }

  // The number of parameters.
  std::int32_t MinArgumentCount() const noexcept override { return parameters_->Count(); }
  // 0 without parameters, unlimited after a multifield variable, else the
  // number of parameters.
  std::int32_t MaxArgumentCount() const noexcept override;
  std::string ClassName() const override { return "TInterpretedFunction"; }

 protected:
  // Binds the parameters in a child of the context, evaluates the actions
  // there and yields the last action's value, or the value given to return
  // (no action runs after it). The child is released also on failure.
  TRef<TIEValue> Execute(IFunCall& call, TIEContext* context) override;
  // Once no engine serves the function, the calls among its actions forget
  // the functions they resolved (they find them again through their engine
  // when evaluated): a recursive deffunction would otherwise hold itself
  // through its own actions and never be freed.
  void ReasonerChanged(IReasoner& reasoner, TReasonerChange change) override;

 private:
  TRef<TValueVector> parameters_;
  TRef<TValueVector> actions_;
};

// --- Host functions -----------------------------------------------------------------------

// The argument synopsis for the given counts: one token per position (the
// next "<...>" token of synopsis, else "<expression>"), optional positions in
// nested brackets, at most ten positions. Minimum 1 and maximum 3 give
// "<expression>[ <expression>[ <expression>]]"; a maximum of 0 or below the
// minimum gives "".
std::string ArgumentSynopsis(std::string_view synopsis, std::int32_t minimum, std::int32_t maximum);

// A function a host program answers through its OnCall event. The function
// the engine calls lives on while calls hold it; once this component is gone
// it raises "Function is unimplemented or unassigned: %s".
class TUserFunction : public TIEComponent, private IReasonerWatcher {
 public:
  using TCallEvent =
      std::function<void(TUserFunction& sender, IFunCall& call, TRef<TIEValue>& result, TIEContext* context)>;

  explicit TUserFunction(std::string_view name = {});
  ~TUserFunction() override;
  TUserFunction(const TUserFunction&) = delete;
  TUserFunction& operator=(const TUserFunction&) = delete;

  std::string ClassName() const override { return "TUserFunction"; }

  const std::string& FunctionName() const noexcept;
  // Registers the function with the engine once it has a name; an empty name
  // unregisters it.
  void SetFunctionName(std::string_view name);
  const std::string& Comment() const noexcept;
  void SetComment(std::string_view comment);
  const std::string& ArgumentString() const noexcept;
  void SetArgumentString(std::string_view text);
  // Setting a count also rebuilds ArgumentString (see ArgumentSynopsis).
  std::int32_t MinArgumentCount() const noexcept;
  void SetMinArgumentCount(std::int32_t count);
  std::int32_t MaxArgumentCount() const noexcept;
  void SetMaxArgumentCount(std::int32_t count);

  IReasoner* Engine() const noexcept { return engine_; }
  // Moves the function from the old engine to the new one (when it has a
  // name); destroying the engine sets Engine to nullptr.
  void SetEngine(IReasoner* engine);

  // The handler evaluates the call's arguments and sets the result, which
  // starts as the nil value.
  const TCallEvent& OnCall() const noexcept { return onCall_; }
  void SetOnCall(TCallEvent handler) { onCall_ = std::move(handler); }

  // The function registered with the engine.
  IUserFunction& Function() const noexcept;

 private:
  class TInnerFunction;
  void ReasonerDestroyed(IReasoner& reasoner) override;
  void RebuildArgumentString();

  TRef<TInnerFunction> function_;
  IReasoner* engine_ = nullptr;
  TCallEvent onCall_;
};

// --- Packages ---------------------------------------------------------------------------------

// A set of functions served to engines: every function of the package is
// registered with every reasoner the package serves. Descendants add their
// functions in CreateFunctions.
class TUserPackage : public TIEComponent, private IReasonerWatcher {
 public:
  using TNotifyEvent = std::function<void(TUserPackage& sender)>;

  TUserPackage() = default;
  // Unregisters the functions from every reasoner and lets them go.
  ~TUserPackage() override;
  TUserPackage(const TUserPackage&) = delete;
  TUserPackage& operator=(const TUserPackage&) = delete;

  // A package of class T whose functions are created, serving engine (when
  // not nullptr).
  template <class T = TUserPackage, class... TArgs>
  static std::unique_ptr<T> Create(IReasoner* engine, TArgs&&... args) {
    auto package = std::make_unique<T>(std::forward<TArgs>(args)...);
    package->CreateFunctions();
    package->SetEngine(engine);
    return package;
  }

  std::string ClassName() const override { return "TUserPackage"; }

  IReasoner* Engine() const noexcept { return engine_; }
  // Serves the new engine instead of the old one; destroying the engine sets
  // Engine to nullptr.
  void SetEngine(IReasoner* engine);

  // --- Reasoners served -----------------------------------------------------------------
  // Registers every function with the reasoner; when one is refused, those
  // registered are withdrawn and the refusal is raised.
  void AddReasoner(IReasoner& reasoner);
  // Unregisters every function from the reasoner.
  void RemoveReasoner(IReasoner& reasoner);
  std::int32_t ReasonerCount() const noexcept { return static_cast<std::int32_t>(reasoners_.size()); }
  IReasoner& Reasoner(std::int32_t index) const;
  std::int32_t IndexOfReasoner(const IReasoner& reasoner) const noexcept;

  // --- Functions ------------------------------------------------------------------------
  const std::vector<TRef<IUserFunction>>& Functions() const noexcept { return functions_; }
  // Adds the function and registers it with every reasoner served; a function
  // that is in the package already keeps its place. Returns its position.
  std::int32_t AddFunction(TRef<IUserFunction> function);
  // Unregisters the function from every reasoner served and drops it.
  bool RemoveFunction(IUserFunction& function);
  void ClearFunctions();
  void SetFunctions(std::span<const TRef<IUserFunction>> functions);
  // The package's function of that name, or nullptr.
  IUserFunction* FindFunction(std::string_view name) const noexcept;

  // Raises OnCreateFunctions; descendants add their functions here.
  virtual void CreateFunctions();
  const TNotifyEvent& OnCreateFunctions() const noexcept { return onCreateFunctions_; }
  void SetOnCreateFunctions(TNotifyEvent handler) { onCreateFunctions_ = std::move(handler); }
  // Always reads false; setting true clears the functions and creates them again.
  bool Reset() const noexcept { return false; }
  void SetReset(bool reset);

  // --- Stored form ("PackageFunctions") --------------------------------------------------
  // A list: for every streamable function its class name and its data.
  void WritePackageFunctions(TFunctionDataWriter& writer) const;
  // Creates one function per entry by its class name ("Unknown function
  // class: %s" for a class that cannot be created) and reads its data; then
  // the read functions replace the package's. Damaged data changes nothing.
  void ReadPackageFunctions(TFunctionDataReader& reader);

 protected:
  // A function of the class; nullptr when the class is unknown.
  virtual TRef<IUserFunction> CreateStreamedFunction(std::string_view className);

 private:
  void ReasonerDestroyed(IReasoner& reasoner) override;

  std::vector<TRef<IUserFunction>> functions_;
  std::vector<IReasoner*> reasoners_;
  IReasoner* engine_ = nullptr;
  TNotifyEvent onCreateFunctions_;
};

}  // namespace fxe
