"""The compiled client: the class object and exports, every method early-bound, the
Control Object's binding and calls, the registered type library, and dispatch before the
type library is registered."""

from orvix_registry import TYPELIB_KEY


def run(test):
    dll = test.install_dll()
    test.register(dll)
    test.run_client("class-object", dll)
    test.run_client("early-bound")
    test.run_client("control-object")
    test.run_client("type-library")

    test.expect_run(test.prefix.reg("delete", TYPELIB_KEY, "/f"), "the type library's registration removed")
    test.run_client("dispatch-before-registration", dll)
