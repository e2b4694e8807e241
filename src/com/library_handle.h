// A loaded module (LoadLibrary, LoadLibraryEx) that is freed again when the owner goes.
#pragma once

#include <windows.h>

#include <utility>

namespace orvix::com {

class LibraryHandle {
 public:
  explicit LibraryHandle(HMODULE module) : module_(module) {}
  LibraryHandle(const LibraryHandle&) = delete;
  LibraryHandle& operator=(const LibraryHandle&) = delete;
  ~LibraryHandle() {
    if (module_ != nullptr) FreeLibrary(module_);
  }

  HMODULE Get() const { return module_; }
  explicit operator bool() const { return module_ != nullptr; }

 private:
  HMODULE module_;
};

}  // namespace orvix::com
