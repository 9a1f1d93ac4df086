// The messages of the raising helpers that come from the message table.
#include "base/Raise.h"

#include "base/IEConsts.h"

namespace fxe::detail {

std::string ListIndexMessage(std::int64_t index) { return Format(IEConsts::SListIndexOutOfBounds, index); }

}  // namespace fxe::detail
