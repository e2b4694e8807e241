// Registration of the module: the class and ProgID keys from the registration script
// REGISTRY 102, and the type library.
#pragma once

#include <windows.h>

namespace orvix::com {

// The object-map routine of poslinedisplay: runs the registration script carried in the
// module in register or unregister mode.
HRESULT UpdatePoslinedisplayRegistry(bool doRegister);

// DllRegisterServer: S_OK or the first failure.
HRESULT RegisterServer();

// DllUnregisterServer: always S_OK.
HRESULT UnregisterServer();

}  // namespace orvix::com
