// Fakes of everything the service object reaches, for the host tests and the fuzz targets.
// The display behind the serial port and the USB pipes is the virtual display's model, so
// bytes, rows and identification replies mean what they mean on the real line.
#pragma once
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "model/command_parser.h"
#include "model/reply_plan.h"
#include "platform/registry_editor.h"
#include "service/line_display_service.h"

namespace orvix::testing {

constexpr const char* kClassKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\LineDisplay";
constexpr const char* kProfileKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\LineDisplay\\ORVIX";
// The interface classes of USB displays: printing (the 0x1101 display) and USB device.
constexpr platform::Guid kUsbPrintingClass = {0x28D78FAD, 0x5A12, 0x11D1, {0xAE, 0x5B, 0x00, 0x00, 0xF8, 0x03, 0xA8, 0xC2}};
constexpr platform::Guid kUsbDeviceClass = {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

inline std::vector<uint8_t> DwordBytes(uint32_t n) {
  return {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24)};
}

// Time moves only when asked: by the time slept, by the time a read waited, and by a
// millisecond for every dispatch of the window messages.
struct FakeClock : platform::Clock {
  uint32_t TickCount() override { return now; }
  void Sleep(uint32_t milliseconds) override { now += milliseconds; }
  void PumpMessages() override {
    ++now;
    if (onPump) onPump();
  }
  uint32_t now = 0;
  std::function<void()> onPump;  // a window procedure
};

// WideCharToMultiByte under code page 1252, as far as the cases reach: Latin-1 and the euro
// sign; whatever else the code page lacks becomes '?'.
struct Cp1252 : platform::AnsiCodec {
  int WideToAnsi(const char16_t* source, char* destination, int destinationSize) override {
    std::string bytes;
    for (const char16_t* c = source; *c != 0; ++c) bytes.push_back(*c == 0x20AC ? '\x80' : *c < 0x80 || (*c >= 0xA0 && *c <= 0xFF) ? static_cast<char>(*c) : '?');
    const int size = static_cast<int>(bytes.size()) + 1;
    if (destination == nullptr || destinationSize == 0) return size;
    return destinationSize < size ? 0 : (std::memcpy(destination, bytes.c_str(), static_cast<size_t>(size)), size);
  }
};

struct MemoryLogFile : platform::LogFile {
  bool Append(const char* bytes, size_t size) override { return !blocked && (contents.append(bytes, size), true); }
  std::string contents;
  bool blocked = false;
};

struct MessageRecorder : platform::MessageBox {
  bool CanBeSeen() override { return seen; }
  void ShowError(const char* text) override { shown.emplace_back(text); }
  std::vector<std::string> shown;
  bool seen = true;
};

// The registry in memory, for the profile reader (below HKLM) and the registrar alike. Paths
// name their root (HKCR\CLSID); names match in any letter case; values keep their order.
class MemoryRegistry : public platform::RegistryReader, public platform::RegistryEditor {
 public:
  using Values = std::vector<std::pair<std::string, std::pair<uint32_t, std::vector<uint8_t>>>>;

  MemoryRegistry() { for (const char* root : kRoots) Make(root); }
  // Set-up past every access rule; the keys on the way are made.
  void Set(const std::string& path, const std::string& name, uint32_t type, std::vector<uint8_t> data) {
    Values& values = Make(path).values;
    auto value = Named(values, name);
    if (value == values.end()) value = values.insert(value, {name, {}});
    value->second = {type, std::move(data)};
  }
  void SetText(const std::string& path, const std::string& name, const std::string& text) {
    Set(path, name, kTypeString, std::vector<uint8_t>(text.c_str(), text.c_str() + text.size() + 1));
  }
  void Remove(const std::string& path, const std::string& name) {
    Values& values = Make(path).values;
    if (Named(values, name) != values.end()) values.erase(Named(values, name));
  }
  void AddKey(const std::string& path) { Make(path); }
  void MakeReadOnly(const std::string& path) { Make(path).readOnly = true; }  // cannot be written or removed
  // A line per key (HKCR\A) and per value (HKCR\A : V = "text", = hex(4) 2a 00 00 00).
  std::set<std::string> Dump() const {
    std::set<std::string> lines;
    char hex[16];
    for (const auto& [lower, node] : keys_) {
      if (lower.find('\\') != std::string::npos) lines.insert(node->path);
      for (const auto& [name, value] : node->values) {
        const auto& [type, data] = value;
        std::string shown = "hex(" + std::to_string(type) + ")";
        for (uint8_t byte : data) shown += (std::snprintf(hex, sizeof hex, " %02x", byte), hex);
        if (type == kTypeString && !data.empty() && data.back() == 0) shown = "\"" + std::string(data.begin(), data.end() - 1) + "\"";
        lines.insert(node->path + " : " + (name.empty() ? "@" : name) + " = " + shown);
      }
    }
    return lines;
  }
  std::set<std::string> failingNames;  // lower case: making a key of such a name fails
  size_t openKeys = 0;                 // through either interface

