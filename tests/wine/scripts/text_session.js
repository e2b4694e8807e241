// A till's session with the pole display, in JScript through OPOS.ORVIX: two lines, blinking,
// scrolling, the cursor and setting properties, the health check, characters outside the
// ANSI code page, and the display released. After each group of calls the script waits at a
// step while the test looks at the display.
// Prints one line per check; ends with the number of failures as the exit code.
var failures = 0;
function check(passed, what) {
  WScript.Echo((passed ? "ok " : "FAIL ") + what);
  if (!passed) failures++;
}
function equal(actual, expected, what) {
  check(actual === expected, what + (actual === expected ? "" : " (got " + actual + ")"));
}

// Each step is a request to the test's step server (argument 1: its port), which answers
// once the test has looked at the display. Wine's script host has no WScript.Sleep.
var stepServer = "http://127.0.0.1:" + WScript.Arguments(0) + "/step";
var stepNumber = 0;
function step(name) {
  stepNumber++;
  var request = new ActiveXObject("WinHttp.WinHttpRequest.5.1");
  request.SetTimeouts(5000, 5000, 5000, 150000);
  request.Open("GET", stepServer + "?n=" + stepNumber + "&name=" + encodeURIComponent(name), false);
  request.Send();
  if (request.ResponseText !== "go") {
    WScript.Echo("FAIL the test stopped the script at step " + name);
    WScript.Quit(100);
  }
}

var display = new ActiveXObject("OPOS.ORVIX");
// JScript has no null IDispatch: any object stands in for the Control Object's own.
var caller = new ActiveXObject("Scripting.Dictionary");

equal(display.OpenService("LineDisplay", "PoleDisplay", caller), 0, "OpenService through the alias");
equal(display.ClaimDevice(0), 0, "ClaimDevice");
display.SetPropertyNumber(3, 1);
equal(display.GetPropertyNumber(1), 1, "Claimed");
equal(display.GetPropertyNumber(3), 103, "DeviceEnabled reads 103");

// The properties that describe the display, as pairs of index and value.
var numbers = [[2, 0], [4, 0], [6, 0], [7, 0], [8, 1000000], [9, 2], [11, 0], [13, 0], [14, 2001], [501, 0],
               [5001, 998], [5002, 20], [5008, 20], [5009, 0], [5010, 2], [5016, 2], [5020, 0], [5021, 0],
               [5501, 1], [5502, 1], [5503, 1], [5504, 0], [5505, 1], [5506, 0], [5507, 0], [5508, 1],
               [5509, 8], [5510, 8], [5511, 0], [5512, 0], [5003, 0], [12345, 0], [-1, 0]];
var wrong = "";
for (var i = 0; i < numbers.length; i++) {
  var value = display.GetPropertyNumber(numbers[i][0]);
  if (value !== numbers[i][1]) wrong += " " + numbers[i][0] + "=" + value;
}
equal(wrong, "", "the numbers that describe the display");
var texts = [[1000002, "Pole Display 20x2 Vacuum Fluorescent Type"], [1000003, "Pole Display 20x2"],
             [1005001, "998"], [42, "EMPTY"], [1000000, "EMPTY"]];
wrong = "";
for (var i = 0; i < texts.length; i++) {
  var text = display.GetPropertyString(texts[i][0]);
  if (text !== texts[i][1]) wrong += " " + texts[i][0] + "=" + text;
}
equal(wrong, "", "the texts that describe the display");
equal(display.GetPropertyString(1000004).indexOf("POS LineDisplay OPOS Service Object. "), 0,
      "the service object's description");
step("open");

// --- two lines, blinking and reverse video
equal(display.DisplayText("Coffee", 0), 0, "DisplayText Coffee");
equal(display.GetPropertyNumber(5004), 6, "the cursor column follows the text");
equal(display.DisplayText("  2.50", 0), 0, "DisplayText goes on at the cursor");
equal(display.DisplayTextAt(2, 1, "TOTAL          12.50", 0), 0, "DisplayTextAt the whole second row");
equal(display.GetPropertyNumber(5004), 0, "a full second row leaves the cursor at the first column");
equal(display.GetPropertyNumber(5005), 0, "of the first row");
step("two lines");

