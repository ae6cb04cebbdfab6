#!/usr/bin/env bash
# Checks that the stack protector is in the program as shipped, stripped, on the build's own
# architecture: main calls __stack_chk_fail when its canary is gone (the relocation in $2, the
# compiled main, names it on every architecture, even where the call goes through the GOT),
# the program's main is that main, and stripping $1 as an install does leaves its code as it
# was. Tools that look at the stripped program alone cannot see this: it has no symbols.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
bin=$1 obj=$2
: "${OBJDUMP:?}" "${OBJCOPY:?}" "${NM:?}" "${STRIP:?}"
# main runs to the next symbol but its own local labels, which riscv64's objects keep.
compiled=$("$OBJDUMP" -dr "$obj" |
	awk '/^[0-9a-f]+ <[^>]*>:$/ { inside = /<main>:$/ || (inside && /<\.L/) } inside')
[[ -n $compiled ]] || fail "no main in $obj"
grep -q '__stack_chk_fail' <<<"$compiled" || fail "main in $obj never calls __stack_chk_fail"
size() { "$NM" -S "$1" | awk '$4 == "main" { print $2 }'; }
[[ $(size "$obj") == "$(size "$bin")" && -n $(size "$bin") ]] ||
	fail "main in $bin is not the compiled main of $obj"
"$STRIP" -o "$tmp/stripped" "$bin"
for f in "$bin" "$tmp/stripped"; do
	"$OBJCOPY" -O binary --only-section=.text "$f" "$tmp/$(basename "$f").text"
done
cmp "$tmp/$(basename "$bin").text" "$tmp/stripped.text" || fail "stripping $bin changed its code"
echo "main calls __stack_chk_fail, in $bin stripped too"
