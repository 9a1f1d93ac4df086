// The project-risk knowledge base used as a fuzzy controller: an engine
// loaded once, then evaluated for crisp inputs again and again through the
// C++ interface (retract the last project and risk facts, assert a project
// with the new values, run, read the risk the reporting rule prints). The
// benchmark measures it and a test checks it against fresh engines.
#pragma once

#include <array>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "engine/InferenceEngine.h"
#include "fuzzysets/IFuzzyLogic.h"
#include "model/IEDefinedType.h"
#include "model/IEFactTemplate.h"

namespace fxe::testing {

// The crisp inputs of one evaluation, in the template's slot order.
struct TProjectInputs {
  double funding = 50;
  double complexity = 0.5;
  double priority = 0.5;
  double visibility = 0.5;
  double staffing = 50;
  double duration = 26;
};

inline std::string ReadExample(std::string_view name) {
  std::ifstream file(std::string(FXE_EXAMPLES_DIR) + "/" + std::string(name), std::ios::binary);
  if (!file) throw std::runtime_error("cannot read example " + std::string(name));
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// The example as a rule file whose only project fact carries the inputs: what
// a user would run with fxe to check one evaluation.
inline std::string ProjectRiskProgram(const TProjectInputs& in) {
  std::string text = ReadExample("project-risk.fxe");
  const std::size_t start = text.find("(deffacts the-project");
  const std::size_t end = text.find("(set-fuzzy-inference", start);
  if (start == std::string::npos || end == std::string::npos) throw std::runtime_error("unexpected example text");
  std::ostringstream facts;
  facts.precision(17);
  facts << "(deffacts the-project\n  (project (funding " << in.funding << ") (complexity " << in.complexity
        << ") (priority " << in.priority << ") (visibility " << in.visibility << ") (staffing " << in.staffing
        << ") (duration " << in.duration << ")))\n\n";
  return text.replace(start, end - start, facts.str());
}

class TProjectRiskLoop {
 public:
  TProjectRiskLoop() {
    engine_.SetOnPrintOut([this](TInferenceEngine&, std::string_view, std::string_view text) { printed_ += text; });
    engine_.Parse(ReadExample("project-risk.fxe"));
    project_ = engine_.FindFactTemplate("project");
    if (!project_) throw std::runtime_error("the example defines no project template");
    for (std::size_t i = 0; i < kSlots.size(); ++i) {
      IIEDefinedType* type = project_->GetSlot(kSlots[i]).ExtendedTypeInfo();
      variables_[i] = type ? type->FuzzyVariable() : nullptr;
      if (!variables_[i]) throw std::runtime_error("slot without a fuzzy type");
    }
    // The places of the input slots in a project fact, found once: what an
    // application setting the same slots again and again would do.
    const TRef<IFact> probe = project_->CreateFact();
    for (std::size_t i = 0; i < kSlots.size(); ++i) {
      slotIndex_[i] = -1;
      for (std::int32_t k = 0; k < probe->SlotCount(); ++k) {
        if (probe->SlotAt(k).Name() == kSlots[i]) slotIndex_[i] = k;
      }
      if (slotIndex_[i] < 0) throw std::runtime_error("the project template lacks a slot");
    }
  }

  // One evaluation; the text the run printed ("Risk is ..." and CR LF).
  const std::string& Evaluate(const TProjectInputs& in) {
    RetractAll();
    const std::array<double, 6> values = {in.funding,   in.complexity, in.priority,
                                          in.visibility, in.staffing,   in.duration};
    TRef<IFact> fact = project_->CreateFact();
    for (std::size_t i = 0; i < kSlots.size(); ++i) {
      const TRef<TIEValue> crisp = NewFloat(values[i]);
      fact->SetSlotValueAt(slotIndex_[i], engine_.LinguisticToFuzzy(*variables_[i], *crisp, engine_.Context()));
    }
    printed_.clear();
    engine_.AssertOwn(std::move(fact));
    engine_.Run();
    return printed_;
  }

  TInferenceEngine& Engine() noexcept { return engine_; }

 private:
  static constexpr std::array<std::string_view, 6> kSlots = {"funding",    "complexity", "priority",
                                                             "visibility", "staffing",   "duration"};

  // The project and risk facts of the last evaluation leave the fact base.
  void RetractAll() {
    for (std::int32_t i = engine_.FactCount() - 1; i >= 0; --i) {
      IFactTemplate* t = engine_.FactAt(i).Template();
      if (t && (t->Name() == "project" || t->Name() == "risk")) engine_.Retract(i);
    }
  }

  TInferenceEngine engine_;
  TRef<IFactTemplate> project_;
  std::array<IFuzzyVariable*, 6> variables_{};
  std::array<std::int32_t, 6> slotIndex_{};
  std::string printed_;
};

// The risk line a fresh engine prints for the program of the inputs (the
// program's commands print their results too; they are left out).
inline std::string FreshProjectRisk(const TProjectInputs& in) {
  TInferenceEngine engine;
  std::string printed;
  engine.SetOnPrintOut([&](TInferenceEngine&, std::string_view, std::string_view text) { printed += text; });
  engine.Parse(ProjectRiskProgram(in));
  const std::size_t start = printed.find("Risk is ");
  if (start == std::string::npos) return {};
  const std::size_t end = printed.find('\n', start);
  return printed.substr(start, end == std::string::npos ? std::string::npos : end + 1 - start);
}

}  // namespace fxe::testing