  // -- as the profile reader sees it
  platform::RegistryKeyPtr OpenLocalMachineKey(const char* path) override {
    const Node* node = Find(Join("HKLM", path));
    return node != nullptr ? Hand(*node, false) : nullptr;
  }
  bool QueryValueCount(platform::RegistryKey& key, uint32_t* count) override {
    const Node* node = Live(key);
    return node != nullptr && (*count = static_cast<uint32_t>(node->values.size()), true);
  }
  Status EnumValueName(platform::RegistryKey& key, uint32_t index, char* name, uint32_t* nameLength) override {
    std::string stored;
    if (!EnumValueName(key, index, &stored)) return Live(key) == nullptr ? Status::kError : Status::kNotFound;
    if (stored.size() + 1 > *nameLength) return Status::kMoreData;
    std::memcpy(name, stored.c_str(), stored.size() + 1);
    *nameLength = static_cast<uint32_t>(stored.size());
    return Status::kOk;
  }
  Status QueryValue(platform::RegistryKey& key, const char* name, uint32_t* type, uint8_t* data,
                    uint32_t* size) override {
    Node* node = Live(key);
    const auto value = node != nullptr ? Named(node->values, name) : Values::iterator();
    if (node == nullptr || value == node->values.end()) return node == nullptr ? Status::kError : Status::kNotFound;
    const std::vector<uint8_t>& stored = value->second.second;
    const bool fits = stored.size() <= *size;
    *type = value->second.first;
    if (!fits) std::memset(data, 0xEE, *size);  // undefined then: a caller that uses it shows
    if (fits) std::copy(stored.begin(), stored.end(), data);
    *size = static_cast<uint32_t>(stored.size());
    return fits ? Status::kOk : Status::kMoreData;
  }

