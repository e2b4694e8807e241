// The registered type library, read back through the object's own GetTypeInfo: the
// contract that callers compiled against the interface and the Control Object rely on.
#include <cstdio>
#include <cstring>

#include "client.h"
#include "method_table.h"

namespace orvix::wine_client {
namespace {

// {00020430-0000-0000-C000-000000000046}: the OLE Automation library (stdole2.tlb).
const GUID kStdOleLibrary = {0x00020430, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

#ifdef _WIN64
constexpr SYSKIND kSystemKind = SYS_WIN64;
#else
constexpr SYSKIND kSystemKind = SYS_WIN32;
#endif

bool Same(BSTR actual, const char* expected) {
  return actual != nullptr && Wide(expected) == std::wstring(actual, SysStringLen(actual));
}

void CheckLibrary(Checks& checks, ITypeLib* library) {
  TLIBATTR* attributes = nullptr;
  if (checks.Result(library->GetLibAttr(&attributes), S_OK, "GetLibAttr")) {
    checks.That(IsEqualGUID(attributes->guid, LIBID_ORVIXLib), "the library's LIBID");
    checks.That(attributes->wMajorVerNum == 1 && attributes->wMinorVerNum == 0, "the library's version 1.0");
    checks.Equal(static_cast<long>(attributes->lcid), 0, "the library is locale-neutral");
    checks.Equal(attributes->syskind, kSystemKind, "the library's system kind fits the module");
    // The loader adds LIBFLAG_FHASDISKIMAGE for a library read from a file.
    checks.Equal(attributes->wLibFlags & ~LIBFLAG_FHASDISKIMAGE, 0, "the library has no flags of its own");
    library->ReleaseTLibAttr(attributes);
  }
  UniqueBstr name, help, helpFile;
  library->GetDocumentation(-1, name.put(), help.put(), nullptr, helpFile.put());
  checks.That(Same(name.get(), "ORVIXLib"), "the library is called ORVIXLib");
  checks.That(Same(help.get(), "ORVIX 1.0 Type Library"), "the library's help string");
  checks.That(helpFile.get() == nullptr, "the library names no help file");
  checks.Equal(static_cast<long>(library->GetTypeInfoCount()), 2, "the library holds two type descriptions");

  struct Entry {
    const char* name;
    const char* help;
    TYPEKIND kind;
  };
  const Entry entries[] = {{"poslinedisplay", "poslinedisplay Class", TKIND_COCLASS},
                           {"Iposlinedisplay", "Iposlinedisplay Interface", TKIND_DISPATCH}};
  for (UINT index = 0; index < 2; ++index) {
    TYPEKIND kind = TKIND_MAX;
    library->GetTypeInfoType(index, &kind);
    UniqueBstr entryName, entryHelp;
    library->GetDocumentation(static_cast<INT>(index), entryName.put(), entryHelp.put(), nullptr, nullptr);
    checks.That(kind == entries[index].kind && Same(entryName.get(), entries[index].name) &&
                    Same(entryHelp.get(), entries[index].help),
                "type description %u is %s (\"%s\")", index, entries[index].name, entries[index].help);
  }

  ComPtr<ITypeInfo> coclass;
  if (checks.Result(library->GetTypeInfoOfGuid(CLSID_poslinedisplay, coclass.put()), S_OK, "the class's description")) {
    TYPEATTR* type = nullptr;
    coclass->GetTypeAttr(&type);
    checks.That(type->typekind == TKIND_COCLASS && (type->wTypeFlags & TYPEFLAG_FCANCREATE) && type->cImplTypes == 1 &&
                    type->wMajorVerNum == 0 && type->wMinorVerNum == 0,
                "poslinedisplay is creatable, with one interface and no version of its own");
    coclass->ReleaseTypeAttr(type);
    INT flags = 0;
    coclass->GetImplTypeFlags(0, &flags);
    HREFTYPE reference = 0;
    ComPtr<ITypeInfo> implemented;
    coclass->GetRefTypeOfImplType(0, &reference);
    coclass->GetRefTypeInfo(reference, implemented.put());
    TYPEATTR* implementedType = nullptr;
    if (implemented) implemented->GetTypeAttr(&implementedType);
    checks.That(flags == IMPLTYPEFLAG_FDEFAULT && implementedType != nullptr &&
                    IsEqualGUID(implementedType->guid, IID_Iposlinedisplay),
                "Iposlinedisplay is the class's default interface");
    if (implementedType != nullptr) implemented->ReleaseTypeAttr(implementedType);
  }
}

void CheckMethod(Checks& checks, ITypeInfo* interfaceInfo, UINT index, const MethodRow& row) {
  FUNCDESC* function = nullptr;
  if (!checks.Result(interfaceInfo->GetFuncDesc(index, &function), S_OK, "description of %s", row.name)) return;
  checks.That(function->memid == row.dispId && function->funckind == FUNC_PUREVIRTUAL &&
                  function->invkind == INVOKE_FUNC && function->callconv == CC_STDCALL &&
                  function->elemdescFunc.tdesc.vt == VT_HRESULT && function->cParamsOpt == 0,
              "%s: DISPID %ld, a plain stdcall method returning HRESULT", row.name, row.dispId);
  // The slot after QueryInterface, AddRef, Release and the four IDispatch methods.
  checks.Equal(function->oVft, static_cast<long>((7 + index) * sizeof(void*)), "%s: vtable slot %u", row.name,
               7 + index);
  checks.Equal(function->cParams, row.parameterCount, "%s: parameter count", row.name);

  BSTR names[9] = {};
  UINT nameCount = 0;
  interfaceInfo->GetNames(function->memid, names, 9, &nameCount);
  checks.That(Same(names[0], row.name), "%s: name", row.name);
  for (int parameter = 0; parameter < row.parameterCount && parameter < function->cParams; ++parameter) {
    const ParameterRow& expected = row.parameters[parameter];
    const ELEMDESC& actual = function->lprgelemdescParam[parameter];
    const TYPEDESC& type = actual.tdesc;
    const bool typeMatches = expected.pointer
                                 ? type.vt == VT_PTR && type.lptdesc != nullptr && type.lptdesc->vt == expected.type
                                 : type.vt == expected.type ||
                                       (expected.type == VT_DISPATCH && type.vt == VT_PTR && type.lptdesc != nullptr &&
                                        type.lptdesc->vt == VT_USERDEFINED);
    const USHORT flags = actual.paramdesc.wParamFlags & (PARAMFLAG_FIN | PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
    checks.That(static_cast<UINT>(parameter + 1) < nameCount && Same(names[parameter + 1], expected.name) &&
                    typeMatches && flags == expected.flags,
                "%s: parameter %d is %s with its type and direction", row.name, parameter + 1, expected.name);
  }
  for (BSTR& name : names) SysFreeString(name);

  UniqueBstr help;
  interfaceInfo->GetDocumentation(function->memid, nullptr, help.put(), nullptr, nullptr);
  checks.That(Same(help.get(), (std::string("method ") + row.name).c_str()), "%s: help string", row.name);
  interfaceInfo->ReleaseFuncDesc(function);
}

void CheckInterface(Checks& checks, ITypeInfo* dispatchInfo) {
  TYPEATTR* type = nullptr;
  dispatchInfo->GetTypeAttr(&type);
  checks.That(type->typekind == TKIND_DISPATCH && (type->wTypeFlags & TYPEFLAG_FDUAL) &&
                  (type->wTypeFlags & TYPEFLAG_FDISPATCHABLE) && IsEqualGUID(type->guid, IID_Iposlinedisplay) &&
                  type->wMajorVerNum == 0 && type->wMinorVerNum == 0,
              "Iposlinedisplay is a dual, dispatchable interface without a version");
  dispatchInfo->ReleaseTypeAttr(type);

  // The vtable view of the dual interface.
  HREFTYPE reference = 0;
  ComPtr<ITypeInfo> interfaceInfo;
  dispatchInfo->GetRefTypeOfImplType(static_cast<UINT>(-1), &reference);
  if (!checks.Result(dispatchInfo->GetRefTypeInfo(reference, interfaceInfo.put()), S_OK, "the vtable interface")) return;
  interfaceInfo->GetTypeAttr(&type);
  checks.That(type->typekind == TKIND_INTERFACE && type->cFuncs == kMethodCount && type->cImplTypes == 1,
              "the vtable interface lists the 29 methods and one base");
  checks.That((type->wTypeFlags & TYPEFLAG_FOLEAUTOMATION) && (type->wTypeFlags & TYPEFLAG_FDUAL),
              "the vtable interface is OLE-Automation compatible");
  interfaceInfo->ReleaseTypeAttr(type);

  ComPtr<ITypeInfo> base;
  interfaceInfo->GetRefTypeOfImplType(0, &reference);
  interfaceInfo->GetRefTypeInfo(reference, base.put());
  UniqueBstr baseName;
  ComPtr<ITypeLib> baseLibrary;
  UINT baseIndex = 0;
  TLIBATTR* baseAttributes = nullptr;
  if (base) {
    base->GetDocumentation(MEMBERID_NIL, baseName.put(), nullptr, nullptr, nullptr);
    base->GetContainingTypeLib(baseLibrary.put(), &baseIndex);
  }
  if (baseLibrary) baseLibrary->GetLibAttr(&baseAttributes);
  checks.That(Same(baseName.get(), "IDispatch") && baseAttributes != nullptr &&
                  IsEqualGUID(baseAttributes->guid, kStdOleLibrary) && baseAttributes->wMajorVerNum == 2,
              "the interface derives from IDispatch of stdole2.tlb 2.0");
  if (baseAttributes != nullptr) baseLibrary->ReleaseTLibAttr(baseAttributes);

  for (UINT index = 0; index < kMethodCount; ++index) CheckMethod(checks, interfaceInfo.get(), index, kMethods[index]);
}

}  // namespace

void CheckTypeLibrary(Checks& checks) {
  ComPtr<IDispatch> dispatch;
  if (!checks.Result(CoCreateInstance(CLSID_poslinedisplay, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                      reinterpret_cast<void**>(dispatch.put())),
                     S_OK, "CoCreateInstance for IDispatch")) {
    return;
  }
  ComPtr<ITypeInfo> dispatchInfo;
  if (!checks.Result(dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, dispatchInfo.put()), S_OK, "GetTypeInfo")) return;
  ComPtr<ITypeLib> library;
  UINT index = 0;
  if (checks.Result(dispatchInfo->GetContainingTypeLib(library.put(), &index), S_OK, "the containing library")) {
    CheckLibrary(checks, library.get());
  }
  CheckInterface(checks, dispatchInfo.get());
}

}  // namespace orvix::wine_client
