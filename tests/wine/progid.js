// The Windows Script Host as an independent late-bound client: through the ProgID, by the
// logical name, a text on the first row. Exits with the number of calls that went wrong.
var failures = 0;
function expect(what, got, wanted) {
  WScript.Echo(what + " -> " + got);
  if (got !== wanted) failures++;
}
var display = new ActiveXObject("OPOS.ORVIX");
// JScript cannot pass a null IDispatch: any object serves as the caller's own.
expect("OpenService", display.OpenService("LineDisplay", "PoleDisplay", new ActiveXObject("Scripting.Dictionary")), 0);
expect("DisplayTextAt", display.DisplayTextAt(1, 1, "ORVIX progid.js", 0), 0);
expect("CreateWindow", display.CreateWindow(0, 0, 2, 20, 2, 20), 106);
expect("CloseService", display.CloseService(), 0);
WScript.Quit(failures);
