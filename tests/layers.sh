#!/bin/bash
# The layers of the source tree: every folder includes only itself and the
# folders below it, and the command line (CLI11) lives in app/ alone. Prints
# each include that breaks the order and fails when there is one.
#   tests/layers.sh SOURCEDIR
cd "${1:?usage: tests/layers.sh SOURCEDIR}" || exit 2

# Each folder and the folders it may include, lowest first. textbase/ reads
# its parts with the input reader and writes Loadstone points, so it sits
# above poi/.
allowed() {
    case $1 in
    text) echo "text" ;;
    sys) echo "text sys" ;;
    ui) echo "text sys ui" ;;
    core) echo "text sys ui core" ;;
    poi) echo "text sys ui core poi" ;;
    textbase) echo "text sys ui core poi textbase" ;;
    app) echo "text sys ui core poi textbase app" ;;
    esac
}

bad=0
for dir in text sys ui core poi textbase app; do
    ok=" $(allowed $dir) "
    while IFS=: read -r file line inc; do
        top=${inc%%/*}
        if [[ $ok != *" $top "* ]]; then
            echo "$file:$line: $dir/ includes $inc"
            bad=1
        fi
    done < <(grep -rnoE '^#include "[^"]+"' --include='*.h' --include='*.cpp' "$dir" |
             sed -E 's/#include "([^"]+)"/\1/')
done
if grep -rln 'CLI::App\|CLI/CLI.hpp' --include='*.h' --include='*.cpp' text sys ui core poi textbase; then
    echo "the command line's CLI::App outside app/ (files above)"
    bad=1
fi
[ $bad = 0 ] && echo "layers: every include looks down"
exit $bad
