#pragma once
#include <windows.h>

namespace orvix::win32 {

// Owns one kernel object handle and closes it exactly once. The creating functions disagree
// on what failure looks like (CreateFileA gives INVALID_HANDLE_VALUE, CreateEventA null), so
// each kind of handle names its own empty value.
template <typename Traits>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }

  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != Traits::Empty(); }

  // Gives the handle up without closing it.
  HANDLE release() {
    HANDLE handle = handle_;
    handle_ = Traits::Empty();
    return handle;
  }

  // Closes the handle held, if any, and holds `handle` instead.
  void reset(HANDLE handle = Traits::Empty()) {
    if (handle_ != Traits::Empty() && handle_ != handle) CloseHandle(handle_);
    handle_ = handle;
  }

 private:
  HANDLE handle_ = Traits::Empty();
};

struct FileHandleTraits {
  static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
};
struct NullHandleTraits {
  static HANDLE Empty() { return nullptr; }
};

// A file, device or pipe from CreateFileA.
using UniqueFile = UniqueHandle<FileHandleTraits>;
// An event from CreateEventA.
using UniqueEvent = UniqueHandle<NullHandleTraits>;

}  // namespace orvix::win32
