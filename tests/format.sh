#!/bin/bash
# Every C++ source of the project in the format of .clang-format: lists those
# that are not and fails (clang-format --dry-run -Werror); with --apply it
# formats them instead (make format).
#   tests/format.sh SOURCEDIR [--apply]
cd "${1:?usage: tests/format.sh SOURCEDIR [--apply]}" || exit 2
mapfile -t files < <(find app core poi sys text textbase ui tools tests bench \
    -type f \( -name '*.cpp' -o -name '*.h' \) -not -path 'tests/fuzz/seeds/*' | sort)
if [ "${2:-}" = --apply ]; then
    exec clang-format -i "${files[@]}"
fi
clang-format --dry-run -Werror "${files[@]}" || {
    echo "format: the sources above are not formatted; make format formats them"
    exit 1
}
echo "format: ${#files[@]} sources formatted"
