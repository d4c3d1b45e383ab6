#!/usr/bin/env bash
# Usage: tests/package/check_package.sh TALLOWBY-CLI.deb [TALLOWBY.deb]
# The Debian packages as a user and Debian's tools meet them. Each package: lintian,
# its files, Depends against the libraries its program loads, the versions, its man
# page rendered, and its program run unpacked on this system's libraries (the export
# and the completion for tallowby-cli; the desktop entry, MIME type, AppStream
# metadata, --help and --version without a display, the start and the manual for
# tallowby). Then both are installed into a clean Debian root made with mmdebstrap
# (clean_root.sh), when one can be made here; TALLOWBY_CLEAN_ROOT=no skips that.
# Everything happens in a temporary folder.
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tallowby-deb-XXXXXX")
trap 'rm -rf "$work"' EXIT
export TMPDIR=$work HOME=$work XDG_CACHE_HOME=$work/cache  # for lintian, man and bash

declare -A deb=()
for file in "$@"; do deb[$(dpkg-deb -f "$file" Package)]=$(realpath "$file"); done
if [ -z "${deb[tallowby-cli]:-}" ]; then
    echo "usage: $0 tallowby-cli_VERSION_ARCH.deb [tallowby_VERSION_ARCH.deb]" >&2
    exit 2
fi
version=$(dpkg-deb -f "${deb[tallowby-cli]}" Version)
root=$work/root  # both packages unpacked together, as installed
for package in "${!deb[@]}"; do dpkg-deb -x "${deb[$package]}" "$root"; done

passed=0 failed=0
check() {  # check NAME COMMAND...: runs the command, and shows its output if it fails
    if "${@:2}" > "$work/out" 2>&1; then passed=$((passed + 1)); echo "ok   $1"
    else failed=$((failed + 1)); echo "FAIL $1"; sed 's/^/     /' "$work/out"; fi
}
run() { env -u LD_LIBRARY_PATH "$root/usr/bin/$1" "${@:2}"; }
no_display() { env -u DISPLAY -u WAYLAND_DISPLAY -u LD_LIBRARY_PATH QT_QPA_PLATFORM= "$@"; }

# Errors, warnings and pedantic tags all fail: these packages are small enough to owe
# lintian nothing, and a tag a newer lintian adds is worth a look before it is let
# pass. Debian 12's lintian (2.116) and Debian 13's (2.122) report no tag at all, not
# even an informational one. A tag that cannot concern packages built this way goes
# into suppressed_tags, with its reason beside it; an override inside a package would
# need its reason there.
suppressed_tags=()
lintian_clean() {
    lintian --pedantic --fail-on error,warning,pedantic --display-info --tag-display-limit 0 \
        ${suppressed_tags[@]:+--suppress-tags "$(IFS=,; echo "${suppressed_tags[*]}")"} \
        "${deb[$1]}" 2>&1 | grep -v '^running with root privileges'
    return "${PIPESTATUS[0]}"
}

expected_files() {  # the package's files as dpkg-deb -c names them
    awk -v package="$1" '$1 == package {print "./usr/" $2}' "$source_dir/tests/package/installed_files.txt"
}
package_files() {
    diff <(dpkg-deb -c "${deb[$1]}" | awk '$1 !~ /^d/ {print $6}' | sort) <(expected_files "$1" | sort)
}

depends_cover_libraries() {  # each library the program loads comes from a package in Depends
    local depends soname owners ok=0
    depends=$(dpkg-deb -f "${deb[$1]}" Depends)
    for soname in $(objdump -p "$root/usr/bin/$1" | awk '$1 == "NEEDED" {print $2}' | sort -u); do
        owners=$(dpkg -S "*/$soname" 2>/dev/null | cut -d: -f1 | sort -u)
        if [ -z "$owners" ] || ! grep -qwF -f <(echo "$owners") <<<"$depends"; then
            echo "$soname (from ${owners:-no package}) is not in Depends: $depends"
            ok=1
        fi
    done
    return "$ok"
}

# The command-line tool brings no window system; the desktop program needs the
# command-line tool of its own build.
depends_as_split() {
    local depends
    depends=$(dpkg-deb -f "${deb[$1]}" Depends)
    echo "Depends: $depends"
    case $1 in
    tallowby-cli) ! sed 's/, /\n/g' <<<"$depends" |
                    grep -E '^(libqt|qt6-|libx11|libxcb|libgl|libegl|libgbm|libwayland|libdrm|mesa)' ;;
    tallowby) grep -qF "tallowby-cli (= $version)" <<<"$depends" ;;
    esac
}

