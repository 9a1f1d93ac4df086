// The bodies of the standard package's functions, by group (one source file
// per group), and the helpers the groups share.
#pragma once

#include <string>
#include <string_view>

#include "packages/PackageFunction.h"

namespace fxe::detail {

// --- Shared helpers -------------------------------------------------------------------------
// The call's evaluation context; raises "Function %s needs an evaluation
// context to be called in" when the call has none.
TIEContext& ContextOf(const TArguments& arguments);
// Whether the argument as written is the symbol of that text (then, else, do, ...).
bool IsKeyword(const TIEValue* value, std::string_view keyword) noexcept;
// Evaluates arguments first..last-1 in order and yields the last value; stops
// with the context's return value once the return flag is raised (a flag
// left raised before the sequence starts is cleared first). nothing is the
// result when no argument is evaluated.
TRef<TIEValue> EvaluateSequence(TArguments& arguments, std::int32_t first, std::int32_t last, TRef<TIEValue> nothing);
// A fact-id value of the index, or FALSE for -1 (an assertion refused).
TRef<TIEValue> FactIdOrFalse(std::int32_t index);

// --- Control, comparison and binding ------------------------------------------------------------
TRef<TIEValue> And(TArguments& arguments);
TRef<TIEValue> Or(TArguments& arguments);
TRef<TIEValue> Not(TArguments& arguments);
TRef<TIEValue> Eq(TArguments& arguments);
TRef<TIEValue> EqValue(TArguments& arguments);
TRef<TIEValue> Neq(TArguments& arguments);
TRef<TIEValue> NumEqual(TArguments& arguments);
TRef<TIEValue> NumNotEqual(TArguments& arguments);
TRef<TIEValue> Greater(TArguments& arguments);
TRef<TIEValue> GreaterEqual(TArguments& arguments);
TRef<TIEValue> Less(TArguments& arguments);
TRef<TIEValue> LessEqual(TArguments& arguments);
TRef<TIEValue> If(TArguments& arguments);
TRef<TIEValue> While(TArguments& arguments);
TRef<TIEValue> Foreach(TArguments& arguments);
TRef<TIEValue> Try(TArguments& arguments);
TRef<TIEValue> Return(TArguments& arguments);
TRef<TIEValue> Throw(TArguments& arguments);
TRef<TIEValue> Bind(TArguments& arguments);
TRef<TIEValue> GetVar(TArguments& arguments);

// --- Facts and the engine ------------------------------------------------------------------------
TRef<TIEValue> Assert(TArguments& arguments);
TRef<TIEValue> AssertString(TArguments& arguments);
TRef<TIEValue> Retract(TArguments& arguments);
TRef<TIEValue> RetractString(TArguments& arguments);
TRef<TIEValue> Modify(TArguments& arguments);
TRef<TIEValue> Duplicate(TArguments& arguments);
TRef<TIEValue> GetSlotValue(TArguments& arguments);
TRef<TIEValue> DoBackwardChaining(TArguments& arguments);
TRef<TIEValue> GetFactDuplication(TArguments& arguments);
TRef<TIEValue> SetFactDuplication(TArguments& arguments);
TRef<TIEValue> Gensym(TArguments& arguments);
TRef<TIEValue> Halt(TArguments& arguments);
TRef<TIEValue> Clear(TArguments& arguments);
TRef<TIEValue> Exit(TArguments& arguments);
TRef<TIEValue> Run(TArguments& arguments);
TRef<TIEValue> Reset(TArguments& arguments);
TRef<TIEValue> Version(TArguments& arguments);
TRef<TIEValue> Watch(TArguments& arguments);
TRef<TIEValue> Unwatch(TArguments& arguments);
TRef<TIEValue> Store(TArguments& arguments);
TRef<TIEValue> Fetch(TArguments& arguments);
TRef<TIEValue> ClearStorage(TArguments& arguments);

// --- Multifields --------------------------------------------------------------------------------
TRef<TIEValue> Create(TArguments& arguments);
TRef<TIEValue> Delete(TArguments& arguments);
TRef<TIEValue> Explode(TArguments& arguments);
TRef<TIEValue> First(TArguments& arguments);
TRef<TIEValue> Length(TArguments& arguments);
TRef<TIEValue> Implode(TArguments& arguments);
TRef<TIEValue> Insert(TArguments& arguments);
TRef<TIEValue> Member(TArguments& arguments);
TRef<TIEValue> MemberList(TArguments& arguments);
TRef<TIEValue> Nth(TArguments& arguments);
TRef<TIEValue> Replace(TArguments& arguments);
TRef<TIEValue> Rest(TArguments& arguments);
TRef<TIEValue> Subseq(TArguments& arguments);
TRef<TIEValue> Subsetp(TArguments& arguments);

// --- Output, input and files ------------------------------------------------------------------------
TRef<TIEValue> Printout(TArguments& arguments);
TRef<TIEValue> FormatOut(TArguments& arguments);
TRef<TIEValue> Open(TArguments& arguments);
TRef<TIEValue> Close(TArguments& arguments);
TRef<TIEValue> Read(TArguments& arguments);
TRef<TIEValue> Readline(TArguments& arguments);
TRef<TIEValue> DribbleOn(TArguments& arguments);
TRef<TIEValue> DribbleOff(TArguments& arguments);
TRef<TIEValue> Batch(TArguments& arguments);
TRef<TIEValue> Load(TArguments& arguments);
TRef<TIEValue> LoadFacts(TArguments& arguments);
TRef<TIEValue> Save(TArguments& arguments);
TRef<TIEValue> SaveFacts(TArguments& arguments);
TRef<TIEValue> Remove(TArguments& arguments);
TRef<TIEValue> Rename(TArguments& arguments);

// The text format writes: the control string with a directive per argument
// replaced, later arguments appended after a blank, %n as CR LF.
std::string FormatText(TArguments& arguments);

}  // namespace fxe::detail
