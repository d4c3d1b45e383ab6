#!/usr/bin/env bash
# Usage: tests/package/check_package.sh PACKAGE.deb
# The Debian package as a user and Debian's tools meet it: lintian (which renders the
# man pages too), its files and dependencies, the unpacked programs on the system's
# libraries alone, the AppStream metadata, the bash completion. In a temporary folder.
set -euo pipefail

deb=$(realpath "$1")
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tallowby-deb-XXXXXX")
trap 'rm -rf "$work"' EXIT
export TMPDIR=$work HOME=$work XDG_CACHE_HOME=$work/cache  # for lintian, man and bash
root=$work/root
dpkg-deb -x "$deb" "$root"
version=$(dpkg-deb -f "$deb" Version)
passed=0 failed=0
check() {  # check NAME COMMAND...: runs the command, and shows its output if it fails
    if "${@:2}" > "$work/out" 2>&1; then passed=$((passed + 1)); echo "ok   $1"
    else failed=$((failed + 1)); echo "FAIL $1"; sed 's/^/     /' "$work/out"; fi
}
cli() { env -u LD_LIBRARY_PATH "$root/usr/bin/tallowby-cli" "$@"; }

lintian_clean() {  # errors and warnings fail; an override in the package needs a reason
    lintian --fail-on error,warning --tag-display-limit 0 "$deb" 2>&1 | grep -v '^running with root privileges'
    return "${PIPESTATUS[0]}"
}

package_files() {
    diff <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort) <(printf './usr/%s\n' bin/tallowby \
        bin/tallowby-cli share/applications/tallowby.desktop share/bash-completion/completions/tallowby-cli \
        share/doc/tallowby/{changelog.gz,copyright} share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/apps/tallowby.png \
        share/man/man1/{tallowby,tallowby-cli}.1.gz share/metainfo/example.corvane.tallowby.metainfo.xml \
        share/mime/packages/tallowby-dxl.xml share/tallowby/help/manual.html | sort)
}

depends_cover_libraries() {  # each library the programs load comes from a package in Depends
    local depends soname owners ok=0
    depends=$(dpkg-deb -f "$deb" Depends)
    for soname in $(objdump -p "$root"/usr/bin/tallowby{,-cli} | awk '$1 == "NEEDED" {print $2}' | sort -u); do
        owners=$(dpkg -S "*/$soname" 2>/dev/null | cut -d: -f1 | sort -u)
        if [ -z "$owners" ] || ! grep -qwF -f <(echo "$owners") <<<"$depends"; then
            echo "$soname (from ${owners:-no package}) is not in Depends: $depends"
            ok=1
        fi
    done
    return "$ok"
}

versions_agree() {
    zcat "$root/usr/share/doc/tallowby/changelog.gz" | head -1 | grep -F "($version)" &&
    [ "$(zgrep -lF "Tallowby $version" "$root"/usr/share/man/man1/tallowby{,-cli}.1.gz | wc -l)" = 2 ] &&
    grep -F "<release version=\"$version\"" "$root/usr/share/metainfo/example.corvane.tallowby.metainfo.xml" &&
    [ "$(cli --version)" = "tallowby-cli ${version%.*} build ${version##*.}" ]
}

# An export of the sample: the workbook lands beside the book and the last line names
# it, a reader finds a row per contact and the header, the book is unchanged.
cli_export() (
    mkdir -p "$work/export" && cd "$work/export" && cp "$source_dir/examples/names.dxl" .
    cli export --format xlsx names.dxl | tee stdout
    [ "$(tail -1 stdout)" = "$(pwd -P)/names.xlsx" ] && cmp "$source_dir/examples/names.dxl" names.dxl &&
    /usr/bin/python3 -c 'import sys, openpyxl; sys.exit(openpyxl.load_workbook("names.xlsx")["Contacts"].max_row - 1
        != int(sys.argv[1]))' "$(grep -o '^[0-9]* Contacts Saved Successfully' stdout | cut -d' ' -f1)"
)

gui_starts() {  # started offscreen, the desktop program still runs after a few seconds
    env -u LD_LIBRARY_PATH QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work" timeout 5 "$root/usr/bin/tallowby"
    [ $? -eq 124 ]
}

# The path the installed program tries for its manual, taken from the program
# itself, leads from /usr/bin to the manual in the package.
gui_finds_manual() {
    local relative
    relative=$(strings -el "$root/usr/bin/tallowby" | grep -E '^\.\./.*/manual\.html$')
    [ -n "$relative" ] && [ -s "$root/usr/bin/$relative" ] &&
    [ "$(realpath -m "$root/usr/bin/$relative")" = "$root/usr/share/tallowby/help/manual.html" ]
}

# Completes each row's words after "tallowby-cli" and the word being typed, in a
# folder with address books and other files; the offers sorted.
completion() (
    ok=0
    mkdir -p "$work/complete/sub" && cd "$work/complete" && touch a.dxl B.DXL c.txt d.xls
    while IFS='|' read -r words typed expected; do
        # shellcheck disable=SC2016,SC2086  # the words are split on purpose
        got=$(bash --norc --noprofile -c '. /usr/share/bash-completion/bash_completion; . "$1"; shift
            COMP_WORDS=(tallowby-cli "$@") COMP_CWORD=$#; COMP_LINE="${COMP_WORDS[*]}" COMP_POINT=${#COMP_LINE}
            _tallowby_cli; printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "' \
            bash "$root/usr/share/bash-completion/completions/tallowby-cli" $words "$typed")
        [ "$got" = "$expected " ] || { echo "'tallowby-cli $words $typed': '$got', want '$expected'"; ok=1; }
    done <<'EOF'
||--help --version export scan
export --format||csv vcf xls xlsx
export --layout||classic full outlook
export --vcard||3.0 4.0
export||B.DXL a.dxl sub
scan||B.DXL a.dxl sub
export --output||d.xls sub
export --format|x|xls xlsx
export|--|-- --csv-formulas --format --groups-as-categories --layout --open --output --split --vcard
EOF
    exit "$ok"
)

check "lintian reports no error or warning" lintian_clean
check "dpkg-deb -c lists the programs and their files" package_files
check "Depends covers every library the programs load" depends_cover_libraries
check "changelog, man pages, AppStream and tallowby-cli --version name $version" versions_agree
check "tallowby-cli exports the sample book" cli_export
check "tallowby starts" gui_starts
check "tallowby finds its installed manual" gui_finds_manual
check "appstreamcli validates the metainfo" appstreamcli validate --no-net \
    "$root/usr/share/metainfo/example.corvane.tallowby.metainfo.xml"
check "bash completion offers commands, options, formats and files" completion
echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
