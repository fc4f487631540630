#!/usr/bin/env bash
# Checks that the sources' includes point down: every folder under src/ is a room with a place
# in the order below (lowest first), and a file may include (#include "…", or a form's custom
# widget header) only headers of its own room or of a lower one. Rooms on one line share a level
# and may not include each other's headers. Also checks that the README's "Source layout"
# section names the rooms in that order: one line a room, starting "- `src/<room>`".
#
# Usage: scripts/check-layers.sh [REPOSITORY]   (default: the repository holding this script)
# Exit status 0 when everything points down, 1 with a line per problem otherwise.
set -euo pipefail

# Lowest first. A room with sub-rooms (track/model, …) is a folder under src/track; files deeper
# down (src/track/further/freegps/…) belong to the sub-room. Files directly in such a folder
# form its own room (track), which sits just above all its sub-rooms.
ROOMS=(
    "track/model"
    "track/container"
    "track/layouts track/further track/elsewhere"
    "track/extract"
    "app"
    "layout chrome playback report"
    "library"
    "instruments archive clip offlinemap"
    "session"
    "telemetry"
    "archiveview incidents"
    "mainwindow"
    "program"
)

case "${1:-}" in
-h | --help)
    sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'
    exit 0
    ;;
esac
root=$(cd "${1:-$(dirname "$0")/..}" && pwd)
cd "$root"
if [[ ! -d src ]]; then
    echo "check-layers: no src folder in $root" >&2
    exit 2
fi

declare -A rank       # room -> level for includes (a parent room sits above its sub-rooms)
declare -A readmeRank # room -> level for the README (a parent room heads its sub-rooms)
declare -A parent     # first folder -> 1 when it has sub-rooms
level=0
for group in "${ROOMS[@]}"; do
    for room in $group; do
        rank[$room]=$((level * 2))
        readmeRank[$room]=$((level * 2))
        if [[ $room == */* ]]; then
            top=${room%%/*}
            parent[$top]=1
            if [[ -z ${rank[$top]:-} || ${rank[$top]} -le $((level * 2)) ]]; then
                rank[$top]=$((level * 2 + 1))
            fi
            if [[ -z ${readmeRank[$top]:-} ]]; then
                readmeRank[$top]=$((level * 2))
            fi
        fi
    done
    level=$((level + 1))
done

problems=0
problem() {
    echo "check-layers: $*"
    problems=$((problems + 1))
}

# Sets room to the room of a file, given as its path under src/ (empty: directly in src/).
roomOfFile() {
    local path=$1 top rest
    room=""
    [[ $path == */* ]] || return 0
    top=${path%%/*}
    rest=${path#*/}
    if [[ -n ${parent[$top]:-} && $rest == */* ]]; then
        room="$top/${rest%%/*}"
    else
        room=$top
    fi
}

# Sets room to the room of a folder, given as its path under src/.
roomOfFolder() {
    local path=${1%/} top rest
    top=${path%%/*}
    if [[ -n ${parent[$top]:-} && $path == */* ]]; then
        rest=${path#*/}
        room="$top/${rest%%/*}"
    else
        room=$top
    fi
}

# Every source file, every header by its name, every form by its name.
mapfile -t files < <(find src -type f \( -name '*.cpp' -o -name '*.cc' -o -name '*.cxx' \
    -o -name '*.c' -o -name '*.h' -o -name '*.hpp' -o -name '*.hh' -o -name '*.h.in' \
    -o -name '*.ui' \) | LC_ALL=C sort)
declare -A byName # header or form name -> its paths, one a line
declare -A present
for file in "${files[@]}"; do
    name=${file##*/}
    case $name in
    *.h | *.hpp | *.hh | *.ui) byName[$name]+="$file"$'\n' ;;
    *.h.in) byName[${name%.in}]+="$file"$'\n' ;;
    esac
    roomOfFile "${file#src/}"
    if [[ -z $room ]]; then
        problem "$file: lies in no room (files belong in a folder under src/)"
    elif [[ -z ${rank[$room]:-} ]]; then
        problem "$file: room $room is not in the room order of scripts/check-layers.sh"
    else
        present[$room]=1
    fi
done

