' VBScript through the ProgID. VBScript passes variables by reference (VT_BYREF|VT_VARIANT)
' and small literals as 16-bit integers, which is what the pointer parameters must survive.
' Prints one line per check; ends with the number of failures as the exit code.
Option Explicit
Dim failures : failures = 0

Sub Check(passed, what)
  If passed Then
    WScript.Echo "ok " & what
  Else
    WScript.Echo "FAIL " & what
    failures = failures + 1
  End If
End Sub

Dim display, rc, character, comparison, data, text, unset
Set display = CreateObject("OPOS.ORVIX")

Check display.COFreezeEvents(True) = 0, "COFreezeEvents(True) gives OPOS_SUCCESS"
Check display.GetPropertyNumber(4) = 0, "FreezeEvents still reads 0"

' ReadCharacterAtCursor and CompareFirmwareVersion take an in-only pointer: the variable
' keeps its value and its type, whatever type it holds.
character = 1234
rc = display.ReadCharacterAtCursor(character)
Check rc = 106 And character = 1234 And TypeName(character) = "Integer", "ReadCharacterAtCursor(Integer variable)"
character = CLng(70000)
rc = display.ReadCharacterAtCursor(character)
Check rc = 106 And character = 70000 And TypeName(character) = "Long", "ReadCharacterAtCursor(Long variable)"
character = "65"
rc = display.ReadCharacterAtCursor(character)
Check rc = 106 And character = "65" And TypeName(character) = "String", "ReadCharacterAtCursor(String variable)"
rc = display.ReadCharacterAtCursor(unset)
Check rc = 106 And IsEmpty(unset), "ReadCharacterAtCursor(Empty variable)"
rc = display.ReadCharacterAtCursor(42)
Check rc = 106, "ReadCharacterAtCursor(literal)"

comparison = 5
text = "fw.bin"
rc = display.CompareFirmwareVersion(text, comparison)
Check rc = 106 And comparison = 5 And TypeName(comparison) = "Integer" And text = "fw.bin", _
      "CompareFirmwareVersion(variables)"
comparison = CLng(-3)
rc = display.CompareFirmwareVersion("fw.bin", comparison)
Check rc = 106 And comparison = -3 And TypeName(comparison) = "Long", "CompareFirmwareVersion(Long variable)"

' DirectIO's in-and-out parameters get their values back.
data = 7
text = "abc"
rc = display.DirectIO(1, data, text)
Check data = 7 And text = "abc", "DirectIO leaves its variables' values"

' The other unsupported operations, with variables as VBScript passes them.
Dim row, column
row = 0 : column = 0
Check display.CreateWindow(row, column, 2, 20, 2, 20) = 106, "CreateWindow(variables)"
Check display.ClearDescriptors() = 106, "ClearDescriptors"
Check display.DestroyWindow() = 106, "DestroyWindow"
Check display.RefreshWindow(row) = 106, "RefreshWindow"
Check display.SetDescriptor(1, 1) = 106, "SetDescriptor"
text = "glyph"
Check display.DefineGlyph(65, text) = 106, "DefineGlyph"
Check display.DisplayBitmap("C:\logo.bmp", 20, -1, -2) = 106, "DisplayBitmap"
Check display.SetBitmap(1, "C:\logo.bmp", 20, -1, -2) = 106, "SetBitmap"
Check display.ResetStatistics("") = 106, "ResetStatistics"
text = "<UPOSStat/>"
Check display.RetrieveStatistics(text) = 106 And text = "<UPOSStat/>", "RetrieveStatistics"
Check display.UpdateStatistics("x") = 106, "UpdateStatistics"
Check display.UpdateFirmware("fw.bin") = 106, "UpdateFirmware"

' Names in any letter case.
Check display.createwindow(0, 0, 2, 20, 2, 20) = 106, "createwindow"
Check display.CREATEWINDOW(0, 0, 2, 20, 2, 20) = 106, "CREATEWINDOW"
Check display.getPropertyNumber(9) = 2, "getPropertyNumber"

Check display.OpenService("LineDisplay", "NoSuchDevice", Nothing) = 106, _
      "OpenService of a device without a profile gives OPOS_E_ILLEGAL"

On Error Resume Next
display.NoSuchMethod
Check Err.Number <> 0, "an unknown name is refused"
Err.Clear
On Error GoTo 0

WScript.Echo "done"
WScript.Quit failures
