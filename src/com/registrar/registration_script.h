#pragma once
#include <cstdint>
#include <string_view>

#include "com/registrar/registrar_result.h"
#include "com/registrar/script_replacement.h"
#include "platform/registry_editor.h"

namespace orvix::registrar {

enum class RegistrarMode { kRegister, kUnregister };

// Runs a registration script (the 8-bit text of a "REGISTRY" resource; it ends at its end
// or at its first zero byte) against `registry`, after its %NAME%s have been replaced from
// `replacements` (see ReplaceScriptNames). The module's exports call it with the one entry
// {"Module", ModuleReplacementValue(shortModulePath)}.
//
// The script is a series of top-level blocks, `ROOT { entries }`, ROOT one of HKCR, HKCU,
// HKLM, HKU, HKPD, HKDD, HKCC or their HKEY_ names. An entry is
//   [ForceRemove | NoRemove | Delete] name [= type 'value'] [{ entries }]   a key
//   val name = type 'value'                                                 a named value
// with the type letters s (text), d (decimal number, stored as REG_DWORD) and b (pairs of
// hex digits, stored as REG_BINARY). Keywords, type letters and root names may be written
// in any letter case; quoting a token makes it a name, never a keyword, brace or `=`.
//
// kRegister: entries in script order, depth first. ForceRemove and Delete first remove the
// key with its subtree (never CLSID or TYPELIB); Delete then creates nothing. Any other key
// is opened with full access, else read-only, else created; then its default value is set
// and its block run. A value that cannot be written is passed over silently. When anything
// in a top-level block fails, that block is run once more in kUnregister mode, so that what
// it wrote goes again (a fault of the script ends that run's reading, not the removal of the
// keys around the fault), and the failure is the result; blocks before it stay written.
//
// kUnregister: entries in script order, depth first. Each `val` removes its value. A key
// that exists has its block run when it has subkeys or named values; afterwards it is
// removed unless it still has subkeys or is marked NoRemove. A key that does not exist is
// passed over with its block. Types and values are not examined in this mode.
//
// Results: kOk; kFail for a replacement name longer than 31 characters or a `b` value with
// an odd number of characters; kDispatchException for a replacement name without value, a
// `%` never closed, an unknown root name, a missing `{`, a `val` without `=`, an empty key
// name or one with a backslash, an unknown type letter, a key that can neither be opened
// nor created, a quote never closed, a script that ends inside a block, or blocks nested
// deeper than the registry allows. A failed replacement touches nothing.
int32_t RunRegistrationScript(platform::RegistryEditor& registry, std::string_view script,
                              const ReplacementMap& replacements, RegistrarMode mode);

}  // namespace orvix::registrar