  // -- as the registrar sees it
  platform::RegistryKeyPtr OpenRoot(platform::RegistryRoot root) override { return Hand(*Find(kRoots[static_cast<uint32_t>(root) & 7]), true); }
  platform::RegistryKeyPtr OpenKey(platform::RegistryKey& parent, const char* name, platform::RegistryAccess access) override {
    const Node* node = Live(parent);
    const Node* child = node != nullptr && !Split(name).empty() ? Find(Join(node->path, name)) : nullptr;
    const bool full = access == platform::RegistryAccess::kFull;
    return child == nullptr || (full && child->readOnly) ? nullptr : Hand(*child, full);
  }
  platform::RegistryKeyPtr CreateKey(platform::RegistryKey& parent, const char* name) override {
    Node* node = Live(parent);
    bool mayMake = node != nullptr && Handle(parent).writable;
    for (const std::string& part : node != nullptr ? Split(name) : std::vector<std::string>()) {
      Node* child = Find(node->path + "\\" + part);
      if (child == nullptr && (!mayMake || node->readOnly || failingNames.count(Lower(part)) != 0)) return nullptr;
      node = child != nullptr ? child : &Make(node->path + "\\" + part);
      mayMake = !node->readOnly;
    }
    return node == nullptr || node->readOnly ? nullptr : Hand(*node, true);
  }
  bool SetValue(platform::RegistryKey& key, const char* name, platform::RegistryValueType type, const uint8_t* data, size_t size) override {
    const Node* node = Handle(key).writable ? Live(key) : nullptr;
    return node != nullptr && (Set(node->path, name, static_cast<uint32_t>(type), std::vector<uint8_t>(data, data + size)), true);
  }
  bool DeleteValue(platform::RegistryKey& key, const char* name) override {
    Node* node = Handle(key).writable ? Live(key) : nullptr;
    if (node == nullptr || Named(node->values, name) == node->values.end()) return false;
    return node->values.erase(Named(node->values, name)), true;
  }
  bool DeleteKey(platform::RegistryKey& parent, const char* name) override { return DeleteBelow(parent, name, false); }
  bool DeleteTree(platform::RegistryKey& parent, const char* name) override { return DeleteBelow(parent, name, true); }
  bool EnumSubkey(platform::RegistryKey& key, uint32_t index, std::string* name) override {
    const std::vector<std::string> names = Live(key) != nullptr ? Below(false, Live(key)->path) : std::vector<std::string>();
    return index < names.size() && (*name = names[index], true);
  }
  bool QueryCounts(platform::RegistryKey& key, uint32_t* subkeys, uint32_t* values) override {
    const Node* node = Live(key);
    return node != nullptr && (*subkeys = static_cast<uint32_t>(Below(false, node->path).size()), *values = static_cast<uint32_t>(node->values.size()), true);
  }
  bool EnumValueName(platform::RegistryKey& key, uint32_t index, std::string* name) override {
    const Node* node = Live(key);
    return node != nullptr && index < node->values.size() && (*name = node->values[index].first, true);
  }

 private:
  static constexpr const char* kRoots[] = {"HKCR", "HKCU", "HKLM", "HKU", "HKPD", "HKCC", "HKDD"};
  struct Node {
    std::string path;  // as spelled when made
    Values values;
    bool readOnly = false;
  };
  struct Handed : platform::RegistryKey {  // dead once its key is removed, even if made again
    Handed(const std::shared_ptr<Node>& n, bool w, size_t* open) : node(n), writable(w), open_(open) { ++*open_; }
    ~Handed() override { --*open_; }
    std::weak_ptr<Node> node;
    bool writable;
    size_t* open_;
  };

  static std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return text;
  }
  // The names of a path, without the empty ones that doubled or closing backslashes make.
  static std::vector<std::string> Split(const std::string& path) {
    std::vector<std::string> names(1);
    for (char c : path) c == '\\' ? void(names.emplace_back()) : names.back().push_back(c);
    names.erase(std::remove(names.begin(), names.end(), ""), names.end());
    return names;
  }
  static std::string Join(const std::string& path, const std::string& name) {
    std::string joined;
    for (const std::string& part : Split(path + "\\" + name)) joined += (joined.empty() ? "" : "\\") + part;
    return joined;
  }
  static Values::iterator Named(Values& values, const std::string& name) {
    return std::find_if(values.begin(), values.end(), [&](const auto& value) { return Lower(value.first) == Lower(name); });
  }
  static Handed& Handle(platform::RegistryKey& key) { return static_cast<Handed&>(key); }

  Node* Find(const std::string& path) {
    const auto found = keys_.find(Lower(Join(path, "")));
    return found == keys_.end() ? nullptr : found->second.get();
  }
  Node& Make(const std::string& path) {
    std::string made;
    for (const std::string& name : Split(path)) {
      std::shared_ptr<Node>& node = keys_[Lower(Join(made, name))];
      if (node == nullptr) node = std::make_shared<Node>(Node{Join(made, name), {}});
      made = node->path;
    }
    return *keys_[Lower(made)];
  }
  static Node* Live(platform::RegistryKey& key) { return Handle(key).node.lock().get(); }
  platform::RegistryKeyPtr Hand(const Node& node, bool writable) {
    return std::make_unique<Handed>(keys_.at(Lower(node.path)), writable, &openKeys);
  }
  // The keys below `path` (all, or only its subkeys' names), deepest first.
  std::vector<std::string> Below(bool all, const std::string& path) const {
    std::vector<std::string> below;
    const std::string prefix = Lower(path) + "\\";
    for (auto it = keys_.lower_bound(prefix); it != keys_.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
      if (all) below.insert(below.begin(), it->first);
      if (!all && it->first.find('\\', prefix.size()) == std::string::npos) below.push_back(it->second->path.substr(prefix.size()));
    }
    return below;
  }
  bool DeleteBelow(platform::RegistryKey& parent, const char* name, bool tree) {
    const Node* node = Live(parent);
    const Node* doomed = node != nullptr && !Split(name).empty() ? Find(Join(node->path, name)) : nullptr;
    if (doomed == nullptr || (!tree && !Below(false, doomed->path).empty())) return false;
    std::vector<std::string> keys = Below(true, doomed->path);
    keys.push_back(Lower(doomed->path));
    for (const std::string& key : keys) {
      if (keys_.at(key)->readOnly) return false;  // what went before stays removed
      keys_.erase(key);
    }
    return true;
  }

