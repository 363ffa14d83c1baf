#!/usr/bin/env bash
# Usage: zelscan_test.sh CASE
# One process test of zelscan against the virtual scanners.  The environment
# names the programs: ZELSCAN, ZELSCAN_CHECK, and DEMO_SCENARIO (the demo's
# scenario, with blank backs).  Each case works in a fresh folder.
set -uo pipefail
case_name=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/zelscan-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# expect_eq WHAT EXPECTED ACTUAL
expect_eq() {
    [ "$2" == "$3" ] || fail "$1: expected [$2], got [$3]"
}

# expect_match WHAT REGEX TEXT
expect_match() {
    [[ "$3" =~ $2 ]] || fail "$1: [$3] does not match [$2]"
}

# run ARGS...: zelscan with its stdout in out.txt, stderr in err.txt, status in $status
run() {
    "$ZELSCAN" "$@" >out.txt 2>err.txt </dev/null
    status=$?
}

# run_with_input TEXT ARGS...: the same, with TEXT on stdin
run_with_input() {
    local input=$1
    shift
    printf '%s' "$input" | "$ZELSCAN" "$@" >out.txt 2>err.txt
    status=$?
}

json() { "$ZELSCAN_CHECK" json out.txt "$1"; }
labels() { "$ZELSCAN_CHECK" labels "$1" | paste -sd, -; }
tiff_pages() { tiffinfo "$1" 2>/dev/null | grep -c '^TIFF Directory'; }

# A scenario of one feeder of three printed sheets whose person presses
# Cancel in the source's interface.
write_cancel_scenario() {
    cat >cancel.json <<'JSON'
{ "sources": [ { "name": "Cancelling Feeder", "feeder": true,
                 "operator": { "delay_ms": 10, "first_press": "cancel" } } ] }
JSON
}

case_list() {
    run list
    expect_eq "list status" 0 "$status"
    expect_eq "list text" "0  ZelVirtual Duplex Color  (default)
1  ZelVirtual Simplex Feeder
2  ZelVirtual Flatbed" "$(cat out.txt)"
    run list --json
    expect_eq "default in JSON" "ZelVirtual Duplex Color" "$(json /default)"
    expect_eq "third source" "ZelVirtual Flatbed" "$(json /sources/2/name)"
    expect_eq "second not default" false "$(json /sources/1/default)"
    # The manager is opened once for the whole list, not once a name.
    ZELTWAIN_TRACE=$PWD/trace.txt run list
    expect_eq "manager opened once" 1 "$(grep -c 'DG_CONTROL DAT_PARENT MSG_OPENDSM' trace.txt)"
}

case_show() {
    run show --source "Simplex Feeder"
    expect_eq "show status" 0 "$status"
    expect_match "show names the source" "source: +ZelVirtual Simplex Feeder" "$(cat out.txt)"
    expect_match "show settings" "bit depth: +24.*resolution: +100 x 100.*transfer: +native.*duplex: +no" "$(tr '\n' ' ' <out.txt)"
    run --json show
    expect_eq "default source shown" "ZelVirtual Duplex Color" "$(json /source)"
    expect_eq "its duplex" true "$(json /duplex)"
    expect_eq "its units" inches "$(json /units)"
    run show --source "No such scanner" --json
    expect_eq "missing source status" 1 "$status"
    expect_match "missing source named" "No such scanner" "$(cat err.txt)"
    expect_eq "failure object" "show failure" "$(json /command) $(json /outcome)"
}

case_duplex() {
    run duplex
    expect_eq "default source" "source 0: scans both sides" "$(cat out.txt)"
    run duplex --index 1 --json
    expect_eq "simplex by position" false "$(json /duplex)"
    run duplex --source Flatbed
    expect_eq "flatbed by name" "source 2: scans one side" "$(cat out.txt)"
    for index in 3 7 -1; do
        run duplex --index $index --json
        expect_eq "position $index" "1 duplex failure" "$status $(json /command) $(json /outcome)"
        expect_match "position $index said" "no source at position $index \(the manager lists 3\)" \
            "$(cat err.txt)"
    done
}