equal(display.DisplayTextAt(1, 15, "PAID", 1), 0, "DisplayTextAt blinking");
step("DisplayTextAt blinking");

equal(display.DisplayText("!!", 3), 0, "DisplayText blinking and reversed");
step("DisplayText blinking and reversed");

display.SetPropertyNumber(5018, 100);
equal(display.GetPropertyNumber(5018), 0, "the blink rate is not readable");
step("blink rate 100");
display.SetPropertyNumber(5018, 300);
step("blink rate 300");

// --- scrolling: the mirror shifted and the whole display drawn again
equal(display.ScrollText(1, 1), 0, "ScrollText up 1");
equal(display.GetPropertyNumber(5004), 0, "a scroll homes the cursor column");
equal(display.GetPropertyNumber(5005), 0, "and the cursor row");
step("scroll up");
equal(display.ScrollText(4, 3), 0, "ScrollText right 3");
step("scroll right");
equal(display.ScrollText(2, 1), 0, "ScrollText down 1");
step("scroll down");
equal(display.ScrollText(3, 5), 0, "ScrollText left 5");
step("scroll left");

equal(display.ClearText(), 0, "ClearText");
step("clear");

// --- the cursor set through the properties is where the next text lands
display.SetPropertyNumber(5004, 4);
display.SetPropertyNumber(5005, 1);
equal(display.GetPropertyNumber(5004), 4, "CursorColumn reads back as set");
equal(display.GetPropertyNumber(5005), 1, "CursorRow reads back as set");
step("cursor set");
equal(display.DisplayText("AB", 0), 0, "DisplayText at the cursor that was set");
equal(display.GetPropertyNumber(5004), 6, "CursorColumn after the text");
equal(display.GetPropertyNumber(5005), 1, "CursorRow after the text");
step("text at the cursor");
equal(display.ScrollText(3, 0), 0, "ScrollText left 0 draws the mirror");
step("mirror after the cursor");

equal(display.DisplayText("XYZ", 0), 0, "DisplayText XYZ from home");
display.SetPropertyNumber(5005, 1);
equal(display.GetPropertyNumber(5005), 1, "CursorRow set on its own reads back as set");
equal(display.GetPropertyNumber(5004), 4, "CursorColumn is where the display's cursor went");
step("row set on its own");
equal(display.DisplayText("Q", 0), 0, "DisplayText after the row was set");
step("text after the row");
equal(display.ScrollText(3, 0), 0, "ScrollText left 0");
step("mirror after the row");

equal(display.DisplayTextAt(2, 18, "end", 0), 0, "DisplayTextAt the end of row 2");
display.SetPropertyNumber(5004, 9);
equal(display.GetPropertyNumber(5004), 9, "CursorColumn set on its own reads back as set");
equal(display.GetPropertyNumber(5005), 1, "CursorRow is where the display's cursor went");
step("column set on its own");
equal(display.DisplayText("mid", 0), 0, "DisplayText after the column was set");
step("text after the column");
equal(display.ScrollText(3, 0), 0, "ScrollText left 0");
step("mirror after the column");

// --- CursorUpdate 0: the cursor properties are neither stored nor sent
display.SetPropertyNumber(5006, 0);
display.SetPropertyNumber(5004, 2);
display.SetPropertyNumber(5005, 0);
equal(display.GetPropertyNumber(5004), 0, "CursorColumn reads 0 without CursorUpdate");
equal(display.GetPropertyNumber(5006), 0, "CursorUpdate reads 0");
display.SetPropertyNumber(5006, 255);
equal(display.GetPropertyNumber(5006), -1, "CursorUpdate 255 reads -1");
display.SetPropertyNumber(5006, 1);
// Sends nothing either, so the next write is the first the display gets.
display.SetPropertyNumber(11, 1);
display.SetPropertyNumber(42, 7);
display.SetPropertyString(1000003, "Another name");
display.SetPropertyNumber(3, 0);
display.SetPropertyNumber(3, 1);
equal(display.GetPropertyString(1000003), "Pole Display 20x2", "DeviceName is not writable");
equal(display.CheckHealth(0), 106, "CheckHealth level 0");
equal(display.CheckHealth(4), 106, "CheckHealth level 4");
display.SetPropertyNumber(5007, 3);
step("brightness 3");
display.SetPropertyNumber(5007, 9);
equal(display.GetPropertyNumber(5007), 0, "the brightness is not readable");
step("brightness 9");
display.SetPropertyNumber(5007, 0);
step("brightness 0");

