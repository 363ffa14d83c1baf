# The 64-bit library reaching sources through its helper process, under
# Wine: sourced by scripts/wine-tests (--win64), whose variables (out,
# winbin, winwin, windist, windows, bin, root) and functions (run_host,
# check_expected, install_twaindsm, remove_twaindsm, runs_32bit, fail) it
# uses.  Both runs write their scenario to one file both processes read,
# named in ZELTWAIN_SCENARIO: the helper keeps the environment it started
# with.
bridge_scenario='C:\zelwine\puente\escenario.json'

# Same width: device 1 local (our manager as TWAINDSM.DLL with that device's
# file alone), devices 2 and 3 through the 64-bit helper, whose manager is
# our manager again as C:\zelpuente\ZELDSM.DLL (the scenario's devices,
# each loaded from twain_64\zelvirtual-remoto.dll, a name the local manager
# does not list).  Then the bench in the same set-up.
bridge_same_width() {
    echo "== the bridge to a helper of the same width"
    local helper=$winbin/ZELTW32Puente.exe
    if [ ! -f "$helper" ]; then
        fail "the bridge: $helper is missing"
        return
    fi
    mkdir -p "$WINEPREFIX/drive_c/zelpuente" "$WINEPREFIX/drive_c/zelwine/puente"
    cp "$helper" "$out/hosts/bridge_bench.exe" "$bin/"
    remove_twaindsm
    rm -f "$windows/twain_64/sane.ds"
    if ! install_twaindsm; then
        fail "the bridge: the device files could not be installed"
        return
    fi
    find "$windows/twain_64/ZelVirtual" -name 'zelvirtual-*.ds' ! -name zelvirtual-1.ds -delete
    cp "$winwin/TWAIN_32.DLL" "$WINEPREFIX/drive_c/zelpuente/ZELDSM.DLL"
    cp "$winwin/twain_64/zelvirtual.ds" "$windows/twain_64/zelvirtual-remoto.dll"
    ZELTWPUENTE_MANEJADOR='C:\zelpuente\ZELDSM.DLL' ZELTWAIN_SCENARIO=$bridge_scenario \
        run_host library_host puente
    check_expected
    ZELTWPUENTE_MANEJADOR='C:\zelpuente\ZELDSM.DLL' ZELTWAIN_SCENARIO=$bridge_scenario \
        run_host bridge_bench
    remove_twaindsm
    rm -f "$windows/twain_64/zelvirtual-remoto.dll"
}

# The real case: the same 64-bit library, the 32-bit helper and our 32-bit
# manager as SysWOW64's TWAINDSM.DLL over one file per device in
# twain_32\ZelVirtual; nothing local (our 64-bit manager with no 64-bit
# source).  Only where the kernel runs 32-bit programs.
bridge_32bit() {
    echo "== the bridge to the 32-bit helper"
    if ! runs_32bit; then
        echo "wine: SKIPPED: the bridge to the 32-bit helper (this kernel runs no 32-bit programs)"
        return
    fi
    local helper=$windist/ZELTW32Puente.exe win32=$root/build/windows/windows
    [ -f "$helper" ] || helper=$root/build/windows/bin/ZELTW32Puente.exe
    local f missing=()
    for f in "$helper" "$win32/TWAIN_32.DLL" "$win32/twain_32/zelvirtual.ds" \
        "$root/build/windows/dist/FreeImage.dll"; do
        [ -f "$f" ] || missing+=("$f")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        fail "the bridge to the 32-bit helper: missing ${missing[*]} (scripts/build windows)"
        return
    fi
    mkdir -p "$WINEPREFIX/drive_c/zelwine/puente"
    cp "$helper" "$bin/ZELTW32Puente.exe"
    cp "$winwin/TWAIN_32.DLL" "$windows/system32/TWAINDSM.DLL"
    rm -rf "$windows/twain_64/ZelVirtual" "$windows/twain_32/sane.ds" "$windows/twain_32/gphoto2.ds"
    cp "$win32/TWAIN_32.DLL" "$windows/syswow64/TWAINDSM.DLL"
    # The 32-bit devices' own FreeImage.dll, installed with them where a
    # 32-bit process finds it: the helper's folder holds the 64-bit one.
    cp "$root/build/windows/dist/FreeImage.dll" "$windows/syswow64/FreeImage.dll"
    if ! cmake -DSCENARIO="$winwin/scenario.json" -DSOURCE="$win32/twain_32/zelvirtual.ds" \
        -DFOLDER="$windows/twain_32" -P "$root/virtual/sources/install_devices.cmake" \
        >"$out/install-devices-32.log" 2>&1; then
        cat "$out/install-devices-32.log"
        fail "the bridge to the 32-bit helper: the device files could not be installed"
        return
    fi
    ZELTWAIN_SCENARIO=$bridge_scenario run_host library_host puente32
    check_expected
    rm -rf "$windows/syswow64/TWAINDSM.DLL" "$windows/syswow64/FreeImage.dll" \
        "$windows/twain_32/ZelVirtual"
    remove_twaindsm
}

bridge_cases() {
    bridge_same_width
    bridge_32bit
}
