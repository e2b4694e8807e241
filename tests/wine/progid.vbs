' The Windows Script Host as an independent late-bound client, in VBScript: its variables go
' by reference (VT_BYREF|VT_VARIANT), its small integers as VT_I2. Exits with the number of
' calls that went wrong.
Option Explicit
Dim display, failures, row, column, text
failures = 0
Sub Expect(what, got, wanted)
  WScript.Echo what & " -> " & got
  If got <> wanted Then failures = failures + 1
End Sub
Set display = CreateObject("OPOS.ORVIX")
Expect "OpenService", display.OpenService("LineDisplay", "PoleDisplay", Nothing), 0
row = 1
column = 1
text = "ORVIX progid.vbs"
Expect "DisplayTextAt", display.DisplayTextAt(row, column, text, 0), 0
Expect "GetPropertyNumber(Columns)", display.GetPropertyNumber(5002), 20
Expect "CloseService", display.CloseService(), 0
WScript.Quit failures
