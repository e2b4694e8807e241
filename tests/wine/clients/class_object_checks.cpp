// The exports and the class object, on the module itself: what COM's own caching would
// hide when going through CoGetClassObject.
#include "client.h"

namespace orvix::wine_client {
namespace {

// {11111111-2222-3333-4444-555555555555}: a class the module does not serve.
const CLSID kOtherClass = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};

// An outer object for aggregation that counts the references its inner object passes on
// to it and answers only IUnknown itself.
class OuterObject final : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    ++queries;
    if (IsEqualIID(riid, IID_IUnknown)) {
      *object = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }

  ULONG references = 1;
  int queries = 0;
};

void CheckAggregation(Checks& checks, const ModuleExports& exports) {
  IClassFactory* factory = nullptr;
  exports.getClassObject(CLSID_poslinedisplay, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (!checks.That(factory != nullptr, "the class object for aggregation")) return;
  OuterObject outer;
  void* object = reinterpret_cast<void*>(1);
  checks.Result(factory->CreateInstance(&outer, IID_Iposlinedisplay, &object), CLASS_E_NOAGGREGATION,
                "aggregation asking for Iposlinedisplay is refused");
  checks.That(object == nullptr, "the refused aggregation leaves the pointer null");
  checks.Result(factory->CreateInstance(&outer, IID_IDispatch, &object), CLASS_E_NOAGGREGATION,
                "aggregation asking for IDispatch is refused");
  factory->Release();
  checks.Result(exports.canUnloadNow(), S_OK, "the refused aggregations leave no module lock behind");

  exports.getClassObject(CLSID_poslinedisplay, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  IUnknown* inner = nullptr;
  const HRESULT created = factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner));
  factory->Release();
  if (!checks.Result(created, S_OK, "aggregation asking for IUnknown succeeds")) return;
  checks.That(inner != static_cast<IUnknown*>(&outer), "the aggregated object has its own controlling unknown");
  checks.Result(exports.canUnloadNow(), S_FALSE, "DllCanUnloadNow says no while an aggregated object lives");

  Iposlinedisplay* display = nullptr;
  const ULONG before = outer.references;
  if (checks.Result(inner->QueryInterface(IID_Iposlinedisplay, reinterpret_cast<void**>(&display)), S_OK,
                    "the controlling unknown gives Iposlinedisplay")) {
    checks.Equal(static_cast<long>(outer.references), static_cast<long>(before + 1),
                 "the inner interface's reference goes to the outer object");
    IUnknown* identity = nullptr;
    const int queriesBefore = outer.queries;
    display->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
    checks.That(identity == static_cast<IUnknown*>(&outer) && outer.queries == queriesBefore + 1,
                "QueryInterface on the inner interface asks the outer object");
    if (identity != nullptr) identity->Release();
    IDispatch* dispatch = nullptr;
    checks.Result(display->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK,
                  "an identity the outer object refuses is still answered by the inner object");
    if (dispatch != nullptr) dispatch->Release();
    LONG rc = -1;
    display->COFreezeEvents(VARIANT_TRUE, &rc);
    checks.Equal(rc, 0, "the aggregated object works early-bound");
    display->Release();
    checks.Equal(static_cast<long>(outer.references), static_cast<long>(before),
                 "the inner interface's release goes to the outer object");
  }
  checks.Equal(static_cast<long>(inner->Release()), 0, "releasing the controlling unknown destroys the object");
  checks.Result(exports.canUnloadNow(), S_OK, "DllCanUnloadNow says yes once the aggregated object is gone");
}

void CheckObjectIdentities(Checks& checks, IClassFactory* factory) {
  IUnknown* unknown = nullptr;
  if (!checks.Result(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK,
                     "CreateInstance for IUnknown")) {
    return;
  }
  struct Identity {
    const IID* iid;
    const char* name;
    HRESULT expected;
  };
  const Identity identities[] = {
      {&IID_IUnknown, "IUnknown", S_OK},
      {&IID_IDispatch, "IDispatch", S_OK},
      {&IID_Iposlinedisplay, "Iposlinedisplay", S_OK},
      {&IID_IClassFactory, "IClassFactory", E_NOINTERFACE},
      {&IID_IPersist, "IPersist", E_NOINTERFACE},
  };
  for (const Identity& identity : identities) {
    void* pointer = reinterpret_cast<void*>(1);
    const HRESULT hr = unknown->QueryInterface(*identity.iid, &pointer);
    checks.Result(hr, identity.expected, "object QueryInterface %s", identity.name);
    if (SUCCEEDED(hr)) {
      checks.That(pointer == unknown, "object QueryInterface %s gives the one interface pointer", identity.name);
      static_cast<IUnknown*>(pointer)->Release();
    } else {
      checks.That(pointer == nullptr, "object QueryInterface %s leaves the pointer null", identity.name);
    }
  }
  checks.Result(unknown->QueryInterface(IID_IUnknown, nullptr), E_POINTER, "object QueryInterface with no pointer");
  checks.Equal(static_cast<long>(unknown->AddRef()), 2, "AddRef gives the new count");
  checks.Equal(static_cast<long>(unknown->Release()), 1, "Release gives the new count");

  IDispatch* dispatch = nullptr;
  unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
  UINT count = 0;
  checks.Result(dispatch->GetTypeInfoCount(&count), S_OK, "GetTypeInfoCount");
  checks.Equal(static_cast<long>(count), 1, "GetTypeInfoCount gives 1");
  checks.Result(dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, nullptr), E_POINTER, "GetTypeInfo with no pointer");
  dispatch->Release();
  unknown->Release();
}

}  // namespace

