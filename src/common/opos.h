#pragma once
#include <cstdint>

namespace orvix::opos {

// Result codes (the only four this service object reports).
constexpr int32_t kSuccess = 0;
constexpr int32_t kIllegal = 106;
constexpr int32_t kFailure = 111;
constexpr int32_t kTimeout = 112;

constexpr int32_t kStateIdle = 2;
constexpr int32_t kPowerOnline = 2001;
constexpr int32_t kDeviceEnabledReported = 103;
constexpr int32_t kServiceObjectVersion = 1000000;  // 1.0.0

// Text attributes.
constexpr int32_t kDisplayNormal = 0;
constexpr int32_t kDisplayBlink = 1;
constexpr int32_t kDisplayReverse = 2;
constexpr int32_t kDisplayBlinkReverse = 3;

// Scroll directions.
constexpr int32_t kScrollUp = 1;
constexpr int32_t kScrollDown = 2;
constexpr int32_t kScrollLeft = 3;
constexpr int32_t kScrollRight = 4;

// Health-check levels.
constexpr int32_t kHealthInternal = 1;
constexpr int32_t kHealthExternal = 2;
constexpr int32_t kHealthInteractive = 3;

// Property indices.
constexpr int32_t kPidxClaimed = 1;
constexpr int32_t kPidxDataEventEnabled = 2;
constexpr int32_t kPidxDeviceEnabled = 3;
constexpr int32_t kPidxFreezeEvents = 4;
constexpr int32_t kPidxResultCode = 6;
constexpr int32_t kPidxResultCodeExtended = 7;
constexpr int32_t kPidxServiceObjectVersion = 8;
constexpr int32_t kPidxState = 9;
constexpr int32_t kPidxBinaryConversion = 11;
constexpr int32_t kPidxPowerNotify = 13;
constexpr int32_t kPidxPowerState = 14;
constexpr int32_t kPidxCapPowerReporting = 501;
constexpr int32_t kPidxCheckHealthText = 1000001;
constexpr int32_t kPidxDeviceDescription = 1000002;
constexpr int32_t kPidxDeviceName = 1000003;
constexpr int32_t kPidxServiceObjectDescription = 1000004;
constexpr int32_t kPidxDispCharacterSet = 5001;
constexpr int32_t kPidxDispColumns = 5002;
constexpr int32_t kPidxDispCursorColumn = 5004;
constexpr int32_t kPidxDispCursorRow = 5005;
constexpr int32_t kPidxDispCursorUpdate = 5006;
constexpr int32_t kPidxDispDeviceBrightness = 5007;
constexpr int32_t kPidxDispDeviceColumns = 5008;
constexpr int32_t kPidxDispDeviceDescriptors = 5009;
constexpr int32_t kPidxDispDeviceRows = 5010;
constexpr int32_t kPidxDispMarqueeType = 5014;
constexpr int32_t kPidxDispRows = 5016;
constexpr int32_t kPidxDispBlinkRate = 5018;
constexpr int32_t kPidxDispCursorType = 5019;
constexpr int32_t kPidxDispGlyphHeight = 5020;
constexpr int32_t kPidxDispGlyphWidth = 5021;
constexpr int32_t kPidxDispCapBlink = 5501;
constexpr int32_t kPidxDispCapBrightness = 5502;
constexpr int32_t kPidxDispCapCharacterSet = 5503;
constexpr int32_t kPidxDispCapDescriptors = 5504;
constexpr int32_t kPidxDispCapHMarquee = 5505;
constexpr int32_t kPidxDispCapICharWait = 5506;
constexpr int32_t kPidxDispCapVMarquee = 5507;
constexpr int32_t kPidxDispCapBlinkRate = 5508;
constexpr int32_t kPidxDispCapCursorType = 5509;
constexpr int32_t kPidxDispCapCustomGlyph = 5510;
constexpr int32_t kPidxDispCapReadBack = 5511;
constexpr int32_t kPidxDispCapReverse = 5512;
constexpr int32_t kPidxDispCharacterSetList = 1005001;

// Character sets.
constexpr int32_t kCharacterSetAscii = 998;

// Marquee types.
constexpr int32_t kMarqueeNone = 0;
constexpr int32_t kMarqueeUp = 1;
constexpr int32_t kMarqueeDown = 2;
constexpr int32_t kMarqueeLeft = 3;
constexpr int32_t kMarqueeRight = 4;
constexpr int32_t kMarqueeInit = 5;

// Cursor types, and the bit of the cursor-type capability for the underline.
constexpr int32_t kCursorNone = 0;
constexpr int32_t kCursorFixed = 1;
constexpr int32_t kCursorBlock = 2;
constexpr int32_t kCursorHalfBlock = 3;
constexpr int32_t kCursorUnderline = 4;
constexpr int32_t kCursorReverse = 5;
constexpr int32_t kCursorOther = 6;
constexpr int32_t kCursorCapUnderline = 8;

}  // namespace orvix::opos
