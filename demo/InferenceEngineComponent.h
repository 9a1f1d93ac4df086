// The window's engine as one of its components: a non-visual QObject that
// owns the engine, so that the engine lives as long as the window and rules
// find it among the window's components by name.
#pragma once

#include <memory>

#include <QObject>

#include "engine/InferenceEngine.h"

namespace fxe {

class TInferenceEngineComponent final : public QObject {
  Q_OBJECT

 public:
  explicit TInferenceEngineComponent(QObject* owner) : QObject(owner), engine_(std::make_unique<TInferenceEngine>()) {}

  TInferenceEngine& Engine() const noexcept { return *engine_; }
  // Replaces the engine by a fresh one, dropping whatever a failed load left.
  void Renew() { engine_ = std::make_unique<TInferenceEngine>(); }

 private:
  std::unique_ptr<TInferenceEngine> engine_;
};

}  // namespace fxe
