#include "method_table.h"

#include <cstring>

namespace orvix::wine_client {
namespace {

constexpr USHORT kIn = PARAMFLAG_FIN;
constexpr USHORT kInOut = PARAMFLAG_FIN | PARAMFLAG_FOUT;
constexpr USHORT kRetval = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;

constexpr ParameterRow Long(const char* name) { return {name, VT_I4, false, kIn}; }
constexpr ParameterRow Text(const char* name) { return {name, VT_BSTR, false, kIn}; }
constexpr ParameterRow Result(const char* name = "pRC") { return {name, VT_I4, true, kRetval}; }

}  // namespace

const MethodRow kMethods[kMethodCount] = {
    {1, "COFreezeEvents", 2, {{"Freeze", VT_BOOL, false, kIn}, Result()}},
    {2, "GetPropertyNumber", 2, {Long("PropIndex"), Result("pNumber")}},
    {3, "GetPropertyString", 2, {Long("PropIndex"), {"pString", VT_BSTR, true, kRetval}}},
    {4, "SetPropertyNumber", 2, {Long("PropIndex"), Long("Number")}},
    {5, "SetPropertyString", 2, {Long("PropIndex"), Text("String")}},
    {6, "OpenService", 4, {Text("DeviceClass"), Text("DeviceName"), {"pDispatch", VT_DISPATCH, false, kIn}, Result()}},
    {7, "CheckHealth", 2, {Long("Level"), Result()}},
    {8, "ClaimDevice", 2, {Long("Timeout"), Result()}},
    {9, "CloseService", 1, {Result()}},
    {10, "DirectIO", 4,
     {Long("Command"), {"pData", VT_I4, true, kInOut}, {"pString", VT_BSTR, true, kInOut}, Result()}},
    {11, "ReleaseDevice", 1, {Result()}},
    {12, "ClearDescriptors", 1, {Result()}},
    {13, "ClearText", 1, {Result()}},
    {14, "CreateWindow", 7,
     {Long("ViewportRow"), Long("ViewportColumn"), Long("ViewportHeight"), Long("ViewportWidth"),
      Long("WindowHeight"), Long("WindowWidth"), Result()}},
    {15, "DestroyWindow", 1, {Result()}},
    {16, "DisplayText", 3, {Text("Data"), Long("Attribute"), Result()}},
    {17, "DisplayTextAt", 5, {Long("Row"), Long("Column"), Text("Data"), Long("Attribute"), Result()}},
    {18, "RefreshWindow", 2, {Long("Window"), Result()}},
    {19, "ScrollText", 3, {Long("Direction"), Long("Units"), Result()}},
    {20, "SetDescriptor", 3, {Long("Descriptor"), Long("Attribute"), Result()}},
    {21, "DefineGlyph", 3, {Long("GlyphCode"), Text("Glyph"), Result()}},
    // An in-only pointer, as callers have always declared it.
    {22, "ReadCharacterAtCursor", 2, {{"pChar", VT_I4, true, kIn}, Result()}},
    {23, "DisplayBitmap", 5, {Text("FileName"), Long("Width"), Long("AlignmentX"), Long("AlignmentY"), Result()}},
    {24, "SetBitmap", 6,
     {Long("BitmapNumber"), Text("FileName"), Long("Width"), Long("AlignmentX"), Long("AlignmentY"), Result()}},
    {25, "ResetStatistics", 2, {Text("StatisticsBuffer"), Result()}},
    // By value, not the in-and-out reference of the published interface.
    {26, "RetrieveStatistics", 2, {Text("StatisticsBuffer"), Result()}},
    {27, "UpdateStatistics", 2, {Text("StatisticsBuffer"), Result()}},
    {28, "CompareFirmwareVersion", 3, {Text("FirmwareFileName"), {"pResult", VT_I4, true, kIn}, Result()}},
    {29, "UpdateFirmware", 2, {Text("FirmwareFileName"), Result()}},
};

const char* const kControlObjectNameOrder[kMethodCount] = {
    "COFreezeEvents", "GetPropertyNumber", "SetPropertyNumber", "GetPropertyString", "SetPropertyString",
    "OpenService", "CheckHealth", "ClaimDevice", "CloseService", "DirectIO",
    "ReleaseDevice", "ClearDescriptors", "ClearText", "CreateWindow", "DestroyWindow",
    "DisplayText", "DisplayTextAt", "RefreshWindow", "ScrollText", "SetDescriptor",
    "DefineGlyph", "ReadCharacterAtCursor", "DisplayBitmap", "SetBitmap", "ResetStatistics",
    "RetrieveStatistics", "UpdateStatistics", "CompareFirmwareVersion", "UpdateFirmware",
};

const MethodRow* FindMethod(const char* name) {
  for (const MethodRow& method : kMethods) {
    if (std::strcmp(method.name, name) == 0) return &method;
  }
  return nullptr;
}

}  // namespace orvix::wine_client
