// The engine's open files: the duplicate policy and closing.
#include "engine/IOStreams.h"

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "engine/InferenceEngine.h"

namespace fxe {

using TStreamTable = TGStringHashtable<std::unique_ptr<TIERuleStream>>;

bool TIOStreams::Admits(std::string_view name) const {
  return DecideAdd(engine_, Contains(name), false, IEConsts::SDuplicateStreamName, name) != TAddOutcome::Keep;
}

void TIOStreams::Add(std::string_view name, std::unique_ptr<TIERuleStream> stream) {
  if (!stream) Raise<EIEException>(IEConsts::SArgumentIsNull);
  const std::unique_ptr<TIERuleStream>* found = Find(name);
  if (found && found->get() == stream.get()) {
    // Registered already: the table keeps its own ownership.
    static_cast<void>(stream.release());
    return;
  }
  if (!Admits(name)) return;
  TStreamTable::Remove(name);
  Put(std::string(name), std::move(stream));
}

void TIOStreams::Remove(std::string_view name) {
  if (!TStreamTable::Remove(name)) Raise<EIEException>(IEConsts::SInvalidStreamName, name);
}

TIERuleStream* TIOStreams::Stream(std::string_view name) const {
  const std::unique_ptr<TIERuleStream>* found = Find(name);
  return found ? found->get() : nullptr;
}

void TIOStreams::Clear() noexcept {
  // Closing flushes what was written; a file that fails to take it is
  // closed all the same.
  TStreamTable::Clear();
}

}  // namespace fxe
