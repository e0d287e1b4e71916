#!/usr/bin/env bash
# The main job in one go: builds the program, the driver and the printer emulator, starts the
# emulator on 127.0.0.1 as the printer, prepares a program folder whose Ostrelin.ini points at
# it over TCP, drops a sample receipt file into the receipt folder and starts Ostrelin, which
# answers the receipt with its ".rep". Without a display Ostrelin runs on Qt's offscreen
# platform and both programs are stopped once the answer is there; with one, the window stays
# until you end the program (menu "Файл", "Прекрати").
set -euo pipefail
cd "$(dirname "$0")/.."

preset="${PRESET:-release}"
cmake --preset "${preset}" >/dev/null
cmake --build --preset "${preset}" --target Ostrelin Kalvora fpemu
build="build/${preset}"

program_dir="$(mktemp -d)/Ostrelin"
mkdir -p "${program_dir}/Reciepts"
cp "${build}/src/filedriver/forms/Ostrelin" "${build}/src/driver/automation/Kalvora.so" \
    "${program_dir}/"
# The driver registers itself at the first start: keep that in the demonstration's own registry.
export KALVORA_REGISTRY="${program_dir}/registry"

pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "${pid}" 2>/dev/null || true
    done
}
trap cleanup EXIT

# The emulator prints "TCP 127.0.0.1:PORT" once it listens.
exec {emu_out}< <(exec "${build}/tools/fpemu/fpemu" --tcp 127.0.0.1:0 \
    --log "${program_dir}/fpemu.log")
pids+=($!)
read -r -t 10 -u "${emu_out}" kind address
[ "${kind}" = TCP ] || { echo "fpemu did not start" >&2; exit 1; }
port="${address##*:}"
echo "fpemu: the printer listens on 127.0.0.1:${port}"

cat >"${program_dir}/Ostrelin.ini" <<INI
[Connection-IP]
ip_address=127.0.0.1
tcp_port=${port}
[OTHER]
use_tcp=1
INI
printf '@01Maria\r\n%%7^Bread^1.50^2^1\r\n%%0^Milk^2.20^1^2\r\n#E1^10.00\r\n' \
    >"${program_dir}/Reciepts/sample.bon"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    export QT_QPA_PLATFORM=offscreen
fi
"${program_dir}/Ostrelin" &
ostrelin=$!
pids+=("${ostrelin}")
echo "Ostrelin: started in ${program_dir}"

answer="${program_dir}/Reciepts/sample.rep"
for _ in $(seq 150); do
    [ -e "${answer}" ] && break
    kill -0 "${ostrelin}" 2>/dev/null || break
    sleep 0.2
done
if [ ! -e "${answer}" ]; then
    echo "No answer to the receipt; the program log:" >&2
    cat "${program_dir}"/Log/*.txt >&2 2>/dev/null || true
    exit 1
fi
echo "--- ${answer}"
tr -d '\r' <"${answer}"
echo "--- the last requests the printer answered (${program_dir}/fpemu.log)"
tail -n 3 "${program_dir}/fpemu.log"
if [ "${QT_QPA_PLATFORM:-}" != offscreen ]; then
    echo "Ostrelin keeps watching ${program_dir}/Reciepts; end it from its menu."
    wait "${ostrelin}" || true
fi
