// Owners for the COM and Automation resources the shell holds for a while: an interface
// pointer, a BSTR, a VARIANT. Each gives its resource back exactly once.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <utility>

namespace orvix::com {

// One reference to an interface.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : pointer_(other.Detach()) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) Reset(other.Detach());
    return *this;
  }
  ~ComPtr() { Reset(); }

  // Takes over a reference the caller already holds.
  static ComPtr Adopt(Interface* pointer) {
    ComPtr result;
    result.pointer_ = pointer;
    return result;
  }

  Interface* Get() const { return pointer_; }
  Interface* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  // Where a function that hands out a reference writes it; drops the one held before.
  Interface** Put() {
    Reset();
    return &pointer_;
  }
  Interface* Detach() { return std::exchange(pointer_, nullptr); }
  void Reset(Interface* pointer = nullptr) {
    Interface* old = std::exchange(pointer_, pointer);
    if (old != nullptr) old->Release();
  }

 private:
  Interface* pointer_ = nullptr;
};

// A BSTR that this code allocated and frees.
class UniqueBstr {
 public:
  UniqueBstr() = default;
  explicit UniqueBstr(BSTR text) : text_(text) {}
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;
  UniqueBstr(UniqueBstr&& other) noexcept : text_(other.Detach()) {}
  UniqueBstr& operator=(UniqueBstr&& other) noexcept {
    if (this != &other) SysFreeString(std::exchange(text_, other.Detach()));
    return *this;
  }
  ~UniqueBstr() { SysFreeString(text_); }

  BSTR Get() const { return text_; }
  BSTR* Put() {
    SysFreeString(std::exchange(text_, nullptr));
    return &text_;
  }
  BSTR Detach() { return std::exchange(text_, nullptr); }

 private:
  BSTR text_ = nullptr;
};

// A VARIANT that is cleared when it goes.
class UniqueVariant {
 public:
  UniqueVariant() { VariantInit(&value_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  ~UniqueVariant() { VariantClear(&value_); }

  VARIANT* Get() { return &value_; }
  const VARIANT* Get() const { return &value_; }

 private:
  VARIANT value_;
};

}  // namespace orvix::com
