// The Wine client: ORVIX.DLL driven as the Control Object drives it, in step with
// tests/wine/harness.py, which stages the virtual display: it plays every case of the
// transcripts, then checks what transcripts cannot say.
#include <windows.h>
#include <oleauto.h>

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "com/com_interface.h"
#include "win32/unique_any.h"
#include "runner/transcript.h"

namespace {

using orvix::win32::ComPtr;
using orvix::win32::UniqueEvent;
using orvix::win32::UniqueFile;
using orvix::win32::UniqueModule;
using namespace orvix::transcript;

// A VARIANT that clears itself (VARIANTs are outside the owners of handles).
struct UniqueVariant {
  UniqueVariant() { VariantInit(&value); }
  UniqueVariant(const UniqueVariant&) = delete;
  ~UniqueVariant() { VariantClear(&value); }
  VARIANT* get() { return &value; }
  VARIANT value;
};

constexpr long kInvokeFailed = -0x7FFF0001;
const char* const kLineDisplayKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\LineDisplay";
const char* const kDeviceKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\LineDisplay\\ORVIX";

VARIANT Long(long value) { VARIANT v; V_VT(&v) = VT_I4, V_I4(&v) = value; return v; }
VARIANT Ref(VARIANT* target) { VARIANT v; V_VT(&v) = VT_BYREF | VT_VARIANT, V_VARIANTREF(&v) = target; return v; }  // as VBScript passes its variables
VARIANT Dispatch(IDispatch* dispatch) { VARIANT v; V_VT(&v) = VT_DISPATCH, V_DISPATCH(&v) = dispatch; return v; }
VARIANT Text(const std::wstring& value) {
  VARIANT v;
  V_VT(&v) = VT_BSTR, V_BSTR(&v) = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
  return v;
}

// The object made through the ProgID and bound by name; every call is
// Invoke(DISPATCH_METHOD, LOCALE_USER_DEFAULT) with the arguments last first.
class Service {
 public:
  HRESULT Create() {
    CLSID clsid;
    ComPtr<IUnknown> unknown;
    HRESULT hr = CLSIDFromProgID(L"OPOS.ORVIX", &clsid);
    if (SUCCEEDED(hr)) hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(unknown.put()));
    if (SUCCEEDED(hr)) hr = unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch_.put()));
    const std::string methods = kMethods;  // bound one at a time, in its order
    for (size_t at = 1; at < methods.size(); at = methods.find(' ', at) + 1) {
      const std::string name = methods.substr(at, methods.find(':', at) - at);
      std::wstring wide(name.begin(), name.end());
      LPOLESTR names[] = {&wide[0]};
      if (SUCCEEDED(hr)) hr = dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &ids_[name]);
    }
    return hr;
  }
  void Release() { dispatch_.reset(); }
  IDispatch* dispatch() const { return dispatch_.get(); }
  DISPID Id(const std::string& name) { return ids_.count(name) ? ids_[name] : DISPID_UNKNOWN; }

  // Takes the arguments in declaration order and clears those that are not references.
  HRESULT Call(const std::string& name, std::vector<VARIANT> arguments, VARIANT* result) {
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    VariantInit(result);
    const HRESULT hr = dispatch_->Invoke(Id(name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result, nullptr, nullptr);
    for (VARIANT& argument : arguments) {
      if (!(V_VT(&argument) & VT_BYREF) && V_VT(&argument) != VT_DISPATCH) VariantClear(&argument);
    }
    return hr;
  }
  // The result code (or a getter's number); kInvokeFailed when Invoke failed.
  long Rc(const std::string& name, std::vector<VARIANT> arguments) {
    UniqueVariant result;
    const HRESULT hr = Call(name, std::move(arguments), result.get());
    return SUCCEEDED(hr) && SUCCEEDED(VariantChangeType(result.get(), result.get(), 0, VT_I4)) ? V_I4(result.get())
                                                                                              : kInvokeFailed;
  }
  long Open() { return Rc("OpenService", {Text(L"LineDisplay"), Text(L"ORVIX"), Dispatch(dispatch_.get())}); }

 private:
  ComPtr<IDispatch> dispatch_;
  std::map<std::string, DISPID> ids_;
};

