// The 29 methods of Iposlinedisplay as callers rely on them: DISPID, name, and each
// parameter's name, type and direction, the result parameter included.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace orvix::wine_client {

struct ParameterRow {
  const char* name;
  VARTYPE type;  // VT_I4, VT_BOOL, VT_BSTR, VT_DISPATCH; for pointers the type pointed to
  bool pointer;
  USHORT flags;  // PARAMFLAG_FIN, PARAMFLAG_FOUT, PARAMFLAG_FRETVAL
};

struct MethodRow {
  DISPID dispId;
  const char* name;
  int parameterCount;
  ParameterRow parameters[8];
};

constexpr int kMethodCount = 29;
extern const MethodRow kMethods[kMethodCount];

// The OPOS LineDisplay Control Object's binding order: it asks for these names one at a
// time and stops at the first that does not resolve.
extern const char* const kControlObjectNameOrder[kMethodCount];

// The table row of the method `name`, or null.
const MethodRow* FindMethod(const char* name);

}  // namespace orvix::wine_client
