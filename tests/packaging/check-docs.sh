#!/usr/bin/env bash
# check-docs.sh BUILD_DIR
#
# Fails when the manual pages or the bash completion fall behind the programs:
# - every command that `zortcfg --help` lists, every option that `zortcfg COMMAND
#   --help` lists and every fixed choice of the command's first argument (the actions
#   of `service`) must be in the command's subsection of packaging/man/zortcfg.1 and
#   among what packaging/completion/zortcfg offers for the command; `--port` must
#   complete `auto` where the command takes it;
# - every option of `zort-sim --help` must be in packaging/man/zort-sim.1;
# - an option must be explained in an entry of its page (a .TP heading), not only
#   mentioned;
# - the version `zortcfg --version` prints must head packaging/changelog and the
#   releases of the AppStream data, and be the one each manual page names.
#
# Exit status: 0 all documented, 1 something missing (each named on stderr),
# 2 bad usage or the programs cannot be run.

set -u -o pipefail

usage() {
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
}
(($# == 1)) || usage
build=$1
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
man_cli=$root/packaging/man/zortcfg.1
man_sim=$root/packaging/man/zort-sim.1
completion=$root/packaging/completion/zortcfg

for program in zortcfg zort-sim; do
    [[ -x $build/$program ]] || { echo "$0: $build/$program is not an executable" >&2; exit 2; }
done
for file in "$man_cli" "$man_sim" "$completion"; do
    [[ -r $file ]] || { echo "$0: $file cannot be read" >&2; exit 2; }
done

scratch=$(mktemp -d) && mkdir "$scratch/empty" || exit 2
trap 'rm -rf "$scratch"' EXIT

missing=0
report() {
    echo "missing: $*" >&2
    missing=1
}

# The options a --help text lists: the first field of each option line ("  --port P",
# "    --json FILE" in a group), its long name when it has one ("  -h,--help" gives
# --help) and its short one otherwise ("  -o FILE"). Descriptions, their continuation
# lines and positionals do not start with a dash two or four columns in.
options_of() {
    awk '/^  (  )?-/ {
        n = split($1, names, ","); name = ""
        for (i = 1; i <= n; i++) {
            if (names[i] ~ /^--[A-Za-z0-9]/) name = names[i]
            else if (name == "" && names[i] ~ /^-[A-Za-z0-9]$/) name = names[i]
        }
        if (name != "") print name
    }'
}

# A manual page as plain text: escaped hyphens and font changes undone.
plain_man() {
    sed -E -e 's/\\-/-/g' -e 's/\\f(\(..|\[[^]]*\]|.)//g' -e 's/\\[%&]//g' "$1"
}
# Whether text $2 mentions option $1 as a word of its own (--version is not found in
# --version-after-flash). Options are letters, digits and dashes: no quoting needed.
mentions() {
    [[ $2 =~ (^|[^A-Za-z0-9-])$1([^A-Za-z0-9-]|$) ]]
}
# The options explained by entries of a page: the heading line after each .TP.
entry_headings() {
    awk 'heading { print; heading = 0 } /^\.TP/ { heading = 1 }'
}
# The subsection of a command: from ".SS command" to the next heading.
subsection() {
    awk -v name="$1" '
        /^\.S[HS]/ { inside = 0 }
        /^\.SS[ \t]/ { title = $0; sub(/^\.SS[ \t]+"?/, "", title); sub(/[" \t].*$/, "", title)
                       if (title == name) inside = 1 }
        inside'
}

