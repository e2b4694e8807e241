"""JScript and VBScript through the ProgID, as a script host binds late: the result codes,
names in any letter case, and VBScript's by-reference variables."""


def run(test):
    dll = test.install_dll()
    test.register(dll)
    test.run_script("progid.js", "JScript through OPOS.ORVIX")
    test.run_script("progid.vbs", "VBScript through OPOS.ORVIX")