  std::map<std::string, std::shared_ptr<Node>> keys_;  // by lower-case path
};

// The pole display at the end of the line or the cable: what reaches it goes into the
// display's model, and it answers identification requests as its plan says.
class VirtualDisplay {
 public:
  explicit VirtualDisplay(FakeClock& clock) : clock_(clock) {}
  void Receive(const uint8_t* bytes, size_t count) {
    received.insert(received.end(), bytes, bytes + count);
    for (size_t requests = parser_.Feed(bytes, count); requests > 0; --requests) owed_.Schedule(clock_.now, plan);
  }
  // Waits at most `timeoutMs` for `count` bytes of answers; returns how many it took.
  size_t Answer(uint8_t* destination, size_t count, uint32_t timeoutMs) {
    const int64_t deadline = int64_t{clock_.now} + timeoutMs;
    for (;;) {
      const std::vector<uint8_t> due = owed_.TakeDue(clock_.now);
      line_.insert(line_.end(), due.begin(), due.end());
      const int64_t next = owed_.MillisecondsUntilNext(clock_.now);
      if (line_.size() >= count || clock_.now >= deadline) break;
      clock_.now = static_cast<uint32_t>(next < 0 || clock_.now + next > deadline ? deadline : clock_.now + next);
    }
    const auto taken = static_cast<std::ptrdiff_t>(std::min(count, line_.size()));
    std::copy(line_.begin(), line_.begin() + taken, destination);
    line_.erase(line_.begin(), line_.begin() + taken);
    return static_cast<size_t>(taken);
  }
  void DiscardUnread() { owed_.TakeDue(clock_.now), line_.clear(); }  // what reached the line unread

  vpd::VirtualScreen screen;
  vpd::ReplyPlan plan;
  std::vector<uint8_t> received;

 private:
  FakeClock& clock_;
  vpd::CommandParser parser_{screen};
  vpd::ReplyQueue owed_;
  std::vector<uint8_t> line_;  // answered and not read yet
};

// COM7 with the display on it; OPOSDebug.txt is a file that opens, as no serial port. A
// dropped line fails every transfer, and the handle that was open then stays dead: only an
// open after the line came back reaches the display. The journal names the calls that open
// and prepare the port, and the writes, in order.
class DisplayPort : public platform::SerialPort {
 public:
  explicit DisplayPort(VirtualDisplay& display) : display_(display) {}
  platform::PortOpening Open(const char* name) override {
    openedLine_ = line_, journal += "open ", open_ = std::string(name) == "COM7" && lineUp_;
    if (std::string(name) == "OPOSDebug.txt") return platform::PortOpening::kNotSerial;
    return open_ ? platform::PortOpening::kOpened : platform::PortOpening::kFailed;
  }
  void Close() override { open_ = false; }
  bool IsOpen() const override { return open_; }
  bool Escape(platform::ControlLine) override { return Live(); }
  bool GetState(platform::CommSettings* state) override { return Live() && (*state = settings, true); }
  bool SetState(const platform::CommSettings& state) override { return Live() && state.parity <= 4 && (settings = state, true); }
  platform::ModemStatus GetModemStatus() override {
    using platform::ModemStatus;
    return !Live() ? ModemStatus::kFailed : !modemReadable ? ModemStatus::kNotReported : cts ? ModemStatus::kCtsOn : ModemStatus::kCtsOff;
  }
  bool ClearTimeouts() override { return Live() && refuses != "timeouts" && (journal += "timeouts ", true); }
  bool PurgeInput() override { return Live() && refuses != "purge" && (display_.DiscardUnread(), journal += "purge ", true); }
  void Write(const uint8_t* bytes, size_t count) override { Live() ? display_.Receive(bytes, count), void(journal += "write ") : void(); }
  size_t Read(uint8_t* destination, size_t count, uint32_t timeoutMs) override {
    return Live() && display_.Answer(destination, count, timeoutMs) == count ? count : 0;
  }
  void Drop() { lineUp_ = false, ++line_; }
  void Restore() { lineUp_ = true; }

