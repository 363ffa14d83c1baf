# zelscan.exe under Wine, unattended: sourced by scripts/wine-tests, whose
# variables (arch, out, loader, winbin, winwin, windist, sources, windows,
# root, labels) and counters (passed, failed) it uses.  zelscan_cases runs
# every case, each counted once.

# zelscan_install: zelscan.exe beside ZELTW32.dll and FreeImage.dll, and
# our manager where this width's library looks first: over Wine's
# twain_32.dll with our source file for 32 bits, as TWAINDSM.DLL with one
# source file per device for 64 bits.
zelscan_install() {
    zelscan_dir=$WINEPREFIX/drive_c/zelwine/zelscan
    zelscan_overrides=$WINEDLLOVERRIDES
    mkdir -p "$zelscan_dir"
    cp "$winbin/zelscan.exe" "$winbin/ZELTW32.dll" "$windist/FreeImage.dll" "$zelscan_dir/" ||
        return 1
    rm -f "$windows/$sources/sane.ds"
    if [ "$arch" = win64 ]; then
        install_twaindsm
        return
    fi
    zelscan_overrides="$zelscan_overrides;twain_32=n"
    cp "$winwin/$sources/zelvirtual.ds" "$windows/$sources/zelvirtual.ds" &&
        cp "$winwin/TWAIN_32.DLL" "$windows/twain_32.dll"
}

# zelscan_run CASE [VAR=VALUE...] -- ARGS...: zelscan.exe in the case's
# folder (C:\zelwine\zelscan\CASE), stdin from $zelscan_dir/CASE/in.txt when
# there is one, under a timeout; stdout in out.txt, stderr in err.txt
# (without carriage returns), the exit status in $zelscan_status.
zelscan_run() {
    local case=$1 input=/dev/null
    shift
    local env=()
    while [ "$1" != -- ]; do
        env+=("$1")
        shift
    done
    shift
    local dir=$zelscan_dir/$case
    mkdir -p "$dir"
    [ -f "$dir/in.txt" ] && input=$dir/in.txt
    (cd "$dir" && env WINEDLLOVERRIDES="$zelscan_overrides" "${env[@]}" timeout 60 \
        "$loader" 'C:\zelwine\zelscan\zelscan.exe' "$@" <"$input" >out.raw 2>err.raw)
    zelscan_status=$?
    tr -d '\r' <"$dir/out.raw" >"$dir/out.txt"
    tr -d '\r' <"$dir/err.raw" >"$dir/err.txt"
}

# zelscan_expect WHAT EXPECTED ACTUAL, zelscan_expect_match WHAT REGEX TEXT:
# a wrong one is added to the case's faults.
zelscan_expect() {
    [ "$2" == "$3" ] || zelscan_faults+=("$1: expected [$2], got [$3]")
}
zelscan_expect_match() {
    [[ "$3" =~ $2 ]] || zelscan_faults+=("$1: [$3] does not match [$2]")
}

# The value of a key of the JSON summary, as nlohmann's dump(2) writes it.
zelscan_json() {
    sed -n "s/^ *\"$2\": \\(.*\\)[,]\$/\\1/p; s/^ *\"$2\": \\([^,]*\\)\$/\\1/p" \
        "$zelscan_dir/$1/out.txt" | head -n 1
}

# zelscan_same_as_linux CASE [VAR=VALUE...] -- ARGS...: the Linux build's
# zelscan, run the same way in CASE/linux, prints the same summary (counts,
# boxes, files) and the same terminal output (boxes, progress lines) as
# zelscan.exe did in CASE.
zelscan_same_as_linux() {
    local case=$1 dir=$zelscan_dir/$1/linux env=()
    shift
    while [ "$1" != -- ]; do
        env+=("$1")
        shift
    done
    shift
    mkdir -p "$dir"
    (cd "$dir" && env WINDIR="$root/build/default/windows" ZELPLAT_GETMESSAGE_TIMEOUT=30 \
        "${env[@]}" timeout 60 "$root/build/default/bin/zelscan" "$@" >out.txt 2>err.txt </dev/null)
    zelscan_expect "summary as on Linux" "$(cat "$dir/out.txt")" \
        "$(cat "$zelscan_dir/$case/out.txt")"
    zelscan_expect "terminal as on Linux" "$(cat "$dir/err.txt")" \
        "$(cat "$zelscan_dir/$case/err.txt")"
}

