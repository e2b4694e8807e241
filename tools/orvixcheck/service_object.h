#pragma once
#include <windows.h>
#include <oleauto.h>

#include <map>
#include <string>
#include <vector>

#include "win32/unique_any.h"

namespace orvixcheck {

// An argument of a late-bound call.
class Argument {
 public:
  static Argument Number(long value);
  static Argument Text(const std::string& value);  // ANSI text
  static Argument NoObject();                      // a null IDispatch
  ~Argument();
  Argument(const Argument& other);
  Argument& operator=(const Argument&) = delete;

  const VARIANT& variant() const { return variant_; }

 private:
  Argument();
  VARIANT variant_;
};

// OPOS.ORVIX, created and called the way the OPOS LineDisplay Control Object does it: by
// its ProgID, bound by name one method at a time, every call an Invoke with the result in
// the result VARIANT.
class ServiceObject {
 public:
  ServiceObject() = default;
  ServiceObject(const ServiceObject&) = delete;
  ServiceObject& operator=(const ServiceObject&) = delete;

  // Creates the object and binds the twenty methods of a release 1.0 service object.
  // On failure `*problem` says what is wrong with the registration.
  HRESULT Create(std::string* problem);

  // Calls `method` with `arguments` in their published order; `*number` or `*text` get the
  // result when given.
  HRESULT Call(const wchar_t* method, const std::vector<Argument>& arguments, long* number = nullptr,
               std::string* text = nullptr);

  // The file the object's code came from.
  std::string ModulePath() const;

 private:
  orvix::win32::ComPtr<IDispatch> object_;
  std::map<std::wstring, DISPID> dispids_;
};

// The HRESULT with its meaning for someone checking an installation.
std::string DescribeResult(HRESULT hr);

}  // namespace orvixcheck
