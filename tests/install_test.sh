#!/usr/bin/env bash
# Installs the built program into a scratch prefix and starts the installed fablewick-cli as a
# new user would: no --home, no FABLEWICK_HOME, a home folder that holds nothing yet. The first
# start must fill the per-user folder from the installed default files, later starts must keep
# what the user changed there, and the add-on installed with the program must be found.
#   install_test.sh CMAKE BUILD_DIR BINDIR DATADIR ADDONDIR WINDOW_BUILT
# BINDIR, DATADIR and ADDONDIR are the install folders relative to the prefix; WINDOW_BUILT is 1
# when the window executable is built (its menu entry and icons are installed with it).
set -euo pipefail

cmake=$1 build=$2 bindir=$3 datadir=$4 addondir=$5 window_built=$6

scratch=$(mktemp -d "${TMPDIR:-/tmp}/fw_install_XXXXXX")
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/prefix
home=$scratch/home
per_user=$home/.local/share/fablewick

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The installed fablewick-cli, started from an unrelated folder with only a home folder to go by.
installed_cli() {
  (cd "$scratch" &&
    env -u FABLEWICK_HOME -u FABLEWICK_ADDON_PATH -u XDG_DATA_HOME HOME="$home" \
      "$prefix/$bindir/fablewick-cli" "$@")
}

# Runs the installed fablewick-cli; fails unless it exits with 0 and shows no message box.
roll() {
  local out=$scratch/out err=$scratch/err status=0
  installed_cli "$@" >"$out" 2>"$err" || status=$?
  [[ $status -eq 0 ]] || fail "fablewick-cli $* exited with $status: $(cat "$err")"
  [[ ! -s $err ]] || fail "fablewick-cli $* showed a message: $(cat "$err")"
  cat "$out"
}

"$cmake" --install "$build" --prefix "$prefix" >"$scratch/install.log" ||
  fail "cmake --install: $(tail -5 "$scratch/install.log")"

[[ -x $prefix/$bindir/fablewick-cli ]] || fail "no $bindir/fablewick-cli"
[[ -f $prefix/$addondir/Coinpurse.so ]] || fail "no $addondir/Coinpurse.so"
[[ -f $prefix/$datadir/Tables/Inns\ \&\ Taverns/Random\ Inn.tab ]] || fail "no sample tables"
if [[ $window_built == 1 ]]; then
  [[ -x $prefix/$bindir/fablewick ]] || fail "no $bindir/fablewick"
  shared=${datadir%/fablewick}
  for file in applications/fablewick.desktop icons/hicolor/scalable/apps/fablewick.svg \
    icons/hicolor/48x48/apps/fablewick.png icons/hicolor/256x256/apps/fablewick.png; do
    [[ -f $prefix/$shared/$file ]] || fail "no $shared/$file"
  done
fi

# First start: the catalogue comes from the per-user folder, filled with every installed file.
list=$(roll list)
grep -qF $'Inns & Taverns\tRandom Inn' <<<"$list" || fail "list lacks Random Inn: $list"
[[ -d $per_user ]] || fail "the first start made no $per_user"
while IFS= read -r -d '' file; do
  cmp -s "$prefix/$datadir/$file" "$per_user/$file" || fail "$file was not copied to $per_user"
done < <(cd "$prefix/$datadir" && find . -path ./Web -prune -o -type f -print0)
# The web engine, when installed, stays in the installation: a copy would outlive an upgrade.
[[ ! -e $per_user/Web ]] || fail "the web engine was copied to $per_user"
for name in Tables Data Title.html AddOns.cfg; do
  [[ -e $per_user/$name ]] || fail "$per_user has no $name"
done

[[ -n $(roll roll "Random Inn" --seed 3) ]] || fail "rolling Random Inn wrote nothing"

# The sample table that counts coins calls the add-on; the per-user folder has the add-on list
# but no AddOns folder, so the library must come from the installation.
hoard=$(roll roll "Coin Hoard" --seed 5)
grep -qE 'Counted: [0-9]+ (platinum|gold|electrum|silver|copper)' <<<"$hoard" ||
  fail "Coin Hoard did not reach the add-on: $hoard"
mkdir -p "$per_user/Tables/Checks"
printf ':Start\r\n1,{Extern~Coinpurse,1234}\r\n' >"$per_user/Tables/Checks/Purse.tab"
purse=$(roll roll Purse)
grep -qF '12 gold, 3 silver, 4 copper' <<<"$purse" || fail "the add-on answered: $purse"

# A later start keeps what the user changed, even where an installed file has the same name.
inn="$per_user/Tables/Inns & Taverns/Random Inn.tab"
printf ':Start\r\n1,The Crooked Wick, my own inn\r\n' >"$inn"
cp "$inn" "$scratch/edited.tab"
grep -qF 'The Crooked Wick, my own inn' <<<"$(roll roll "Random Inn")" ||
  fail "the edited Random Inn was not the one rolled"
cmp -s "$inn" "$scratch/edited.tab" || fail "a later start replaced the edited Random Inn"

# Without the installed library the add-on call must fail: the one found above was the
# installation's, not one from elsewhere on this machine.
rm "$prefix/$addondir/Coinpurse.so"
if installed_cli roll Purse 2>/dev/null | grep -qF '12 gold'; then
  fail "the add-on was loaded from outside the installation"
fi

echo "installed program works from $prefix"