  platform::CommSettings settings;  // the driver refuses a parity above 4
  bool cts = true, modemReadable = true;
  std::string refuses;  // "timeouts" or "purge": the driver refuses that
  std::string journal;

 private:
  bool Live() const { return open_ && lineUp_ && openedLine_ == line_; }
  VirtualDisplay& display_;
  bool open_ = false, lineUp_ = true;
  int line_ = 0, openedLine_ = 0;
};

// The device interfaces present; the two pipes of each reach the display.
struct DisplayBus : platform::UsbBus {
  explicit DisplayBus(VirtualDisplay& display) : display_(display) {}
  std::vector<std::string> EnumerateInterfaces(const platform::Guid& interfaceClass) override {
    std::vector<std::string> paths;
    for (const auto& [listed, path] : interfaces) listed == interfaceClass ? paths.push_back(path) : void();
    return paths;
  }
  std::unique_ptr<platform::UsbPipe> OpenPipe(const char* name) override {
    struct Pipe : platform::UsbPipe {  // 01 carries what the display sends, 02 what it receives
      Pipe(VirtualDisplay& d, bool in) : display(d), fromDisplay(in) {}
      size_t Write(const uint8_t* bytes, size_t count, uint32_t) override { return fromDisplay ? 0 : (display.Receive(bytes, count), count); }
      size_t Read(uint8_t* to, size_t count, uint32_t timeoutMs) override { return fromDisplay ? display.Answer(to, count, timeoutMs) : 0; }
      VirtualDisplay& display;
      bool fromDisplay;
    };
    for (const auto& [_, path] : interfaces) {
      if (name == path + "\\PIPE01" || name == path + "\\PIPE02") return std::make_unique<Pipe>(display_, name == path + "\\PIPE01");
    }
    return nullptr;
  }
  std::vector<std::pair<platform::Guid, std::string>> interfaces;

 private:
  VirtualDisplay& display_;
};

// The service object as the DLL makes it, over the fakes, with the profile of an installed
// display on COM7 (log on) and the alias PoleDisplay.
struct Rig {
  Rig() {
    registry.SetText(std::string("HKLM\\") + kClassKey, "PoleDisplay", "ORVIX");
    for (const auto& [name, text] : std::vector<std::pair<const char*, const char*>>{
             {"", "OPOS.ORVIX"}, {"DeviceType", "COM"}, {"COMPORT", "COM7"}, {"Baud", "9600"}, {"Parity", "0"}, {"DataLength", "8"}, {"StopBit", "0"}}) {
      registry.SetText(std::string("HKLM\\") + kProfileKey, name, text);
    }
    ProfileValue("Option", platform::RegistryReader::kTypeDword, DwordBytes(0x10));
  }
  void ProfileValue(const std::string& name, uint32_t type, std::vector<uint8_t> data) {
    registry.Set(std::string("HKLM\\") + kProfileKey, name, type, std::move(data));
  }

  FakeClock clock;
  Cp1252 ansi;
  MemoryLogFile logFile;
  MessageRecorder messages;
  MemoryRegistry registry;
  VirtualDisplay display{clock};
  DisplayPort port{display};
  DisplayBus bus{display};
  LineDisplayService service{PlatformServices{&registry, &port, &clock, &ansi, &logFile, &messages, &bus}};
};

}  // namespace orvix::testing
