#!/usr/bin/env bash
# delve.exe itself: it needs no DLL beyond Windows' own (SDL2, the C++
# runtime, libgcc and the threads library are linked in), so every DLL its
# import table names must be one of Windows' system DLLs; and it carries its
# icon (at five sizes) and its version for Explorer.
#   exe.sh WINDOWS_BUILD
set -u
exe=$1/delve.exe
objdump=$(command -v x86_64-w64-mingw32-objdump) || { echo "exe: no x86_64-w64-mingw32-objdump" >&2; exit 1; }
dlls=$("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
[ -n "$dlls" ] || { echo "exe: no import table in $exe" >&2; exit 1; }
system="advapi32.dll gdi32.dll hid.dll imm32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll setupapi.dll
shell32.dll user32.dll version.dll winmm.dll"
fail=0
for dll in $dlls; do
  case " $(echo $system) " in
    *" $dll "*) ;;
    *) case $dll in api-ms-win-*) ;; *) echo "exe: $exe needs $dll, not a Windows system DLL" >&2; fail=1 ;; esac ;;
  esac
done
echo "exe: $(echo $dlls)"

# Resource types: 3 an icon, 14 the group that lists its sizes, 16 the version.
types=$("$objdump" -p "$exe" | sed -n '/The .rsrc Resource Directory/,$p' |
  sed -n 's/^0[0-9a-f]*   Entry: ID: 0x\([0-9a-f]*\),.*/\1/p' | while read -r h; do echo $((16#$h)); done |
  sort -n | tr '\n' ' ')
icons=$("$objdump" -p "$exe" | sed -n '/The .rsrc Resource Directory/,$p' |
  awk '/^0[0-9a-f]+   Entry: ID: 0x000003/ { on = 1; next } /^0[0-9a-f]+   Entry/ { on = 0 }
       on && /^0[0-9a-f]+     Entry: ID:/ { n++ } END { print n + 0 }')
for t in 3 14 16; do
  case " $types" in *" $t "*) ;; *) echo "exe: no resource of type $t in $exe (types: $types)" >&2; fail=1 ;; esac
done
[ "$icons" -ge 5 ] || { echo "exe: $icons icon images, expected its five sizes" >&2; fail=1; }
echo "resources: types $types; $icons icon images"
exit $fail
