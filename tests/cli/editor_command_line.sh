#!/bin/sh
# The editor's command line: questions answered, wrong usage and a named workspace that is no
# folder refused, all without a display and before a window opens; Qt's own options are left to
# Qt. Arguments: the editor, its version.
set -u
editor=$1 version=$2
no_display() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"; }
no_display "$editor" --help | grep -q -- "--workspace FOLDER" || { echo "--help"; exit 1; }
[ "$(no_display "$editor" --version)" = "tobrins-mustrel $version" ] || { echo "--version"; exit 1; }
expect() { # status, what the error output says, arguments
    status=$1 said=$2
    shift 2
    out=$(no_display "$editor" "$@" 2>&1)
    [ $? -eq "$status" ] && echo "$out" | grep -qF -- "$said" ||
        { echo "$*: $out"; exit 1; }
}
q='"' scratch=$(mktemp -d) && trap 'rm -rf "$scratch"' EXIT && touch "$scratch/file"
usage="Usage: tobrins-mustrel [--workspace FOLDER]"
expect 2 "$usage" --bogus
expect 2 "$usage" --workspace
expect 2 "$usage" -- x
# The arguments are read in order: the first question or the first wrong one decides.
expect 2 "unknown argument ${q}--bogus${q}" --bogus --help
expect 0 "$usage" --help --bogus
expect 1 "workspace $q$scratch/gone$q: there is no such folder" --workspace "$scratch/gone"
expect 1 "workspace $q$scratch/file$q: it is not a folder" --workspace="$scratch/file"
expect 1 "there is no such folder" -platform offscreen -style=Fusion -reverse --workspace "$scratch/gone"
# An empty folder name is no workspace, not the default one.
expect 2 "--workspace must be followed by a folder" --workspace=
expect 2 "--workspace must be followed by a folder" --workspace ""
# A name that is not UTF-8 is the very name given: here a file, not a folder that is not there.
odd=$(printf '%s/odd\377' "$scratch") && touch "$odd"
expect 1 "it is not a folder" --workspace "$odd"
exit 0
