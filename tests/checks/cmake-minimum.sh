#!/usr/bin/env bash
# Checks that the build and its presets ask for the same CMake.
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$(dirname "$0")/lib.sh"
need python3
build_min=$(sed -n 's/^cmake_minimum_required(VERSION \([0-9.]*\))$/\1/p' "$SRC/CMakeLists.txt")
presets_min=$(python3 -c 'import json, sys; m = json.load(open(sys.argv[1]))["cmakeMinimumRequired"]; print("%d.%d" % (m["major"], m["minor"]))' "$SRC/CMakePresets.json")
[[ $build_min == "$presets_min" ]] || fail "CMakeLists.txt asks for CMake $build_min, the presets for $presets_min"