std::string ReadFile(const std::string& path) {
  std::stringstream text;
  return text << std::ifstream(path, std::ios::binary).rdbuf(), text.str();
}

// One turn with the harness: NNNN.step holds the line, NNNN.go the harness's answer ("ok").
std::string Meet(const std::string& line) {
  static int turn = 0;
  char name[16];
  std::snprintf(name, sizeof name, "%04d", ++turn);
  const std::string step = std::string(name) + ".step", go = std::string(name) + ".go";
  std::ofstream(step + ".part", std::ios::binary) << line;  // renamed whole: never read half-written
  if (!MoveFileExA((step + ".part").c_str(), step.c_str(), MOVEFILE_REPLACE_EXISTING)) return "cannot write " + step;
  for (const DWORD start = GetTickCount(); GetFileAttributesA(go.c_str()) == INVALID_FILE_ATTRIBUTES; Sleep(1)) {
    if (GetTickCount() - start > 60000) return "the harness did not answer " + line;
  }
  const std::string answer = ReadFile(go);
  return answer == "ok" ? "" : answer;
}

LSTATUS SetValue(const std::string& key, const std::string& name, DWORD type, const std::string& data) {
  return RegSetKeyValueA(HKEY_LOCAL_MACHINE, key.c_str(), name.empty() ? nullptr : name.c_str(), type, data.data(),
                         static_cast<DWORD>(data.size()));
}

// The profile that every case starts from, alone in the device class key of this program's
// own registry view: the display on COM7 at 9600 8N1, the log on, the logical name PoleDisplay.
bool ResetProfile() {
  const std::pair<const char*, const char*> texts[] = {{"", "OPOS.ORVIX"}, {"DeviceType", "COM"}, {"COMPORT", "COM7"},
      {"Baud", "9600"}, {"Parity", "0"}, {"DataLength", "8"}, {"StopBit", "0"}};
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, kLineDisplayKey);
  LSTATUS status = SetValue(kLineDisplayKey, "PoleDisplay", REG_SZ, std::string("ORVIX", 6));
  for (const auto& [name, text] : texts) {
    if (status == ERROR_SUCCESS) status = SetValue(kDeviceKey, name, REG_SZ, std::string(text) + '\0');
  }
  return status == ERROR_SUCCESS && SetValue(kDeviceKey, "Option", REG_DWORD, std::string("\x10\0\0\0", 4)) == ERROR_SUCCESS;
}

class WineStage : public Stage {
 public:
  std::string Begin(const Case& c) override {
    byref_ = c.byrefArguments;
    if (GetModuleHandleW(L"ORVIX.DLL") != nullptr) return "ORVIX.DLL stayed loaded after the previous case";
    DeleteFileA("OPOSDebug.txt");
    if (!ResetProfile()) return "cannot write the default profile";
    const std::string staged = Meet("begin");
    const HRESULT hr = staged.empty() ? service_.Create() : S_OK;
    return !staged.empty() ? staged : SUCCEEDED(hr) ? "" : "the object cannot be made and bound: " + Hex(hr);
  }

