// The engine's open files by logical name. The table owns its streams:
// removing a name closes its file.
#pragma once

#include <memory>
#include <string_view>

#include "collections/GHashtable.h"
#include "values/IEParser.h"

namespace fxe {

class TInferenceEngine;

class TIOStreams final : public TGStringHashtable<std::unique_ptr<TIERuleStream>> {
 public:
  static constexpr std::uint32_t kInitialCapacity = 11;

  explicit TIOStreams(TInferenceEngine& engine)
      : TGStringHashtable<std::unique_ptr<TIERuleStream>>(kInitialCapacity), engine_(engine) {}

  // Whether a stream may be registered under the name: true when the name is
  // free or DuplicateConstructs is dcOverwrite; false under dcIgnore; dcError
  // raises "Duplicate streams defined with same name: \"%s\"". Lets a caller
  // decide before opening a file; the old stream stays open until Add
  // replaces it, so a file that fails to open leaves it registered.
  bool Admits(std::string_view name) const;
  // Registers the stream under the name by the duplicate policy; a stream
  // that is not registered is closed. The same stream again changes nothing.
  void Add(std::string_view name, std::unique_ptr<TIERuleStream> stream);
  // Closes the stream; "Invalid stream name: %s" when the name is not registered.
  void Remove(std::string_view name);
  // The stream registered under the name, or nullptr.
  TIERuleStream* Stream(std::string_view name) const;
  // Closes every stream.
  void Clear() noexcept;

 private:
  TInferenceEngine& engine_;
};

}  // namespace fxe