display.SetPropertyNumber(5019, 4);
equal(display.GetPropertyNumber(5019), 1, "CursorType 4 reads 1");
step("cursor shown");
display.SetPropertyNumber(5019, 2);
equal(display.GetPropertyNumber(5019), 1, "CursorType 2 leaves it shown");
step("cursor type 2");
display.SetPropertyNumber(5019, 0);
equal(display.GetPropertyNumber(5019), 0, "CursorType 0 reads 0");
step("cursor hidden");

display.SetPropertyNumber(5014, 1);
equal(display.GetPropertyNumber(5014), 1, "MarqueeType 1");
step("vertical scroll mode");
display.SetPropertyNumber(5014, 2);
equal(display.GetPropertyNumber(5014), 2, "MarqueeType 2 is kept though nothing is sent");
display.SetPropertyNumber(5014, 3);
equal(display.GetPropertyNumber(5014), 3, "MarqueeType 3");
step("horizontal scroll mode");
equal(display.ScrollText(1, 0), 0, "ScrollText up 0");
equal(display.GetPropertyNumber(5014), 3, "MarqueeType stays 3 after a scroll");
step("a scroll in overwrite mode");
display.SetPropertyNumber(5014, 1);
step("vertical scroll mode again");
display.SetPropertyNumber(5014, 0);
equal(display.GetPropertyNumber(5014), 0, "MarqueeType 0");
step("overwrite mode");

// --- the health check shows its text and leaves the mirror alone
equal(display.CheckHealth(1), 0, "CheckHealth internal");
step("health check 1");
equal(display.CheckHealth(2), 0, "CheckHealth external");
step("health check 2");
equal(display.CheckHealth(3), 0, "CheckHealth interactive");
step("health check 3");
equal(display.ScrollText(2, 0), 0, "ScrollText down 0 after the health check");
step("mirror after the health check");
equal(display.ClearText(), 0, "ClearText before reading CheckHealthText");
equal(display.GetPropertyString(1000001), "Interactive is health", "CheckHealthText");
step("CheckHealthText");

// --- characters outside the ANSI code page become its default character
equal(display.DisplayTextAt(1, 1, "Caf\u00e9 \u20ac5 \u0416", 0), 0, "DisplayTextAt with e acute, euro and zhe");
step("code page 1252");
equal(display.DisplayText("\u00f1\u00fc\u4e2d\u00a3", 2), 0, "DisplayText with n tilde, u umlaut, a CJK sign, pound");
step("code page 1252 at the cursor");
equal(display.ScrollText(3, 0), 0, "ScrollText left 0");
step("mirror of the converted text");

// --- released: the text reaches no display and still succeeds
equal(display.ReleaseDevice(), 0, "ReleaseDevice");
equal(display.GetPropertyNumber(1), 0, "Claimed reads 0 after ReleaseDevice");
equal(display.GetPropertyNumber(3), 103, "DeviceEnabled is kept");
equal(display.DisplayText("gone", 0), 0, "DisplayText after ReleaseDevice");
equal(display.DisplayTextAt(2, 1, "gone", 1), 0, "DisplayTextAt after ReleaseDevice");
equal(display.ScrollText(1, 1), 0, "ScrollText after ReleaseDevice");
equal(display.CheckHealth(3), 0, "CheckHealth after ReleaseDevice");
display.SetPropertyNumber(5007, 2);
step("released");
equal(display.CloseService(), 0, "CloseService");
equal(display.CloseService(), 0, "CloseService again");
equal(display.DisplayText("closed", 0), 0, "DisplayText after CloseService");
equal(display.OpenService("LineDisplay", "ORVIX", caller), 0, "OpenService by the profile's name");
equal(display.GetPropertyNumber(1), 0, "Claimed reads 0 after the new open");
equal(display.GetPropertyNumber(3), 0, "DeviceEnabled reads 0 after the new open");
equal(display.GetPropertyNumber(5014), 0, "MarqueeType reads 0 after the new open");
step("opened again");
equal(display.CloseService(), 0, "CloseService at the end");

WScript.Echo("done");
WScript.Quit(failures);