  std::string Arrange(const Step& step) override {
    const std::vector<Value>& o = step.operands;
    const std::string failed = "cannot write " + step.line;
    if (step.kind == Step::Kind::kProfile) {
      const std::string name = Bytes8(o[0].text), type = Bytes8(o[1].text);
      if (type == "delete") return RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kDeviceKey, name.c_str()), "";
      std::string data = o.size() > 2 ? Bytes8(o[2].text) + '\0' : "";
      const DWORD number = o.size() > 2 ? static_cast<DWORD>(o[2].number) : 0, kind =
          type == "dword" ? REG_DWORD : type == "multi_sz" ? REG_MULTI_SZ : type == "binary" ? REG_BINARY : REG_SZ;
      if (kind == REG_MULTI_SZ) data += '\0';
      if (kind == REG_DWORD) data.assign(reinterpret_cast<const char*>(&number), 4);
      if (kind == REG_BINARY) data.assign(step.bytes.begin(), step.bytes.end());
      return SetValue(kDeviceKey, name, kind, data) == ERROR_SUCCESS ? "" : failed;
    }
    if (step.kind == Step::Kind::kAlias) {
      return SetValue(kLineDisplayKey, Bytes8(o[0].text), REG_SZ, Bytes8(o[1].text) + '\0') == ERROR_SUCCESS ? "" : failed;
    }
    if (step.kind == Step::Kind::kLogFile) {  // held open without sharing until the case ends
      blocked_.reset(CreateFileA("OPOSDebug.txt", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr));
      return blocked_ ? "" : "cannot hold OPOSDebug.txt";
    }
    return step.kind == Step::Kind::kDisplay ? Meet(step.line) : "not possible under Wine: " + step.line;
  }

  std::string Invoke(const Step& call, Value* result, double* elapsedMs) override {
    // Pointer parameters (DirectIO's pData and pString, ReadCharacterAtCursor's pChar,
    // CompareFirmwareVersion's pResult) get a reference to a variable, as the Control Object
    // passes them. With `args byref` every argument is a reference to a VARIANT, numbers as
    // VT_I2 where they fit, as VBScript passes its variables.
    const std::string& m = call.method;
    std::vector<VARIANT> values(call.operands.size()), arguments;
    for (size_t i = 0; i < values.size(); ++i) {
      const Value& operand = call.operands[i];
      VARIANT& value = values[i];
      value = operand.isText ? Text(std::wstring(operand.text.begin(), operand.text.end())) : Long(static_cast<long>(operand.number));
      const bool pointer = (m == "DirectIO" && i > 0) || m == "ReadCharacterAtCursor" || (m == "CompareFirmwareVersion" && i == 1);
      if (byref_ && !operand.isText && operand.number == static_cast<SHORT>(operand.number)) {
        V_VT(&value) = VT_I2, V_I2(&value) = static_cast<SHORT>(operand.number);
      }
      // A VT_BOOL holding the number itself, so that a 1 reaches the object as an early-bound
      // caller's 1 does instead of being turned into -1 on the way.
      if (m == "COFreezeEvents" && !byref_) V_VT(&value) = VT_BOOL, V_BOOL(&value) = static_cast<VARIANT_BOOL>(operand.number);
      VARIANT argument = byref_ ? Ref(&value) : value;
      if (pointer && !byref_) V_VT(&argument) = VT_BYREF | V_VT(&value), V_BYREF(&argument) = &V_I4(&value);
      arguments.push_back(argument);
    }
    if (m == "OpenService") arguments.push_back(Dispatch(service_.dispatch()));
    UniqueVariant out;
    const auto start = std::chrono::steady_clock::now();
    const HRESULT hr = service_.Call(m, arguments, out.get());
    *elapsedMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    for (size_t i = 0; i < values.size(); ++i) {
      if (byref_ || (V_VT(&arguments[i]) & VT_BYREF)) VariantClear(&values[i]);
    }
    VARIANT* r = out.get();
    if (FAILED(hr)) return "Invoke failed: " + Hex(hr);
    if (V_VT(r) == VT_BSTR) return *result = Value{true, 0, std::u16string(V_BSTR(r), V_BSTR(r) + SysStringLen(V_BSTR(r)))}, "";
    if (V_VT(r) == VT_EMPTY) return "";
    return FAILED(VariantChangeType(r, r, 0, VT_I4)) ? "the result is no number" : (result->number = V_I4(r), "");
  }

  std::string Inspect(const Step& step) override { return Meet(step.line); }

  std::string LogFileBytes() override { return blocked_.reset(), ReadFile("OPOSDebug.txt"); }

  void End() override {
    blocked_.reset();
    service_.Release();
    CoFreeUnusedLibrariesEx(0, 0);  // so that the next case meets a freshly loaded DLL
  }

  bool ExactClock() const override { return false; }

 private:
  static std::string Hex(HRESULT hr) { return orvix::transcript::Hex({uint8_t(hr >> 24), uint8_t(hr >> 16), uint8_t(hr >> 8), uint8_t(hr)}); }

  Service service_;
  UniqueFile blocked_;
  bool byref_ = false;
};