# Sets resolved to the path under the repository of what file includes as name (at line), or to
# empty when it is not one of ours (a system header, moc's output). A name that fits more than
# one header is a problem.
resolve() {
    local file=$1 name=$2 line=$3 base form candidates count
    resolved=""
    base=${name##*/}
    case $base in
    *.moc | moc_*) return 0 ;;
    esac
    if [[ $name == */* ]]; then
        # A folder-relative path: beside the including file, else any header ending so.
        candidates=$(realpath -m --relative-to="$root" "${file%/*}/$name")
        if [[ $candidates == src/* && -f $candidates ]]; then
            resolved=$candidates
            return 0
        fi
        candidates=$(printf '%s' "${byName[$base]:-}" |
            awk -v tail="/$name" 'length($0) >= length(tail) &&
                                  substr($0, length($0) - length(tail) + 1) == tail')
    elif [[ -f ${file%/*}/$name ]]; then
        resolved=${file%/*}/$name
        return 0
    else
        candidates=${byName[$base]:-}
        if [[ -z $candidates && $base == ui_*.h ]]; then
            form=${base#ui_}
            candidates=${byName[${form%.h}.ui]:-} # the form uic makes it from
        fi
    fi
    candidates=${candidates%$'\n'}
    [[ -n $candidates ]] || return 0
    count=$(printf '%s\n' "$candidates" | wc -l)
    if [[ $count -gt 1 ]]; then
        problem "$file:$line: includes \"$name\", which fits more than one header:" \
            "$(printf '%s' "$candidates" | tr '\n' ' ')" "(header names must be unique)"
        return 0
    fi
    resolved=$candidates
}

for file in "${files[@]}"; do
    roomOfFile "${file#src/}"
    from=$room
    [[ -n $from && -n ${rank[$from]:-} ]] || continue
    if [[ $file == *.ui ]]; then
        includes=$(grep -n -o '<header>[^<]*</header>' "$file" |
            sed 's/<header>\(.*\)<\/header>/\1/' || true)
    else
        includes=$(grep -n -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"]+"' "$file" |
            sed -E 's/^([0-9]+):[^"]*"([^"]+)".*/\1:\2/' || true)
    fi
    while IFS=: read -r line name; do
        [[ -n $name ]] || continue
        resolve "$file" "$name" "$line"
        [[ -n $resolved ]] || continue
        roomOfFile "${resolved#src/}"
        to=$room
        [[ -n $to && -n ${rank[$to]:-} && $to != "$from" ]] || continue
        if [[ ${rank[$to]} -gt ${rank[$from]} ]]; then
            problem "$file:$line: includes \"$name\" ($resolved): room $from may not include" \
                "room $to, which lies above it"
        elif [[ ${rank[$to]} -eq ${rank[$from]} ]]; then
            problem "$file:$line: includes \"$name\" ($resolved): room $from may not include" \
                "room $to, which shares its level"
        fi
    done <<<"$includes"
done

# The README names the rooms in the same order, one line each.
if [[ ! -f README.md ]]; then
    problem "README.md: missing"
else
    section=$(awk '/^## Source layout[[:space:]]*$/ { inside = 1; next } /^## / { inside = 0 }
                   inside { print NR ":" $0 }' README.md)
    if [[ -z $section ]]; then
        problem "README.md: no \"## Source layout\" section"
    fi
    declare -A named
    previous=""
    while IFS= read -r entry; do
        number=${entry%%:*}
        text=${entry#*:}
        [[ $text =~ ^-[[:space:]]+\`src/([^\`]+)\` ]] || continue
        roomOfFolder "${BASH_REMATCH[1]}"
        if [[ -z ${readmeRank[$room]:-} ]]; then
            problem "README.md:$number: names src/${BASH_REMATCH[1]}, which is not a room of" \
                "scripts/check-layers.sh"
            continue
        fi
        if [[ -n $previous && ${readmeRank[$room]} -lt ${readmeRank[$previous]} ]]; then
            problem "README.md:$number: room $room is named after room $previous, which lies" \
                "above it (the \"Source layout\" section names the rooms lowest first)"
        fi
        named[$room]=1
        previous=$room
    done <<<"$section"
    for group in "${ROOMS[@]}" "${!parent[@]}"; do
        for room in $group; do
            if [[ -n ${present[$room]:-} && -z ${named[$room]:-} ]]; then
                problem "README.md: the \"Source layout\" section has no line for src/$room" \
                    "(\"- \`src/$room\` …\")"
            fi
        done
    done
fi

if [[ $problems -gt 0 ]]; then
    echo "check-layers: $problems problem(s); the room order is in scripts/check-layers.sh" >&2
    exit 1
fi
echo "check-layers: every include points down; the README names the rooms in order"
