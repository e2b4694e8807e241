"""regsvr32 and the module's own registration: keys and values, re-registration and
unregistration with foreign subkeys, paths with long names and quotes, and the failures
that need the real module (no type library, no registration script)."""

from orvix_registry import (CLASS_KEY, DESCRIPTION, INTERFACE_KEY, LIBID, PROFILE_KEY, PROGID_KEY, PROGID_TREE, TYPELIB_KEY,
                            class_tree, registered_paths)

PROFILE = r"""REGEDIT4

[HKEY_LOCAL_MACHINE\SOFTWARE\OLEforRetail\ServiceOPOS\LineDisplay]
"ORVIX"="ORVIX"

[HKEY_LOCAL_MACHINE\SOFTWARE\OLEforRetail\ServiceOPOS\LineDisplay\ORVIX]
@="OPOS.ORVIX"
"DeviceType"="RS232"
"COMPORT"="COM7"
"""

TYPE_E_CANTLOADLIBRARY = 0x80029C4A
RESOURCE_TYPE_NOT_FOUND = 0x80070715  # HRESULT_FROM_WIN32(ERROR_RESOURCE_TYPE_NOT_FOUND)


def nothing_registered(test, what):
    progid, class_key, typelib, other_class = test.prefix.reg_trees(
        PROGID_KEY, CLASS_KEY, TYPELIB_KEY, r"HKCR\CLSID\{00020424-0000-0000-C000-000000000046}")
    test.check(progid is None, "%s: no OPOS.ORVIX key" % what, progid)
    test.check(class_key is None, "%s: no class key" % what, class_key)
    test.check(typelib is None, "%s: no type library registration" % what, typelib)
    # The key CLSID itself always stays, with the system's other classes in it.
    test.check(other_class is not None, "%s: the key CLSID and its other classes stay" % what)


def fully_registered(test, module, what):
    progid, class_key, typelib, interface = test.prefix.reg_trees(
        PROGID_KEY, CLASS_KEY, TYPELIB_KEY + r"\1.0\0\win64", INTERFACE_KEY)
    test.expect_equal(progid, PROGID_TREE, "%s: the ProgID key" % what)
    test.expect_equal(class_key, class_tree(module), "%s: the class key" % what)
    test.expect_equal(typelib, {"": {"": ("REG_SZ", module)}}, "%s: the type library is registered" % what)
    test.check(interface is not None and interface.get("TypeLib", {}).get("") == ("REG_SZ", LIBID),
               "%s: the interface is registered with its type library" % what, interface)


FOREIGN_VALUES = {"Owner": ("REG_SZ", "another program")}


def add_foreign(prefix, key):
    """A subkey that the registration script does not list, as another program may add."""
    return prefix.reg("add", key + r"\Foreign", "/v", "Owner", "/d", "another program", "/f")


def register_and_unregister(test):
    prefix = test.prefix
    dll = test.install_dll()

    test.expect_run(prefix.regsvr32(dll, unregister=True), "unregistering what was never registered succeeds")
    test.expect_run(prefix.regsvr32(dll, unregister=True), "and succeeds again")
    nothing_registered(test, "before registration")

    test.expect_run(prefix.regsvr32(dll), "regsvr32")
    fully_registered(test, dll, "registered")

    # A second registration rewrites the class key from scratch but only overwrites the
    # ProgID key: a subkey nobody listed survives under the ProgID only.
    test.expect_run(add_foreign(prefix, CLASS_KEY), "a foreign subkey under the class key")
    test.expect_run(add_foreign(prefix, PROGID_KEY), "a foreign subkey under the ProgID key")
    test.expect_run(prefix.regsvr32(dll), "regsvr32 a second time")
    class_key, progid = prefix.reg_trees(CLASS_KEY, PROGID_KEY)
    test.expect_equal(class_key, class_tree(dll), "the class key lost its foreign subkey")
    test.expect_equal(progid, dict(PROGID_TREE, Foreign=FOREIGN_VALUES), "the ProgID key kept its foreign subkey")

    # Unregistering takes what the script lists and leaves keys that still hold others.
    test.expect_run(add_foreign(prefix, CLASS_KEY), "a foreign subkey under the class key again")
    test.expect_run(prefix.regsvr32(dll, unregister=True), "regsvr32 /u")
    class_key, progid, typelib, interface = prefix.reg_trees(CLASS_KEY, PROGID_KEY, TYPELIB_KEY, INTERFACE_KEY)
    left = {"": {"": ("REG_SZ", DESCRIPTION)}, "Foreign": FOREIGN_VALUES}
    test.expect_equal(class_key, left, "the class key stays with only its foreign subkey")
    test.expect_equal(progid, left, "the ProgID key stays with only its foreign subkey")
    test.check(typelib is None, "the type library is unregistered", typelib)
    test.check(interface is None, "the interface is unregistered", interface)

    prefix.reg("delete", CLASS_KEY + r"\Foreign", "/f")
    prefix.reg("delete", PROGID_KEY + r"\Foreign", "/f")
    test.expect_run(prefix.regsvr32(dll, unregister=True), "regsvr32 /u with only empty keys left")
    nothing_registered(test, "after unregistration")
    test.expect_run(prefix.regsvr32(dll, unregister=True), "regsvr32 /u once more")


