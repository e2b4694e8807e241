// A session of OPOS calls, one per argument, made late-bound through the ProgID as the
// Control Object makes them. Prints one line per call: the step, "->", what the call gave,
// "ms=" and how long it took. The scenarios read the lines and compare them.
//
// Steps (numbers are decimal; the text of a text step is everything after its last field):
//   open:NAME  claim:MS  release  close  enable:N (DeviceEnabled)  get:INDEX  set:INDEX:N
//   getstring:INDEX  setstring:INDEX:TEXT  freeze:0|1  health:LEVEL  directio:COMMAND
//   text:ATTRIBUTE:TEXT  textat:ROW:COLUMN:ATTRIBUTE:TEXT  clear  scroll:DIRECTION:UNITS
// and, to change the registry between calls as an installer would (the next open reads it):
//   profile:NAME:TEXT (a text value of the ORVIX profile)  profile-number:NAME:N (a DWORD)
//   alias:NAME:TEXT (a value of the LineDisplay key)
// A step that throws prints "-> error <description>"; the session goes on.
var DEVICE_CLASS_KEY = "HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\LineDisplay\\";
var PROFILE_KEY = DEVICE_CLASS_KEY + "ORVIX\\";
var shell = new ActiveXObject("WScript.Shell");
var display = new ActiveXObject("OPOS.ORVIX");
// The Control Object passes its own dispatch interface; JScript has no null one to pass.
var controlObject = new ActiveXObject("Scripting.Dictionary");

function fields(step, count) {
  // The first `count` colon-separated fields; the last one keeps any further colons.
  var parts = step.split(":");
  var head = parts.slice(0, count - 1);
  head.push(parts.slice(count - 1).join(":"));
  return head;
}

function number(text) {
  return parseInt(text, 10);
}

function call(step) {
  var name = step.split(":")[0];
  var f;
  switch (name) {
    case "open": f = fields(step, 2); return display.OpenService("LineDisplay", f[1], controlObject);
    case "claim": return display.ClaimDevice(number(fields(step, 2)[1]));
    case "release": return display.ReleaseDevice();
    case "close": return display.CloseService();
    case "enable": display.SetPropertyNumber(3, number(fields(step, 2)[1])); return "done";
    case "get": return display.GetPropertyNumber(number(fields(step, 2)[1]));
    case "set": f = fields(step, 3); display.SetPropertyNumber(number(f[1]), number(f[2])); return "done";
    case "getstring": return '"' + display.GetPropertyString(number(fields(step, 2)[1])) + '"';
    case "setstring": f = fields(step, 3); display.SetPropertyString(number(f[1]), f[2]); return "done";
    case "freeze": return display.COFreezeEvents(number(fields(step, 2)[1]) != 0);
    case "health": return display.CheckHealth(number(fields(step, 2)[1]));
    case "directio": return display.DirectIO(number(fields(step, 2)[1]), 0, "");
    case "text": f = fields(step, 3); return display.DisplayText(f[2], number(f[1]));
    case "textat":
      f = fields(step, 5);
      return display.DisplayTextAt(number(f[1]), number(f[2]), f[4], number(f[3]));
    case "clear": return display.ClearText();
    case "scroll": f = fields(step, 3); return display.ScrollText(number(f[1]), number(f[2]));
    case "profile": f = fields(step, 3); shell.RegWrite(PROFILE_KEY + f[1], f[2], "REG_SZ"); return "done";
    case "profile-number":
      f = fields(step, 3);
      shell.RegWrite(PROFILE_KEY + f[1], number(f[2]), "REG_DWORD");
      return "done";
    case "alias": f = fields(step, 3); shell.RegWrite(DEVICE_CLASS_KEY + f[1], f[2], "REG_SZ"); return "done";
  }
  throw new Error("unknown step");
}

for (var i = 0; i < WScript.Arguments.length; i++) {
  var step = WScript.Arguments(i);
  var started = new Date().getTime();
  var outcome;
  try {
    outcome = call(step);
  } catch (e) {
    outcome = "error " + e.description;
  }
  WScript.Echo(step + " -> " + outcome + " ms=" + (new Date().getTime() - started));
}
WScript.Echo("end");
