// JScript through the ProgID: what a script host's late binding reaches. Prints one line
// per check; the harness compares them with progid.js.expected. Ends with the number of
// failures as the exit code, since cscript itself exits 0 after a runtime error.
var failures = 0;
function check(passed, what) {
  WScript.Echo((passed ? "ok " : "FAIL ") + what);
  if (!passed) failures++;
}
function refused(call, what) {
  try {
    call();
    check(false, what);
  } catch (e) {
    check(true, what);
  }
}

var display = new ActiveXObject("OPOS.ORVIX");
var other = new ActiveXObject("OPOS.ORVIX");

check(display.COFreezeEvents(true) === 0, "COFreezeEvents(true) gives OPOS_SUCCESS");
check(display.COFreezeEvents(false) === 0, "COFreezeEvents(false) gives OPOS_SUCCESS");
check(display.GetPropertyNumber(4) === 0, "FreezeEvents still reads 0");
check(display.GetPropertyNumber(9) === 2, "State reads OPOS_S_IDLE");
check(Math.floor(display.GetPropertyNumber(8) / 1000000) === 1, "the service object version is 1.x");
check(display.GetPropertyString(1000003) === "Pole Display 20x2", "DeviceName comes back as a string");

// The fourteen unsupported operations, with JScript's own argument types.
var glyphs = new ActiveXObject("Scripting.Dictionary");
check(display.ClearDescriptors() === 106, "ClearDescriptors");
check(display.CreateWindow(0, 0, 2, 20, 2, 20) === 106, "CreateWindow");
check(display.DestroyWindow() === 106, "DestroyWindow");
check(display.RefreshWindow(1) === 106, "RefreshWindow");
check(display.SetDescriptor(1, 1) === 106, "SetDescriptor");
check(display.DefineGlyph(65, "\u0001\u0002") === 106, "DefineGlyph");
check(display.DisplayBitmap("C:\\logo.bmp", 20, -1, -2) === 106, "DisplayBitmap");
check(display.SetBitmap(1, "C:\\logo.bmp", 20, -1, -2) === 106, "SetBitmap");
check(display.ResetStatistics("") === 106, "ResetStatistics");
check(display.RetrieveStatistics("<UPOSStat/>") === 106, "RetrieveStatistics");
check(display.UpdateStatistics("x") === 106, "UpdateStatistics");
check(display.UpdateFirmware("fw.bin") === 106, "UpdateFirmware");
check(other.CreateWindow(1, 2, 3, 4, 5, 6) === 106, "CreateWindow on a second object");

// Names in any letter case reach the same methods.
check(display.createwindow(0, 0, 2, 20, 2, 20) === 106, "createwindow");
check(display.CREATEWINDOW(0, 0, 2, 20, 2, 20) === 106, "CREATEWINDOW");
check(display.cofreezeevents(true) === 0, "cofreezeevents");
check(display.getpropertynumber(9) === 2, "getpropertynumber");

// OpenService with an object for the Control Object's dispatch interface: JScript has no
// null IDispatch to pass.
check(display.OpenService("LineDisplay", "NoSuchDevice", glyphs) === 106,
      "OpenService of a device without a profile gives OPOS_E_ILLEGAL");

refused(function () { display.NoSuchMethod(); }, "an unknown name is refused");
refused(function () { display.CreateWindow(1); }, "a call with too few arguments is refused");

WScript.Echo("done");
WScript.Quit(failures);