def module_paths(test):
    """The class entry holds the short path, the type library the long one; a quote in the
    path is written once."""
    prefix = test.prefix
    cases = [
        ("ORVIX Service Objects", "a folder with a long name"),
        ("it's", "a folder with a quote"),
        ("O'Brien Displays", "a long folder name with a quote"),
    ]
    for folder, what in cases:
        dll = test.install_dll(folder=folder)
        test.expect_run(prefix.regsvr32(dll), "regsvr32 from %s" % what)
        module, typelib = registered_paths(prefix)
        module = module or ""
        long_name = " " in folder
        if long_name:
            test.check(module.upper().endswith("\\ORVIX.DLL") and "~" in module and " " not in module,
                       "%s: the class entry holds the short path" % what, module)
        else:
            test.expect_equal(module, dll, "%s: the class entry holds the path as it is" % what)
        test.check("''" not in module and ("'" in module) == ("'" in folder),
                   "%s: a quote in the path is written once" % what, module)
        test.expect_equal(typelib, dll, "%s: the type library holds the long path" % what)
        test.expect_run(prefix.regsvr32(dll, unregister=True), "regsvr32 /u from %s" % what)
        nothing_registered(test, "after unregistering from %s" % what)


def client_register(test, dll, unregister=False):
    """Calls the module's export through the compiled client and gives its HRESULT."""
    test.require(test.client)
    client = test.prefix.install(test.client, "orvix-tests")
    result = test.prefix.run([client, "unregister" if unregister else "register", dll])
    for line in result.lines():
        name, _, value = line.partition(" ")
        if name in ("DllRegisterServer", "DllUnregisterServer"):
            return int(value, 16)
    test.check(False, "the client calls the export", result.describe())
    return None


def registration_failures(test):
    prefix = test.prefix
    without_typelib = test.install_dll(test.wine_test_dir / "without-typelib" / "ORVIX.DLL", folder="notlb")
    test.expect_equal(client_register(test, without_typelib), TYPE_E_CANTLOADLIBRARY,
                      "a module without a type library fails with the loader's error")
    test.expect_equal(registered_paths(prefix), (without_typelib, None),
                      "its class and ProgID stay registered, without a type library")
    test.expect_run(prefix.regsvr32(without_typelib), "regsvr32 reports the failure", returncode=5)

    # The library file beside the module stands in for the missing resource.
    tlb = prefix.install(test.wine_test_dir / "orvix.tlb", "notlb", "ORVIX.tlb")
    test.expect_equal(client_register(test, without_typelib), 0, "with ORVIX.tlb beside it, registration succeeds")
    test.expect_equal(registered_paths(prefix), (without_typelib, tlb),
                      "the type library is registered from the .tlb file")
    test.expect_equal(client_register(test, without_typelib, unregister=True), 0, "unregistration succeeds")
    nothing_registered(test, "after unregistering the module with a .tlb beside it")

    without_script = test.install_dll(test.wine_test_dir / "without-registry" / "ORVIX.DLL", folder="noscript")
    test.expect_equal(client_register(test, without_script), RESOURCE_TYPE_NOT_FOUND,
                      "a module without its registration script fails with the resource error")
    nothing_registered(test, "after the failed registration without a script")
    test.expect_equal(client_register(test, without_script, unregister=True), 0,
                      "unregistering a module without a script still succeeds")


def run(test):
    prefix = test.prefix
    prefix.import_reg(PROFILE)
    profile = prefix.reg_tree(PROFILE_KEY)
    test.check(profile is not None and profile[""][""] == ("REG_SZ", "OPOS.ORVIX"), "the device profile is in place")

    register_and_unregister(test)
    module_paths(test)
    registration_failures(test)

    test.expect_equal(prefix.reg_tree(PROFILE_KEY), profile, "the device profile is untouched by it all")
