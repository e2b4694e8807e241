#pragma once
#include <cstdint>

namespace orvix::registrar {

// The registrar answers with COM results (HRESULT numbers), which the module's exports hand
// on unchanged.
constexpr int32_t kOk = 0;                                                   // S_OK
constexpr int32_t kFail = static_cast<int32_t>(0x80004005u);                 // E_FAIL
constexpr int32_t kDispatchException = static_cast<int32_t>(0x80020009u);    // DISP_E_EXCEPTION

constexpr bool Failed(int32_t result) { return result < 0; }

}  // namespace orvix::registrar
