#!/usr/bin/env bash
# Reads the DLL's headers with objdump -p and checks what hosts and Windows see there: exactly
# the ten exports, the library name in the export directory, both names of the older format at
# one address, and imports from Windows system libraries only (the compiler's runtime is
# linked in statically).
# Usage: check-dll.sh OBJDUMP DLL
set -euo pipefail
objdump=$1 dll=$2
dump=$("$objdump" -p "$dll")
status=0
fail() { echo "FAIL: $*"; status=1; }

name=$(sed -n 's/^Name[[:space:]]\+[0-9a-f]\+ \(.*\)$/\1/p' <<<"$dump")
[ "$name" = "ZV-Reverb LX.aaxplugin" ] || fail "export directory name is '$name'"

# "[   3] ACFStartup" lines of the name table.
exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[[ 0-9]*\] \(.*\)$/\1/p' <<<"$dump" | sort)
expected=$(printf '%s\n' VSTPluginMain ACFRegisterPlugin ACFRegisterComponent ACFGetClassFactory \
    ACFCanUnloadNow ACFStartup ACFShutdown ACFGetSDKVersion NewPlugIn _PI_GetRoutineDescriptor | sort)
[ "$exports" = "$expected" ] || fail "exports are:"$'\n'"$exports"

# Both names of the older format: same address in the export address table.
rva_of() {
    local index
    index=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *\([0-9]*\)\] '"$1"'$/\1/p' <<<"$dump")
    sed -n '/^Export Address Table -- /,/^$/s/^[[:space:]]*\[ *'"$index"'\] +base\[ *[0-9]*\] \([0-9a-f]*\) Export RVA$/\1/p' <<<"$dump"
}
[ -n "$(rva_of NewPlugIn)" ] && [ "$(rva_of NewPlugIn)" = "$(rva_of _PI_GetRoutineDescriptor)" ] ||
    fail "NewPlugIn and _PI_GetRoutineDescriptor are not one function"

system_libraries='^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|imm32|winmm|comdlg32|shlwapi|rpcrt4|version|wininet|ws2_32|wsock32|msvcrt|uxtheme|dwmapi|crypt32|opengl32|dxgi)\.dll$'
imports=$(sed -n 's/^[[:space:]]*DLL Name: \(.*\)$/\1/p' <<<"$dump")
while read -r library; do
    tr '[:upper:]' '[:lower:]' <<<"$library" | grep -Eq "$system_libraries" ||
        fail "imports $library, which is not a Windows system library"
done <<<"$imports"

echo "export directory name: $name"
echo "exports: $(tr '\n' ' ' <<<"$exports")"
echo "imports: $(tr '\n' ' ' <<<"$imports")"
exit $status
