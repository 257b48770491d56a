#!/bin/sh
# Each Windows program carries its manifest: written for Windows 10 and 11, aware of long paths,
# run with the user's own rights.
#   manifest.sh STRINGS PROGRAM...
strings=$1
shift
for p; do
    m="$("$strings" -a "$p")"
    for want in 'supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"' \
        '>true</longPathAware>' 'requestedExecutionLevel level="asInvoker"'; do
        printf '%s\n' "$m" | grep -qF -- "$want" || { echo "$p: no $want"; exit 1; }
    done
done