case_image() {
    run image --source Flatbed --pixel gray --out page.bmp --json
    expect_eq "image status" 0 "$status"
    expect_eq "image file" "page.bmp" "$(json /files/0/name)"
    expect_eq "grey" 8 "$(json /files/0/bits_per_pixel)"
    expect_eq "page read back" "sheet 1 front" "$(labels page.bmp)"
    # The save dialog, answered with a name without extension.
    run_with_input $'typed\n' image --pixel bw
    expect_eq "dialog status" 0 "$status"
    expect_match "dialog file" "typed.bmp +BMP, 1 page, 827 x 1169, 1 bits" "$(cat out.txt)"
    run_with_input "" image
    expect_eq "dialog cancelled" 2 "$status"
}

case_clipboard() {
    run clipboard --pixel bw --json
    expect_eq "clipboard status" 0 "$status"
    expect_eq "clipboard format" CF_DIB "$(json /clipboard/format)"
    expect_eq "clipboard depth" 1 "$(json /clipboard/bits_per_pixel)"
    expect_eq "clipboard colours" 2 "$(json /clipboard/colours)"
    expect_eq "clipboard width" 827 "$(json /clipboard/width)"
}

case_batch_tiff() {
    ZELTWAIN_SCENARIO=$DEMO_SCENARIO run batch --duplex two-sided --pixel gray --blank 1 \
        --out scan --contact-sheet sheet.png --json --progress log
    expect_eq "batch status" 0 "$status"
    expect_eq "extension appended" scan.tif "$(json /files/0/name)"
    expect_eq "pages transferred" 8 "$(json /pages/transferred)"
    expect_eq "pages written" 5 "$(json /pages/written)"
    expect_eq "pages discarded" 3 "$(json /pages/discarded)"
    expect_eq "one file" null "$(json /files/1 || echo null)"
    expect_eq "tiffinfo pages" 5 "$(tiff_pages scan.tif)"
    expect_eq "page order" "sheet 1 front,sheet 2 front,sheet 2 back,sheet 3 front,sheet 4 front" \
        "$(labels scan.tif)"
    # The document is on disk only at the end: pages written are counted
    # from the page writer's lines while the batch runs.
    expect_match "progress lines" "progress: pass 1: pages transferred 1,.*discarded 1, written 2 .*progress: pages transferred 8, written 5, discarded 3" \
        "$(tr '\n' ' ' <err.txt)"
    expect_eq "contact sheet" "660 518" "$("$ZELSCAN_CHECK" png sheet.png)"
}

case_batch_numbered() {
    run batch --format jpeg --quality 60 --out page.jpeg --json
    expect_eq "jpeg status" 0 "$status"
    expect_eq "first" page.jpeg "$(json /files/0/name)"
    expect_eq "third" page_2.jpeg "$(json /files/2/name)"
    expect_eq "jpeg labels" "sheet 3 front" "$(labels page_2.jpeg)"
    run batch --format png --duplex one-sided --out side.png
    expect_match "png files" "side.png +PNG.*side_1.png.*side_2.png" "$(tr '\n' ' ' <out.txt)"
    expect_eq "no fourth" "" "$(ls side_3.png 2>/dev/null)"
    # Files written again count; an older page file left from before does not.
    cp side.png side_7.png
    run batch --format png --duplex one-sided --out side.png --json
    expect_eq "rewritten files" 3 "$(json /pages/written)"
    expect_eq "older file left out" null "$(json /files/3 || echo null)"
}

case_batch_compression() {
    run batch --compression lzw --out lzw.tif
    expect_eq "lzw status" 0 "$status"
    expect_match "lzw in every page" "^(Compression Scheme: LZW,?){3}$" \
        "$(tiffinfo lzw.tif 2>/dev/null | grep -o 'Compression Scheme: [A-Za-z]*' | paste -sd, -)"
    run batch --out plain.tif
    expect_match "none by default" "Compression Scheme: None" "$(tiffinfo plain.tif 2>/dev/null)"
}

