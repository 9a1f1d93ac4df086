// The engine's access to files: opening with failures reported as engine
// errors, writing a text in one piece, and replacing a whole file so that it
// is either the new text or what it was before (the text goes to a temporary
// file beside the target, which then takes the target's place).
#pragma once

#include <memory>
#include <string_view>

#include "values/GStreams.h"

namespace fxe {

// Raises EIEException "Unable to read file ..." (OpenRead) or "Unable to
// write file ..." (the other modes) when the file cannot be opened.
std::unique_ptr<TGFileStream> OpenFileStream(std::string_view fileName, TFileMode mode);

// One write of the whole text; "Error writing to stream" when it falls short.
void WriteWhole(TGStream& stream, std::string_view text);

// Raises EIEException "Unable to write file ..." when the text cannot be
// written; the target is then untouched and no temporary file remains.
void ReplaceFileContents(std::string_view fileName, std::string_view text);

}  // namespace fxe
