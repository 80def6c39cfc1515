#!/usr/bin/env bash
# Shows that the tests catch faults: breaks product code one line at a time, rebuilds, runs the test
# programs that guard that line, and puts the line back. Every mutant must make a test fail.
#
#   bash scripts/mutants.sh            # all mutants (needs a built tree: bash scripts/build.sh)
#   bash scripts/mutants.sh naming     # only those whose description contains "naming"
#   bash scripts/mutants.sh --check    # only checks that every original line is still there
#
# Each mutant names the file, the whole original line (without its indentation) and its replacement.
# Lines are found by their text, not their number, so the list survives code moving around; a file that
# moved is found again by its name, a line that moved to another file by a search of the sources. The
# file is restored after each mutant, also on Ctrl-C. Exit status: 0 when every mutant was caught; 1 when
# one survived, did not build, or its original line was not found (update the entry then).
set -uo pipefail
cd "$(dirname "$0")/.."
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
filter="${1:-}"
check=""
if [ "$filter" = "--check" ]; then
    check=1
    filter=""
fi
timeout=120 # seconds per test program; a mutant that makes a test hang counts as caught

caught=0
problems=0
active=""  # the file currently broken
backup="$(mktemp)"
log="$(mktemp)"

restore() {
    if [ -n "$active" ]; then
        cp "$backup" "$active"
        touch "$active" # newer than the broken object, so the next build compiles it again
        active=""
    fi
}
trap 'restore; rm -f "$backup" "$log"' EXIT
trap 'restore; echo "interrupted; sources restored, run a build before testing"; exit 130' INT TERM

# Line numbers of the lines of $1 whose text, without surrounding blanks, is $2.
find_lines() {
    WANT="$2" awk '{ line = $0; sub(/^[ \t]+/, "", line); sub(/[ \t\r]+$/, "", line);
                     if (line == ENVIRON["WANT"]) print NR }' "$1"
}

# Where the line lives now: the named file, the file of that name elsewhere, or the one source holding it.
locate() {
    local file="$1" original="$2" candidates
    if [ -f "$file" ] && [ "$(find_lines "$file" "$original" | wc -l)" -eq 1 ]; then
        echo "$file"
        return
    fi
    candidates="$( (git ls-files "*/$(basename "$file")"; git grep -lF -- "$original" -- '*.cpp' '*.h') | sort -u)"
    for candidate in $candidates; do
        if [ "$(find_lines "$candidate" "$original" | wc -l)" -eq 1 ]; then
            echo "$candidate"
            return
        fi
    done
}

# mutant DESCRIPTION TESTS FILE ORIGINAL REPLACEMENT
#   TESTS: a ctest -R expression naming the test programs that must notice.
mutant() {
    local description="$1" tests="$2" original="$4" replacement="$5" file number targets
    case "$description" in *"$filter"*) ;; *) return ;; esac
    file="$(locate "$3" "$original")"
    if [ -z "$file" ]; then
        printf 'NOT FOUND  %s\n           %s: %s\n' "$description" "$3" "$original"
        problems=$((problems + 1))
        return
    fi
    number="$(find_lines "$file" "$original")"
    if [ -n "$check" ]; then
        printf 'found      %s (%s:%s)\n' "$description" "$file" "$number"
        return
    fi
    cp "$file" "$backup"
    active="$file"
    LINE="$number" WITH="$replacement" awk 'NR == ENVIRON["LINE"] { match($0, /^[ \t]*/);
        print substr($0, 1, RLENGTH) ENVIRON["WITH"]; next } { print }' "$backup" > "$file"
    # Only the test programs (and what they depend on) are rebuilt; the last step rebuilds the rest.
    targets="$(cd build && ctest -N -R "$tests" | sed -n 's/^ *Test *#[0-9]*: //p')"
    # shellcheck disable=SC2086 # one target per word
    if ! cmake --build build -j2 --target $targets > "$log" 2>&1; then
        printf 'NO BUILD   %s (%s:%s)\n' "$description" "$file" "$number"
        problems=$((problems + 1))
    elif (cd build && ctest -R "$tests" --timeout "$timeout" > "$log" 2>&1); then
        printf 'MISSED     %s (%s:%s; %s)\n' "$description" "$file" "$number" "$tests"
        problems=$((problems + 1))
    else
        printf 'caught     %s by %s\n' "$description" \
            "$(sed -n 's/^[[:space:]]*[0-9]* - \([^ ]*\) (.*/\1/p' "$log" | paste -sd, -)"
        caught=$((caught + 1))
    fi
    restore
}

mutant "off-by-one in the port number of output names" "vorne_outputnaming|vorne_graphexecutor" \
    executor/outputnaming.cpp \
    'const QString portText = QString::number(port);' \
    'const QString portText = QString::number(port + 1);'
mutant "wrong suffix rule: grey images as .ppm" "vorne_outputnaming" \
    executor/outputnaming.cpp \
    'return QStringLiteral(".pgm");' \
    'return QStringLiteral(".ppm");'
mutant "output names ignore the port's directory" "vorne_outputnaming|vorne_graphexecutor" \
    executor/outputnaming.cpp \
    'if (entry.directory.isEmpty())' \
    'if (true)'
mutant "dropped abort check in running nodes" "vorne_graphexecutor" \
    executor/ostrelrun.cpp \
    'return !executor || !executor->aborted();' \
    'return true;'
mutant "node errors bypass the executor's error callback" "vorne_graphexecutor" \
    executor/ostrelrun.cpp \
    'g_scheduler->errorCallback = &raiseNodeError;' \
    'g_scheduler->errorCallback = nullptr;'
