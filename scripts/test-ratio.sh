#!/usr/bin/env bash
# Prints the size of the test suite against the code it tests: non-blank, non-comment C++ lines of tests/
# against those of everything else but bench/ and fuzz/ (files tracked by git).
set -euo pipefail
cd "$(dirname "$0")/.."

# Non-blank lines outside // and /* */ comments.
count() {
    xargs -r cat | awk '
        { line = $0 }
        inBlock { end = index(line, "*/"); if (!end) next; inBlock = 0; line = substr(line, end + 2) }
        { sub(/^[ \t]+/, "", line) }
        line ~ /^\/\*/ {
            end = index(substr(line, 3), "*/")
            if (!end) { inBlock = 1; next }
            line = substr(line, end + 4); sub(/^[ \t]+/, "", line)
        }
        line == "" || line ~ /^\/\// { next }
        { n++ }
        END { print n + 0 }'
}

tests=$(git ls-files -- 'tests/*.cpp' 'tests/*.h' | count)
product=$(git ls-files -- '*.cpp' '*.h' ':!tests/' ':!bench/' ':!fuzz/' | count)
echo "tests: $tests lines, product code: $product lines, $((100 * tests / product)) %"
