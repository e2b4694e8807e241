// Storage for the GUIDs of the widl header, as in the DLL.
#include <windows.h>
#include <rpc.h>
#include <rpcndr.h>
#include <ole2.h>
#undef CreateWindow
#undef OpenService

#include <initguid.h>

#include "orvix_idl.h"
