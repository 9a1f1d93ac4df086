// The trigonometry package.
#include "packages/TrigonometryPackage.h"

#include <cmath>
#include <numbers>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "packages/NumericResult.h"

namespace fxe {

namespace {

using std::numbers::pi;

// A function of one number. A result outside the reals (acos of 2, cot of 0)
// is raised by the result check rather than stored as NaN or infinity.
template <double (*F)(double)>
TRef<TIEValue> Unary(TArguments& arguments) {
  return FloatResult(F(arguments.Float(0)), arguments.FunctionName());
}

double Acos(double x) { return std::acos(x); }
double Asin(double x) { return std::asin(x); }
double Atan(double x) { return std::atan(x); }
double Acosh(double x) { return std::acosh(x); }
double Asinh(double x) { return std::asinh(x); }
double Atanh(double x) { return std::atanh(x); }
double Acot(double x) { return pi / 2 - std::atan(x); }
double Acoth(double x) { return 0.5 * std::log((x + 1) / (x - 1)); }
double Acsc(double x) { return std::asin(1 / x); }
double Acsch(double x) { return std::asinh(1 / x); }
double Asec(double x) { return std::acos(1 / x); }
double Asech(double x) { return std::acosh(1 / x); }
double Cos(double x) { return std::cos(x); }
double Sin(double x) { return std::sin(x); }
double Tan(double x) { return std::tan(x); }
double Cosh(double x) { return std::cosh(x); }
double Sinh(double x) { return std::sinh(x); }
double Tanh(double x) { return std::tanh(x); }
double Cot(double x) { return 1 / std::tan(x); }
double Csc(double x) { return 1 / std::sin(x); }
double Sec(double x) { return 1 / std::cos(x); }
double Coth(double x) { return 1 / std::tanh(x); }
double Csch(double x) { return 1 / std::sinh(x); }
double Sech(double x) { return 1 / std::cosh(x); }
double CycleRad(double x) { return 2 * pi * x; }
double RadCycle(double x) { return x / (2 * pi); }
double DegRad(double x) { return x * pi / 180; }
double RadDeg(double x) { return x * 180 / pi; }
double GradRad(double x) { return x * pi / 200; }
double RadGrad(double x) { return x * 200 / pi; }
double DegGrad(double x) { return x * 10 / 9; }
double GradDeg(double x) { return x * 9 / 10; }

// (atan2 X Y): the angle of the point (X, Y).
TRef<TIEValue> Atan2(TArguments& arguments) {
  const double x = arguments.Float(0);
  const double y = arguments.Float(1);
  return FloatResult(std::atan2(y, x), arguments.FunctionName());
}

TRef<TIEValue> Hypotenuse(TArguments& arguments) {
  const double x = arguments.Float(0);
  const double y = arguments.Float(1);
  return FloatResult(std::hypot(x, y), arguments.FunctionName());
}

// The coordinate differences of two points of equal dimension, accumulated in order.
template <double (*Term)(double)>
double SumOverDifferences(TArguments& arguments) {
  const TRef<TValueVector> first = arguments.List(0);
  const TRef<TValueVector> second = arguments.List(1);
  if (first->Count() != second->Count()) Raise<EIEException>(IEConsts::SUnequalMultifields);
  double sum = 0.0;
  for (std::int32_t i = 0; i < first->Count(); ++i) {
    const TIEValue* a = first->Item(i) ? first->Item(i).Get() : SharedValues().Nil.Get();
    const TIEValue* b = second->Item(i) ? second->Item(i).Get() : SharedValues().Nil.Get();
    sum += Term(a->AsFloat() - b->AsFloat());
  }
  return sum;
}

double Square(double d) { return d * d; }
double Absolute(double d) { return std::fabs(d); }

TRef<TIEValue> Distance(TArguments& arguments) {
  return FloatResult(std::sqrt(SumOverDifferences<Square>(arguments)), arguments.FunctionName());
}
TRef<TIEValue> DistanceSqr(TArguments& arguments) {
  return FloatResult(SumOverDifferences<Square>(arguments), arguments.FunctionName());
}
TRef<TIEValue> DistanceManhattan(TArguments& arguments) {
  return FloatResult(SumOverDifferences<Absolute>(arguments), arguments.FunctionName());
}

constexpr std::string_view kNumber = " <numeric-expression>";
constexpr std::string_view kPoint = " <numeric-expression-X> <numeric-expression-Y>";
constexpr std::string_view kPoints = " <multifield-expression-1> <multifield-expression-2>";

constexpr TFunctionRow kTrigonometryRows[] = {
    {"acos", kNumber, IEConsts::SHelpAcos, 1, 1, Unary<Acos>},
    {"asin", kNumber, IEConsts::SHelpAsin, 1, 1, Unary<Asin>},
    {"atan", kNumber, IEConsts::SHelpAtan, 1, 1, Unary<Atan>},
    {"acosh", kNumber, IEConsts::SHelpAcosh, 1, 1, Unary<Acosh>},
    {"asinh", kNumber, IEConsts::SHelpAsinh, 1, 1, Unary<Asinh>},
    {"atanh", kNumber, IEConsts::SHelpAtanh, 1, 1, Unary<Atanh>},
    {"acot", kNumber, IEConsts::SHelpAcot, 1, 1, Unary<Acot>},
    {"acoth", kNumber, IEConsts::SHelpAcoth, 1, 1, Unary<Acoth>},
    {"acsc", kNumber, IEConsts::SHelpAcsc, 1, 1, Unary<Acsc>},
    {"acsch", kNumber, IEConsts::SHelpAcsch, 1, 1, Unary<Acsch>},
    {"asec", kNumber, IEConsts::SHelpAsec, 1, 1, Unary<Asec>},
    {"asech", kNumber, IEConsts::SHelpAsech, 1, 1, Unary<Asech>},
    {"atan2", kPoint, IEConsts::SHelpAtan2, 2, 2, Atan2},
    {"cos", kNumber, IEConsts::SHelpCos, 1, 1, Unary<Cos>},
    {"sin", kNumber, IEConsts::SHelpSin, 1, 1, Unary<Sin>},
    {"tan", kNumber, IEConsts::SHelpTan, 1, 1, Unary<Tan>},
    {"cosh", kNumber, IEConsts::SHelpCosh, 1, 1, Unary<Cosh>},
    {"sinh", kNumber, IEConsts::SHelpSinh, 1, 1, Unary<Sinh>},
    {"tanh", kNumber, IEConsts::SHelpTanh, 1, 1, Unary<Tanh>},
    {"cot", kNumber, IEConsts::SHelpCot, 1, 1, Unary<Cot>},
    {"csc", kNumber, IEConsts::SHelpCsc, 1, 1, Unary<Csc>},
    {"sec", kNumber, IEConsts::SHelpSec, 1, 1, Unary<Sec>},
    {"coth", kNumber, IEConsts::SHelpCoth, 1, 1, Unary<Coth>},
    {"csch", kNumber, IEConsts::SHelpCsch, 1, 1, Unary<Csch>},
    {"sech", kNumber, IEConsts::SHelpSech, 1, 1, Unary<Sech>},
    {"cycle-rad", kNumber, IEConsts::SHelpCycleRad, 1, 1, Unary<CycleRad>},
    {"rad-cycle", kNumber, IEConsts::SHelpRadCycle, 1, 1, Unary<RadCycle>},
    {"deg-rad", kNumber, IEConsts::SHelpDegRad, 1, 1, Unary<DegRad>},
    {"rad-deg", kNumber, IEConsts::SHelpRadDeg, 1, 1, Unary<RadDeg>},
    {"grad-rad", kNumber, IEConsts::SHelpGradRad, 1, 1, Unary<GradRad>},
    {"rad-grad", kNumber, IEConsts::SHelpRadGrad, 1, 1, Unary<RadGrad>},
    {"deg-grad", kNumber, IEConsts::SHelpDegGrad, 1, 1, Unary<DegGrad>},
    {"grad-deg", kNumber, IEConsts::SHelpGradDeg, 1, 1, Unary<GradDeg>},
    {"hypotenuse", kPoint, IEConsts::SHelpHypotenuse, 2, 2, Hypotenuse},
    {"distance", kPoints, IEConsts::SHelpDistance, 2, 2, Distance},
    {"distance-sqr", kPoints, IEConsts::SHelpDistanceSqr, 2, 2, DistanceSqr},
    {"distance-manhattan", kPoints, IEConsts::SHelpDistanceManhattan, 2, 2, DistanceManhattan},
};

}  // namespace

TTrigonometryPackage::TTrigonometryPackage() noexcept : TTablePackage("TTrigonometryPackage", kTrigonometryRows) {}

}  // namespace fxe