int PlayAll(int count, char** files) {
  int played = 0, failed = 0, hostOnly = 0;
  WineStage stage;
  for (int i = 0; i < count; ++i) {
    std::vector<Case> cases;
    std::string error;
    if (!Parse(ReadFile(files[i]), files[i], &cases, &error)) std::printf("FAIL %s\n", error.c_str()), ++failed;
    for (const Case& c : cases) {
      const std::string why = c.hostOnly ? "" : Play(c, stage);
      played += !c.hostOnly, hostOnly += c.hostOnly, failed += !why.empty();
      std::printf("%s %s%s%s\n", c.hostOnly ? "host-only" : why.empty() ? "ok" : "FAIL", c.name.c_str(),
                  why.empty() ? "" : ": ", why.c_str());
      std::fflush(stdout);
    }
  }
  std::printf("%d played, %d failed, %d host-only\n", played, failed, hostOnly);
  return failed == 0 && played > 0 ? 0 : 1;
}

int g_passed = 0, g_failed = 0;

__attribute__((format(printf, 2, 3))) bool Check(bool passed, const char* what, ...) {
  va_list arguments;
  va_start(arguments, what);
  std::fputs(passed ? "ok " : "FAIL ", stdout);
  std::vprintf(what, arguments);
  std::puts("");
  std::fflush(stdout);
  va_end(arguments);
  return (passed ? g_passed : g_failed)++, passed;
}

// Wine hands out the lowest free handle slot: a handle kept below it pushes a fresh one up.
// (GetProcessHandleCount and GetProcessMemoryInfo tell nothing under Wine.)
uintptr_t FreshHandleValue() {
  const UniqueEvent event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  return reinterpret_cast<uintptr_t>(event.get());
}

size_t CommittedPrivateBytes() {
  size_t total = 0;
  MEMORY_BASIC_INFORMATION region;
  for (const char* at = nullptr; VirtualQuery(at, &region, sizeof region) == sizeof region;) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
    const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return total;
}

// An outer object for aggregation that counts the references the inner one passes to it.
struct Outer final : IUnknown {
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override { return *object = this, ++references, S_OK; }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  ULONG references = 1;
};

void ClassObject(const wchar_t* dllPath) {
  const UniqueModule module(LoadLibraryW(dllPath));
  auto getClassObject = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
      reinterpret_cast<void*>(GetProcAddress(module.get(), "DllGetClassObject")));
  auto canUnloadNow =
      reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(GetProcAddress(module.get(), "DllCanUnloadNow")));
  if (!Check(getClassObject && canUnloadNow, "the module loads and exports its class object")) return;
  ComPtr<IClassFactory> factory;
  getClassObject(CLSID_poslinedisplay, IID_IClassFactory, reinterpret_cast<void**>(factory.put()));
  if (!Check(factory && canUnloadNow() == S_FALSE, "DllCanUnloadNow says no while the class object is held")) return;
  Outer outer;
  void* object = reinterpret_cast<void*>(1);
  Check(factory->CreateInstance(&outer, IID_IDispatch, &object) == CLASS_E_NOAGGREGATION && !object,
        "aggregation asking for anything but IUnknown is refused");
  IUnknown* inner = nullptr;
  if (Check(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)) == S_OK && inner,
            "aggregation asking for IUnknown gives the inner object")) {
    ComPtr<IDispatch> dispatch;
    IUnknown* identity = nullptr;
    inner->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.put()));
    if (dispatch) dispatch->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
    dispatch.reset();
    Check(identity == &outer && outer.references == 2, "its interfaces answer for the outer object and count on it");
    Check(inner->Release() == 0, "releasing the inner object destroys it");
  }
  Check(factory->LockServer(TRUE) == S_OK && (factory.reset(), canUnloadNow()) == S_FALSE,
        "DllCanUnloadNow says no while the server is locked");
  getClassObject(CLSID_poslinedisplay, IID_IClassFactory, reinterpret_cast<void**>(factory.put()));
  factory->LockServer(FALSE);
  factory.reset();
  Check(canUnloadNow() == S_OK, "DllCanUnloadNow says yes once everything is released");
}

