#!/usr/bin/env bash
# Checks the Debian package as a user and Debian's tools meet it: lintian, the files
# it holds and its control fields, the unpacked programs, the man pages, the
# AppStream metadata and the bash completion. Works only in a temporary folder.
# Usage: tests/package/check_package.sh PACKAGE.deb
set -euo pipefail

deb=$(realpath "$1")
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tallowby-deb-XXXXXX")
trap 'rm -rf "$work"' EXIT
# lintian, man and bash keep their temporary files and caches here.
export TMPDIR=$work HOME=$work XDG_CACHE_HOME=$work/cache
root=$work/root
dpkg-deb -x "$deb" "$root"

passed=0
failed=0
check() {  # check NAME COMMAND...: runs the command, its output kept for a failure
    local name=$1
    shift
    if "$@" > "$work/out" 2>&1; then
        passed=$((passed + 1))
        echo "ok   $name"
    else
        failed=$((failed + 1))
        echo "FAIL $name"
        sed 's/^/     /' "$work/out"
    fi
}
field() { dpkg-deb -f "$deb" "$1"; }
version=$(field Version)

lintian_clean() {
    # Errors and warnings fail; overrides in the package need a reason each.
    lintian --fail-on error,warning --tag-display-limit 0 "$deb" 2>&1 \
        | grep -v '^running with root privileges'
    return "${PIPESTATUS[0]}"
}

package_files() {
    local expected actual
    expected=$(sort <<EOF
./usr/bin/tallowby
./usr/bin/tallowby-cli
./usr/share/applications/tallowby.desktop
./usr/share/bash-completion/completions/tallowby-cli
./usr/share/doc/tallowby/changelog.gz
./usr/share/doc/tallowby/copyright
./usr/share/icons/hicolor/128x128/apps/tallowby.png
./usr/share/icons/hicolor/16x16/apps/tallowby.png
./usr/share/icons/hicolor/256x256/apps/tallowby.png
./usr/share/icons/hicolor/32x32/apps/tallowby.png
./usr/share/icons/hicolor/48x48/apps/tallowby.png
./usr/share/icons/hicolor/64x64/apps/tallowby.png
./usr/share/man/man1/tallowby-cli.1.gz
./usr/share/man/man1/tallowby.1.gz
./usr/share/metainfo/example.corvane.tallowby.metainfo.xml
./usr/share/mime/packages/tallowby-dxl.xml
./usr/share/tallowby/help/manual.html
EOF
)
    actual=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)
    diff <(echo "$expected") <(echo "$actual")
}

control_fields() {
    local ok=0
    [ "$(field Package)" = tallowby ] || { echo "Package: $(field Package)"; ok=1; }
    [ "$(field Maintainer)" = "Corvane Software <support@corvane.example>" ] || ok=1
    [ "$(field Homepage)" = "https://www.corvane.example" ] || ok=1
    [ "$(field Priority)" = optional ] || ok=1
    [ -n "$(field Section)" ] || ok=1
    [ "$(basename "$deb")" = "tallowby_${version}_$(field Architecture).deb" ] || ok=1
    [ "$ok" -eq 0 ] || dpkg-deb -f "$deb"
    return "$ok"
}

# Each library the programs load comes from a package that Depends names.
depends_cover_libraries() {
    local depends soname owners ok=0
    depends=$(field Depends)
    for soname in $(objdump -p "$root/usr/bin/tallowby" "$root/usr/bin/tallowby-cli" \
                    | awk '$1 == "NEEDED" {print $2}' | sort -u); do
        owners=$(dpkg -S "*/$soname" 2>/dev/null | cut -d: -f1 | sort -u)
        if [ -z "$owners" ] || ! grep -qwF -f <(echo "$owners") <<<"$depends"; then
            echo "$soname (from ${owners:-no package}) is not in Depends: $depends"
            ok=1
        fi
    done
    return "$ok"
}

# The changelog, the man pages and the AppStream release name the package's version.
versions_agree() {
    local ok=0
    zcat "$root/usr/share/doc/tallowby/changelog.gz" | head -1 | grep -F "($version)" || ok=1
    zcat "$root"/usr/share/man/man1/tallowby.1.gz | grep -F "Tallowby $version" || ok=1
    zcat "$root"/usr/share/man/man1/tallowby-cli.1.gz | grep -F "Tallowby $version" || ok=1
    grep -F "<release version=\"$version\"" \
        "$root/usr/share/metainfo/example.corvane.tallowby.metainfo.xml" || ok=1
    return "$ok"
}

# The unpacked programs run on the system's libraries alone.
cli_version() {
    local expected="tallowby-cli ${version%.*} build ${version##*.}" out
    out=$(env -u LD_LIBRARY_PATH "$root/usr/bin/tallowby-cli" --version)
    echo "$out"
    [ "$out" = "$expected" ]
}

cli_help() {
    local out word ok=0
    out=$(env -u LD_LIBRARY_PATH "$root/usr/bin/tallowby-cli" --help)
    for word in scan export --format xlsx csv --output --open --help --version; do
        grep -qe "$word" <<<"$out" || { echo "--help does not mention $word"; ok=1; }
    done
    return "$ok"
}

