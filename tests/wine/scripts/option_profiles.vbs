' The profile's "Option" as a VBScript till meets it: strict (0x1) refuses bad arguments of
' the text operations and sends nothing, lenient (0) repairs them and goes on, and
' zero-based (0x100, here with strict) counts DisplayTextAt's rows and columns from 0. The
' test changes "Option" while the script waits at a step; the next OpenService reads it.
' Prints one line per check; ends with the number of failures as the exit code.
Option Explicit
Dim failures : failures = 0

Sub Equal(actual, expected, what)
  If actual = expected Then
    WScript.Echo "ok " & what
  Else
    WScript.Echo "FAIL " & what & " (got " & actual & ")"
    failures = failures + 1
  End If
End Sub

' Each step is a request to the test's step server (argument 1: its port), which answers
' once the test has looked at the display. Wine's script host has no WScript.Sleep, and its
' VBScript no Escape: the step names hold only letters, digits, hyphens and spaces.
Dim stepServer : stepServer = "http://127.0.0.1:" & WScript.Arguments(0) & "/step"
Dim stepNumber : stepNumber = 0
Sub ReachStep(name)
  Dim request
  stepNumber = stepNumber + 1
  Set request = CreateObject("WinHttp.WinHttpRequest.5.1")
  request.SetTimeouts 5000, 5000, 5000, 150000
  request.Open "GET", stepServer & "?n=" & stepNumber & "&name=" & Replace(name, " ", "+"), False
  request.Send
  If request.ResponseText <> "go" Then
    WScript.Echo "FAIL the test stopped the script at step " & name
    WScript.Quit 100
  End If
End Sub

Dim display
Set display = CreateObject("OPOS.ORVIX")

' --- strict: every bad argument ends the call with OPOS_E_ILLEGAL and sends nothing
Equal display.OpenService("LineDisplay", "ORVIX", Nothing), 0, "OpenService with Option 0x1"
ReachStep "open strict"

Equal display.DisplayText("", 0), 106, "strict: DisplayText of an empty text"
Equal display.DisplayText("X", 7), 106, "strict: DisplayText with attribute 7"
Equal display.DisplayText("X", -1), 106, "strict: DisplayText with attribute -1"
Equal display.DisplayTextAt(1, 1, "", 0), 106, "strict: DisplayTextAt of an empty text"
Equal display.DisplayTextAt(3, 5, "A", 0), 106, "strict: DisplayTextAt row 3"
Equal display.DisplayTextAt(0, 1, "A", 0), 106, "strict: DisplayTextAt row 0"
Equal display.DisplayTextAt(1, 21, "A", 0), 106, "strict: DisplayTextAt column 21"
Equal display.DisplayTextAt(1, 0, "A", 0), 106, "strict: DisplayTextAt column 0"
Equal display.DisplayTextAt(1, 1, "A", 4), 106, "strict: DisplayTextAt with attribute 4"
Equal display.ScrollText(1, 3), 106, "strict: ScrollText up 3"
Equal display.ScrollText(2, -1), 106, "strict: ScrollText down -1"
Equal display.ScrollText(3, 21), 106, "strict: ScrollText left 21"
Equal display.ScrollText(4, -1), 106, "strict: ScrollText right -1"
Equal display.ScrollText(7, 0), 106, "strict: ScrollText direction 7"
Equal display.ScrollText(0, 1), 106, "strict: ScrollText direction 0"
Equal display.CheckHealth(0), 106, "strict: CheckHealth level 0"
Equal display.CheckHealth(4), 106, "strict: CheckHealth level 4"
Equal display.DisplayTextAt(2, 20, "AB", 0), 0, "strict: DisplayTextAt row 2, column 20 wraps to the first cell"
ReachStep "strict refusals"
Equal display.ScrollText(1, 0), 0, "strict: ScrollText up 0"
ReachStep "strict mirror"
Equal display.ScrollText(4, 20), 0, "strict: ScrollText right 20 is in range"
ReachStep "strict right 20"

' --- lenient: the same kinds of argument are repaired
Equal display.OpenService("LineDisplay", "ORVIX", Nothing), 0, "OpenService with Option 0"
ReachStep "open lenient"
Equal display.DisplayText("", 0), 0, "lenient: DisplayText of an empty text succeeds"
Equal display.DisplayText("X", 7), 0, "lenient: DisplayText with attribute 7 succeeds"
ReachStep "lenient bad attribute"
Equal display.DisplayTextAt(3, 5, "A", 1), 0, "lenient: DisplayTextAt row 3"
Equal display.DisplayTextAt(1, 25, "B", 0), 0, "lenient: DisplayTextAt column 25"
Equal display.DisplayTextAt(-4, -9, "C", 2), 0, "lenient: DisplayTextAt row -4, column -9"
Equal display.DisplayTextAt(2, 2, "D", 9), 0, "lenient: DisplayTextAt with attribute 9"
ReachStep "lenient coordinates"
Equal display.ScrollText(7, 0), 0, "lenient: ScrollText direction 7"
ReachStep "lenient bad direction"
Equal display.ScrollText(3, -1), 0, "lenient: ScrollText left -1"
ReachStep "lenient negative units"
Equal display.CheckHealth(4), 106, "lenient: CheckHealth level 4 is still refused"
Equal display.DisplayTextAt(1, 1, "", 0), 0, "lenient: DisplayTextAt of an empty text succeeds"
Equal display.ScrollText(2, 3), 0, "lenient: ScrollText down 3"
ReachStep "lenient units above the range"

' --- zero-based and strict
Equal display.OpenService("LineDisplay", "ORVIX", Nothing), 0, "OpenService with Option 0x101"
ReachStep "open zero-based"
Equal display.DisplayTextAt(0, 0, "A", 0), 0, "zero-based: DisplayTextAt row 0, column 0"
Equal display.DisplayTextAt(1, 19, "Z", 0), 0, "zero-based: DisplayTextAt row 1, column 19"
Equal display.DisplayTextAt(2, 0, "N", 0), 106, "zero-based: DisplayTextAt row 2"
Equal display.DisplayTextAt(0, 20, "N", 0), 106, "zero-based: DisplayTextAt column 20"
Equal display.DisplayTextAt(-1, 0, "N", 0), 106, "zero-based: DisplayTextAt row -1"
ReachStep "zero-based"
Equal display.CloseService(), 0, "CloseService"

WScript.Echo "done"
WScript.Quit failures
