#!/usr/bin/env bash
# Installs Korvalis for the user who runs it (no root), upgrades an install in place keeping
# the user's library, or removes it.
#   ./install.sh                set up and build as ./run.sh does, then install or upgrade
#   ./install.sh --from TREE    install a tree made by `cmake --install BUILD --prefix TREE`
#   ./install.sh --uninstall    remove the program; the library and its backups stay
# The program folder is $XDG_DATA_HOME/korvalis (~/.local/share/korvalis); the commands are
# links in ~/.local/bin. An upgrade backs the library up and brings in the new version's
# ready-made scripts through korvalis-export --import: the user's own are never changed.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")" && pwd)"
case "${XDG_DATA_HOME:-}" in
  /*) DATA_HOME="$XDG_DATA_HOME" ;;
  *) DATA_HOME="$HOME/.local/share" ;; # the XDG rule: a relative value is ignored
esac
PROGRAM="$DATA_HOME/korvalis"
BIN="$HOME/.local/bin"
# man finds pages beside a bin folder on PATH, whatever XDG_DATA_HOME says.
MAN1="$HOME/.local/share/man/man1"
MANIFEST="$PROGRAM/.instalacion"
# What the program writes into its folder while it runs; removed with it.
GENERATED=(js.htm categoria.htm banner.html)

say() { printf '%s\n' "$*"; }
# "1 script nuevo", "2 scripts nuevos"
count() {
  if [ "$1" -eq 1 ]; then printf '%s %s' "$1" "$2"; else printf '%s %s' "$1" "$3"; fi
}
fail() {
  printf 'korvalis: %s\n' "$*" >&2
  exit 1
}

usage() {
  say "Uso: ./install.sh [--from ÁRBOL] | --uninstall"
  exit 2
}

# The library is scripts.mdb (and SQLite's journal beside it), resources/ and copias/: never
# copied over, never removed.
is_library() {
  case "$1" in
    scripts.mdb | scripts.mdb-* | resources/* | copias/*) return 0 ;;
  esac
  return 1
}

# A path the install may remove: one of its own folders, never the library in the program
# folder, whatever the list of installed files says.
removable() {
  case "$1" in
    "$PROGRAM"/*) ! is_library "${1#"$PROGRAM"/}" ;;
    "$DATA_HOME"/* | "$BIN"/* | "$MAN1"/*) return 0 ;;
    *) return 1 ;;
  esac
}

# Every file is first copied beside its place under a temporary name; only when all copies
# succeeded are they renamed into place, so a full disk or a failure leaves the install as it
# was, and a running program never meets half a file.
PENDING=()
SUFFIX=".nuevo.$$"
unwritable() {
  fail "no se puede escribir $1 (¿disco lleno, sin permiso?). No se ha cambiado nada."
}
stage() {
  local from="$1" to="$2"
  mkdir -p "$(dirname "$to")" || unwritable "$to"
  PENDING+=("$to$SUFFIX")
  cp --preserve=mode "$from" "$to$SUFFIX" || unwritable "$to"
}
stage_link() {
  local target="$1" link="$2"
  mkdir -p "$(dirname "$link")" || unwritable "$link"
  PENDING+=("$link$SUFFIX")
  ln -s "$target" "$link$SUFFIX" || unwritable "$link"
}
# Stages a file written by a command: stage_output FILE COMMAND...
stage_output() {
  local to="$1"
  shift
  mkdir -p "$(dirname "$to")" || unwritable "$to"
  PENDING+=("$to$SUFFIX")
  "$@" >"$to$SUFFIX" || unwritable "$to"
}
commit_staged() {
  local tmp
  for tmp in "${PENDING[@]}"; do
    mv -Tf "$tmp" "${tmp%"$SUFFIX"}"
  done
  PENDING=()
}
# On any exit: staged files not renamed go, with the folders made for them.
discard_staged() {
  local tmp
  for tmp in "${PENDING[@]}"; do
    rm -f "$tmp"
    case "$tmp" in
      "$DATA_HOME"/*) prune "$(dirname "$tmp")" "$DATA_HOME" ;;
      "$HOME"/*) prune "$(dirname "$tmp")" "$HOME" ;;
    esac
  done
  PENDING=()
}

# Removes a folder left empty, and its parents up to (not including) a limit.
prune() {
  local dir="$1" limit="$2"
  while [ "$dir" != "$limit" ] && [ "${dir#"$limit"/}" != "$dir" ]; do
    rmdir "$dir" 2>/dev/null || return 0
    dir="$(dirname "$dir")"
  done
}

# A desktop entry's Exec: the path quoted, with the characters that quoting reserves escaped,
# then escaped again as a desktop string value.
exec_value() {
  local p="$1"
  p="${p//\\/\\\\}"
  p="${p//\"/\\\"}"
  p="${p//\`/\\\`}"
  p="${p//\$/\\\$}"
  p="${p//%/%%}"
  p="\"$p\""
  printf '%s' "${p//\\/\\\\}"
}

# The tree's menu entry, with Exec naming the installed program.
desktop_entry() {
  local exec_line line
  exec_line="Exec=$(exec_value "$PROGRAM/korvalis")"
  while IFS= read -r line; do
    case "$line" in
      Exec=*) printf '%s\n' "$exec_line" ;;
      *) printf '%s\n' "$line" ;;
    esac
  done <"$1"
}

# manifest VERSION FILE...
manifest() {
  printf '# Ficheros que instaló Korvalis; ./install.sh --uninstall los borra.\n'
  printf '# versión %s\n' "$1"
  shift
  printf '%s\n' "$@"
}

version_of_tree() {
  sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$1"/share/metainfo/*.metainfo.xml | head -n1
}

installed_version() {
  if [ -f "$MANIFEST" ]; then
    sed -n 's/^# versión //p' "$MANIFEST" | head -n1
  fi
}

uninstall() {
  if [ ! -f "$MANIFEST" ]; then
    fail "Korvalis no está instalado en $PROGRAM."
  fi
  local f
  while IFS= read -r f; do
    case "$f" in '#'* | '') continue ;; esac
    removable "$f" || continue
    if [ -f "$f" ] || [ -L "$f" ]; then
      rm -f "$f"
    fi
    # Folders it left empty go too, but never ~/.local/bin, which PATH may name.
    case "$f" in
      "$PROGRAM"/*) prune "$(dirname "$f")" "$PROGRAM" ;;
      "$DATA_HOME"/*) prune "$(dirname "$f")" "$DATA_HOME" ;;
      "$MAN1"/*) prune "$MAN1" "$HOME/.local/share" ;;
    esac
  done <"$MANIFEST"
  for f in "${GENERATED[@]}"; do
    rm -f "$PROGRAM/$f"
  done
  rm -f "$MANIFEST"
  say "Korvalis se ha desinstalado."
  if [ -e "$PROGRAM/scripts.mdb" ] || [ -e "$PROGRAM/copias" ] || [ -e "$PROGRAM/resources" ]; then
    say "Tu biblioteca sigue en $PROGRAM: scripts.mdb, sus ficheros en resources/ y sus copias de seguridad en copias/."
    say "Una nueva instalación la vuelve a usar; si ya no la quieres, bórrala a mano."
  else
    rmdir "$PROGRAM" 2>/dev/null || true
  fi
}

# The installed library opened with the new version's own code: one it cannot open (another
# key, a damaged file) stops the install before anything is touched.
check_library() {
  local export_tool="$1" err="$WORK/comprobar.err" rc=0
  "$export_tool" --library "$PROGRAM" --list >/dev/null 2>"$err" || rc=$?
  if [ "$rc" -ge 2 ]; then
    say "korvalis: no se puede abrir la biblioteca instalada $PROGRAM/scripts.mdb: $(tr '\n' ' ' <"$err")" >&2
    say "Puede tener otra clave o estar dañada. No se ha cambiado nada; la instalación se detiene." >&2
    exit 1
  fi
}

backups() {
  if [ -d "$PROGRAM/copias" ]; then
    find "$PROGRAM/copias" -maxdepth 1 -type f -printf '%f\n' | sort
  fi
}

# Brings the tree's ready-made scripts into the installed library, after its backup.
merge_library() {
  local export_tool="$1" source="$2" out="$WORK/importar.out" err="$WORK/importar.err"
  local rc before after
  before="$(backups)"
  rc=0
  "$export_tool" --library "$PROGRAM" --import "$source" >"$out" 2>"$err" || rc=$?
  if [ "$rc" -ge 2 ]; then
    say "korvalis: no se han podido traer los scripts de la nueva versión: $(tr '\n' ' ' <"$err")" >&2
    say "La biblioteca y el programa instalados siguen como estaban; la instalación se detiene." >&2
    exit 1
  fi
  after="$(backups)"
  local backup
  backup="$(comm -13 <(printf '%s\n' "$before") <(printf '%s\n' "$after") | tail -n1)"
  if [ -n "$backup" ]; then
    say "Copia de seguridad de la biblioteca: $PROGRAM/copias/$backup"
  else
    say "Aviso: no se ha hecho copia de seguridad de la biblioteca antes de importar." >&2
  fi
  # The import's summary, its last line: "N scripts importados, R con otro nombre, M ya
  # estaban, K rechazados; …" (singular for one); before it, one line a script ending in its
  # outcome.
  local summary imported renamed same refused
  summary="$(tail -n1 "$out")"
  if [[ ! "$summary" =~ ^([0-9]+)\ scripts?\ importados?,\ ([0-9]+)\ con\ otro\ nombre,\ ([0-9]+)\ ya\ estaban?,\ ([0-9]+)\ rechazados? ]]; then
    say "Aviso: la importación no ha dado su resumen; esto es lo que ha dicho:" >&2
    cat "$out" "$err" >&2
    return
  fi
  imported="${BASH_REMATCH[1]}"
  renamed="${BASH_REMATCH[2]}"
  same="${BASH_REMATCH[3]}"
  refused="${BASH_REMATCH[4]}"
  say "$(count $((imported + renamed)) "script nuevo" "scripts nuevos"); $(count "$same" "ya estaba" "ya estaban")"
  if [ "$renamed" -gt 0 ]; then
    say "Con otro nombre, porque ya tenías uno con ese nombre y otro código:"
    grep -F ': importado como «' "$out" || true
  fi
  if [ "$refused" -gt 0 ]; then
    say "$(count "$refused" "script" "scripts") de la nueva versión no se han traído:"
    grep -F ': rechazado: ' "$out" || true
  fi
  cat "$err" >&2
}

install_tree() {
  local tree="$1"
  local source="$tree/share/korvalis"
  if [ ! -x "$source/korvalis" ] || [ ! -x "$source/korvalis-export" ] ||
    [ ! -f "$source/scripts.mdb" ]; then
    fail "$tree no tiene un programa instalado por cmake --install (falta share/korvalis)."
  fi
  local desktop metainfo icon version old_version
  desktop="$(ls "$tree"/share/applications/*.desktop)"
  metainfo="$(ls "$tree"/share/metainfo/*.metainfo.xml)"
  icon="$(ls "$tree"/share/icons/hicolor/scalable/apps/*.svg)"
  version="$(version_of_tree "$tree")"
  old_version="$(installed_version)"
  if [ -n "$old_version" ] &&
    [ "$(printf '%s\n%s\n' "$old_version" "$version" | sort -V | tail -n1)" != "$version" ]; then
    fail "ya está instalada la versión $old_version, más nueva que esta ($version). Desinstálala antes si quieres volver atrás."
  fi
  local f
  for f in korvalis korvalis-export; do
    if [ -e "$BIN/$f" ] && [ ! -L "$BIN/$f" ]; then
      fail "$BIN/$f ya existe y no es de Korvalis; no se ha cambiado nada."
    fi
  done

  local upgrading=""
  if [ -e "$PROGRAM/scripts.mdb" ]; then
    upgrading=1
    check_library "$source/korvalis-export"
  fi

  local installed=() rel f
  while IFS= read -r -d '' f; do
    rel="${f#"$source"/}"
    if is_library "$rel"; then
      # A first install brings the shipped library; never over a file already there.
      if [ -z "$upgrading" ] && [ ! -e "$PROGRAM/$rel" ]; then
        stage "$f" "$PROGRAM/$rel"
      fi
      continue
    fi
    stage "$f" "$PROGRAM/$rel"
    installed+=("$PROGRAM/$rel")
  done < <(find "$source" -type f -print0)

  local entry
  entry="$DATA_HOME/applications/$(basename "$desktop")"
  stage_output "$entry" desktop_entry "$desktop"
  installed+=("$entry")
  stage "$metainfo" "$DATA_HOME/metainfo/$(basename "$metainfo")"
  installed+=("$DATA_HOME/metainfo/$(basename "$metainfo")")
  stage "$icon" "$DATA_HOME/icons/hicolor/scalable/apps/$(basename "$icon")"
  installed+=("$DATA_HOME/icons/hicolor/scalable/apps/$(basename "$icon")")
  for f in "$tree"/share/man/man1/*; do
    stage "$f" "$MAN1/$(basename "$f")"
    installed+=("$MAN1/$(basename "$f")")
  done
  for f in korvalis korvalis-export; do
    stage_link "$PROGRAM/$f" "$BIN/$f"
    installed+=("$BIN/$f")
  done
  stage_output "$MANIFEST" manifest "$version" "${installed[@]}"

  # Everything is in place under temporary names: the library's merge, then the renames.
  if [ -n "$upgrading" ]; then
    merge_library "$source/korvalis-export" "$source"
  fi
  local old_files=()
  if [ -f "$MANIFEST" ]; then
    mapfile -t old_files < <(grep -v '^#' "$MANIFEST")
  fi
  commit_staged
  # Files an older version installed that this one no longer has.
  local old
  for old in "${old_files[@]}"; do
    removable "$old" || continue
    printf '%s\n' "${installed[@]}" | grep -qxF -- "$old" || rm -f "$old"
  done

  if [ -n "$upgrading" ]; then
    local from=""
    [ -z "$old_version" ] || [ "$old_version" = "$version" ] || from="$old_version → "
    say "Korvalis $from$version actualizado en $PROGRAM; tu biblioteca se conserva."
  else
    say "Korvalis $version instalado en $PROGRAM."
  fi
  say "Se abre desde el menú (Desarrollo) o con $BIN/korvalis; la línea de órdenes es $BIN/korvalis-export."
  case ":$PATH:" in
    *":$BIN:"*) ;;
    *) say "Aviso: $BIN no está en PATH; añádelo para escribir solo «korvalis»." ;;
  esac
}

WORK=""
cleanup() {
  discard_staged
  [ -z "$WORK" ] || rm -rf "$WORK"
}
trap cleanup EXIT

main() {
  local tree=""
  case "${1:-}" in
    --uninstall)
      [ $# -eq 1 ] || usage
      uninstall
      return
      ;;
    --from)
      [ $# -eq 2 ] || usage
      tree="$(cd "$2" && pwd)"
      ;;
    "") ;;
    *) usage ;;
  esac
  WORK="$(mktemp -d)"
  if [ -z "$tree" ]; then
    source "$ROOT/tools/setup.sh"
    tree="$WORK/arbol"
    cmake --install "$BUILD_DIR" --prefix "$tree" --strip >/dev/null
  fi
  install_tree "$tree"
}

main "$@"
