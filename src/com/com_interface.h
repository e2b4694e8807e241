// The interface, class and library of ORVIX.DLL as widl generated them from orvix.idl.
#pragma once

#include <windows.h>
#include <ole2.h>

// <windows.h> turns CreateWindow and OpenService into their ANSI functions; here they are
// the interface's methods.
#undef CreateWindow
#undef OpenService

#include "orvix_idl.h"