# An export in each format: the file lands beside the book, the last line names it,
# a reader of the format finds the header and a row per contact, the book is unchanged.
cli_export() {
    local dir=$work/export format last
    mkdir -p "$dir"
    cp "$source_dir/examples/names.dxl" "$dir/"
    for format in xls xlsx csv; do
        (cd "$dir" && env -u LD_LIBRARY_PATH "$root/usr/bin/tallowby-cli" export \
            --format "$format" names.dxl) > "$dir/stdout" || return 1
        grep -q "Contacts Saved Successfully" "$dir/stdout" || { cat "$dir/stdout"; return 1; }
        last=$(tail -1 "$dir/stdout")
        [ "$last" = "$(cd "$dir" && pwd -P)/names.$format" ] || { echo "last line: $last"; return 1; }
    done
    cmp "$source_dir/examples/names.dxl" "$dir/names.dxl" &&
    /usr/bin/python3 - "$dir" "$(grep -o '^[0-9]*' "$dir/stdout" | head -1)" <<'PY'
import csv, sys, openpyxl, xlrd
folder, count = sys.argv[1], int(sys.argv[2])
rows = {
    "xls": xlrd.open_workbook(f"{folder}/names.xls").sheet_by_index(0).nrows,
    "xlsx": openpyxl.load_workbook(f"{folder}/names.xlsx", read_only=True)["Contacts"].max_row,
    "csv": len(list(csv.reader(open(f"{folder}/names.csv", encoding="utf-8-sig", newline="")))),
}
print(count, "contacts;", rows)
sys.exit(0 if count > 0 and set(rows.values()) == {count + 1} else 1)
PY
}

# Started offscreen, the desktop program is still running after a few seconds.
gui_starts() {
    local status=0
    env -u LD_LIBRARY_PATH QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work" \
        timeout 5 "$root/usr/bin/tallowby" || status=$?
    [ "$status" -eq 124 ]
}

# The path the installed program tries for its manual, taken from the program
# itself, leads from /usr/bin to the manual in the package.
gui_finds_manual() {
    local relative
    relative=$(strings -el "$root/usr/bin/tallowby" | grep -E '^\.\./.*/manual\.html$')
    echo "the program looks for usr/bin/$relative"
    [ -n "$relative" ] && [ "$(realpath -m "$root/usr/bin/$relative")" = \
        "$root/usr/share/tallowby/help/manual.html" ] && [ -s "$root/usr/bin/$relative" ]
}

man_page() {
    local err=$work/man.err
    MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$1.1.gz" 2> "$err" | grep -q '^NAME'
    cat "$err"
    [ ! -s "$err" ]
}

appstream() {
    appstreamcli validate --no-net \
        "$root/usr/share/metainfo/example.corvane.tallowby.metainfo.xml"
}

# Completes the words given after "tallowby-cli" (the last one the word being typed)
# in a folder with address books and other files, and prints the offers sorted.
complete_words() {
    local dir=$work/complete
    mkdir -p "$dir/sub"
    touch "$dir/a.dxl" "$dir/B.DXL" "$dir/c.txt" "$dir/d.xls"
    (cd "$dir" && bash --norc --noprofile -c '
        [ -f /usr/share/bash-completion/bash_completion ] &&
            . /usr/share/bash-completion/bash_completion
        . "$1"
        shift
        COMP_WORDS=(tallowby-cli "$@")
        COMP_CWORD=$#
        COMP_LINE="${COMP_WORDS[*]}"
        COMP_POINT=${#COMP_LINE}
        _tallowby_cli
        printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "
    ' bash "$root/usr/share/bash-completion/completions/tallowby-cli" "$@")
}

completion() {
    local ok=0 words expected got
    while IFS='|' read -r words expected; do
        # shellcheck disable=SC2086  # the words are split on purpose
        got=$(complete_words $words "")
        [ "$got" = "$expected " ] || { echo "'tallowby-cli $words ': '$got', want '$expected'"; ok=1; }
    done <<'EOF'
|--help --version export scan
export --format|csv xls xlsx
export|B.DXL a.dxl sub
scan|B.DXL a.dxl sub
export --output|d.xls sub
EOF
    got=$(complete_words export --format x)
    [ "$got" = "xls xlsx " ] || { echo "--format x: '$got'"; ok=1; }
    got=$(complete_words export --)
    [ "$got" = "-- --format --open --output " ] || { echo "export --: '$got'"; ok=1; }
    return "$ok"
}

check "lintian reports no error or warning" lintian_clean
check "dpkg-deb -c lists the programs and their files" package_files
check "control fields" control_fields
check "Depends covers every library the programs load" depends_cover_libraries
check "changelog, man pages and AppStream name version $version" versions_agree
check "tallowby-cli --version" cli_version
check "tallowby-cli --help lists the commands and options" cli_help
check "tallowby-cli exports the sample book" cli_export
check "tallowby starts" gui_starts
check "tallowby finds its installed manual" gui_finds_manual
check "man tallowby renders without warnings" man_page tallowby
check "man tallowby-cli renders without warnings" man_page tallowby-cli
if command -v appstreamcli > /dev/null; then
    check "appstreamcli validates the metainfo" appstream
fi
check "bash completion offers commands, options, formats and files" completion

echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