void CheckClassObject(Checks& checks, const wchar_t* dllPath) {
  HMODULE module = LoadLibraryW(dllPath);
  if (!checks.That(module != nullptr, "the module loads")) return;
  ModuleExports exports;
  if (!checks.That(FindExports(module, &exports), "the four exports are found by their plain names")) return;

  checks.Result(exports.canUnloadNow(), S_OK, "DllCanUnloadNow says yes before anything is made");

  void* object = reinterpret_cast<void*>(1);
  checks.Result(exports.getClassObject(kOtherClass, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE,
                "DllGetClassObject for another class");
  checks.That(object == nullptr, "DllGetClassObject for another class leaves the pointer null");
  checks.Result(exports.getClassObject(CLSID_poslinedisplay, IID_IClassFactory, nullptr), E_POINTER,
                "DllGetClassObject with no pointer");
  object = reinterpret_cast<void*>(1);
  checks.Result(exports.getClassObject(CLSID_poslinedisplay, IID_IDispatch, &object), E_NOINTERFACE,
                "DllGetClassObject for an identity the class object lacks");
  checks.That(object == nullptr, "the refused class object request leaves the pointer null");

  IClassFactory* first = nullptr;
  IClassFactory* second = nullptr;
  checks.Result(exports.getClassObject(CLSID_poslinedisplay, IID_IClassFactory, reinterpret_cast<void**>(&first)),
                S_OK, "DllGetClassObject for poslinedisplay");
  checks.Result(exports.getClassObject(CLSID_poslinedisplay, IID_IClassFactory, reinterpret_cast<void**>(&second)),
                S_OK, "DllGetClassObject again");
  if (first == nullptr || second == nullptr) return;
  checks.That(first == second, "both requests give the same class object");
  IUnknown* unknown = nullptr;
  checks.Result(first->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK,
                "class object QueryInterface IUnknown");
  checks.That(unknown == static_cast<IUnknown*>(first), "class object IUnknown is the same pointer");
  if (unknown != nullptr) unknown->Release();
  object = reinterpret_cast<void*>(1);
  checks.Result(first->QueryInterface(IID_IDispatch, &object), E_NOINTERFACE, "class object QueryInterface IDispatch");
  checks.That(object == nullptr, "the refused identity leaves the pointer null");
  checks.Result(exports.canUnloadNow(), S_FALSE, "DllCanUnloadNow says no while a client holds the class object");
  second->Release();
  checks.Result(exports.canUnloadNow(), S_FALSE, "DllCanUnloadNow says no while one reference is left");
  first->Release();
  checks.Result(exports.canUnloadNow(), S_OK, "DllCanUnloadNow says yes once the class object is released");

  IClassFactory* factory = nullptr;
  exports.getClassObject(CLSID_poslinedisplay, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (!checks.That(factory != nullptr, "the class object again")) return;
  checks.Result(factory->LockServer(TRUE), S_OK, "LockServer(TRUE)");
  factory->Release();
  checks.Result(exports.canUnloadNow(), S_FALSE, "DllCanUnloadNow says no while LockServer(TRUE) holds");
  exports.getClassObject(CLSID_poslinedisplay, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  checks.Result(factory->LockServer(FALSE), S_OK, "LockServer(FALSE)");
  factory->Release();
  checks.Result(exports.canUnloadNow(), S_OK, "DllCanUnloadNow says yes once the lock is undone");

  exports.getClassObject(CLSID_poslinedisplay, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  Iposlinedisplay* display = nullptr;
  checks.Result(factory->CreateInstance(nullptr, IID_Iposlinedisplay, nullptr), E_POINTER,
                "CreateInstance with no pointer");
  object = reinterpret_cast<void*>(1);
  checks.Result(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE,
                "CreateInstance for an identity the object lacks");
  checks.That(object == nullptr, "the failed creation leaves the pointer null");
  checks.Result(factory->CreateInstance(nullptr, IID_Iposlinedisplay, reinterpret_cast<void**>(&display)), S_OK,
                "CreateInstance for Iposlinedisplay");
  factory->Release();
  checks.Result(exports.canUnloadNow(), S_FALSE, "DllCanUnloadNow says no while an object lives");
  if (display != nullptr) display->Release();
  checks.Result(exports.canUnloadNow(), S_OK, "DllCanUnloadNow says yes once the object is gone");

  CheckAggregation(checks, exports);
  exports.getClassObject(CLSID_poslinedisplay, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  CheckObjectIdentities(checks, factory);
  factory->Release();
  checks.Result(exports.canUnloadNow(), S_OK, "DllCanUnloadNow says yes at the end");
}

}  // namespace orvix::wine_client
