// The engine's input and output through logical names: the standard device
// (the application's events, a dribble file, a batch file) and the files
// registered in the engine's streams.
#include <filesystem>
#include <string>
#include <system_error>

#include "base/Format.h"
#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"
#include "base/ScopeExit.h"
#include "base/TextUtils.h"
#include "engine/FileAccess.h"
#include "engine/InferenceEngine.h"
#include "model/ConstructText.h"

namespace fxe {

using detail::kLineEnd;
using detail::TrimText;

namespace {

bool IsStandardDevice(std::string_view logicalName) noexcept { return logicalName.empty() || logicalName == "t"; }

}  // namespace

// --- Output ---------------------------------------------------------------------------------------

void TInferenceEngine::Trace(std::string_view line) {
  std::string text;
  text.reserve(line.size() + kLineEnd.size());
  text += line;
  text += kLineEnd;
  Output("t", text);
}

void TInferenceEngine::Output(std::string_view logicalName, std::string_view text) {
  if (IsStandardDevice(logicalName)) {
    if (dribble_) {
      WriteWhole(*dribble_, text);
    } else if (onPrintOut_) {
      onPrintOut_(*this, logicalName, text);
    }
    return;
  }
  if (TIERuleStream* stream = streams_.Stream(logicalName)) {
    // Flushed at once: the text reaches the file in one write, and a full
    // disk is reported to the call that caused it.
    stream->WriteText(text);
    if (!stream->Flush()) Raise<EIEException>(IEConsts::SStreamWriteError);
    return;
  }
  if (!onPrintOut_) Raise<EIEException>(IEConsts::SFunctionUnimplemented, "printout");
}

// --- Input ------------------------------------------------------------------------------------------

std::string TInferenceEngine::ReadLine(std::string_view logicalName) {
  if (!IsStandardDevice(logicalName)) {
    if (TIERuleStream* stream = streams_.Stream(logicalName)) {
      std::string line;
      if (!stream->ReadLine(line)) line.clear();
      return line;
    }
  }
  if (!batches_.empty()) {
    std::string line;
    if (!batches_.back()->ReadLine(line)) line.clear();
    std::string echo;
    echo.reserve(line.size() + kLineEnd.size());
    echo += line;
    echo += kLineEnd;
    Output("t", echo);
    return line;
  }
  if (!onReadLine_) Raise<EIEException>(IEConsts::SEventNotImplemented, "readline");
  std::string text;
  onReadLine_(*this, logicalName, text);
  return text;
}

bool TInferenceEngine::InputEnded(std::string_view logicalName) {
  if (!IsStandardDevice(logicalName)) {
    if (TIERuleStream* stream = streams_.Stream(logicalName)) return stream->Eof();
  }
  if (!batches_.empty()) return batches_.back()->Eof();
  return standardInputEnded_;
}

TRef<IStreamToken> TInferenceEngine::ReadToken(std::string_view logicalName) {
  if (!IsStandardDevice(logicalName)) {
    if (TIERuleStream* stream = streams_.Stream(logicalName)) return stream->ReadRawToken();
  }
  if (!batches_.empty()) {
    TRef<IStreamToken> token = batches_.back()->ReadRawToken();
    std::string echo = token->AsText();
    echo += kLineEnd;
    Output("t", echo);
    return token;
  }
  if (!onReadToken_) Raise<EIEException>(IEConsts::SEventNotImplemented, "read");
  TRef<IStreamToken> token;
  onReadToken_(*this, logicalName, token);
  return token;
}

// --- Dribble and batch --------------------------------------------------------------------------------

bool TInferenceEngine::DribbleOn(std::string_view fileName) {
  std::unique_ptr<TGFileStream> file;
  try {
    file = std::make_unique<TGFileStream>(std::string(fileName), TFileMode::Create);
  } catch (const EGStreamError&) {
    return false;
  }
  // A dribble file replaced by another is closed.
  dribble_ = std::move(file);
  return true;
}

void TInferenceEngine::DribbleOff() { dribble_.reset(); }

TInferenceEngine::TFileNesting::TFileNesting(TInferenceEngine& engine, std::string_view fileName) : engine_(engine) {
  if (engine.fileDepth_ >= kMaxFileDepth) Raise<EIEException>(IEConsts::SFilesNestedTooDeep, kMaxFileDepth, fileName);
  ++engine.fileDepth_;
}

bool TInferenceEngine::Batch(std::string_view fileName) {
  const TFileNesting nesting(*this, fileName);
  return BatchFrom(OpenFileStream(fileName, TFileMode::OpenRead), fileName);
}

bool TInferenceEngine::BatchFrom(std::unique_ptr<TGStream> stream, std::string_view name) {
  if (!stream) Raise<EIEException>(IEConsts::SArgumentIsNull);
  batches_.push_back(std::make_unique<TIERuleStream>(std::move(stream), this));
  auto restore = ScopeExit([this] { batches_.pop_back(); });
  TIERuleStream& batch = *batches_.back();
  std::string line;
  std::string failures;
  for (;;) {
    // The stream counts the lines, also those read by read and readline.
    const std::int32_t number = batch.LineNumber();
    if (batch.Eof() || !batch.ReadLine(line)) break;
    try {
      Parse(line, true);
    } catch (const EAbort&) {
      throw;
    } catch (const std::exception& error) {
      failures += Format(IEConsts::SBatchLineError, number, TrimText(error.what()));
      failures += kLineEnd;
    }
  }
  if (!failures.empty()) Raise<EIEException>(IEConsts::SBatchErrors, name, failures);
  return true;
}

// --- Registered streams ---------------------------------------------------------------------------------

void TInferenceEngine::OpenStream(std::string_view fileName, std::string_view logicalName, TOpenMode mode) {
  // Decided before the file is opened: a stream that is not registered must
  // not have emptied its file.
  if (!streams_.Admits(logicalName)) return;
  std::unique_ptr<TGFileStream> file;
  switch (mode) {
    case TOpenMode::Read:
      file = OpenFileStream(fileName, TFileMode::OpenRead);
      break;
    case TOpenMode::ReadWrite:
      file = OpenFileStream(fileName, TFileMode::OpenReadWrite);
      break;
    case TOpenMode::Write:
      file = OpenFileStream(fileName, TFileMode::Create);
      break;
    case TOpenMode::Append: {
      std::error_code code;
      const bool exists = std::filesystem::exists(std::string(fileName), code);
      file = OpenFileStream(fileName, exists ? TFileMode::OpenWrite : TFileMode::Create);
      file->Seek(0, soEnd);
      break;
    }
  }
  streams_.Add(logicalName, std::make_unique<TIERuleStream>(std::move(file), this));
}

void TInferenceEngine::CloseStream(std::string_view logicalName) { streams_.Remove(logicalName); }

void TInferenceEngine::CloseFileStreams() { streams_.Clear(); }

}  // namespace fxe
