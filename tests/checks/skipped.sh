#!/bin/sh
# Run by CTest before the tests, to empty file $2, in which each skipped check says why, and
# after them, to print it: CTest's own summary says only that they were skipped.
case $1 in
before) rm -f "$2" ;;
after) [ ! -f "$2" ] || cat "$2" ;;
esac
