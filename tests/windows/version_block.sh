#!/bin/sh
# Each Windows program carries its version block, as Explorer reads it: the version and the
# product name among the program's wide strings. Arguments: the strings tool, the version, the
# programs.
set -u
strings=$1 version=$2
shift 2
for program; do
    texts=$("$strings" -el "$program") || exit 1
    printf '%s\n' "$texts" | grep -qx -- "$version" &&
        printf '%s\n' "$texts" | grep -qx "Tobrin's Mustrel" ||
        { echo "$program: no version block with $version"; exit 1; }
done
