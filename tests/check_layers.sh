#!/bin/sh
# The folders are the layers, lowest first: core/ (Qt Core only), store/,
# ui/, app/. A file may include its own layer's headers and those below it,
# never one above. Prints every include that runs upward and fails if any does.
cd "$(dirname "$0")/.." || exit 2
rank() {
    case "$1" in
    core/*) echo 1 ;; store/*) echo 2 ;; ui/*) echo 3 ;; app/*) echo 4 ;; *) echo 0 ;;
    esac
}
upward=$(find core store ui app -type f \( -name '*.h' -o -name '*.cpp' \) | sort |
    while IFS= read -r file; do
        own=$(rank "$file")
        sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file" |
            while IFS= read -r included; do
                if [ "$(rank "$included")" -gt "$own" ]; then
                    echo "$file: #include \"$included\" runs upward (${file%%/*}/ may not use ${included%%/*}/)"
                fi
            done
    done)
if [ -n "$upward" ]; then
    echo "$upward" >&2
    echo "Layer check failed: core/ may include core/; store/ core/ and store/; ui/ all but app/." >&2
    exit 1
fi
echo "Layer check: every include runs downward or stays level."