// A DeviceID that names no display: the message box goes to the log exactly when this
// process's window station is not visible, as the same query here says. Then the display
// that is not there.
void UsbDisplays() {
  DWORD id = 0x1001;
  RegSetKeyValueA(HKEY_LOCAL_MACHINE, kDeviceKey, "DeviceType", REG_SZ, "USB", 4);
  RegSetKeyValueA(HKEY_LOCAL_MACHINE, kDeviceKey, "DeviceID", REG_DWORD, &id, 4);
  USEROBJECTFLAGS flags = {};
  const bool known = GetUserObjectInformationA(GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags, nullptr);
  const bool visible = (flags.dwFlags & WSF_VISIBLE) != 0;
  Service service;
  DeleteFileA("OPOSDebug.txt");
  const long rc = SUCCEEDED(service.Create()) ? service.Open() : kInvokeFailed;
  const bool logged = ReadFile("OPOSDebug.txt").find(":message box not shown") != std::string::npos;
  Check(known && rc == 106 && logged != visible, "an unknown USB display is told in a %s (window station %s)",
        logged ? "log line" : "message box", visible ? "visible" : "not visible");
  id = 0x1101;
  RegSetKeyValueA(HKEY_LOCAL_MACHINE, kDeviceKey, "DeviceID", REG_DWORD, &id, 4);
  uintptr_t before = 0;
  for (int round = 0; round < 6; ++round) {
    if (round == 2) before = FreshHandleValue();  // the first rounds may load modules that stay
    service.Open(), service.Open(), service.Rc("CloseService", {});
  }
  Check(FreshHandleValue() == before, "a USB display not there: opening twice and closing, again and again, keeps no handle");
}

// The host application's window: a posted message calls DisplayText while OpenService waits
// for the display's late answer, pumping the thread's messages between its reads. This client
// pumps no messages of its own, so a message handled at all was handled inside OpenService.
Service* g_service = nullptr;
long g_insideRc = -1;

LRESULT CALLBACK HostWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_APP) return DefWindowProcW(window, message, wParam, lParam);
  g_insideRc = g_service->Rc("DisplayText", {Text(L"IN"), Long(0)});
  return 0;
}

void Reentry() {
  Service service;
  g_service = &service;
  const WNDCLASSW windowClass = {0, HostWindow, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, L"OrvixHost"};
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, L"OrvixHost", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  const std::string staged = Meet("display late 1500 KVD5100");
  if (!Check(window && staged.empty() && SUCCEEDED(service.Create()), "a host window, a display that answers late %s", staged.c_str())) return;
  PostMessageW(window, WM_APP, 0, 0);
  PostQuitMessage(7);
  const long opened = service.Open();
  MSG message;
  Check(opened == 0, "OpenService meets the late answer (%ld)", opened);
  Check(g_insideRc == 0, "the message was handled inside OpenService, its DisplayText succeeded");
  Check(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && message.wParam == 7,
        "the host's quit message is still queued afterwards");
  Check(service.Rc("DisplayTextAt", {Long(1), Long(1), Text(L"AFTER"), Long(0)}) == 0 && Meet("rows \"AFTER\" \"\"").empty(),
        "the service works afterwards");
  DestroyWindow(window);
}

