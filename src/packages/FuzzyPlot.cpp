// The text plot of fuzzy values: a grid of 21 grade rows by 50 columns over
// the plotted range, each set marked with its plot character, written line by
// line to a logical name with a legend, a ruler and the axis labels.
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "base/FuzzyConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "packages/FuzzyArguments.h"

namespace fxe {
namespace {

constexpr int kRows = 21;     // grades 0, 0.05, ..., 1
constexpr int kColumns = 50;  // x from low in steps of (high - low) / 50
// The legend names every plotted set; a plot of a huge term table or of sets
// with huge names is refused rather than written.
constexpr std::int32_t kMaxLegend = 1 << 16;

using TGrid = std::array<std::array<char, kColumns>, kRows>;

struct TPlot {
  TRef<IFuzzyVariable> variable;  // nullptr for values without a variable
  std::vector<TRef<IFuzzySet>> sets;
  bool variableMode = false;
};

const std::string& VariableName(const IFuzzySet& set) {
  static const std::string none;
  return set.Variable() ? set.Variable()->Name() : none;
}

bool SelectsValue(const TIEValue& value) noexcept {
  const TIEType type = value.DType();
  return type == dtInteger || type == dtFactId || type == dtFact || type == dtFuzzy;
}

// The sets to plot: every term of a named type's variable, or the fuzzy
// arguments from the fifth on, which must share the first one's variable.
TPlot CollectSets(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  TPlot plot;
  const TRef<TIEValue> item = arguments.Value(4);
  if (!SelectsValue(*item)) {
    plot.variableMode = true;
    plot.variable = FuzzyVariableOfType(engine, item->AsString());
    for (const auto& entry : plot.variable->Items())
      if (entry.Value()->Name() != FuzzyEmptyTermName) plot.sets.emplace_back(entry.Value());
    return plot;
  }
  TRef<IFuzzySet> first = FuzzyOfValue(engine, *item);
  plot.variable = TRef<IFuzzyVariable>(first->Variable());
  plot.sets.push_back(std::move(first));
  for (std::int32_t i = 5; i < arguments.Count(); ++i) {
    TRef<IFuzzySet> set = FuzzyArgument(arguments, i);
    if (set->Variable() != plot.variable.Get()) {
      const IFuzzySet& head = *plot.sets.front();
      Raise<EIEException>(FuzzyConsts::SFuzzyVariablesDifferent, head.Name(), VariableName(head), set->Name(),
                          VariableName(*set));
    }
    plot.sets.push_back(std::move(set));
  }
  return plot;
}

// A limit argument: a number clamped into the universe, or the universe's
// end (the first set's lowest or highest X without a variable).
double Limit(TArguments& arguments, std::int32_t index, const TPlot& plot, bool low) {
  const TRef<TIEValue> value = arguments.Value(index);
  const IFuzzyVariable* variable = plot.variable.Get();
  double bound = 0.0;
  if (variable)
    bound = low ? variable->Minimum() : variable->Maximum();
  else if (!plot.sets.empty())
    bound = low ? plot.sets.front()->LowerBound() : plot.sets.front()->UpperBound();
  if (value->DType() != dtInteger && value->DType() != dtFloat) return bound;
  const double limit = value->AsFloat();
  if (!variable) return limit;
  return low ? std::max(limit, bound) : std::min(limit, bound);
}

void Mark(TGrid& grid, const IFuzzySet& set, char mark, double low, double step) {
  for (int column = 0; column < kColumns; ++column) {
    double grade = set.GetMembership(low + column * step);
    if (!(grade > 0.0)) grade = 0.0;
    if (grade > 1.0) grade = 1.0;
    // The default rounding mode takes halves to the even neighbour.
    const int row = static_cast<int>(std::nearbyint(grade * (kRows - 1)));
    grid[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = mark;
  }
}

}  // namespace

TRef<TIEValue> PlotFuzzyValue(TArguments& arguments) {
  IInferenceEngine& engine = arguments.Engine();
  const std::string logicalName = arguments.Text(0);
  const std::string marks = arguments.Text(1);
  if (marks.empty()) Raise<EIEException>(FuzzyConsts::SPlotCharsMissing);
  const TPlot plot = CollectSets(arguments);
  const double low = Limit(arguments, 2, plot, true);
  const double high = Limit(arguments, 3, plot, false);
  // Also refuses NaN limits and ranges too wide to divide into columns.
  if (!(low < high) || !std::isfinite(high - low)) Raise<EIEException>(FuzzyConsts::SInvalidPlotLimits, low, high);

  TGrid grid;
  for (auto& row : grid) row.fill(' ');
  const double step = (high - low) / kColumns;
  std::string legend;
  for (std::size_t k = 0; k < plot.sets.size(); ++k) {
    const char mark = k < marks.size() ? marks[k] : marks.back();
    Mark(grid, *plot.sets[k], mark, low, step);
    legend += ' ';
    legend += plot.sets[k]->Name();
    legend += '(';
    legend += mark;
    legend += ')';
    if (legend.size() > static_cast<std::size_t>(kMaxLegend)) Raise<EIEException>(FuzzyConsts::SPlotTooLarge, kMaxLegend);
  }

  auto line = [&](std::string text) {
    text += "\r\n";
    engine.Output(logicalName, text);
  };
  if (plot.variableMode) line(Format(FuzzyConsts::SPlotFuzzyVariable, plot.variable->Name()));
  line(Format(FuzzyConsts::SPlotFuzzyValues, legend));
  line({});
  for (int row = kRows - 1; row >= 0; --row) {
    std::string text = FormatFloat(static_cast<double>(row) / (kRows - 1));
    text.append(grid[static_cast<std::size_t>(row)].data(), kColumns);
    line(std::move(text));
  }
  line(std::string(FuzzyConsts::SPlotRuler));
  const double d = (high - low) / 5;
  line(Format(FuzzyConsts::SPlotAxis, low, low + d, low + 2 * d, low + 3 * d, low + 4 * d, high));
  line({});
  if (plot.variable) line(Format(FuzzyConsts::SPlotUniverse, plot.variable->Minimum(), plot.variable->Maximum()));
  return SharedValues().True;
}

}  // namespace fxe