versions_agree() {
    local shown
    zcat "$root/usr/share/doc/$1/changelog.gz" | head -1 | grep -F "($version)" &&
    zgrep -qF "Tallowby $version" "$root/usr/share/man/man1/$1.1.gz" &&
    shown=$(no_display "$root/usr/bin/$1" --version) && echo "$shown" &&
    [ "$shown" = "$1 ${version%.*} build ${version##*.}" ] &&
    if [ "$1" = tallowby ]; then
        grep -F "<release version=\"$version\"" "$root/usr/share/metainfo/example.corvane.tallowby.metainfo.xml"
    fi
}

man_page_renders() {  # as man shows it, without a warning from groff
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$root/usr/share/man/man1/$1.1.gz" \
        2>"$work/man-warnings" >"$work/man-page"
    cat "$work/man-warnings"
    [ ! -s "$work/man-warnings" ] && grep -q "$1" "$work/man-page"
}

# An export of the sample: the workbook lands beside the book and the last line names
# it, a reader finds a row per contact and the header, the book is unchanged.
cli_export() (
    mkdir -p "$work/export" && cd "$work/export" && cp "$source_dir/examples/names.dxl" .
    run tallowby-cli export --format xlsx names.dxl | tee stdout
    [ "$(tail -1 stdout)" = "$(pwd -P)/names.xlsx" ] && cmp "$source_dir/examples/names.dxl" names.dxl &&
    /usr/bin/python3 "$source_dir/tests/package/count_rows.py" names.xlsx stdout
)

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

help_without_display() {  # no window system is needed to be told how to use it
    no_display "$root/usr/bin/tallowby" --help > "$work/help" && cat "$work/help" &&
    grep -q '^Usage: ' "$work/help" && grep -q -- '--version' "$work/help"
}

gui_starts() {  # started offscreen, the desktop program still runs after a few seconds
    env -u LD_LIBRARY_PATH QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work" timeout 5 "$root/usr/bin/tallowby"
    [ $? -eq 124 ]
}

# The path the installed program tries for its manual, taken from the program
# itself, leads from /usr/bin to the manual in the package.
gui_finds_manual() {
    local relative
    relative=$(strings -el "$root/usr/bin/tallowby" | grep -oE '\.\./.*/manual\.html$')
    [ -n "$relative" ] && [ -s "$root/usr/bin/$relative" ] &&
    [ "$(realpath -m "$root/usr/bin/$relative")" = "$root/usr/share/doc/tallowby/manual.html" ]
}

# The menu entry opens DXL files, the type the package defines, and no other: a
# program that claims XML becomes the default for every XML file.
desktop_entry_claims_dxl_only() {
    local types
    types=$(sed -n 's/^MimeType=//p' "$root/usr/share/applications/tallowby.desktop")
    echo "MimeType=$types"
    [ "$types" = "application/x-notes-dxl;" ] &&
    grep -q '<mime-type type="application/x-notes-dxl">' "$root/usr/share/mime/packages/tallowby-dxl.xml"
}

for package in tallowby-cli tallowby; do
    [ -n "${deb[$package]:-}" ] || continue
    echo "-- $package: $(basename "${deb[$package]}"), $(stat -c %s "${deb[$package]}") bytes"
    check "$package: lintian --pedantic reports nothing" lintian_clean "$package"
    check "$package: dpkg-deb -c lists its files" package_files "$package"
    check "$package: Depends covers every library its program loads" depends_cover_libraries "$package"
    check "$package: Depends as the split wants" depends_as_split "$package"
    check "$package: changelog, man page, --version (and AppStream) name $version" versions_agree "$package"
    check "$package: the man page renders without warnings" man_page_renders "$package"
done
check "tallowby-cli exports the sample book" cli_export
check "bash completion offers commands, options, formats and files" completion
if [ -n "${deb[tallowby]:-}" ]; then
    check "desktop-file-validate accepts the desktop entry" \
        desktop-file-validate "$root/usr/share/applications/tallowby.desktop"
    check "the desktop entry claims the DXL type only" desktop_entry_claims_dxl_only
    check "appstreamcli validate --pedantic accepts the metainfo" appstreamcli validate --pedantic --no-net \
        "$root/usr/share/metainfo/example.corvane.tallowby.metainfo.xml"
    check "tallowby --help works without a display" help_without_display
    check "tallowby starts" gui_starts
    check "tallowby finds its installed manual" gui_finds_manual
fi

# Installed as a user installs them, into a root that has nothing else.
if [ "${TALLOWBY_CLEAN_ROOT:-yes}" = no ]; then
    echo "clean root: skipped (TALLOWBY_CLEAN_ROOT=no); the packages were checked unpacked only"
else
    bash "$source_dir/tests/package/clean_root.sh" "$work/clean" "$version" "${deb[tallowby-cli]}" \
        ${deb[tallowby]:+"${deb[tallowby]}"} || true
    if [ -f "$work/clean/results" ]; then
        while read -r status name; do
            if [ "$status" = ok ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
        done < "$work/clean/results"
    fi
fi
echo "package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
