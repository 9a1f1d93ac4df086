// The math package.
#include "packages/MathPackage.h"

#include <cmath>
#include <numbers>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "packages/NumericResult.h"

namespace fxe {

namespace {

// --- Arithmetic with the integer and float result rules ---------------------------------------
// The operation runs in double precision; the result is a float when a float
// took part, else the double truncated to an engine integer.

struct TRunningNumber {
  double value = 0.0;
  bool isFloat = false;

  void TakePart(const TIEValue& argument) noexcept { isFloat = isFloat || argument.DType() == dtFloat; }
  TRef<TIEValue> Result(std::string_view functionName) const {
    return isFloat ? FloatResult(value, functionName) : NewInteger(IntegerResult(value, functionName));
  }
};

template <class TOperation>
TRef<TIEValue> Fold(TArguments& arguments, double empty, TOperation operation) {
  TRunningNumber running{empty};
  for (std::int32_t i = 0; i < arguments.Count(); ++i) {
    TRef<TIEValue> holder;
    const TIEValue& argument = arguments.Lend(i, holder);
    const double number = argument.AsFloat();
    running.value = i == 0 ? number : operation(running.value, number);
    running.TakePart(argument);
  }
  return running.Result(arguments.FunctionName());
}

TRef<TIEValue> Add(TArguments& arguments) {
  return Fold(arguments, 0.0, [](double a, double b) { return a + b; });
}
TRef<TIEValue> Subtract(TArguments& arguments) {
  return Fold(arguments, 0.0, [](double a, double b) { return a - b; });
}
TRef<TIEValue> Multiply(TArguments& arguments) {
  return Fold(arguments, 1.0, [](double a, double b) { return a * b; });
}

// The running extreme: the first argument, replaced by every later one that
// beats it; a float among those makes the result a float.
TRef<TIEValue> Extreme(TArguments& arguments, bool largest) {
  TRunningNumber running;
  for (std::int32_t i = 0; i < arguments.Count(); ++i) {
    const TRef<TIEValue> argument = arguments.Value(i);
    const double number = argument->AsFloat();
    if (i == 0 || (largest ? number > running.value : number < running.value)) {
      running.value = number;
      running.TakePart(*argument);
    }
  }
  return running.Result(arguments.FunctionName());
}

TRef<TIEValue> Max(TArguments& arguments) { return Extreme(arguments, true); }
TRef<TIEValue> Min(TArguments& arguments) { return Extreme(arguments, false); }

TRef<TIEValue> Divide(TArguments& arguments) {
  double quotient = arguments.Float(0);
  for (std::int32_t i = 1; i < arguments.Count(); ++i) {
    const double divisor = arguments.Float(i);
    CheckDivisor(divisor, arguments.FunctionName());
    quotient /= divisor;
  }
  return FloatResult(quotient, arguments.FunctionName());
}

// Truncating integer division; the one quotient beyond 32 bits (the least
// integer by -1) is an overflow.
TRef<TIEValue> Div(TArguments& arguments) {
  std::int64_t quotient = arguments.Integer(0);
  for (std::int32_t i = 1; i < arguments.Count(); ++i) {
    const std::int32_t divisor = arguments.Integer(i);
    CheckDivisor(divisor, arguments.FunctionName());
    quotient = IntegerResult(quotient / divisor, arguments.FunctionName());
  }
  return NewInteger(static_cast<std::int32_t>(quotient));
}

// The remainder takes the dividend's sign (C++'s % does).
TRef<TIEValue> Mod(TArguments& arguments) {
  const std::int64_t dividend = arguments.Integer(0);
  const std::int32_t divisor = arguments.Integer(1);
  CheckDivisor(divisor, arguments.FunctionName());
  return NewInteger(static_cast<std::int32_t>(dividend % divisor));
}

TRef<TIEValue> Abs(TArguments& arguments) {
  const TRef<TIEValue> argument = arguments.Value(0);
  if (argument->DType() == dtInteger)
    return NewInteger(IntegerResult(std::abs(std::int64_t{argument->RawInteger()}), arguments.FunctionName()));
  return FloatResult(std::fabs(argument->AsFloat()), arguments.FunctionName());
}

TRef<TIEValue> Exp(TArguments& arguments) {
  return FloatResult(std::exp(arguments.Float(0)), arguments.FunctionName());
}

TRef<TIEValue> Power(TArguments& arguments) {
  const double base = arguments.Float(0);
  const double exponent = arguments.Float(1);
  if (exponent < 0.0) CheckDivisor(base, arguments.FunctionName());
  return FloatResult(std::pow(base, exponent), arguments.FunctionName());
}

TRef<TIEValue> Pi(TArguments&) { return NewFloat(std::numbers::pi); }
TRef<TIEValue> ToFloat(TArguments& arguments) { return NewFloat(arguments.Float(0)); }
TRef<TIEValue> ToInteger(TArguments& arguments) { return NewInteger(arguments.Integer(0)); }

// The logarithm of 0 is a pole, reported like a division by zero.
template <double (*Logarithm)(double)>
TRef<TIEValue> Log(TArguments& arguments) {
  const double number = arguments.Float(0);
  CheckDivisor(number, arguments.FunctionName());
  return FloatResult(Logarithm(number), arguments.FunctionName());
}

double NaturalLog(double x) { return std::log(x); }
double DecimalLog(double x) { return std::log10(x); }

// Nearest integral value, halves to the even neighbour, whatever the
// floating-point rounding mode.
double RoundHalfEven(double number) {
  const double below = std::floor(number);
  const double fraction = number - below;
  if (fraction > 0.5) return below + 1.0;
  if (fraction < 0.5) return below;
  return std::fmod(below, 2.0) == 0.0 ? below : below + 1.0;
}

TRef<TIEValue> Round(TArguments& arguments) { return NewFloat(RoundHalfEven(arguments.Float(0))); }
TRef<TIEValue> Sqrt(TArguments& arguments) {
  return FloatResult(std::sqrt(arguments.Float(0)), arguments.FunctionName());
}

// --- Random numbers -------------------------------------------------------------------------------

using TGeneratorBody = TRef<TIEValue> (*)(TArguments& arguments, TRandomGenerator& generator);

// low + r with 0 <= r < high: (random), (random high) or (random low high).
TRef<TIEValue> Random(TArguments& arguments, TRandomGenerator& generator) {
  const std::int32_t low = arguments.Count() == 2 ? arguments.Integer(0) : 0;
  const std::int32_t high = arguments.Count() == 0 ? 65536 : arguments.Integer(arguments.Count() - 1);
  if (high <= 0) Raise<EIEException>(IEConsts::SInvalidRandomRange, high);
  const std::int64_t drawn = std::int64_t{low} + generator.Below(static_cast<std::uint32_t>(high));
  return NewInteger(IntegerResult(drawn, arguments.FunctionName()));
}

TRef<TIEValue> Randomize(TArguments& arguments, TRandomGenerator& generator) {
  if (arguments.Count() == 0) {
    generator.SeedFromClock();
  } else {
    generator.Seed(arguments.Integer(0));
  }
  return nullptr;
}

TRef<TIEValue> Seed(TArguments& arguments, TRandomGenerator& generator) {
  generator.Seed(arguments.Integer(0));
  return nullptr;
}

// A function of a table row whose body draws on the package's generator.
class TGeneratorFunction final : public TIEUserFunction {
 public:
  TGeneratorFunction(const TFunctionRow& row, TGeneratorBody body, std::shared_ptr<TRandomGenerator> generator)
      : TIEUserFunction(row.name, row.comment, row.usage, row.minArguments, row.maxArguments),
        body_(body),
        generator_(std::move(generator)) {}

