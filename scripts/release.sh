#!/usr/bin/env bash
# Builds a Vorlane release into dist/: the setup program, the two portable zips
# and SHA256SUMS. Built twice from the same commit, the exes, the zips and the
# setup program come out byte for byte the same: the PE headers carry no time,
# and every time inside the zips and the setup program is the commit's.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/bootstrap.sh
version=$(bash scripts/version.sh)
short=${version%.*}
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}

for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j2 --target vorlane
done

rm -rf dist
mkdir -p dist
bash installer/build.sh build/win32/vorlane.exe build/win64/vorlane.exe dist

# For Notepad: CRLF line ends in the text files of the zips.
python3 - "$version" "$short" "$SOURCE_DATE_EPOCH" <<'PY'
import sys, time, zipfile
version, short, epoch = sys.argv[1], sys.argv[2], int(sys.argv[3])
stamp = time.gmtime(max(epoch, 315532800))[:6]  # zip times start in 1980
readme = open("installer/README.txt").read()
readme = readme.replace("@VERSION@", version).replace("@SHORT_VERSION@", short)
settings = open("scripts/vorlane-settings.reg").read()
crlf = lambda text: text.replace("\r\n", "\n").replace("\n", "\r\n").encode("ascii")
for bits in ("32", "64"):
    entries = [("vorlane.exe", open("build/win%s/vorlane.exe" % bits, "rb").read()),
               ("vorlane-settings.reg", crlf(settings)),
               ("README.txt", crlf(readme))]
    with zipfile.ZipFile("dist/vorlane-%s-win%s.zip" % (short, bits), "w") as z:
        for name, data in entries:
            info = zipfile.ZipInfo(name, stamp)
            info.create_system = 0      # MS-DOS: no Unix owner or mode bits
            info.external_attr = 0x20   # the archive attribute, as Windows sets it
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, data, compresslevel=9)
PY

(cd dist && LC_ALL=C sha256sum -- *.exe *.zip >SHA256SUMS)
ls -l dist
