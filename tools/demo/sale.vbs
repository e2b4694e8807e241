' A sale on the pole display, driven as a POS application drives it through the OPOS
' LineDisplay calls: open, claim, enable, item lines with their prices, the total, the
' change, a blinking thank-you, then disable, release and close.
'
'   cscript //nologo sale.vbs [DEVICE [PACE]]
'
' DEVICE is the logical name to open (PoleDisplay by default); PACE scales the pauses that
' let people watch (1 by default, 0 for none).
'
' Prints one line per call with what it gave, and ends with the number of calls that did
' not give what they should as its exit code.
Option Explicit

Const OPOS_SUCCESS = 0
Const DISP_DT_NORMAL = 0
Const DISP_DT_BLINK = 1
Const DISP_ST_UP = 1
Const PIDX_DeviceEnabled = 3
Const PIDXDisp_DeviceBrightness = 5007
Const PIDX_DeviceDescription = 1000002

Dim display, failures, device, pace
failures = 0
device = "PoleDisplay"
pace = 1
If WScript.Arguments.Count > 0 Then device = WScript.Arguments(0)
If WScript.Arguments.Count > 1 Then pace = CDbl(WScript.Arguments(1))

Sub Expect(what, rc)
  If rc = OPOS_SUCCESS Then
    WScript.Echo what & " -> OPOS_SUCCESS"
  Else
    WScript.Echo what & " -> " & rc & " (expected OPOS_SUCCESS)"
    failures = failures + 1
  End If
End Sub

' Wine's script host has no WScript.Sleep; there the pause watches the clock instead.
Sub Pause(seconds)
  Dim wait, started
  wait = seconds * pace
  If wait <= 0 Then Exit Sub
  On Error Resume Next
  WScript.Sleep wait * 1000
  If Err.Number = 0 Then Exit Sub
  Err.Clear
  On Error GoTo 0
  started = Timer
  Do While Timer >= started And Timer - started < wait
  Loop
End Sub

Sub Brightness(level)
  display.SetPropertyNumber PIDXDisp_DeviceBrightness, level
  WScript.Echo "DeviceBrightness = " & level
End Sub

' One line of the sale: the name from the left, the price right-aligned.
Sub SaleLine(row, name, price)
  Expect "DisplayTextAt(" & row & ", 1, """ & name & """)", display.DisplayTextAt(row, 1, name, DISP_DT_NORMAL)
  Expect "DisplayTextAt(" & row & ", " & (21 - Len(price)) & ", """ & price & """)", _
         display.DisplayTextAt(row, 21 - Len(price), price, DISP_DT_NORMAL)
End Sub

' The sale goes on like a receipt: a new line comes in at the bottom and pushes the
' display up.
Sub NextLine(name, price)
  Expect "ScrollText(DISP_ST_UP, 1)", display.ScrollText(DISP_ST_UP, 1)
  SaleLine 2, name, price
End Sub

Set display = CreateObject("OPOS.ORVIX")
Expect "OpenService(""LineDisplay"", """ & device & """)", display.OpenService("LineDisplay", device, Nothing)
WScript.Echo "DeviceDescription: " & display.GetPropertyString(PIDX_DeviceDescription)
Expect "ClaimDevice(1000)", display.ClaimDevice(1000)
display.SetPropertyNumber PIDX_DeviceEnabled, 1
If display.GetPropertyNumber(PIDX_DeviceEnabled) <> 0 Then
  WScript.Echo "DeviceEnabled = True"
Else
  WScript.Echo "DeviceEnabled stayed False"
  failures = failures + 1
End If

Brightness 4
Expect "DisplayTextAt(1, 1, ""  WELCOME TO ORVIX  "")", display.DisplayTextAt(1, 1, "  WELCOME TO ORVIX  ", DISP_DT_NORMAL)
Expect "DisplayTextAt(2, 1, "" YOUR FRIENDLY SHOP "")", display.DisplayTextAt(2, 1, " YOUR FRIENDLY SHOP ", DISP_DT_NORMAL)
Pause 2

Expect "ClearText", display.ClearText()
Brightness 3
SaleLine 1, "COFFEE BEANS", "7.49"
Pause 1.2
SaleLine 2, "WHOLE MILK 1L", "1.19"
Pause 1.2
NextLine "CROISSANTS x3", "3.60"
Pause 1.2
NextLine "TOTAL EUR", "12.28"
Brightness 4
Pause 2
NextLine "CASH", "20.00"
Pause 1.2
NextLine "CHANGE", "7.72"
Pause 2

Expect "ClearText", display.ClearText()
Expect "DisplayTextAt(1, 1, ""     THANK YOU      "", DISP_DT_BLINK)", _
       display.DisplayTextAt(1, 1, "     THANK YOU      ", DISP_DT_BLINK)
Expect "DisplayTextAt(2, 1, "" PLEASE COME AGAIN  "", DISP_DT_BLINK)", _
       display.DisplayTextAt(2, 1, " PLEASE COME AGAIN  ", DISP_DT_BLINK)
Pause 3

display.SetPropertyNumber PIDX_DeviceEnabled, 0
WScript.Echo "DeviceEnabled = False"
Expect "ReleaseDevice", display.ReleaseDevice()
Expect "CloseService", display.CloseService()
WScript.Quit failures
