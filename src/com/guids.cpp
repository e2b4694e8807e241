// Storage for the GUIDs that the widl header declares: the interface, the class and the
// type library. Everything the header includes comes first, so that only its own GUIDs
// are defined here.
#include <windows.h>
#include <rpc.h>
#include <rpcndr.h>
#include <ole2.h>
#undef CreateWindow
#undef OpenService

#include <initguid.h>

#include "orvix_idl.h"
