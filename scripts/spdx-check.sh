#!/bin/sh
# Lists the C++ sources (tracked by git) whose first three lines lack the licence line
# "// SPDX-License-Identifier: MIT"; exits 1 when there is any.
cd "$(dirname "$0")/.." || exit 2
missing=$(git ls-files '*.cpp' '*.h' | while IFS= read -r file; do
    head -n 3 "$file" | grep -qxF '// SPDX-License-Identifier: MIT' || printf '%s\n' "$file"
done)
[ -z "$missing" ] && exit 0
printf 'Without the line "// SPDX-License-Identifier: MIT" near the top:\n%s\n' "$missing"
exit 1