case_batch_manual_duplex() {
    run batch --source "Simplex Feeder" --duplex manual --yes --out both.tif --json
    expect_eq "manual status" 0 "$status"
    expect_eq "two passes" 2 "$(json /passes)"
    expect_match "box shown" "== Dúplex Manual ==" "$(cat err.txt)"
    expect_match "box kept" "^Introduzca ahora las páginas pares" "$(json /messages/0)"
    expect_eq "interleaved" \
        "sheet 1 front,sheet 1 back,sheet 2 front,sheet 2 back,sheet 3 front,sheet 3 back" \
        "$(labels both.tif)"
    # Two sides asked of a one-sided source, its interface shown: the library
    # falls back on a manual duplex and the person starts the second pass.
    run batch --source "Simplex Feeder" --duplex two-sided --show-ui --yes --out ui.tif --json
    expect_eq "negotiated manual" 2 "$(json /passes)"
    expect_match "second pass from the interface" "pulse de nuevo" "$(json /messages/0)"
    expect_eq "ui pages" 6 "$(tiff_pages ui.tif)"
}

case_batch_named_source() {
    # The demo's default source holds four sheets, the simplex feeder three:
    # the source opened by name is the one the acquisition uses.
    ZELTWAIN_SCENARIO=$DEMO_SCENARIO run batch --source Simplex --out named.tif --json
    expect_eq "named source" "ZelVirtual Simplex Feeder" "$(json /source)"
    expect_eq "its sheets" 3 "$(tiff_pages named.tif)"
    ZELTWAIN_SCENARIO=$DEMO_SCENARIO run batch --out default.tif
    expect_eq "default source's sheets" 4 "$(tiff_pages default.tif)"
    ZELTWAIN_SCENARIO=$DEMO_SCENARIO run image --source Flatbed --out flat.bmp --json
    expect_eq "one page from the flatbed" 1 "$(json /pages/transferred)"
}

case_batch_cancel() {
    run_with_input "" batch --json
    expect_eq "dialog cancelled" 2 "$status"
    expect_eq "outcome" cancelled "$(json /outcome)"
    expect_eq "library said" -1 "$(json /library_result)"
    run_with_input $'chosen\n' batch --format bmp
    expect_eq "dialog answered" 0 "$status"
    expect_match "named by the dialog" "chosen.bmp +BMP.*chosen_2.bmp" "$(tr '\n' ' ' <out.txt)"
    expect_match "dialog shown" "== Save As ==.*BitMap de windows \(\*\.bmp;\*\.dib\)" "$(tr '\n' ' ' <err.txt)"
    write_cancel_scenario
    ZELTWAIN_SCENARIO=$PWD/cancel.json run batch --show-ui --out none.tif
    expect_eq "cancelled in the source" 2 "$status"
}

case_interactive() {
    # On a terminal (a pseudo-terminal made by script): the save dialog takes
    # a typed name and the "Dúplex Manual" box waits for Enter.
    (sleep 3; printf 'typed\r'; sleep 3; printf '\r') |
        timeout 60 script -qec "$ZELSCAN batch --source Simplex --duplex manual --format bmp" \
            /dev/null >tty.txt 2>&1
    status=$?
    tr -d '\r' <tty.txt >out.txt
    expect_eq "terminal status" 0 "$status"
    expect_match "dialog on the terminal" "File name \(empty line cancels\) > typed" "$(cat out.txt)"
    expect_match "box waits for Enter" "pulse aceptar para continuar.\[Enter\] OK >" \
        "$(tr '\n' '.' <out.txt)"
    expect_eq "interleaved files" "sheet 1 front,sheet 1 back,sheet 3 back" \
        "$(for f in typed.bmp typed_1.bmp typed_5.bmp; do labels $f; done | paste -sd, -)"
}

