' The Windows Script Host as an independent late-bound client, in VBScript: its variables go
' by reference (VT_BYREF|VT_VARIANT), its small integers as VT_I2. Exits with the number of
' calls that went wrong; a call that Invoke refuses ends it before its text is shown.
Option Explicit
Dim display, failures, row, column, text, data, result
failures = 0
Sub Expect(what, got, wanted)
  WScript.Echo what & " -> " & got
  If got <> wanted Then failures = failures + 1
End Sub
Set display = CreateObject("OPOS.ORVIX")
' Variables for the pointer parameters, after an argument by value: taken, their values kept.
data = 99
text = "keep"
result = 321
Expect "DirectIO", display.DirectIO(3, data, text), 106
Expect "CompareFirmwareVersion", display.CompareFirmwareVersion("fw.bin", result), 106
Expect "the variables", data & " " & text & " " & TypeName(result) & " " & result, "99 keep Integer 321"
' A variable that holds no number is refused for pChar (VBScript's type mismatch).
On Error Resume Next
Call display.ReadCharacterAtCursor(text)
Expect "ReadCharacterAtCursor(a text)", Err.Number, 13
On Error GoTo 0
Expect "OpenService", display.OpenService("LineDisplay", "PoleDisplay", Nothing), 0
row = 1
column = 1
text = "ORVIX progid.vbs"
Expect "DisplayTextAt", display.DisplayTextAt(row, column, text, 0), 0
Expect "CloseService", display.CloseService(), 0
WScript.Quit failures