void Soak() {
  const DWORD quiet = 0;
  RegSetKeyValueA(HKEY_LOCAL_MACHINE, kDeviceKey, "Option", REG_DWORD, &quiet, 4);
  Service service;
  if (!Check(SUCCEEDED(service.Create()) && service.Open() == 0 && service.Rc("ClaimDevice", {Long(0)}) == 0, "opened and claimed")) return;
  uintptr_t handle = 0;
  size_t memory = 0;
  long wrong = 0;
  for (long call = 1; call <= 4000; ++call) {
    switch (call % 5) {
      case 0: wrong += service.Rc("DisplayText", {Text(L"soak " + std::to_wstring(call)), Long(call % 4)}) != 0; break;
      case 1: wrong += service.Rc("DisplayTextAt", {Long(1 + call % 2), Long(1 + call % 20), Text(L"AB"), Long(0)}) != 0; break;
      case 2: wrong += service.Rc("ScrollText", {Long(1 + call % 4), Long(1)}) != 0; break;
      case 3: wrong += service.Rc("GetPropertyNumber", {Long(5002)}) != 20; break;  // the columns
      default: wrong += service.Rc("SetPropertyNumber", {Long(5007), Long(1 + call % 4)}) == kInvokeFailed; break;
    }
    if (call == 1000) handle = FreshHandleValue(), memory = CommittedPrivateBytes();
  }
  Check(wrong == 0, "4000 calls gave what they should (%ld did not)", wrong);
  // The serial port makes its sixteen write records as writes pile up, so a loaded machine
  // may add some of them late (four handle values each, Wine giving out the lowest free
  // slot); a leak of one handle or 12 bytes a call grows past both bounds.
  const long handleGrowth = static_cast<long>(FreshHandleValue() - handle);
  const long memoryGrowth = static_cast<long>(CommittedPrivateBytes() - memory);
  Check(handleGrowth <= 4 * 16 && memoryGrowth <= 32768,
        "handles and committed private memory flat from call 1000 to 4000 (handle value %+ld, %+ld bytes)", handleGrowth, memoryGrowth);
  service.Rc("CloseService", {});
}

// Two objects, each made and called on a thread of its own (two apartments) but sharing the
// one service: one opens it again and again while the other writes numbered texts.
struct Apartments {
  UniqueEvent firstOpened{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  volatile LONG openerDone = 0;
  std::vector<long> openings, texts;
};

// The opener, or the writer once the service is on the port.
template <bool kOpener>
DWORD WINAPI Apartment(void* parameter) {
  Apartments& a = *static_cast<Apartments*>(parameter);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    Service service;
    const bool created = SUCCEEDED(service.Create());
    if (!kOpener) WaitForSingleObject(a.firstOpened.get(), 10000);
    for (int i = 0; created && kOpener && i < 20; ++i) a.openings.push_back(service.Open()), SetEvent(a.firstOpened.get());
    for (int i = 0; created && !kOpener && !a.openerDone && i < 400; ++i, Sleep(1)) {
      a.texts.push_back(service.Rc("DisplayTextAt", {Long(1), Long(1), Text(L"T" + std::to_wstring(1000 + i)), Long(0)}));
    }
  }
  if (kOpener) InterlockedExchange(&a.openerDone, 1), SetEvent(a.firstOpened.get());
  CoUninitialize();
  return 0;
}

void TwoApartments() {
  using UniqueThread = orvix::win32::UniqueAny<orvix::win32::EventTraits>;  // CloseHandle; null when none
  Apartments a;
  const UniqueThread threads[] = {UniqueThread(CreateThread(nullptr, 0, Apartment<true>, &a, 0, nullptr)),
                                  UniqueThread(CreateThread(nullptr, 0, Apartment<false>, &a, 0, nullptr))};
  for (const UniqueThread& thread : threads) WaitForSingleObject(thread.get(), 60000);
  // The harness takes each thread's calls (groups split by "/"), each one's bytes in hex.
  std::string line = "interleaved";
  for (size_t i = 0; i < a.openings.size(); ++i) line += " 0205454F031B400C";
  line += " /";
  char hex[3];
  for (size_t i = 0; i < a.texts.size(); ++i) {
    line += " 1F72001F45001F240101";
    for (wchar_t c : L"T" + std::to_wstring(1000 + i)) std::snprintf(hex, sizeof hex, "%02X", c & 0xFF), line += hex;
  }
  const std::string shown = Meet(line);
  const bool succeeded = a.openings == std::vector<long>(20, 0) && a.texts == std::vector<long>(a.texts.size(), 0);
  Check(succeeded && a.texts.size() > 1 && shown.empty(),
        "two apartments at once: 20 openings and %u texts, every call's bytes whole and in order %s",
        static_cast<unsigned>(a.texts.size()), shown.c_str());
}