mutant "failed runs not counted" "vorne_graphexecutor|vorne_runcontrol" \
    executor/ostrelrun.cpp \
    '++runsFailed;' \
    ';'
mutant "skipped warning status on items that carry an error" "vorne_item|vorne_graphexecutor" \
    items/item.cpp \
    'setData(StatusRole, int(WarningStatus));' \
    ';'
mutant "recordings not sent to their loader" "vorne_graphexecutor" \
    executor/inputloader.cpp \
    'if (const KORA::StFileFormat* recording = exactFormat(path, KORA::FileReader::Cine)) {' \
    'if (const KORA::StFileFormat* recording = exactFormat(path, KORA::FileReader::TextImage)) {'
mutant "a folder read as a text image" "vorne_graphexecutor" \
    executor/textimage.cpp \
    'if (!std::filesystem::is_regular_file(path, notAFile))' \
    'if (false)'
mutant "text-image lines with a # inside are kept" "base_textimage" \
    executor/textimage.cpp \
    "const bool comment = lineEnd == line || std::memchr(line, '#', static_cast<std::size_t>(lineEnd - line));" \
    'const bool comment = lineEnd == line;'
mutant "text-list comment lines taken as files" "vorne_textlist|vorne_pvorne" \
    mainwindow/textlist.cpp \
    "if (line.isEmpty() || line.startsWith(QLatin1Char('#')))" \
    'if (line.isEmpty())'
mutant "Down walks the selection from its start" "vorne_pvorne" \
    mainwindow/pvorne.cpp \
    'for (auto index = selected.crbegin(); index != selected.crend(); ++index) {' \
    'for (auto index = selected.cbegin(); index != selected.cend(); ++index) {'
mutant "a bool entered as false is refused" "vorne_pvorne" \
    mainwindow/pvorne.cpp \
    'if (text == QLatin1String("true") || text == QLatin1String("false"))' \
    'if (text == QLatin1String("true"))'
mutant "copied selection joined without line ends" "vorne_pvorne" \
    mainwindow/pvorne.cpp \
    "QGuiApplication::clipboard()->setText(texts.join(QLatin1Char('\\n')), QClipboard::Clipboard);" \
    "QGuiApplication::clipboard()->setText(texts.join(QLatin1Char(' ')), QClipboard::Clipboard);"
mutant "progress bar one step behind" "vorne_runcontrol" \
    mainwindow/pvorne_run.cpp \
    'ui->run_progressBar->setValue(m_batchIndex + 1);' \
    'ui->run_progressBar->setValue(m_batchIndex);'
mutant "a kind change forgets the synced flag" "vorne_displaymanager" \
    viewers/displaymanager.cpp \
    'replacement->setSynced(old->isSynced());' \
    'replacement->setSynced(true);'
mutant "an exception in a slot shows no box" "vorne_startup" \
    app/ccatchingapplication.cpp \
    'QMessageBox::warning(nullptr, QStringLiteral("Error in QT signal handler"), boxText, QMessageBox::Ok);' \
    '(void)boxText;'
mutant "missing journal write" "batch_" \
    tools/journal.cpp \
    'const ssize_t n = ::write(m_fd, line.data() + written, line.size() - written);' \
    'const ssize_t n = static_cast<ssize_t>(line.size() - written);'
mutant "journal skips indices whose output files are gone" "batch_" \
    tools/journal.cpp \
    'if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode))' \
    'if (false)'
mutant "a failure in a long journal's second half does not undo a done record" "batch_options" \
    tools/journal.cpp \
    'm_done.erase(index);' \
    ';'
mutant "PNG read without the 16-bit byte swap" "base_imageio" \
    suite/base/pngcodec.cpp \
    'png_set_swap(reader.png);' \
    ';'
mutant "PNG written in B, G, R order" "base_imageio" \
    suite/base/pngcodec.cpp \
    'png_set_bgr(writer.png);' \
    ';'
mutant "dropped atomic-save rename" "base_imageio|vorne_graphexecutor" \
    suite/base/imageio.cpp \
    'if (std::rename(temporary.c_str(), path.c_str()) != 0)' \
    'if (false)'
mutant "wrong scheduler thread count" "base_scheduler" \
    suite/base/threadscheduler.cpp \
    ': threads(threads), arena(threads > 0 ? threads : static_cast<int>(tbb::task_arena::automatic))' \
    ': threads(threads), arena(static_cast<int>(tbb::task_arena::automatic))'
mutant "CPGraph load errors without their origin" "base_cpgraph" \
    suite/base/cpgraph.cpp \
    'm_model = OstrelGraph::detail::GraphBuilder::Build(map, "graph map", false);' \
    'm_model = OstrelGraph::detail::GraphBuilder::Build(map, "", false);'
mutant "end of a TIFF page chain looked for at offset 0" "base_tiff" \
    suite/base/tiffcodec.cpp \
    'const uint64_t next = handle.error.empty() ? NextDirectory(tif, path, current) : 0;' \
    'const uint64_t next = handle.error.empty() ? NextDirectory(tif, path, TIFFCurrentDirOffset(tif) + 0 * current) : 0;'
mutant "pixel sizes missing from vorne-batch's records" "batch_process" \
    tools/session.cpp \
    'addPixelSizes(inputs, result.value("pixel_sizes", nlohmann::json::array()));' \
    ';'

if [ -n "$check" ]; then
    [ "$problems" -eq 0 ]
    exit
fi
echo "rebuilding the unbroken sources..."
cmake --build build -j2 > "$log" 2>&1 || echo "the final build failed: see cmake --build build"
echo "$caught caught, $problems not caught or not applied"
[ "$problems" -eq 0 ]