  std::string ClassName() const override { return "TGeneratorFunction"; }

 protected:
  TRef<TIEValue> Execute(IFunCall& call, TIEContext* context) override {
    TArguments arguments(call, context, FunctionName());
    return body_(arguments, *generator_);
  }

 private:
  TGeneratorBody body_;
  std::shared_ptr<TRandomGenerator> generator_;
};

// Rows without a body are the generator's functions, found by name here.
struct TGeneratorRow {
  std::string_view name;
  TGeneratorBody body;
};

constexpr TGeneratorRow kGeneratorRows[] = {{"random", Random}, {"randomize", Randomize}, {"seed", Seed}};

constexpr TFunctionRow kMathRows[] = {
    {"/", " <numeric-expression>+", IEConsts::SHelpDivide, 1, UnlimitedArguments, Divide},
    {"-", " <numeric-expression>+", IEConsts::SHelpSubtract, 1, UnlimitedArguments, Subtract},
    {"mod", " <integer-expression> <integer-expression>", IEConsts::SHelpMod, 2, 2, Mod},
    {"+", " <numeric-expression>+", IEConsts::SHelpAdd, 0, UnlimitedArguments, Add},
    {"*", " <numeric-expression>+", IEConsts::SHelpMultiply, 0, UnlimitedArguments, Multiply},
    {"abs", " <numeric-expression>", IEConsts::SHelpAbs, 1, 1, Abs},
    {"div", " <integer-expression>+", IEConsts::SHelpDiv, 1, UnlimitedArguments, Div},
    {"exp", " <numeric-expression>", IEConsts::SHelpExp, 1, 1, Exp},
    {"**", " <numeric-expression> <numeric-expression>", IEConsts::SHelpPower, 2, 2, Power},
    {"PI", "", IEConsts::SHelpPi, 0, 0, Pi},
    {"float", " <numeric-expression>", IEConsts::SHelpFloat, 1, 1, ToFloat},
    {"integer", " <numeric-expression>", IEConsts::SHelpInteger, 1, 1, ToInteger},
    {"max", " <numeric-expression>+", IEConsts::SHelpMax, 1, UnlimitedArguments, Max},
    {"min", " <numeric-expression>+", IEConsts::SHelpMin, 1, UnlimitedArguments, Min},
    {"log", " <numeric-expression>", IEConsts::SHelpLog, 1, 1, Log<NaturalLog>},
    {"log10", " <numeric-expression>", IEConsts::SHelpLog10, 1, 1, Log<DecimalLog>},
    {"random", " [[<low-integer-expression>] <high-integer-expression>]", IEConsts::SHelpRandom, 0, 2, nullptr},
    {"randomize", " [<seed-integer-expression> ]", IEConsts::SHelpRandomize, 0, 1, nullptr},
    {"round", " <numeric-expression>", IEConsts::SHelpRound, 1, 1, Round},
    {"sqrt", " <numeric-expression>", IEConsts::SHelpSqrt, 1, 1, Sqrt},
    {"seed", " <integer-expression>", IEConsts::SHelpSeed, 1, 1, nullptr},
};

TGeneratorBody GeneratorBodyOf(std::string_view name) noexcept {
  for (const TGeneratorRow& row : kGeneratorRows)
    if (row.name == name) return row.body;
  return nullptr;
}

}  // namespace

TMathPackage::TMathPackage()
    : TTablePackage("TMathPackage", kMathRows), generator_(std::make_shared<TRandomGenerator>()) {}

void TMathPackage::CreateFunctions() {
  for (const TFunctionRow& row : Rows()) {
    if (row.body) {
      AddFunction(MakeRef<TTableFunction>(row));
    } else {
      AddFunction(MakeRef<TGeneratorFunction>(row, GeneratorBodyOf(row.name), generator_));
    }
  }
  TUserPackage::CreateFunctions();
}

}  // namespace fxe