// An OpenService that leaves the port open (the display does not answer), and a Control
// Object that lets the object go without CloseService: the port's handle is closed. (Under
// Wine a second CreateFile of the port succeeds even while it is held.)
void PortClosedAfterFailedOpen() {
  Service service;
  // The first opening loads what stays loaded and makes the port's own records.
  const bool warm = SUCCEEDED(service.Create()) && service.Open() == 0 && service.Rc("CloseService", {}) == 0;
  const uintptr_t before = FreshHandleValue();
  Check(warm && Meet("display silent").empty() && service.Open() == 106,
        "a display that does not answer: OpenService gives OPOS_E_ILLEGAL");
  service.Release();
  Check(FreshHandleValue() == before, "the last object released without CloseService closes the port");
}

// The DLL's malloc, which the check below replaces in the DLL's import table by one that
// refuses every block of a megabyte or more, as a fragmented 32-bit process does.
using MallocFunction = void*(__cdecl*)(size_t);
MallocFunction g_dllMalloc = nullptr;
void* __cdecl RefusingMalloc(size_t size) { return size >= (1u << 20) ? nullptr : g_dllMalloc(size); }

// Points the slots of `module`'s import address table that hold `from` at `to`; gives whether
// there was one.
bool ReplaceImport(HMODULE module, void* from, void* to) {
  auto* base = reinterpret_cast<BYTE*>(module);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& table = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IAT];
  void** const slots = reinterpret_cast<void**>(base + table.VirtualAddress);
  bool replaced = false;
  for (void** slot = slots; slot < slots + table.Size / sizeof *slot; ++slot) {
    if (*slot != from) continue;
    DWORD protection;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
    *slot = to;
    VirtualProtect(slot, sizeof *slot, protection, &protection);
    replaced = true;
  }
  return replaced;
}

void TextTooLongForMemory() {
  Service service;
  HMODULE dll = nullptr;
  if (SUCCEEDED(service.Create()) && service.Open() == 0) dll = GetModuleHandleW(L"ORVIX.DLL");
  void* const crtMalloc = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"msvcrt.dll"), "malloc"));
  g_dllMalloc = reinterpret_cast<MallocFunction>(crtMalloc);  // the DLL, as this client, takes it from msvcrt.dll
  if (!Check(dll && ReplaceImport(dll, crtMalloc, reinterpret_cast<void*>(RefusingMalloc)),
             "opened, and the DLL's malloc refuses a megabyte")) return;
  const long tooLong = service.Rc("DisplayText", {Text(std::wstring(1u << 20, L'A')), Long(0)});
  const long after = service.Rc("DisplayText", {Text(L"OK"), Long(0)});
  ReplaceImport(dll, reinterpret_cast<void*>(RefusingMalloc), crtMalloc);
  const std::string log = ReadFile("OPOSDebug.txt");
  Check(tooLong == 111 && after == 0 && log.find("DisplayText:exception\r\nDisplayText:OK,0x0") != std::string::npos,
        "a text whose copy finds no memory gives OPOS_E_FAILURE (%ld), is logged, and the next call works (%ld)",
        tooLong, after);
  service.Rc("CloseService", {});
}

int RunChecks(const wchar_t* dllPath) {
  ClassObject(dllPath);
  for (void (*group)() : {UsbDisplays, Reentry, Soak, TwoApartments,
                          PortClosedAfterFailedOpen, TextTooLongForMemory}) {
    ResetProfile();
    Meet("begin");
    group();
    CoFreeUnusedLibrariesEx(0, 0);
  }
  std::printf("%d passed, %d failed\n", g_passed, g_failed);
  return g_failed == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  // An apartment, as the Control Object's host application has.
  if (argc < 3 || FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    return std::fprintf(stderr, "usage: orvix_wine_client DLL CASES.txt... (in a COM apartment)\n"), 2;
  }
  const std::wstring dll(argv[1], argv[1] + strlen(argv[1]));
  const int played = PlayAll(argc - 2, argv + 2);
  const int checked = RunChecks(dll.c_str());
  ResetProfile();  // left for the harness's scripts
  CoUninitialize();
  return played != 0 || checked != 0 ? 1 : 0;
}
