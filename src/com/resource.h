// Resource identifiers of ORVIX.DLL. The registrar finds its script by IDR_POSLINEDISPLAY
// and type library loaders find the library as TYPELIB 1, so neither number may change.
#pragma once

#define IDR_TYPELIB 1
#define IDS_PROJNAME 100
#define IDR_POSLINEDISPLAY 102
