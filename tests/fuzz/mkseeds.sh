#!/bin/bash
# Writes the fuzz targets' seeds (tests/fuzz/seeds) with the project's own
# generators and the program itself: small valid files of every kind the
# targets read, so that the fuzzer starts from inputs that reach deep.
#   mkseeds.sh BUILD      (a host build with trelik, mkpnt, mkuam and mktba)
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
seeds=$here/seeds
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
rm -rf "$seeds"
mkdir -p "$seeds"/{pnt,wpt,csv,gpx,kml,uam,uamtba,tbpart,tbparts,settings,katalog,codepage}

for s in 1 2 3; do
  "$build/mkpnt" --seed $s --points $((s * 3)) "$seeds/pnt/gen$s.pnt" >/dev/null
  "$build/mkpnt" --seed $s --points $((s * 3)) --format wpt "$seeds/wpt/gen$s.wpt" >/dev/null
  "$build/mkuam" --seed $s --records $((s * 2)) "$seeds/uam/gen$s.uam" >/dev/null
  cp "$seeds/uam/gen$s.uam" "$seeds/uamtba/gen$s.uam"
  # One part alone, and two parts joined by the target's separator.
  rm -rf "$tmp/tb" && mkdir "$tmp/tb"
  "$build/mktba" --seed $s --parts 2 --records $((s + 2)) --width 1 "$tmp/tb" >/dev/null
  cp "$tmp/tb/tba1.txt" "$seeds/tbpart/gen$s.txt"
  { cat "$tmp/tb/tba1.txt"; printf '#part2#'; cat "$tmp/tb/tba2.txt"; } >"$seeds/tbparts/gen$s.txt"
done

# Settings as the program saves them.
for s in 1 2; do
  rm -rf "$tmp/home" && mkdir "$tmp/home"
  TRELIK_HOME=$tmp/home "$build/trelik" convert -o "$tmp/wynik ąę $s.txt" -u $((s * 12)) -i $((s * 1000)) \
    "$seeds/pnt/gen$s.pnt" >/dev/null
  cp "$tmp/home/trelik.cfg" "$seeds/settings/saved$s.cfg"
done
head -c 8 "$seeds/settings/saved1.cfg" >"$seeds/settings/short.cfg"

# Waypoint files with what the generator does not write: the comma byte
# (209), blank lines, a short line, bad coordinates, another version, and a
# datum that is refused.
wpthead='OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\nReserved 2\r\nReserved 3\r\n'
printf "$wpthead"'1,Bar\xd1 Mleczny,52.1,21.2,,0,1,3,0,65535,tani\xd1 dobry,0,0,0,-777,6,0,17\r\n\r\n  \r\n2,Ratusz,50.1,19.9\r\n3,Poza,91,19\n4,X,1e1,-5.5' \
  >"$seeds/wpt/odd.wpt"
printf 'oziexplorer waypoint file version 1.0\r\nwgs84\r\n\r\n\r\n1,A,52,21,,0,1,3,0,65535,a b,0,0,0,-777\r\n' >"$seeds/wpt/version.wpt"
printf 'OziExplorer Waypoint File Version 1.1\r\nPulkovo 1942 (1)\r\nReserved 2\r\nReserved 3\r\n1,A,52,21\r\n' >"$seeds/wpt/datum.wpt"

# Point lists in CSV as spreadsheets and other programs write them: a header
# in English with quotes, a Polish spreadsheet (semicolons, decimal commas,
# a byte order mark and "sep=;"), and no header at all.
printf 'No,Latitude,Longitude,Name,Description\r\n1,52.229676,21.012229,"Apteka ""Nocna""","czynna, ca\xb3\xb9 dob\xea"\r\n2,-33.5,-70.25,"Bar",""\r\n' \
  >"$seeds/csv/header.csv"
printf '\xef\xbb\xbfsep=;\r\nNazwa;Szeroko\xc5\x9b\xc4\x87;D\xc5\x82ugo\xc5\x9b\xc4\x87;Opis\r\nApteka;52,2297;21,0122;ca\xc5\x82odobowa\r\n;;;\r\n"Bar; pub";"53,5";22;\r\nZ\xc5\x82y;91;0\r\n' \
  >"$seeds/csv/polish.csv"
printf 'Apteka,52.1,21.2\nBar,53\n\n52.22968, 21.01223, Las\n"otwarty,54,23\nKo\x9cci\xf3\xb3,1e1,-5' >"$seeds/csv/plain.csv"

# GPX and KML: the program's own GPX output, and files with what it does
# not write (prefixes, another encoding, entities, CDATA, route points, an
# extensions block, several points in one placemark, a file cut off).
rm -rf "$tmp/home" && mkdir "$tmp/home"
TRELIK_HOME=$tmp/home "$build/trelik" convert -o "$seeds/gpx/own.gpx" "$seeds/pnt/gen3.pnt" >/dev/null
if command -v gpsbabel >/dev/null; then
  gpsbabel -i gpx -f "$seeds/gpx/own.gpx" -o kml -F "$seeds/kml/babel.kml"
fi
cat >"$seeds/gpx/odd.gpx" <<'EOF2'
<?xml version="1.0" encoding="windows-1250"?>
<gpx:gpx xmlns:gpx="http://www.topografix.com/GPX/1/1"><gpx:wpt lat="91" lon="1"><gpx:name>Poza</gpx:name></gpx:wpt>
<wpt lat="5.21e1" lon="-0.5"><name>A &amp; B</name><desc><![CDATA[opis <b>x</b>]]></desc><extensions><name>nie</name></extensions></wpt>
<rte><rtept lat="1" lon="1"><name>trasa</name></rtept></rte><wpt lat="1"
EOF2
cat >"$seeds/kml/odd.kml" <<'EOF2'
<?xml version="1.0" encoding="ISO-8859-2"?>
<kml xmlns="http://www.opengis.net/kml/2.2"><Document><Folder>
<Placemark><name>Linia</name><LineString><coordinates>1,2 3,4</coordinates></LineString></Placemark>
<Placemark><name>Punkt</name><description>&lt;p&gt;opis&amp;nbsp;&#322;&lt;/p&gt;</description><MultiGeometry><Point><coordinates> 21.0 , 52.0 , 100 </coordinates></Point><Point><coordinates>1,1</coordinates></Point></MultiGeometry></Placemark>
<Placemark><Point><coordinates>200,1</coordinates></Point></Placemark>
</Folder></Document></kml>
EOF2

# Category tables in the forms users write them.
printf ' Apteki  nocne ,  13 \r\nStacje,7x\r\nBar, pub,5\r\nInne,99\r\nParkingi,12\r\n' >"$seeds/katalog/lines.csv"
printf '\xef\xbb\xbfApteki,1\nKoś\xc4\x87cioły,3\nŻabka,300\n' >"$seeds/katalog/utf8.csv"
printf 'Ko\x9cci\xf3\xb3y,3\rStacje paliw,7' >"$seeds/katalog/cp1250.csv"

# Texts for the code pages: Polish letters in code page 1250 and in UTF-8,
# and a path.
printf '\x04\x02Za\xbf\xf3\xb3\xe6 g\xea\x9cl\xb9 ja\x9f\xf1 \xa5\xc6\xca\xa3\xd1\xd3\x8c\x8f\xaf' >"$seeds/codepage/cp1250.txt"
printf '\x01\x05Zażółć gęślą jaźń ĄĆĘŁŃÓŚŹŻ' >"$seeds/codepage/utf8.txt"
printf '\x03\x04/home/użytkownik/textbase nowe/tba001.txt' >"$seeds/codepage/path.txt"
echo "seeds written to $seeds"
