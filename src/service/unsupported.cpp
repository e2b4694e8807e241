#include "service/line_display_service.h"
#include "common/opos.h"

namespace orvix {

int32_t LineDisplayService::COFreezeEvents(bool freeze) {
  // No events are raised, so there is nothing to hold back; true is logged as the
  // Automation truth value -1.
  log_.Write("COFreezeEvents:0x%x\n", freeze ? -1 : 0);
  return opos::kSuccess;
}

int32_t LineDisplayService::Unsupported(UnsupportedOperation operation) {
  static const char* const kLines[] = {
      "ClearDescriptors:Aways return OPOS_E_ILLEGAL\n",
      "CreateWindow:Aways return OPOS_E_ILLEGAL\n",
      "DestroyWindow:Aways return OPOS_E_ILLEGAL\n",
      "RefreshWindow:Aways return OPOS_E_ILLEGAL\n",
      "SetDescriptor:Aways return OPOS_E_ILLEGAL\n",
      "DefineGlyph:Aways return OPOS_E_ILLEGAL\n",
      "ReadCharacterAtCursor:Aways return OPOS_E_ILLEGAL\n",
      "DisplayBitmap:Aways return OPOS_E_ILLEGAL\n",
      "SetBitmap:Aways return OPOS_E_ILLEGAL\n",
      "ResetStatistics:Aways return OPOS_E_ILLEGAL\n",
      "RetrieveStatistics:Aways return OPOS_E_ILLEGAL\n",
      "UpdateStatistics:Aways return OPOS_E_ILLEGAL\n",
      "CompareFirmwareVersion:Aways return OPOS_E_ILLEGAL\n",
      "UpdateFirmware:Aways return OPOS_E_ILLEGAL\n",
  };
  const auto index = static_cast<size_t>(operation);
  if (index < sizeof kLines / sizeof kLines[0]) log_.Write("%s", kLines[index]);
  return opos::kIllegal;
}

}  // namespace orvix
