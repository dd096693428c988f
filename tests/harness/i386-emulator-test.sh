#!/usr/bin/env bash
# scripts/i386-emulator, run in a user namespace of its own whose binfmt_misc instance starts
# empty, as on a fresh machine. Where the kernel runs i386 programs, it changes nothing and says
# nothing. Where the kernel refuses them, it registers the emulator and says so in one line, the
# program then runs, the entry is kept for boot, and a second run changes nothing. Skipped (77)
# where no user namespace can be made (in a chroot, or where the kernel or a container forbids
# them), or where the kernel gives one no binfmt_misc of its own (before Linux 6.7).
#   i386-emulator-test.sh SCRIPT I386_PROGRAM
set -u
script=$1
program=$2
boot=$(mktemp -d)
trap 'rm -rf "$boot"' EXIT
export QV_BINFMT_BOOT_ENTRY=$boot/qemu-i386.conf

if ! unshare --user --map-root-user true 2>/dev/null; then
  echo "skipped: no user namespace can be made here (a chroot, or the kernel or a container forbids it)"
  exit 77
fi
said=$(unshare --user --map-root-user --mount bash -c '
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null || exit 77
  [ -z "$(ls /proc/sys/fs/binfmt_misc | grep -vx "register\|status")" ] || exit 77
  "$2" >/dev/null 2>&1; echo "before=$?"
  echo "first=$("$1")"
  "$2" >/dev/null 2>&1; echo "after=$?"
  echo "second=$("$1")"
  grep -h "^enabled\|^flags" /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null || true
' - "$script" "$program")
case $? in
  0) ;;
  77)
    echo "skipped: this kernel gives no binfmt_misc instance of a user namespace's own"
    exit 77
    ;;
  *)
    echo "i386-emulator-test: it failed: $said" >&2
    exit 1
    ;;
esac
native="before=1
first=
after=1
second="
registered="before=126
first=this kernel cannot run i386 programs, so qemu-i386-static now runs them (binfmt_misc)
after=0
second=
enabled
flags: F"
# The program (the emulation probe) answers 1 where the kernel runs it, 0 under the emulator.
if [ "$said" = "$native" ] && [ ! -e "$QV_BINFMT_BOOT_ENTRY" ]; then
  echo "the kernel runs i386 programs: nothing registered"
elif [ "$said" = "$registered" ] && grep -q ':/usr/bin/qemu-i386-static:F$' "$QV_BINFMT_BOOT_ENTRY"; then
  echo "registered in a fresh binfmt_misc, once"
else
  echo "i386-emulator-test: unexpected:" >&2
  echo "$said" >&2
  ls -l "$QV_BINFMT_BOOT_ENTRY" >&2 2>/dev/null
  exit 1
fi
