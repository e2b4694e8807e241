"""What a registration of ORVIX.DLL writes, as the scenarios compare it."""

CLSID = "{6D6F2B87-1F6B-4284-A931-3E0F6E09D96C}"
LIBID = "{58CAD687-682D-4987-83D5-3F4F4F81B6D0}"
IID = "{8BD6BAC9-CC9C-4030-8678-C64DB1C789A3}"
DESCRIPTION = "OPOS Library for Line Display"

PROGID_KEY = r"HKCR\OPOS.ORVIX"
CLASS_KEY = "HKCR\\CLSID\\" + CLSID
TYPELIB_KEY = "HKCR\\TypeLib\\" + LIBID
INTERFACE_KEY = "HKCR\\Interface\\" + IID
PROFILE_KEY = r"HKLM\SOFTWARE\OLEforRetail\ServiceOPOS\LineDisplay\ORVIX"

PROGID_TREE = {
    "": {"": ("REG_SZ", DESCRIPTION)},
    "CLSID": {"": ("REG_SZ", CLSID)},
}


def class_tree(module_path):
    return {
        "": {"": ("REG_SZ", DESCRIPTION)},
        "InprocServer32": {"": ("REG_SZ", module_path), "ThreadingModel": ("REG_SZ", "Apartment")},
        "ProgID": {"": ("REG_SZ", "OPOS.ORVIX")},
        "TypeLib": {"": ("REG_SZ", LIBID)},
        "Version": {"": ("REG_SZ", "1.0")},
    }


def _default_value(tree):
    return None if tree is None else tree.get("", {}).get("", (None, None))[1]


def registered_paths(prefix):
    """The module path of the class's InprocServer32 entry and the path under which the type
    library is registered for this architecture; None for what is not registered."""
    module, typelib = prefix.reg_trees(CLASS_KEY + r"\InprocServer32", TYPELIB_KEY + r"\1.0\0\win64")
    return _default_value(module), _default_value(typelib)