# What the completion offers, as "WORDS<TAB>candidate" lines, with and without the
# bash-completion package's helpers loaded.
completions() {
    local helpers=$1
    shift
    # File names offered depend on the folder; an empty one keeps the run short.
    (cd "$scratch/empty" && bash --norc --noprofile -c '
        helpers=$1 completion=$2
        shift 2
        [[ -n $helpers ]] && source "$helpers" >/dev/null 2>&1
        source "$completion" || exit 3
        declare -F _zortcfg >/dev/null || exit 3
        ask() {
            COMP_WORDS=("$@")
            COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
            COMP_LINE="${COMP_WORDS[*]}"
            COMP_POINT=${#COMP_LINE}
            COMPREPLY=()
            _zortcfg zortcfg "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
            local candidate
            for candidate in "${COMPREPLY[@]}"; do printf "%s\t%s\n" "${*:2}" "$candidate"; done
        }
        ask zortcfg ""
        ask zortcfg -
        for command in "$@"; do
            ask zortcfg "$command" -
            ask zortcfg "$command" ""
            ask zortcfg "$command" --port ""
        done
    ' check-docs "$helpers" "$completion" "$@")
}

top_help=$("$build/zortcfg" --help) || { echo "$0: $build/zortcfg --help failed" >&2; exit 2; }
mapfile -t commands < <(awk '/^Subcommands:/ { on = 1; next } /^[^ ]/ { on = 0 } on' <<<"$top_help" |
    sed -n -E 's/^  ([a-z][a-z0-9-]*)( .*)?$/\1/p')
((${#commands[@]} > 0)) || { echo "$0: no commands in zortcfg --help" >&2; exit 2; }
mapfile -t top_options < <(options_of <<<"$top_help")

page=$(plain_man "$man_cli")
page_entries=$(entry_headings <<<"$page")

# What each run of the completion offered, as offered[RUN<TAB>WORDS<TAB>candidate]: one
# run without the bash-completion package and, where it is installed, one with it. The
# two runs go side by side.
declare -A offered=()
helpers=/usr/share/bash-completion/bash_completion
loads=("")
[[ -r $helpers ]] && loads+=("$helpers")
pids=()
for n in "${!loads[@]}"; do
    completions "${loads[n]}" "${commands[@]}" >"$scratch/reply$n" &
    pids+=($!)
done
runs=()
for n in "${!loads[@]}"; do
    run=${loads[n]:+with $helpers}
    run=${run:-without bash-completion}
    if ! wait "${pids[n]}"; then
        report "completion: $completion does not define _zortcfg ($run)"
        continue
    fi
    runs+=("$run")
    while IFS= read -r line; do
        offered["$run"$'\t'"$line"]=1
    done <"$scratch/reply$n"
done
# Whether every run of the completion that loaded offers $3 after the words $2; when
# not, reports "completion: $1" with the runs that lacked it.
offers() {
    local run lacking=()
    for run in "${runs[@]}"; do
        [[ -n ${offered["$run"$'\t'"$2"$'\t'"$3"]:-} ]] || lacking+=("$run")
    done
    ((${#lacking[@]} == 0)) && return
    local joined
    printf -v joined '%s, ' "${lacking[@]}"
    report "completion: $1 (${joined%, })"
}

for option in "${top_options[@]}"; do
    mentions "$option" "$page" || report "zortcfg.1: $option"
    mentions "$option" "$page_entries" || report "zortcfg.1: no entry explains $option"
    offers "zortcfg $option" - "$option"
done

for command in "${commands[@]}"; do
    help=$("$build/zortcfg" "$command" --help) || { echo "$0: zortcfg $command --help failed" >&2; exit 2; }
    section=$(subsection "$command" <<<"$page")
    if [[ -z $section ]]; then
        report "zortcfg.1: no subsection .SS $command"
    fi
    offers "command $command" "" "$command"
    while IFS= read -r option; do
        # Every command has --help; the page says so once.
        [[ $option == --help ]] && continue
        if [[ -n $section ]] && ! mentions "$option" "$section"; then
            report "zortcfg.1: $command $option"
        fi
        mentions "$option" "$page_entries" || report "zortcfg.1: no entry explains $option"
        offers "zortcfg $command $option" "$command -" "$option"
    done < <(options_of <<<"$help")
    if grep -qE '^  --port P\|auto' <<<"$help"; then
        offers "zortcfg $command --port auto" "$command --port " auto
    fi
    # The fixed choices of the first argument ("ACTION TEXT:{call,gps-start,...}").
    choices=$(sed -n -E '/^Positionals:/,/^$/ s/^  [A-Za-z]+ [A-Z]+:\{([^}]*)\}.*/\1/p' <<<"$help" | head -n 1)
    for choice in ${choices//,/ }; do
        if [[ -n $section ]] && ! mentions "$choice" "$section"; then
            report "zortcfg.1: $command $choice"
        fi
        offers "zortcfg $command $choice" "$command " "$choice"
    done
done

sim_help=$("$build/zort-sim" --help) || { echo "$0: $build/zort-sim --help failed" >&2; exit 2; }
sim_page=$(plain_man "$man_sim")
sim_entries=$(entry_headings <<<"$sim_page")
while IFS= read -r option; do
    mentions "$option" "$sim_entries" || report "zort-sim.1: $option"
done < <(options_of <<<"$sim_help")

version=$("$build/zortcfg" --version | sed -n -E '1s/^zortcfg ([^ ]+)$/\1/p')
[[ -n $version ]] || { echo "$0: no version in zortcfg --version" >&2; exit 2; }
newest=$(sed -n -E '1s/^zort-configurator \(([^)]+)\) .*/\1/p' "$root/packaging/changelog")
[[ $newest == "$version" ]] || report "changelog: version $version (its newest entry is ${newest:-none})"
newest=$(grep -m 1 -o -E '<release version="[^"]+"' "$root/packaging/ru.zort.Configurator.metainfo.xml" |
    sed -E 's/.*"(.*)"/\1/')
[[ $newest == "$version" ]] || report "metainfo: release $version (its newest release is ${newest:-none})"
for file in "$root"/packaging/man/*.1; do
    grep -qE "^\.TH .*\"zort-configurator $version\"" "$file" || report "${file##*/}: version $version in .TH"
done

exit "$missing"
