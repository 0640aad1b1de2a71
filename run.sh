#!/usr/bin/env bash
# Installs what is missing, builds, lays out a starter working folder where none exists
# (existing tables are never touched; a folder that lost some of its tables is refused) and
# starts Корвель in it.
# The working folder is ./work unless KORVEL_WORKDIR names another.
set -euo pipefail
cd "$(dirname "$0")"
./deps.sh
./build.sh
WORKDIR="${KORVEL_WORKDIR:-$PWD/work}"
if ! ./build/tools/make-workdir "$WORKDIR"; then
  echo "Корвель не запущен: рабочая папка $WORKDIR не готова (см. сообщение выше)." >&2
  exit 1
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat <<MSG
Нет графического дисплея (переменные DISPLAY и WAYLAND_DISPLAY пусты), окно Корвель открыть негде.
Запустите программу в виртуальном дисплее Xvfb:
  cd "$WORKDIR" && xvfb-run -a -s "-screen 0 1280x800x24" "$PWD/build/korvel"
или подключитесь к машине с графическим сеансом и снова выполните ./run.sh
MSG
  exit 1
fi
cd "$WORKDIR"
exec "$OLDPWD/build/korvel"
