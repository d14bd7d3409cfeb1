#!/usr/bin/env bash
# Checks the built LV2 bundle with the LV2 reference tools (lilv's lv2ls and lv2info, serd's sordi),
# which read it as every lilv-based host does: URI, name, maintainer, version, ports, parameters.
# Usage: lv2_metadata.sh BUNDLE URI
set -euo pipefail

bundle="$(cd "$1" && pwd)"
uri="$2"
expected_parameters=38
failures=0

fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}

# Only the built bundle: never an installed copy from the user's folders.
export LV2_PATH="$(dirname "$bundle")"

listed="$(lv2ls)"
grep -qxF "$uri" <<< "$listed" || fail "lv2ls does not list $uri; it lists: $listed"

info="$(lv2info "$uri")"
echo "$info"

field() {
    awk -v name="$1:" '$1 == name || ($1 " " $2) == name { sub(/^[^:]*:[ \t]*/, ""); print; exit }' <<< "$info"
}

[ "$(field Name)" = "Quello" ] || fail "name \"Quello\", got \"$(field Name)\""
[ "$(field Author)" = "Corvalen" ] || fail "author \"Corvalen\", got \"$(field Author)\""
[ "$(field Bundle)" = "file://$bundle/" ] || fail "bundle file://$bundle/, got \"$(field Bundle)\""

# A port's "Type:" lines list its classes; count ports by the pair of classes they carry.
count_ports() {
    awk -v first="$1" -v second="$2" '
        /^\tPort [0-9]+:/ { if (a && b) n++; a = 0; b = 0; next }
        index($0, first) { a = 1 }
        index($0, second) { b = 1 }
        END { if (a && b) n++; print n + 0 }' <<< "$info"
}

lv2core="http://lv2plug.in/ns/lv2core"
[ "$(count_ports "$lv2core#AudioPort" "$lv2core#InputPort")" = 2 ] || fail "2 audio input ports"
[ "$(count_ports "$lv2core#AudioPort" "$lv2core#OutputPort")" = 2 ] || fail "2 audio output ports"
[ "$(count_ports "http://lv2plug.in/ns/ext/atom#AtomPort" "$lv2core#InputPort")" = 1 ] || fail "1 atom input port for parameter messages"

triples="$(sordi "$bundle/dsp.ttl")"
grep -q "<http://usefulinc.com/ns/doap#revision> \"1.3.1\"" <<< "$triples" || fail "doap:revision \"1.3.1\""
grep -q "<$uri> <$lv2core#minorVersion> \"3\"" <<< "$triples" || fail "lv2:minorVersion 3"
grep -q "<$uri> <$lv2core#microVersion> \"1\"" <<< "$triples" || fail "lv2:microVersion 1"

parameters="$(grep -c "#type> <$lv2core#Parameter> \.$" <<< "$triples" || true)"
[ "$parameters" = "$expected_parameters" ] || fail "$expected_parameters parameters, got $parameters"

[ "$failures" -eq 0 ] || exit 1
echo "lv2ls and lv2info list $uri with its ports and $parameters parameters"
