#!/bin/sh
# The importer's reason when its workspace may not be written: "Permission denied", not that the
# folder is not there. A folder made immutable (chattr +i) stands for one the user may not write,
# since the tests run as root, whom permissions do not stop; Wine reads the refusal as Windows'
# "Access is denied".
#   folder_reasons.sh IMPORTER [RUNNER...]
set -u
importer="$1"
shift
work="$(mktemp -d)"
trap 'chattr -i "$work/denied" 2>/dev/null; rm -rf "$work"' EXIT
mkdir "$work/denied"
printf '[ .CLASS BICHOALIADO .TOKEN COMANDO ]\r\n[ SUBINTERFACEALIADO [ .TOKEN COMANDO ] ]\r\n' \
    >"$work/m.mis"
if ! chattr +i "$work/denied" 2>/dev/null; then
    echo "SKIP: cannot make a folder immutable here (needs root and a file system with the flag)"
    exit 77
fi
cd "$work" || exit 1
printed="$("$@" "$importer" --workspace denied m.mis 2>&1)"
status=$?
case "$printed" in
*'mis_1_1.dat": Permission denied'*) ;;
*)
    echo "FAIL: no \"Permission denied\" for a folder that may not be written: $printed"
    exit 1
    ;;
esac
[ "$status" -eq 7 ] || { echo "FAIL: exit status $status, not 7: $printed"; exit 1; }
echo "PASS: $printed"