zelscan_case_list() {
    zelscan_run list -- list
    zelscan_expect "status" 0 "$zelscan_status"
    zelscan_expect "sources" "0  ZelVirtual Duplex Color  (default)
1  ZelVirtual Simplex Feeder
2  ZelVirtual Flatbed" "$(cat "$zelscan_dir/list/out.txt")"
}

zelscan_case_manual_duplex() {
    zelscan_run manual -- batch --source "Simplex Feeder" --duplex manual --yes \
        --out both.tif --json
    local dir=$zelscan_dir/manual
    zelscan_expect "status and passes" "0 2" "$zelscan_status $(zelscan_json manual passes)"
    zelscan_expect_match "box shown" "== Dúplex Manual ==" "$(cat "$dir/err.txt")"
    zelscan_expect "pages in the file" 6 \
        "$(tiffinfo "$dir/both.tif" 2>/dev/null | grep -c '^TIFF Directory')"
    zelscan_expect "interleaved" "sheet 1 front|sheet 1 back|sheet 2 front|sheet 2 back|sheet 3 front|sheet 3 back" \
        "$("$labels" "$dir/both.tif" 2>/dev/null | tail -n +2 | paste -sd '|')"
    zelscan_same_as_linux manual -- batch --source "Simplex Feeder" --duplex manual --yes \
        --out both.tif --json
}

zelscan_case_save_dialog() {
    mkdir -p "$zelscan_dir/dialog"
    printf 'chosen\n' >"$zelscan_dir/dialog/in.txt"
    zelscan_run dialog -- batch --format bmp --json
    local dir=$zelscan_dir/dialog
    zelscan_expect "status" 0 "$zelscan_status"
    zelscan_expect_match "dialog on the terminal" \
        "== Save As ==.*BitMap de windows.*File name \(empty line cancels\) >" \
        "$(tr '\n' ' ' <"$dir/err.txt")"
    zelscan_expect "files at the typed name" "chosen.bmp chosen_1.bmp chosen_2.bmp" \
        "$(cd "$dir" && ls chosen*.bmp 2>/dev/null | paste -sd ' ')"
    zelscan_expect "named in the summary" '"chosen.bmp"' "$(zelscan_json dialog name)"
    zelscan_expect "third page" "sheet 3 front" \
        "$("$labels" "$dir/chosen_2.bmp" 2>/dev/null | tail -n +2)"
    # The dialog shows the folder last used: a relative name still lands in
    # the folder zelscan runs in.
    mkdir -p "$dir/again"
    printf 'again\n' >"$dir/again/in.txt"
    zelscan_run dialog/again -- batch --format bmp
    zelscan_expect "relative to the current folder" "again.bmp again_1.bmp again_2.bmp" \
        "$(cd "$dir/again" && ls again*.bmp 2>/dev/null | paste -sd ' ')"
    zelscan_expect_match "listed" "again_2.bmp +BMP" "$(cat "$dir/again/out.txt")"
    # An empty line cancels the dialog; so does a name it does not take (a
    # name it refuses with a box, a folder it goes into), which would
    # otherwise leave it waiting.
    local typed
    for typed in '' 'a|b' 'again'; do
        printf '%s\n' "$typed" >"$dir/in.txt"
        zelscan_run dialog -- batch --format bmp --json
        zelscan_expect "cancelled with [$typed]" "2 \"cancelled\"" \
            "$zelscan_status $(zelscan_json dialog outcome)"
        [ -z "$typed" ] || zelscan_expect_match "[$typed] not taken" \
            "the dialog did not take the name" "$(cat "$dir/err.txt")"
    done
}

