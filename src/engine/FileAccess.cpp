// Opening files, whole writes, and whole-file replacement through a
// temporary file and a rename.
#include "engine/FileAccess.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <system_error>

#include "base/IEConsts.h"
#include "base/IEExceptions.h"
#include "base/Raise.h"

namespace fxe {

namespace {

struct TFileCloser {
  void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using TFileHandle = std::unique_ptr<std::FILE, TFileCloser>;

[[noreturn]] void RaiseWriteError(std::string_view fileName, const std::string& reason) {
  Raise<EIEException>(IEConsts::SCannotWriteFile, fileName, reason);
}

// A new file beside the target, under a name nobody else holds ("x" mode
// refuses an existing file).
TFileHandle CreateTemporary(const std::string& target, std::string& name) {
  std::random_device seed;
  std::mt19937 random(seed());
  int error = 0;
  for (int attempt = 0; attempt < 16; ++attempt) {
    name = target + ".tmp" + std::to_string(random() % 1000000u);
    if (std::FILE* file = std::fopen(name.c_str(), "wbx")) return TFileHandle(file);
    error = errno;
    if (error != EEXIST) break;
  }
  RaiseWriteError(target, std::strerror(error));
}

}  // namespace

std::unique_ptr<TGFileStream> OpenFileStream(std::string_view fileName, TFileMode mode) {
  // A folder opens like a file but fails every read.
  std::error_code code;
  if (mode == TFileMode::OpenRead && std::filesystem::is_directory(std::string(fileName), code))
    Raise<EIEException>(IEConsts::SCannotReadFile, fileName, std::strerror(EISDIR));
  try {
    return std::make_unique<TGFileStream>(std::string(fileName), mode);
  } catch (const EGStreamError& error) {
    Raise<EIEException>(mode == TFileMode::OpenRead ? IEConsts::SCannotReadFile : IEConsts::SCannotWriteFile, fileName,
                        error.what());
  }
}

void WriteWhole(TGStream& stream, std::string_view text) {
  if (text.empty()) return;
  if (stream.Write(text.data(), text.size()) != text.size()) Raise<EIEException>(IEConsts::SStreamWriteError);
}

void ReplaceFileContents(std::string_view fileName, std::string_view text) {
  const std::string target(fileName);
  std::error_code code;
  if (std::filesystem::is_directory(target, code)) RaiseWriteError(target, std::strerror(EISDIR));
  std::string temporary;
  TFileHandle file = CreateTemporary(target, temporary);
  auto fail = [&](const std::string& reason) {
    file.reset();
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    RaiseWriteError(target, reason);
  };
  errno = 0;
  if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file.get()) != text.size())
    fail(std::strerror(errno ? errno : EIO));
  if (std::fflush(file.get()) != 0) fail(std::strerror(errno ? errno : EIO));
  if (std::fclose(file.release()) != 0) fail(std::strerror(errno ? errno : EIO));
  std::filesystem::rename(temporary, target, code);
  if (code) fail(code.message());
}

}  // namespace fxe
