# shellcheck shell=bash
# Sourced: copyright_names ROOT checks that every Files pattern of the copyright file installed
# under ROOT names a file installed there, as a path from the file system's root.
copyright_names() {
	local pattern file found
	while read -r pattern; do
		found=""
		while read -r file; do
			# shellcheck disable=SC2053 # the pattern is a glob on purpose
			[[ ${file#/} == $pattern ]] && found=1
		done < <(find "$1" -type f)
		[[ -n $found ]] || fail "the copyright file under $1 names $pattern, which is not there"
	done < <(sed -n 's/^Files: \(.*\)$/\1/p' "$(find "$1" -path '*/doc/randrange/copyright')" | grep -vx '\*')
}