# At a console (a pseudo-terminal, which Wine makes one), a name typed with
# an accented letter reaches the dialog whole: the console's byte interface
# would turn it into '?'.  The name is typed once the prompt is shown.
zelscan_case_console_name() {
    local dir=$zelscan_dir/console pid i
    mkdir -p "$dir"
    rm -f "$dir"/* && mkfifo "$dir/typed"
    (cd "$dir" && WINEDLLOVERRIDES="$zelscan_overrides" timeout 60 script -q -e -c \
        "$loader 'C:\\zelwine\\zelscan\\zelscan.exe' batch --format bmp" /dev/null \
        <typed >screen.txt 2>&1) &
    pid=$!
    exec 3>"$dir/typed"
    for i in $(seq 50); do
        grep -q 'cancels)' "$dir/screen.txt" 2>/dev/null && break
        sleep 1
    done
    printf 'Digitalizaci\xc3\xb3n\r' >&3
    wait "$pid"
    zelscan_status=$?
    exec 3>&-
    zelscan_expect "status" 0 "$zelscan_status"
    zelscan_expect "files at the typed name" \
        "Digitalización.bmp Digitalización_1.bmp Digitalización_2.bmp" \
        "$(cd "$dir" && ls Digitali*.bmp 2>/dev/null | paste -sd ' ')"
}

# The counts come from the library's debug output, read in the process.
zelscan_case_progress() {
    local demo="Z:${root//\//\\}\\tools\\zelscan\\scenarios\\demo.json"
    zelscan_run progress ZELTWAIN_SCENARIO="$demo" -- batch --duplex two-sided --pixel gray \
        --blank 1 --out scan --json --progress log
    local dir=$zelscan_dir/progress
    zelscan_expect "status" 0 "$zelscan_status"
    zelscan_expect "counts" "8 5 3 1" "$(for key in transferred written discarded passes; do
        zelscan_json progress $key; done | paste -sd ' ')"
    zelscan_expect_match "progress lines" "progress: pass 1: pages transferred 1,.*discarded 3" \
        "$(tr '\n' ' ' <"$dir/err.txt")"
    zelscan_expect "pages in the file" 5 \
        "$(tiffinfo "$dir/scan.tif" 2>/dev/null | grep -c '^TIFF Directory')"
    zelscan_same_as_linux progress ZELTWAIN_SCENARIO="$root/tools/zelscan/scenarios/demo.json" \
        -- batch --duplex two-sided --pixel gray --blank 1 --out scan --json --progress log
}

# Every transfer ends cancelled: the device writes nothing and no page counts.
zelscan_case_nothing_written() {
    mkdir -p "$zelscan_dir/nothing"
    echo '{ "sources": [ { "name": "No Page Feeder", "faults": { "pages": [
        { "page": 1, "transfer": "cancel" }, { "page": 2, "transfer": "cancel" },
        { "page": 3, "transfer": "cancel" } ] } } ] }' >"$zelscan_dir/nothing/nopage.json"
    zelscan_run nothing ZELTWAIN_SCENARIO='C:\zelwine\zelscan\nothing\nopage.json' -- \
        device --format tiff --out dev.tif --json
    zelscan_expect "outcome" '1 "failure"' "$zelscan_status $(zelscan_json nothing outcome)"
    zelscan_expect "no page taken" 0 "$(zelscan_json nothing transferred)"
    zelscan_expect "no file" "" "$(cd "$zelscan_dir/nothing" && ls dev*.tif 2>/dev/null)"
}

zelscan_cases() {
    echo "== zelscan"
    if ! zelscan_install; then
        fail "zelscan.exe could not be installed in the prefix"
        return
    fi
    local case
    for case in list manual_duplex save_dialog console_name progress nothing_written; do
        zelscan_faults=()
        "zelscan_case_$case"
        if [ ${#zelscan_faults[@]} -eq 0 ]; then
            echo "ok zelscan $case"
            passed=$((passed + 1))
        else
            echo "FAIL zelscan $case (exit $zelscan_status):"
            printf '  %s\n' "${zelscan_faults[@]}"
            failed=$((failed + 1))
        fi
    done
}