case_failure() {
    mkdir empty
    WINDIR=$PWD/empty run list --json
    expect_eq "no manager" 1 "$status"
    expect_match "no manager said" "the TWAIN manager cannot be opened" "$(cat err.txt)"
    expect_eq "list failure object" "list failure" "$(json /command) $(json /outcome)"
    echo '{ "sources": [] }' >none.json
    ZELTWAIN_SCENARIO=$PWD/none.json run duplex --json
    expect_match "no source said" "no TWAIN source is installed" "$(cat err.txt)"
    expect_eq "duplex failure object" "duplex failure" "$(json /command) $(json /outcome)"
    # The manager lists the first source only; the second is the default.
    echo '{ "sources": [ { "name": "Listed" }, { "name": "Unlisted Default", "default": true } ],
            "faults": [ { "msg": "MSG_GETNEXT", "rc": "TWRC_ENDOFLIST" } ] }' >unlisted.json
    ZELTWAIN_SCENARIO=$PWD/unlisted.json run batch --yes --out x.tif
    expect_match "default not listed" 'the default source "Unlisted Default" is not' "$(cat err.txt)"
    expect_match "from the default source" "^batch from the default source: failure" "$(cat out.txt)"
    ZELTWAIN_SCENARIO=$PWD/unlisted.json run duplex
    expect_match "duplex says so" 'the default source "Unlisted Default" is not' "$(cat err.txt)"
    WINDIR=$PWD/empty run batch --yes --out x.tif --json
    expect_eq "batch without manager" 1 "$status"
    run batch --out missing-folder/x.tif --pixel cmyk
    expect_eq "pixel type refused" 1 "$status"
    run batch --yes --format bmp --out missing-folder/x --json
    expect_eq "pages not written" 1 "$status"
    expect_match "reported" "No se han? podido guardar" "$(json /errors/0)"
    expect_eq "none written" 0 "$(json /pages/written)"
    run device --source Flatbed --out flat.pdf
    expect_eq "flatbed cannot feed" 1 "$status"
    expect_match "device refusal explained" "cannot feed by itself" "$(cat err.txt)"
    run batch --format nonsense
    expect_eq "bad option" 1 "$status"
}

case_nothing_written() {
    # Every transfer ends cancelled: from state 6 to 7, without a page.
    echo '{ "sources": [ { "name": "No Page Feeder", "faults": { "pages": [
        { "page": 1, "transfer": "cancel" }, { "page": 2, "transfer": "cancel" },
        { "page": 3, "transfer": "cancel" } ] } } ] }' >nopage.json
    ZELTWAIN_SCENARIO=$PWD/nopage.json run device --format pdf --out dev --json
    expect_eq "device outcome" "1 failure" "$status $(json /outcome)"
    expect_eq "no page taken" "0 0" "$(json /pages/transferred) $(json /passes)"
    ZELTWAIN_SCENARIO=$PWD/nopage.json run batch --out native.tif
    expect_match "batch outcome" "^batch from No Page Feeder: failure" "$(cat out.txt)"
    expect_match "no page counted" "pages transferred 0," "$(cat out.txt)"
    expect_match "reason" "no file of the output was written" "$(cat err.txt)"
    # Pages scanned, but the page writer has no PDF output.
    run batch --format pdf --out none --json
    expect_eq "pdf from batch" "1 failure 3" "$status $(json /outcome) $(json /pages/transferred)"
    run batch --blank 100 --out blank.tif --json
    expect_eq "every page blank" "1 failure 3" "$status $(json /outcome) $(json /pages/discarded)"
}

case_device() {
    run device --format pdf --out dev --json
    expect_eq "device status" 0 "$status"
    expect_eq "pdf first" dev.pdf "$(json /files/0/name)"
    expect_eq "pdf format" PDF "$(json /files/0/format)"
    expect_eq "pdf files" dev_2.pdf "$(json /files/2/name)"
    expect_eq "pdf page" "sheet 2 front" "$(labels dev_1.pdf)"
}

case_device_tiff() {
    run device --format tiff --out dev.tif --contact-sheet dev.png
    expect_eq "tiff status" 0 "$status"
    expect_eq "merged" 3 "$(tiff_pages dev.tif)"
    expect_eq "no page files left" "" "$(ls dev_*.tif 2>/dev/null)"
    expect_eq "device labels" "sheet 1 front,sheet 2 front,sheet 3 front" "$(labels dev.tif)"
    expect_eq "device contact sheet" "498 265" "$("$ZELSCAN_CHECK" png dev.png)"
}

"case_$case_name"
if [ "$failures" -ne 0 ]; then
    echo "--- stdout"; cat out.txt 2>/dev/null; echo "--- stderr"; cat err.txt 2>/dev/null
    exit 1
fi
echo "ok: $case_name"
